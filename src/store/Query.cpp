#include "Query.h"

#include "Connection.h"
#include "ForeignTable.h"
#include "NativeTable.h"
#include "OpenTables.h"
#include "SqlTranslator.h"
#include "Table.h"
#include "TablePath.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <sqlite3.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace store {

namespace {

// The files a statement names, attached to one scratch connection under t1, t2, ….
class AttachedTables
{
public:
    explicit AttachedTables(Connection& connection)
        : m_connection(connection)
    {
    }
    ~AttachedTables() { detachAll(); }

    QString schemaOf(const QString& fileName)
    {
        const QString path = resolveTablePath(fileName);
        const QString key = QFileInfo(path).absoluteFilePath().toLower();
        auto it = m_schemas.constFind(key);
        if (it != m_schemas.constEnd()) return it.value();
        const QString schema = u"t%1"_s.arg(m_schemas.size() + 1);
        m_schemas.insert(key, schema);
        Entry e;
        e.schema = schema;
        e.path = path;
        m_order.push_back(std::move(e));
        return schema;
    }

    void attachAll()
    {
        if (m_order.size() > 10) throw StoreError(u"一条 SQL 语句最多只能用到 10 个表"_s);
        for (auto& entry : m_order) {
            const QString shown = displayName(entry.path);
            if (!QFileInfo::exists(entry.path)) throw StoreError(u"找不到表文件 %1"_s.arg(shown));
            entry.format = formatOf(entry.path);
            if (entry.format == TableFormat::Native) {
                Statement st = m_connection.prepare(u"ATTACH ? AS "_s + sqlIdentifier(entry.schema));
                st.bind(1, entry.path);
                st.run();
                entry.attached = true;
                // Reading the schema checks that the file is one of our tables.
                const QString previous = m_connection.displayName();
                m_connection.setDisplayName(shown);
                try {
                    entry.schemaDef = native::readSchema(m_connection, entry.schema);
                } catch (...) {
                    m_connection.setDisplayName(previous);
                    throw;
                }
                m_connection.setDisplayName(previous);
            } else {
                entry.foreign = ForeignTable::open(entry.path, entry.format);
                entry.schemaDef = entry.foreign->schema();
                Statement st = m_connection.prepare(u"ATTACH ':memory:' AS "_s + sqlIdentifier(entry.schema));
                st.run();
                entry.attached = true;
                for (const QString& sql : native::createStatements(entry.schemaDef, entry.schema))
                    m_connection.exec(sql);
                QString insert = u"INSERT INTO "_s + sqlIdentifier(entry.schema) + u".\"data\" (rowid"_s;
                QString marks = u"?"_s;
                for (const FieldDef& f : entry.schemaDef.fields) {
                    insert += u',' + sqlIdentifier(f.name);
                    marks += u",?"_s;
                }
                insert += u") VALUES ("_s + marks + u')';
                Connection::Transaction t(m_connection);
                Statement ins = m_connection.prepare(insert);
                entry.foreign->readAll([&](qint64 recno, const QVariantList& values) {
                    ins.bind(1, recno);
                    ins.bindAll(values, 2);
                    ins.run();
                    ins.reset();
                });
                t.commit();
            }
        }
    }

    // After a statement changed an exchange file's working copy: write it back.
    void writeBack(int index)
    {
        auto& entry = m_order[index];
        if (!entry.foreign) return;
        QList<QVariantList> rows;
        QString sql = u"SELECT "_s;
        for (qsizetype i = 0; i < entry.schemaDef.fields.size(); ++i) {
            if (i) sql += u',';
            sql += sqlIdentifier(entry.schemaDef.fields[i].name);
        }
        sql += u" FROM "_s + sqlIdentifier(entry.schema) + u".\"data\" ORDER BY rowid"_s;
        Statement st = m_connection.prepare(sql);
        while (st.step()) {
            QVariantList row;
            for (qsizetype i = 0; i < entry.schemaDef.fields.size(); ++i)
                row.append(st.column(int(i), entry.schemaDef.fields[i].type));
            rows.append(row);
        }
        entry.foreign->rewrite(rows);
    }

