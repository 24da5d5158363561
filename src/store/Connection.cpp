#include "Connection.h"

#include "Collation.h"
#include "StoreError.h"

#include <QDate>
#include <QFile>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace store {

QString sqliteMessage(sqlite3* db, int code, const QString& file)
{
    const int primary = code & 0xff;
    const QString detail
        = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
    switch (primary) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return u"表文件 %1 已损坏或不是数据表 (%2)"_s.arg(file, detail);
    case SQLITE_CANTOPEN:
        return u"无法打开表文件 %1"_s.arg(file);
    case SQLITE_READONLY:
        return u"表文件 %1 是只读的，不能修改"_s.arg(file);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return u"表文件 %1 正被使用，请稍后再试"_s.arg(file);
    case SQLITE_FULL:
        return u"磁盘已满，无法写入 %1"_s.arg(file);
    case SQLITE_IOERR:
        return u"读写表文件 %1 时出错 (%2)"_s.arg(file, detail);
    default:
        return file.isEmpty() ? detail : u"%1: %2"_s.arg(file, detail);
    }
}

// --- Statement ---------------------------------------------------------------------------

Statement::Statement(Connection* connection, sqlite3_stmt* stmt, bool owned)
    : m_connection(connection)
    , m_stmt(stmt)
    , m_owned(owned)
{
}

Statement::Statement(Statement&& other) noexcept
    : m_connection(other.m_connection)
    , m_stmt(other.m_stmt)
    , m_owned(other.m_owned)
{
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        this->~Statement();
        m_connection = other.m_connection;
        m_stmt = other.m_stmt;
        m_owned = other.m_owned;
        other.m_stmt = nullptr;
    }
    return *this;
}

