#include "Cli.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct CommandInfo
{
    const char* name;
    const char* usage;
    cli::Command run;
    bool paints = false; // needs fonts and a paint device, so the GUI application object
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
    { "print", "velto print ITEM... [-C DIR] --pdf FILE", cli::printCommand, true },
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
    const CommandInfo* command = nullptr;
    for (const auto& c : commands)
        if (argc > 1 && qstrcmp(argv[1], c.name) == 0) command = &c;
    std::unique_ptr<QCoreApplication> application;
    if (command && command->paints) {
        // No windows are shown: the offscreen platform works without a display.
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        usage(err);
        return 2;
    }
    args.removeFirst(); // the command, found above
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
    if (!command) {
        usage(err);
        return 2;
    }
    const int status = command->run(args, out, err);
    out.flush();
    err.flush();
    return status;
}