    TableFormat format(int index) const { return m_order[index].format; }
    const TableSchema& schemaDef(int index) const { return m_order[index].schemaDef; }
    QString path(int index) const { return m_order[index].path; }

    void detachAll()
    {
        for (auto& entry : m_order) {
            if (!entry.attached) continue;
            sqlite3_exec(m_connection.handle(),
                (u"DETACH "_s + sqlIdentifier(entry.schema)).toUtf8().constData(), nullptr, nullptr, nullptr);
            entry.attached = false;
        }
    }

private:
    struct Entry
    {
        QString schema;
        QString path;
        TableFormat format = TableFormat::Native;
        TableSchema schemaDef;
        std::unique_ptr<ForeignTable> foreign;
        bool attached = false;
    };
    Connection& m_connection;
    QHash<QString, QString> m_schemas;
    std::vector<Entry> m_order;
};

struct ColumnGuess
{
    bool declared = false;
    FieldDef def;
    bool sawInt = false, sawReal = false, sawText = false;
    qint64 minInt = 0, maxInt = 0;
    int maxLength = 0;
};

// SQLite's own words for a rejected statement, in the program's language, with the tables
// the statement names so the user knows where to look.
// SQLite names the columns of a unique index a statement broke ("UNIQUE constraint failed:
// data.QA03"); a table reports the index itself, and so does a statement.
QString duplicateKeyError(const QString& message, const TableSchema& schema, const QString& table)
{
    static const QString marker = u"UNIQUE constraint failed: "_s;
    const qsizetype at = message.indexOf(marker);
    if (at < 0) return {};
    QStringList columns;
    for (QString c : message.mid(at + marker.size()).split(u','))
        columns << c.trimmed().section(u'.', -1).toLower();
    for (const IndexDef& index : schema.indexes) {
        if (!index.unique && !index.primary) continue;
        QStringList fields;
        for (const QString& f : index.fields)
            fields << f.toLower();
        if (fields == columns) return duplicateKeyMessage(index, table);
    }
    return {};
}

StoreError statementError(const StoreError& e, const QString& prefix, const QList<SqlTableRef>& tables)
{
    if (!e.message().startsWith(prefix)) return e;
    QString detail = e.message().mid(prefix.size());
    static const struct
    {
        const char* english;
        const char* chinese;
    } known[] = {
        { "no such column: ", "没有字段 " },
        { "ambiguous column name: ", "字段名不明确(多个表都有): " },
        { "no such function: ", "没有函数 " },
        { "UNIQUE constraint failed: ", "唯一索引的键值重复: " },
        { "misuse of aggregate: ", "合计函数用法错误: " },
        { "wrong number of arguments to function ", "函数的参数个数不对: " },
    };
    bool translated = false;
    for (const auto& k : known) {
        const QString english = QString::fromLatin1(k.english);
        if (detail.startsWith(english)) {
            detail = QString::fromUtf8(k.chinese) + detail.mid(english.size()).remove(u"data."_s);
            translated = true;
            break;
        }
    }
    if (!translated) {
        static const QRegularExpression near(u"^near \"(.*)\": syntax error$"_s);
        const auto m = near.match(detail);
        if (m.hasMatch())
            detail = u"“%1”附近有语法错误"_s.arg(m.captured(1));
        else if (detail == "incomplete input"_L1)
            detail = u"语句不完整"_s;
    }
    QStringList names;
    for (const SqlTableRef& t : tables)
        names.append(store::displayName(resolveTablePath(t.fileName)));
    QString message = u"SQL 语句错误: "_s + detail;
    if (!names.isEmpty()) message += u" (语句中的表: %1)"_s.arg(names.join(u", "_s));
    return StoreError(message);
}

} // namespace

Query::Query(QObject* parent)
    : Dataset(parent)
{
}

Query::~Query() = default;

void Query::setSql(const QStringList& lines)
{
    close();
    m_sql = lines;
}

void Query::setSql(const QString& text)
{
    close();
    m_sql = text.split(u'\n');
}

void Query::clearSql()
{
    close();
    m_sql.clear();
}

QString Query::displayName() const
{
    return u"SQL 查询"_s;
}

