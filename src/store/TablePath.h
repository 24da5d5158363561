#pragma once

#include <QString>

namespace store {

// How a table was asked to be opened: by its name's extension, or dBase forced.
enum class TableType { Default, Dbase };

// What a table file really is.
enum class TableFormat {
    Native, // SQLite file holding one table (our .db)
    Paradox, // legacy Paradox .db, read only
    Dbase, // .dbf with optional .dbt memo file
    Text, // delimited .txt with a .sch schema beside it
};

// Resolves a table name the way the old platform did: relative to the working directory,
// '\' and '/' both separate directories, no extension means ".db", and every part of the
// path matches an existing file or directory regardless of letter case.
QString resolveTablePath(const QString& name);
// The same for any file name (no default extension).
QString resolveFilePath(const QString& name);

// The format by type and extension; a ".db" file that exists is sniffed (SQLite or Paradox).
TableFormat formatOf(const QString& path, TableType type = TableType::Default);

// File name without directory, as messages show it ("kfq_1.db").
QString displayName(const QString& path);

// Removes a table file and the files that belong to it (journal, memo, schema); true when
// nothing of it is left.
bool removeTableFiles(const QString& path);

} // namespace store