Statement::~Statement()
{
    if (!m_stmt) return;
    if (m_owned) {
        sqlite3_finalize(m_stmt);
    } else {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_stmt = nullptr;
}

void Statement::bind(int position, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (value.isNull() || !value.isValid()) {
        rc = sqlite3_bind_null(m_stmt, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_stmt, position, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
            rc = sqlite3_bind_int64(m_stmt, position, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, position, value.toDouble());
            break;
        case QMetaType::QDate: {
            const QByteArray s = value.toDate().toString(u"yyyy-MM-dd"_s).toUtf8();
            rc = sqlite3_bind_text(m_stmt, position, s.constData(), int(s.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray s = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, position, s.constData(), int(s.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK) m_connection->fail(QString());
}

void Statement::bindAll(const QVariantList& values, int first)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        bind(first + int(i), values[i]);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    const QString message = sqliteMessage(m_connection->handle(), rc, m_connection->displayName());
    sqlite3_reset(m_stmt);
    throw StoreError(message);
}

void Statement::run()
{
    while (step()) { }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

QString Statement::columnDeclType(int column) const
{
    const char* t = sqlite3_column_decltype(m_stmt, column);
    return t ? QString::fromUtf8(t) : QString();
}

int Statement::columnStorage(int column) const
{
    return sqlite3_column_type(m_stmt, column);
}

qint64 Statement::columnInt(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

static QString columnText(sqlite3_stmt* stmt, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
}

QVariant Statement::column(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_TEXT:
        return QVariant(columnText(m_stmt, column));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, column)),
            sqlite3_column_bytes(m_stmt, column)));
    default:
        return QVariant();
    }
}

QVariant Statement::column(int column, FieldType type) const
{
    const int storage = sqlite3_column_type(m_stmt, column);
    if (storage == SQLITE_NULL) return QVariant();
    switch (type) {
    case FieldType::Text:
    case FieldType::Memo: {
        if (storage == SQLITE_FLOAT) return displayText(sqlite3_column_double(m_stmt, column));
        QString s = columnText(m_stmt, column);
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case FieldType::SmallInt:
    case FieldType::Integer:
        if (storage == SQLITE_TEXT) {
            bool ok = false;
            const qint64 n = columnText(m_stmt, column).trimmed().toLongLong(&ok);
            return ok ? QVariant(n) : QVariant();
        }
        return QVariant(qint64(sqlite3_column_int64(m_stmt, column)));
    case FieldType::Float:
        if (storage == SQLITE_TEXT) {
            bool ok = false;
            const double d = columnText(m_stmt, column).trimmed().toDouble(&ok);
            return ok ? QVariant(d) : QVariant();
        }
        return QVariant(sqlite3_column_double(m_stmt, column));
    case FieldType::Date: {
        if (storage != SQLITE_TEXT) return QVariant();
        const QDate d = QDate::fromString(columnText(m_stmt, column).left(10), u"yyyy-MM-dd"_s);
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case FieldType::Logical:
        if (storage == SQLITE_TEXT) {
            const QString s = columnText(m_stmt, column).trimmed().toUpper();
            return QVariant(s == "T"_L1 || s == "TRUE"_L1 || s == "1"_L1 || s == "Y"_L1);
        }
        return QVariant(sqlite3_column_int64(m_stmt, column) != 0);
    }
    return QVariant();
}

// --- Connection --------------------------------------------------------------------------

std::shared_ptr<Connection> Connection::open(
    const QString& path, const QString& displayName, bool create, bool readOnly)
{
    std::shared_ptr<Connection> c(new Connection);
    c->m_name = displayName;
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create) flags |= SQLITE_OPEN_CREATE;
    flags |= SQLITE_OPEN_NOMUTEX;
    const QByteArray file = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(file.constData(), &c->m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = sqliteMessage(c->m_db, rc, displayName);
        throw StoreError(message);
    }
    sqlite3_extended_result_codes(c->m_db, 1);
    registerCollations(c->m_db);
    // A returned post must survive a power cut: full syncs, rollback journal removed after
    // every commit, so that a closed table is one self-contained file.
    sqlite3_busy_timeout(c->m_db, 2000);
    c->exec(u"PRAGMA synchronous=FULL; PRAGMA journal_mode=DELETE; PRAGMA cache_size=-16384;"_s);
    return c;
}

std::shared_ptr<Connection> Connection::scratch()
{
    std::shared_ptr<Connection> c(new Connection);
    const int rc = sqlite3_open_v2(
        "", &c->m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) throw StoreError(sqliteMessage(c->m_db, rc, QString()));
    sqlite3_extended_result_codes(c->m_db, 1);
    registerCollations(c->m_db);
    sqlite3_busy_timeout(c->m_db, 2000);
    c->exec(u"PRAGMA synchronous=FULL; PRAGMA journal_mode=DELETE; PRAGMA cache_size=-16384;"_s);
    return c;
}

Connection::~Connection()
{
    clearCache();
    if (m_db) sqlite3_close_v2(m_db);
}

void Connection::clearCache()
{
    for (sqlite3_stmt* s : std::as_const(m_cache))
        sqlite3_finalize(s);
    m_cache.clear();
}

void Connection::exec(const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString detail = error ? QString::fromUtf8(error) : QString();
        sqlite3_free(error);
        const int primary = rc & 0xff;
        if (primary == SQLITE_ERROR && !detail.isEmpty())
            throw StoreError(m_name.isEmpty() ? detail : u"%1: %2"_s.arg(m_name, detail));
        throw StoreError(sqliteMessage(m_db, rc, m_name));
    }
}

Statement Connection::prepare(const QString& sql)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) fail(QString());
    if (!stmt) throw StoreError(u"SQL 语句为空"_s);
    return Statement(this, stmt, true);
}

Statement Connection::cached(const QString& sql)
{
    auto it = m_cache.constFind(sql);
    if (it != m_cache.constEnd()) return Statement(this, it.value(), false);
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(
        m_db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) fail(QString());
    m_cache.insert(sql, stmt);
    return Statement(this, stmt, false);
}

qint64 Connection::lastInsertRowid() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Connection::changes() const
{
    return sqlite3_changes(m_db);
}

QString Connection::errorMessage() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

void Connection::fail(const QString& context) const
{
    const int rc = sqlite3_extended_errcode(m_db);
    QString message = sqliteMessage(m_db, rc, m_name);
    if (!context.isEmpty()) message = context + u": "_s + message;
    throw StoreError(message);
}

Connection::Transaction::Transaction(Connection& connection)
    : m_connection(connection)
{
    m_connection.exec(u"BEGIN"_s);
}

Connection::Transaction::~Transaction()
{
    if (!m_done) sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Connection::Transaction::commit()
{
    m_connection.exec(u"COMMIT"_s);
    m_done = true;
}

} // namespace store
