#pragma once

#include <QStringList>
#include <QTextStream>

namespace cli {

// One sub-command of the `velto` tool. `args` are the words after the command name, with
// `-C DIR` already applied (the working directory is current). Returns the exit status.
using Command = int (*)(const QStringList& args, QTextStream& out, QTextStream& err);

int sqlCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int initCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int demoCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int checkCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int exportCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int backupCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int restoreCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int transferCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int deliverCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int projectsCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int printCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace cli
