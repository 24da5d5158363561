#include "Application.h"

#include "widgets/Fonts.h"
#include "widgets/QtServices.h"
#include "widgets/Services.h"

using namespace Qt::StringLiterals;

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(u"velto2012"_s);
    installFontSubstitutes();
    QtServices::installTranslations();
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
