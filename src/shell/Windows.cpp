#include "Startup.h"

#include "widgets/WindowRegistry.h"

// A window joins the program here, by its class name; until then its button tells the
// user that the function is not offered yet. For example:
//     registry.add<TF_check>(&F_check);
void registerWindows(WindowRegistry& registry)
{
    Q_UNUSED(registry);
}
