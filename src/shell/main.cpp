#include "Application.h"
#include "Startup.h"
#include "widgets/WindowRegistry.h"

int main(int argc, char** argv)
{
    Application app(argc, argv);
    registerWindows(windowRegistry());
    return startProgram();
}
