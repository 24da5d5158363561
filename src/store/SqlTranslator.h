#pragma once

#include "FieldDef.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace store {

// A table as a statement names it: a double-quoted file name ("kfq_1.db"), or a bare one
// (tmp\kfq_1, hljh.db), with an optional alias.
struct SqlTableRef
{
    QString fileName; // as written, without quotes
    QString alias; // as written; empty when none
};

enum class SqlStatementKind {
    Select,
    Insert,
    Update,
    Delete,
    CreateTable,
    CreateIndex,
    DropTable,
    DropIndex,
};

struct SqlTranslation
{
    SqlStatementKind kind = SqlStatementKind::Select;
    // The statement for SQLite. Every table reference is replaced by its schema's table,
    // "<schema>"."data", followed by the alias written (or, when none was written, by an
    // alias equal to the file's base name when that is a plain identifier, so that
    // kfq_1.qa01 still works). Double-quoted text where a value is expected became a
    // single-quoted constant; "!=" stays (SQLite has it).
    // The target of an UPDATE or DELETE takes its alias after AS, as SQLite requires there.
    // Empty for DDL.
    QString sql;
    // Distinct tables in order of first mention; `schemaOf` was called once for each.
    QList<SqlTableRef> tables;
    // The table that an INSERT, UPDATE, DELETE or DDL statement changes (index into tables).
    int targetTable = -1;

    // DDL (not run as SQL: the store makes or removes files).
    TableSchema schema; // CreateTable: fields and (from a PRIMARY KEY clause) the primary index
    IndexDef index; // CreateIndex: name, fields, unique; DropIndex: name
                    // (DROP INDEX "t.db".PRIMARY: primary and unique set, name empty)
};

// Translates one statement of the program's local SQL onto SQLite. `schemaOf` maps a table
// reference to the SQLite schema name under which the caller will attach that file (it is
// given the file name as written; equal names, ignoring letter case and a missing ".db",
// must get the same schema). Throws StoreError with a clear message on a statement it
// cannot read (unterminated quote, missing table name, …).
SqlTranslation translateSql(const QString& text, const std::function<QString(const QString& fileName)>& schemaOf);

// Translates an expression (check constraint, filter) over one table's columns: the same
// constant and operator rules, no table references.
QString translateSqlExpression(const QString& text);

// The key under which translateSql counts two table names as one table: lower case, either
// slash as '/', a leading "./" dropped and ".db" added when the file name has no extension.
QString sqlTableKey(const QString& fileName);

// A text as an SQL constant: 'it''s'.
QString sqlQuote(const QString& text);
// A name as an SQL identifier: "name".
QString sqlIdentifier(const QString& name);

} // namespace store
