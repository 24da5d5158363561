#include "Cli.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct CommandInfo
{
    const char* name;
    const char* usage;
    cli::Command run;
};

const CommandInfo commands[] = {
    { "sql", "velto sql [-C DIR] [--codepage N] STATEMENT...", cli::sqlCommand },
    { "init", "velto init [-C DIR]", cli::initCommand },
    { "demo", "velto demo N [-C DIR] [--mistakes PERCENT] [--seed S] [--list]", cli::demoCommand },
    { "check", "velto check KIND [-C DIR] [--reference]", cli::checkCommand },
    { "export", "velto export TABLE-OR-STATEMENT FILE [-C DIR]", cli::exportCommand },
    { "backup", "velto backup KIND... [-C DIR]", cli::backupCommand },
    { "restore", "velto restore KIND... [-C DIR]", cli::restoreCommand },
    { "transfer", "velto transfer TABLE FILE [-C DIR]", cli::transferCommand },
    { "deliver", "velto deliver DEST [-C DIR]", cli::deliverCommand },
    { "projects", "velto projects REGION [-C DIR] [--empty]", cli::projectsCommand },
};

void usage(QTextStream& err)
{
    err << "usage:\n";
    for (const auto& c : commands)
        err << "  " << c.usage << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        usage(err);
        return 2;
    }
    const QString name = args.takeFirst();
    // -C DIR may stand anywhere among the arguments.
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "-C"_L1) {
            if (i + 1 >= args.size()) {
                err << "-C needs a directory\n";
                return 2;
            }
            const QString dir = args[i + 1];
            if (!QDir::setCurrent(dir)) {
                err << "无法进入目录: " << dir << '\n';
                return 1;
            }
            args.remove(i, 2);
            break;
        }
    }
    for (const auto& c : commands) {
        if (name == QLatin1StringView(c.name)) {
            const int status = c.run(args, out, err);
            out.flush();
            err.flush();
            return status;
        }
    }
    usage(err);
    return 2;
}
