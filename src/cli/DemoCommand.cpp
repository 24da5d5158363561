#include "Cli.h"

#include "DemoProjectList.h"
#include "shell/DemoData.h"
#include "store/StoreError.h"

#include <QElapsedTimer>
#include <QMap>

using namespace Qt::StringLiterals;

namespace cli {

namespace {

const char* const demoUsage = "usage: velto demo N [-C DIR] [--mistakes PERCENT] [--seed S] [--list]\n";

} // namespace

// Appends made-up zone-enterprise returns, to try the program out on a full directory.
int demoCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    DemoData::Options options;
    bool haveCount = false;
    bool list = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = true;
        if (a == "--mistakes"_L1 && i + 1 < args.size()) {
            options.mistakePercent = args[++i].toDouble(&ok);
            ok = ok && options.mistakePercent >= 0 && options.mistakePercent <= 100;
        } else if (a == "--seed"_L1 && i + 1 < args.size()) {
            options.seed = args[++i].toULongLong(&ok);
        } else if (a == "--list"_L1) {
            list = true;
        } else if (!haveCount && !a.startsWith(u'-')) {
            options.enterprises = a.toInt(&ok);
            ok = ok && options.enterprises >= 0;
            haveCount = true;
        } else {
            ok = false;
        }
        if (!ok) {
            err << demoUsage;
            return 2;
        }
    }
    if (!haveCount) {
        err << demoUsage;
        return 2;
    }
    try {
        QElapsedTimer timer;
        timer.start();
        const DemoData::Result r = DemoData(options).run();
        if (const int projects = demo::writeProjectList(u"gjxmqd.dbf"_s))
            out << "已写出演示用的国家级项目清单 gjxmqd.dbf（" << projects << " 个项目）\n";
        if (r.enterprises == 0) {
            out << "没有追加企业\n";
            return 0;
        }
        out << "已追加 " << r.enterprises << " 个企业（报表编号 " << r.firstNumber << " 至 " << r.lastNumber << "）、"
            << r.products << " 个产品、" << r.projects << " 个科技项目，用时 "
            << QString::number(timer.elapsed() / 1000.0, 'f', 1) << " 秒\n";
        QMap<int, int> counts;
        for (const auto& m : r.mistakes)
            ++counts[int(m.kind)];
        out << "带错误的企业: " << r.mistakes.size() << '\n';
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            out << "  " << DemoData::mistakeText(DemoData::Mistake(it.key())) << ": " << it.value() << '\n';
        if (list)
            for (const auto& m : r.mistakes)
                out << m.reportNumber << '\t' << DemoData::mistakeText(m.kind) << '\t' << m.ruleTable << '\t' << m.field
                    << '\n';
        return 0;
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
