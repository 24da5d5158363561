#pragma once

#include "store/FieldDef.h"

#include <QList>
#include <QString>
#include <QVariant>

// A table the program lays out in a working directory where it is missing: its file name,
// its fields and indexes, and the rows it ships with. Written as text under data/tables
// (see data/README.md for the format).
struct TableDefinition
{
    QString tableName; // file name in the working directory, e.g. "sendname.db"
    store::TableSchema schema;
    QList<QVariantList> rows; // values in field order, typed as the fields are

    // Reads one definition. `tableName` is the file it makes; `source` names the text in
    // messages. Throws store::StoreError naming the source and line of the first fault.
    static TableDefinition parse(const QString& text, const QString& tableName, const QString& source);
};
