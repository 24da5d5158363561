#include "Cli.h"

#include "DemoProjectList.h"
#include "shell/DemoData.h"
#include "shell/DemoInstitutions.h"
#include "shell/DemoNationalProjects.h"
#include "store/StoreError.h"

#include <QElapsedTimer>
#include <QMap>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace cli {

namespace {

const char* const demoUsage
    = "usage: velto demo N [-C DIR] [--institutions M] [--mistakes PERCENT] [--seed S] [--list]\n";

// What the institution returns add to N enterprises when not told: an office has some
// twenty enterprises to each venture fund, industry base and provincial zone it reports.
int defaultInstitutions(int enterprises)
{
    return enterprises > 0 ? std::max(1, enterprises / 20) : 0;
}

void printInstitutions(const DemoInstitutions::Result& r, bool list, QTextStream& out)
{
    using Kind = DemoInstitutions::Kind;
    for (int k = 0; k < DemoInstitutions::kindCount; ++k) {
        const DemoInstitutions::Made& m = r.made[k];
        if (m.rows == 0) continue;
        int mistaken = 0;
        for (const auto& p : r.mistakes)
            mistaken += p.kind == Kind(k);
        out << "已追加 " << m.rows << " 个" << DemoInstitutions::kindText(Kind(k)) << "（编号 "
            << m.firstNumber << " 至 " << m.lastNumber << "），带错误的: " << mistaken << '\n';
    }
    QMap<int, int> counts;
    for (const auto& p : r.mistakes)
        ++counts[int(p.mistake)];
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        out << "  " << DemoInstitutions::mistakeText(DemoInstitutions::Mistake(it.key())) << ": "
            << it.value() << '\n';
    if (list)
        for (const auto& p : r.mistakes)
            out << p.reportNumber << '\t' << DemoInstitutions::mistakeText(p.mistake) << '\t' << p.ruleTable
                << '\t' << p.field << '\n';
}

// The demo's issued national-project list and the projects filled from it.
void reportNationalProjects(const DemoNationalProjects::Result& r, QTextStream& out, bool list)
{
    if (r.listed) out << "已写出演示用的下发国家级项目清单 gjxm_s.dbf（" << r.listed << " 个项目）\n";
    if (!r.loaded) return;
    out << "国家级项目: 清单 " << r.loaded << " 个（已录入 " << r.entered << " 个）、新增 " << r.added
        << " 个、带错误 " << r.mistakes.size() << " 个\n";
    if (list)
        for (const auto& m : r.mistakes)
            out << m.number << '\t' << DemoNationalProjects::mistakeText(m.kind) << "\tgjxm_chk.db\t"
                << m.field << '\n';
}

} // namespace

// Appends made-up zone-enterprise returns and returns of the single-table institution
// reports, to try the program out on a full directory.
int demoCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    DemoData::Options options;
    bool haveCount = false;
    bool list = false;
    int institutions = -1;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = true;
        if (a == "--mistakes"_L1 && i + 1 < args.size()) {
            options.mistakePercent = args[++i].toDouble(&ok);
            ok = ok && options.mistakePercent >= 0 && options.mistakePercent <= 100;
        } else if (a == "--seed"_L1 && i + 1 < args.size()) {
            options.seed = args[++i].toULongLong(&ok);
        } else if (a == "--institutions"_L1 && i + 1 < args.size()) {
            institutions = args[++i].toInt(&ok);
            ok = ok && institutions >= 0;
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
        DemoInstitutions::Options more;
        more.ventureFunds = more.industryBases = more.provincialZones
            = institutions >= 0 ? institutions : defaultInstitutions(options.enterprises);
        more.mistakePercent = options.mistakePercent;
        more.seed = options.seed;
        const DemoInstitutions::Result other = DemoInstitutions(more).run();
        DemoNationalProjects::Options national;
        national.seed = options.seed;
        reportNationalProjects(DemoNationalProjects(national).run(), out, list);
        if (r.enterprises == 0) {
            out << "没有追加企业\n";
        } else {
            out << "已追加 " << r.enterprises << " 个企业（报表编号 " << r.firstNumber << " 至 "
                << r.lastNumber << "）、" << r.products << " 个产品、" << r.projects << " 个科技项目，用时 "
                << QString::number(timer.elapsed() / 1000.0, 'f', 1) << " 秒\n";
            QMap<int, int> counts;
            for (const auto& m : r.mistakes)
                ++counts[int(m.kind)];
            out << "带错误的企业: " << r.mistakes.size() << '\n';
            for (auto it = counts.cbegin(); it != counts.cend(); ++it)
                out << "  " << DemoData::mistakeText(DemoData::Mistake(it.key())) << ": " << it.value()
                    << '\n';
            if (list)
                for (const auto& m : r.mistakes)
                    out << m.reportNumber << '\t' << DemoData::mistakeText(m.kind) << '\t' << m.ruleTable
                        << '\t' << m.field << '\n';
        }
        printInstitutions(other, list, out);
        return 0;
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
