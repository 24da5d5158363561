#pragma once

#include "Connection.h"
#include "FieldDef.h"

namespace store::native {

// A native table is an SQLite file holding one table named "data"; its field list is the
// declared column types, its indexes are SQLite indexes (the primary one named PRIMARY).
inline constexpr auto kTable = "data";
inline constexpr auto kPrimary = "PRIMARY";

// Reads the field list and indexes of the table in `schema` ("main", or an attached name).
// Throws StoreError naming the file when it holds no such table.
TableSchema readSchema(Connection& connection, const QString& schema);
// CREATE TABLE / CREATE INDEX statements for a schema.
QStringList createStatements(const TableSchema& schema, const QString& schemaName = QStringLiteral("main"));
QString createIndexStatement(const IndexDef& index, const QString& schemaName = QStringLiteral("main"));
// Makes the file afresh: written beside it first and then moved over any earlier file, so
// a failure leaves the earlier file as it was.
void createFile(const QString& path, const TableSchema& schema);
// Checks a schema before a file is made from it.
void checkSchema(const TableSchema& schema, const QString& file);
// The most fields a native table can have.
int maxFieldCount();

} // namespace store::native

namespace store {
// What the user reads when a row breaks a unique index: exactly "Key violation." for the
// primary index, the index's name for a secondary one.
QString duplicateKeyMessage(const IndexDef& index, const QString& table);
} // namespace store