QString Query::translate(const QString& text)
{
    int n = 0;
    QHash<QString, QString> seen;
    return translateSql(text, [&](const QString& file) {
        const QString key = resolveTablePath(file).toLower();
        if (!seen.contains(key)) seen.insert(key, u"t%1"_s.arg(++n));
        return seen.value(key);
    }).sql;
}

void Query::open()
{
    close();
    const QString text = sqlText();
    if (text.trimmed().isEmpty()) throw StoreError(u"SQL 语句为空"_s);
    auto connection = Connection::scratch();
    connection->setDisplayName(displayName());
    QList<FieldDef> fields;
    {
        AttachedTables tables(*connection);
        const SqlTranslation t = translateSql(text, [&](const QString& f) { return tables.schemaOf(f); });
        if (t.kind != SqlStatementKind::Select) {
            // A statement without an answer runs; its answer is the number of rows it changed.
            tables.detachAll();
            const int changed = execSql();
            connection->exec(u"CREATE TABLE \"main\".\"result\" (\"影响行数\" INTEGER)"_s);
            Statement st = connection->prepare(u"INSERT INTO \"main\".\"result\" VALUES (?)"_s);
            st.bind(1, qint64(changed));
            st.run();
            fields.append(FieldDef { u"影响行数"_s, FieldType::Integer, 0, 0 });
            attach(std::move(connection), u"\"main\".\"result\""_s, fields);
            openRows();
            return;
        }
        tables.attachAll();
        try {
            Statement select = connection->prepare(t.sql);
            const int columns = select.columnCount();
            std::vector<ColumnGuess> guesses;
            guesses.resize(size_t(columns));
            QSet<QString> names;
            QString create = u"CREATE TABLE \"main\".\"result\" ("_s;
            QString marks;
            for (int i = 0; i < columns; ++i) {
                ColumnGuess& g = guesses[size_t(i)];
                QString name = select.columnName(i);
                if (name.isEmpty()) name = u"COLUMN%1"_s.arg(i + 1);
                // Two answer columns of one name (a.qa01, b.qa01) get _1, _2 as the old engine did.
                const QString base = name;
                for (int k = 1; names.contains(name.toLower()); ++k)
                    name = base + u"_%1"_s.arg(k);
                names.insert(name.toLower());
                g.def.name = name;
                g.declared = parseSqlType(select.columnDeclType(i), &g.def.type, &g.def.size);
                if (i) create += u',', marks += u',';
                create += sqlIdentifier(name);
                marks += u'?';
            }
            create += u')';
            connection->exec(create);
            Statement insert
                = connection->prepare(u"INSERT INTO \"main\".\"result\" VALUES ("_s + marks + u')');
            {
                Connection::Transaction transaction(*connection);
                while (select.step()) {
                    for (int i = 0; i < columns; ++i) {
                        sqlite3_value* v = sqlite3_column_value(select.handle(), i);
                        sqlite3_bind_value(insert.handle(), i + 1, v);
                        ColumnGuess& g = guesses[size_t(i)];
                        switch (sqlite3_value_type(v)) {
                        case SQLITE_INTEGER: {
                            const qint64 n = sqlite3_value_int64(v);
                            if (!g.sawInt) g.minInt = g.maxInt = n;
                            g.minInt = std::min(g.minInt, n);
                            g.maxInt = std::max(g.maxInt, n);
                            g.sawInt = true;
                            break;
                        }
                        case SQLITE_FLOAT:
                            g.sawReal = true;
                            break;
                        case SQLITE_TEXT: {
                            g.sawText = true;
                            const auto* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
                            g.maxLength = std::max(
                                g.maxLength, gbkLength(QString::fromUtf8(s, sqlite3_value_bytes(v))));
                            break;
                        }
                        default:
                            break;
                        }
                    }
                    insert.run();
                    insert.reset();
                }
                transaction.commit();
            }
            select = Statement();
            insert = Statement();
            for (ColumnGuess& g : guesses) {
                if (!g.declared) {
                    if (g.sawText)
                        g.def = FieldDef { g.def.name, FieldType::Text, std::max(g.maxLength, 1), 0 };
                    else if (g.sawReal)
                        g.def.type = FieldType::Float;
                    else if (g.sawInt && g.minInt >= std::numeric_limits<qint32>::min()
                        && g.maxInt <= std::numeric_limits<qint32>::max())
                        g.def.type = FieldType::Integer;
                    else
                        g.def.type = FieldType::Float;
                    if (g.def.type != FieldType::Text) g.def.size = 0;
                } else if (g.def.type == FieldType::Text && g.maxLength > g.def.size) {
                    // An expression over a text column can be longer than the column.
                    g.def.size = g.maxLength;
                }
                fields.append(g.def);
            }
        } catch (const StoreError& e) {
            throw statementError(e, displayName() + u": "_s, t.tables);
        }
    }
    attach(std::move(connection), u"\"main\".\"result\""_s, fields);
    openRows();
}

