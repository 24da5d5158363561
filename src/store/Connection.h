#pragma once

#include "FieldDef.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

class Connection;

// A prepared statement, reset when the holder lets it go so that no read lock outlives
// the call that used it (other connections of the process must be able to write).
class Statement
{
public:
    Statement() = default;
    Statement(Connection* connection, sqlite3_stmt* stmt, bool owned);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    void bind(int position, const QVariant& value); // 1-based
    void bindAll(const QVariantList& values, int first = 1);
    bool step(); // true while there is a row; throws StoreError on failure
    void run(); // steps to the end
    void reset();
    int columnCount() const;
    QString columnName(int column) const;
    QString columnDeclType(int column) const;
    int columnStorage(int column) const; // SQLITE_INTEGER, …
    QVariant column(int column) const; // by storage class
    QVariant column(int column, FieldType type) const; // as a field of that type
    qint64 columnInt(int column) const;
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    Connection* m_connection = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_owned = false;
};

// One SQLite connection. A table opens its file as the main database; a statement opens
// a private scratch database and attaches the files it names.
class Connection
{
public:
    // Throws StoreError naming `displayName` when the file cannot be opened.
    static std::shared_ptr<Connection> open(const QString& path, const QString& displayName, bool create,
                                            bool readOnly = false);
    static std::shared_ptr<Connection> scratch(); // private temporary database
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return m_db; }
    const QString& displayName() const { return m_name; }
    void setDisplayName(const QString& name) { m_name = name; }

    void exec(const QString& sql); // one or more statements without answers
    // A statement kept prepared for the connection's life (for the hot paths).
    Statement cached(const QString& sql);
    Statement prepare(const QString& sql);
    qint64 lastInsertRowid() const;
    int changes() const;
    QString errorMessage() const;
    [[noreturn]] void fail(const QString& context) const;
    void clearCache();

    // Groups writes; rolls back on destruction unless committed.
    class Transaction
    {
    public:
        explicit Transaction(Connection& connection);
        ~Transaction();
        void commit();

    private:
        Connection& m_connection;
        bool m_done = false;
    };

private:
    Connection() = default;
    sqlite3* m_db = nullptr;
    QString m_name;
    QHash<QString, sqlite3_stmt*> m_cache;
};

// The message of a failed SQLite call, with the file it concerns.
QString sqliteMessage(sqlite3* db, int code, const QString& file);

} // namespace store
