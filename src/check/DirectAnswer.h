#pragma once

#include "store/Connection.h"
#include "store/FieldDef.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

struct sqlite3_stmt;

// A SELECT of the program's SQL run straight on SQLite, over the native tables it names
// attached to a private connection, read row by row without a copy of the whole answer.
// Only native tables are taken; anything else is left to a query, which knows the other
// formats.
class DirectSelect
{
public:
    DirectSelect();
    ~DirectSelect();
    DirectSelect(const DirectSelect&) = delete;
    DirectSelect& operator=(const DirectSelect&) = delete;

    store::Connection& connection() { return *m_connection; }
    // Table names (as a statement writes them) that stand for a schema already made on
    // connection() instead of a file.
    void mapTable(const QString& fileName, const QString& schema);

    // False when the statement names a table that is not a native one or is no SELECT;
    // throws StoreError when the engine rejects it.
    bool prepare(const QString& text);
    store::Statement& statement() { return m_statement; }
    int columnCount() const { return m_statement.columnCount(); }

private:
    std::shared_ptr<store::Connection> m_connection;
    QHash<QString, QString> m_mapped; // table key -> schema
    QHash<QString, QString> m_attached; // absolute lower-case path -> schema
    store::Statement m_statement;
};

// The rows of an answer that a caller keeps, given back as a query's dataset gives its
// rows: every column's type guessed over exactly these rows (the declared type of a bare
// column, else from the values seen), every value read as a field of that type.
struct sqlite3_value;

// What the values of one answer column turned out to be, so that the column gets the type
// the store's query would give it.
struct ValueGuess
{
    bool declared = false; // the column has a declared type; no guessing
    store::FieldDef def;
    bool sawInt = false, sawReal = false, sawText = false, sawOther = false, tooLong = false;
    qint64 minInt = 0, maxInt = 0;

    void see(sqlite3_value* value);
    bool intsFit() const; // every integer seen fits 32 bits
    // The declared type, or the one the values call for.
    store::FieldType type() const;
};

class KeptRows
{
public:
    // `declared` holds the declared types of the kept columns, in order.
    KeptRows(store::Connection& connection, const QStringList& declared);
    ~KeptRows();
    KeptRows(const KeptRows&) = delete;
    KeptRows& operator=(const KeptRows&) = delete;

    // Keeps one row: the given columns of the statement's current row, as they are.
    void add(sqlite3_stmt* statement, const std::vector<int>& columns);
    int count() const { return m_count; }
    const QList<store::FieldDef>& guessedFields() const;
    // The kept rows, converted, in the order they were kept.
    std::vector<QVariantList> rows() const;

private:
    void create();

    store::Connection& m_connection;
    QString m_table;
    std::vector<ValueGuess> m_guesses;
    mutable QList<store::FieldDef> m_fields;
    std::unique_ptr<store::Statement> m_insert;
    int m_count = 0;
};
