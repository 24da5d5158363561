#include "DirectAnswer.h"

#include "store/SqlTranslator.h"
#include "store/StoreError.h"
#include "store/TablePath.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <limits>

using namespace Qt::StringLiterals;

DirectSelect::DirectSelect() : m_connection(store::Connection::scratch())
{
    // The private connection only reads the tables; its own scratch tables need no
    // durability.
    m_connection->exec(u"PRAGMA synchronous=OFF; PRAGMA journal_mode=OFF; PRAGMA temp_store=MEMORY;"_s);
}

DirectSelect::~DirectSelect()
{
    m_statement = store::Statement();
}

void DirectSelect::mapTable(const QString& fileName, const QString& schema)
{
    m_mapped.insert(store::sqlTableKey(fileName), schema);
}

bool DirectSelect::prepare(const QString& text)
{
    m_statement = store::Statement();
    bool foreign = false;
    QStringList toAttach;
    QHash<QString, QString> pathOf;
    const store::SqlTranslation t = store::translateSql(text, [&](const QString& file) -> QString {
        const auto mapped = m_mapped.constFind(store::sqlTableKey(file));
        if (mapped != m_mapped.constEnd()) return mapped.value();
        const QString path = store::resolveTablePath(file);
        const QString key = QFileInfo(path).absoluteFilePath().toLower();
        auto it = m_attached.constFind(key);
        if (it != m_attached.constEnd()) return it.value();
        const QString schema = u"d%1"_s.arg(m_attached.size() + 1);
        m_attached.insert(key, schema);
        toAttach.append(key);
        pathOf.insert(key, path);
        return schema;
    });
    if (t.kind != store::SqlStatementKind::Select) return false;
    for (const QString& key : std::as_const(toAttach)) {
        const QString path = pathOf.value(key);
        if (!QFileInfo::exists(path) || store::formatOf(path) != store::TableFormat::Native) foreign = true;
    }
    if (foreign) {
        for (const QString& key : std::as_const(toAttach))
            m_attached.remove(key);
        return false;
    }
    for (const QString& key : std::as_const(toAttach)) {
        store::Statement attach = m_connection->prepare(u"ATTACH ? AS "_s + store::sqlIdentifier(m_attached.value(key)));
        attach.bind(1, pathOf.value(key));
        attach.run();
    }
    m_statement = m_connection->prepare(t.sql);
    return true;
}

namespace {
int keptTables = 0;
}

KeptRows::KeptRows(store::Connection& connection, const QStringList& declared)
    : m_connection(connection), m_table(u"\"temp\".\"kept%1\""_s.arg(++keptTables))
{
    m_guesses.resize(size_t(declared.size()));
    for (qsizetype i = 0; i < declared.size(); ++i) {
        ValueGuess& g = m_guesses[size_t(i)];
        g.declared = store::parseSqlType(declared[i], &g.def.type, &g.def.size);
    }
}

KeptRows::~KeptRows()
{
    if (!m_insert) return;
    m_insert.reset();
    try {
        m_connection.exec(u"DROP TABLE "_s + m_table);
    } catch (const store::StoreError&) {
    }
}

// Most tests keep nothing: their table is made with the first row.
void KeptRows::create()
{
    QString create = u"CREATE TABLE "_s + m_table + u" ("_s;
    QString marks;
    for (size_t i = 0; i < m_guesses.size(); ++i) {
        if (i) create += u',', marks += u',';
        create += u"c%1"_s.arg(i);
        marks += u'?';
    }
    m_connection.exec(create + u')');
    m_insert = std::make_unique<store::Statement>(
        m_connection.prepare(u"INSERT INTO "_s + m_table + u" VALUES ("_s + marks + u')'));
}

void ValueGuess::see(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        const qint64 n = sqlite3_value_int64(v);
        if (!sawInt) minInt = maxInt = n;
        minInt = std::min(minInt, n);
        maxInt = std::max(maxInt, n);
        sawInt = true;
        break;
    }
    case SQLITE_FLOAT: sawReal = true; break;
    case SQLITE_TEXT: {
        sawText = true;
        // Empty text becomes null on the way; UTF-8 is never shorter than GBK.
        const int bytes = sqlite3_value_bytes(v);
        if (bytes == 0 || bytes > 255) tooLong = true;
        break;
    }
    case SQLITE_NULL: break;
    default: sawOther = true; break;
    }
}

bool ValueGuess::intsFit() const
{
    return minInt >= std::numeric_limits<qint32>::min() && maxInt <= std::numeric_limits<qint32>::max();
}

store::FieldType ValueGuess::type() const
{
    if (declared) return def.type;
    if (sawText) return store::FieldType::Text;
    if (sawReal) return store::FieldType::Float;
    if (sawInt && intsFit()) return store::FieldType::Integer;
    return store::FieldType::Float;
}

void KeptRows::add(sqlite3_stmt* statement, const std::vector<int>& columns)
{
    if (!m_insert) create();
    for (size_t i = 0; i < columns.size(); ++i) {
        sqlite3_value* v = sqlite3_column_value(statement, columns[i]);
        sqlite3_bind_value(m_insert->handle(), int(i) + 1, v);
        m_guesses[i].see(v);
    }
    m_insert->run();
    m_insert->reset();
    ++m_count;
    m_fields.clear();
}

// As a query settles the type of an answer column.
const QList<store::FieldDef>& KeptRows::guessedFields() const
{
    if (!m_fields.isEmpty() || m_guesses.empty()) return m_fields;
    for (const ValueGuess& g : m_guesses) {
        store::FieldDef def = g.def;
        def.type = g.type();
        m_fields.append(def);
    }
    return m_fields;
}

std::vector<QVariantList> KeptRows::rows() const
{
    std::vector<QVariantList> out;
    if (m_count == 0) return out;
    const QList<store::FieldDef>& fields = guessedFields();
    out.reserve(size_t(m_count));
    store::Statement select = m_connection.prepare(u"SELECT * FROM "_s + m_table + u" ORDER BY rowid"_s);
    while (select.step()) {
        QVariantList row;
        row.reserve(fields.size());
        for (qsizetype i = 0; i < fields.size(); ++i)
            row.append(select.column(int(i), fields[i].type));
        out.push_back(std::move(row));
    }
    return out;
}
