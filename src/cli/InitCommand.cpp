#include "Cli.h"

#include "shell/WorkDirSetup.h"
#include "store/StoreError.h"

namespace cli {

// Lays out the working directory as the program does when it starts, and names what it made.
int initCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!args.isEmpty()) {
        err << "usage: velto init [-C DIR]\n";
        return 2;
    }
    try {
        const QStringList made = WorkDirSetup().run();
        for (const QString& name : made)
            out << name << '\n';
        return 0;
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
