#include "Startup.h"

#include "TF_main.h"
#include "WorkDirSetup.h"
#include "store/StoreError.h"
#include "widgets/Services.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>

#include <memory>

using namespace Qt::StringLiterals;

int startProgram(const StartupOptions& options)
{
    std::unique_ptr<TF_main> main;
    try {
        if (options.setUpWorkDir) WorkDirSetup().run();
        main = std::make_unique<TF_main>();
        windowRegistry().window(u"TF_kfq"_s, main.get());
    } catch (const store::Abort&) {
        return 1;
    } catch (const std::exception& e) {
        const auto* storeError = dynamic_cast<const store::StoreError*>(&e);
        services().showException(storeError ? storeError->message() : QString::fromUtf8(e.what()));
        return 1;
    }
    QObject::connect(main.get(), &TF_main::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QApplication::setQuitOnLastWindowClosed(false);
    main->show();
    return options.messageLoop ? options.messageLoop() : QApplication::exec();
}