int Query::execSql()
{
    const QString text = sqlText();
    if (text.trimmed().isEmpty()) throw StoreError(u"SQL 语句为空"_s);
    auto connection = Connection::scratch();
    connection->setDisplayName(displayName());
    AttachedTables tables(*connection);
    const SqlTranslation t = translateSql(text, [&](const QString& f) { return tables.schemaOf(f); });
    const QString target = t.targetTable >= 0 && t.targetTable < t.tables.size()
        ? t.tables[t.targetTable].fileName
        : QString();
    switch (t.kind) {
    case SqlStatementKind::CreateTable:
        Table::createTable(target, t.schema);
        return 0;
    case SqlStatementKind::DropTable: {
        const QString path = resolveTablePath(target);
        if (!QFileInfo::exists(path)) throw StoreError(u"找不到表文件 %1"_s.arg(store::displayName(path)));
        openTables::requireClosed(path, u"删除"_s);
        if (!removeTableFiles(path)) throw StoreError(u"无法删除表文件 %1"_s.arg(store::displayName(path)));
        return 0;
    }
    case SqlStatementKind::CreateIndex:
    case SqlStatementKind::DropIndex: {
        const QString path = resolveTablePath(target);
        const QString shown = store::displayName(path);
        if (!QFileInfo::exists(path)) throw StoreError(u"找不到表文件 %1"_s.arg(shown));
        if (formatOf(path) != TableFormat::Native) throw StoreError(u"表 %1 不能建立或删除索引"_s.arg(shown));
        openTables::requireClosed(
            path, t.kind == SqlStatementKind::CreateIndex ? u"建立索引"_s : u"删除索引"_s);
        auto c = Connection::open(path, shown, false);
        const TableSchema schema = native::readSchema(*c, u"main"_s);
        if (t.kind == SqlStatementKind::CreateIndex) {
            TableSchema check = schema;
            check.indexes.append(t.index);
            native::checkSchema(check, shown);
            c->exec(native::createIndexStatement(t.index));
        } else {
            const bool primary
                = t.index.primary || t.index.name.compare("PRIMARY"_L1, Qt::CaseInsensitive) == 0;
            if (!primary && !schema.findIndex(t.index.name))
                throw StoreError(u"表 %1 中没有索引 %2"_s.arg(shown, t.index.name));
            c->exec(u"DROP INDEX "_s
                + sqlIdentifier(primary ? u"PRIMARY"_s : schema.findIndex(t.index.name)->name));
        }
        return 0;
    }
    default:
        break;
    }
    tables.attachAll();
    if (t.targetTable >= 0 && tables.format(t.targetTable) == TableFormat::Paradox)
        throw StoreError(
            u"Paradox 表 %1 只能读取，不能修改"_s.arg(store::displayName(tables.path(t.targetTable))));
    int changed = 0;
    try {
        Connection::Transaction transaction(*connection);
        Statement st = connection->prepare(t.sql);
        while (st.step()) { }
        changed = t.kind == SqlStatementKind::Select ? 0 : connection->changes();
        st = Statement();
        if (t.targetTable >= 0 && t.kind != SqlStatementKind::Select) tables.writeBack(t.targetTable);
        transaction.commit();
    } catch (const StoreError& e) {
        if (t.targetTable >= 0) {
            const QString duplicate = duplicateKeyError(
                e.message(), tables.schemaDef(t.targetTable), store::displayName(tables.path(t.targetTable)));
            if (!duplicate.isEmpty()) throw StoreError(duplicate);
        }
        throw statementError(e, displayName() + u": "_s, t.tables);
    }
    return changed;
}

} // namespace store
