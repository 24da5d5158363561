#include "Services.h"

#include "QtServices.h"
#include "store/StoreError.h"

namespace {

Services* installed = nullptr;

} // namespace

Services::~Services() = default;

Services* Services::install(Services* services)
{
    Services* previous = installed;
    installed = services;
    return previous;
}

Services& services()
{
    if (installed) return *installed;
    static QtServices qtServices;
    return qtServices;
}

QString programTitle()
{
    return QStringLiteral("Velto计划录入统计系统");
}

QString noPrinterText()
{
    return QStringLiteral("没有可用的打印机。请先在系统中安装打印机，或用“打印预览”查看。");
}

bool guarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const store::Abort&) {
    } catch (const store::StoreError& e) {
        services().showException(e.message());
    } catch (const std::exception& e) {
        services().showException(QString::fromUtf8(e.what()));
    }
    return false;
}
