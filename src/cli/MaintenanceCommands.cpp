#include "Cli.h"

#include "exchange/Maintenance.h"
#include "store/StoreError.h"

#include <QDir>

using namespace Qt::StringLiterals;
using exchange::Maintenance;

namespace cli {

namespace {

// Report-kind codes as the main window gives them (1 zone enterprises, …), or "all".
bool parseKinds(const QStringList& args, QList<int>* positions)
{
    for (const QString& a : args) {
        if (a.compare("all"_L1, Qt::CaseInsensitive) == 0) {
            for (int p = 0; p < Maintenance::kindCount(); ++p)
                positions->append(p);
            continue;
        }
        bool ok = false;
        const int position = Maintenance::positionOfCode(a.toInt(&ok));
        if (!ok || position < 0) return false;
        positions->append(position);
    }
    return !positions->isEmpty();
}

// Runs `work` on a Maintenance of the current directory that prints each file it writes.
int run(QTextStream& out, QTextStream& err, const std::function<void(Maintenance&)>& work)
{
    Maintenance m;
    m.copied = [&out](const QString& from, const QString& to) {
        out << QDir::toNativeSeparators(from) << " -> " << QDir::toNativeSeparators(to) << '\n';
        out.flush();
    };
    try {
        work(m);
        return 0;
    } catch (const store::StoreError& e) {
        out.flush();
        err << e.message() << '\n';
        return 1;
    }
}

int kindsCommand(const QStringList& args, QTextStream& out, QTextStream& err, bool restore)
{
    QList<int> positions;
    if (!parseKinds(args, &positions)) {
        err << "usage: velto " << (restore ? "restore" : "backup")
            << " KIND... [-C DIR]   (KIND: 1 2 3 4 5 6 8 9 10 11, or all)\n";
        return 2;
    }
    return run(out, err, [&](Maintenance& m) {
        if (restore)
            m.restore(positions);
        else
            m.backup(positions);
        out << (restore ? "数据还原完成" : "数据备份完成") << '\n';
    });
}

} // namespace

int backupCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    return kindsCommand(args, out, err, false);
}

int restoreCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    return kindsCommand(args, out, err, true);
}

int transferCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 2) {
        err << "usage: velto transfer TABLE FILE [-C DIR]\n";
        return 2;
    }
    return run(out, err, [&](Maintenance& m) {
        m.transfer(args[0], args[1]);
        out << args[0] << " -> " << args[1] << '\n';
    });
}

int deliverCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 1) {
        err << "usage: velto deliver DEST [-C DIR]\n";
        return 2;
    }
    return run(out, err, [&](Maintenance& m) {
        m.deliver(args[0]);
        out << "上报数据已完成\n";
    });
}

int projectsCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QStringList rest = args;
    const bool empty = rest.removeAll(u"--empty"_s) > 0;
    if (rest.size() != 1 || rest[0].startsWith(u'-')) {
        err << "usage: velto projects REGION [-C DIR] [--empty]\n";
        return 2;
    }
    return run(out, err, [&](Maintenance& m) {
        const Maintenance::ProjectListResult r = m.buildProjectList(rest[0], empty);
        out << "新增 " << r.added << " 个项目，更新 " << r.updated << " 个项目\n项目清单已完成\n";
    });
}

} // namespace cli
