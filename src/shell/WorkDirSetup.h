#pragma once

#include "TableDefinition.h"

#include <QStringList>

// Lays out a working directory: every table the program ships or needs that is missing is
// made from its definition, and the folders bak and tmp are made. Nothing that exists is
// ever touched, whatever the letter case of its name.
class WorkDirSetup
{
public:
    // Definitions are the *.tsv files of `definitionDir`; by default those built into the program.
    explicit WorkDirSetup(QString definitionDir = defaultDefinitionDir());

    static QString defaultDefinitionDir();

    // Every definition, read and checked; throws store::StoreError on the first fault.
    QList<TableDefinition> definitions() const;

    // Works on the current directory. All definitions are read before anything is made.
    // Returns what it made (folders with a trailing '/'), in order.
    QStringList run() const;

    // Makes the table file afresh with its rows; a failure leaves no file behind.
    static void createTable(const TableDefinition& definition);

private:
    QString m_dir;
};
