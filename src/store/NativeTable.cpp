#include "NativeTable.h"

#include "SqlTranslator.h"
#include "StoreError.h"
#include "TablePath.h"

#include <QFile>
#include <QSet>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace store::native {

TableSchema readSchema(Connection& connection, const QString& schema)
{
    TableSchema result;
    const QString q = sqlIdentifier(schema);
    {
        Statement st = connection.prepare(u"PRAGMA %1.table_info(\"data\")"_s.arg(q));
        while (st.step()) {
            FieldDef f;
            f.name = st.column(1).toString();
            const QString declared = st.column(2).toString();
            if (!parseSqlType(declared, &f.type, &f.size)) {
                f.type = FieldType::Memo;
                f.size = 0;
            }
            result.fields.append(f);
        }
    }
    if (result.fields.isEmpty())
        throw StoreError(u"文件 %1 不是数据表 (其中没有数据)"_s.arg(connection.displayName()));
    QList<std::pair<QString, bool>> names;
    {
        Statement st = connection.prepare(u"PRAGMA %1.index_list(\"data\")"_s.arg(q));
        while (st.step())
            names.append({ st.column(1).toString(), st.columnInt(2) != 0 });
    }
    // index_list lists the newest first; keep the order they were made in.
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        IndexDef index;
        index.name = it->first;
        index.unique = it->second;
        index.primary = index.name == QLatin1StringView(kPrimary);
        if (index.name.startsWith("sqlite_autoindex"_L1)) continue;
        Statement st = connection.prepare(u"PRAGMA %1.index_xinfo(%2)"_s.arg(q, sqlIdentifier(index.name)));
        bool allNoCase = true;
        while (st.step()) {
            if (st.columnInt(5) == 0) continue; // auxiliary (rowid) column
            index.fields.append(st.column(2).toString());
            if (st.column(4).toString().compare("NOCASE"_L1, Qt::CaseInsensitive) != 0) allNoCase = false;
        }
        index.caseInsensitive = allNoCase && !index.fields.isEmpty();
        if (index.primary) {
            index.name.clear();
            result.indexes.prepend(index);
        } else {
            result.indexes.append(index);
        }
    }
    return result;
}

QString createIndexStatement(const IndexDef& index, const QString& schemaName)
{
    QString sql = index.unique || index.primary ? u"CREATE UNIQUE INDEX "_s : u"CREATE INDEX "_s;
    sql += sqlIdentifier(schemaName) + u'.'
        + sqlIdentifier(index.primary ? QString::fromLatin1(kPrimary) : index.name) + u" ON \"data\" ("_s;
    for (qsizetype i = 0; i < index.fields.size(); ++i) {
        if (i) sql += u", "_s;
        sql += sqlIdentifier(index.fields[i]);
        if (index.caseInsensitive) sql += u" COLLATE NOCASE"_s;
    }
    return sql + u')';
}

QStringList createStatements(const TableSchema& schema, const QString& schemaName)
{
    QString sql = u"CREATE TABLE "_s + sqlIdentifier(schemaName) + u".\"data\" ("_s;
    for (qsizetype i = 0; i < schema.fields.size(); ++i) {
        if (i) sql += u", "_s;
        sql += sqlIdentifier(schema.fields[i].name) + u' ' + sqlTypeOf(schema.fields[i]);
    }
    sql += u')';
    QStringList out { sql };
    for (const IndexDef& index : schema.indexes)
        out.append(createIndexStatement(index, schemaName));
    return out;
}

void checkSchema(const TableSchema& schema, const QString& file)
{
    if (schema.fields.isEmpty()) throw StoreError(u"表 %1 没有定义字段"_s.arg(file));
    if (schema.fields.size() > maxFieldCount())
        throw StoreError(u"表 %1 有 %2 个字段，一个表最多只能有 %3 个字段"_s.arg(file)
                             .arg(schema.fields.size())
                             .arg(maxFieldCount()));
    QSet<QString> seen;
    for (const FieldDef& f : schema.fields) {
        if (f.name.trimmed().isEmpty()) throw StoreError(u"表 %1 有字段没有名称"_s.arg(file));
        if (f.name.contains(u'"')) throw StoreError(u"表 %1 的字段名 %2 含有双引号"_s.arg(file, f.name));
        if (seen.contains(f.name.toLower())) throw StoreError(u"表 %1 的字段名 %2 重复"_s.arg(file, f.name));
        seen.insert(f.name.toLower());
        if (f.type == FieldType::Text && f.size <= 0)
            throw StoreError(u"表 %1 的字段 %2 的长度必须大于 0"_s.arg(file, f.name));
    }
    int primaries = 0;
    QSet<QString> indexNames;
    for (const IndexDef& index : schema.indexes) {
        if (index.primary)
            ++primaries;
        else if (index.name.isEmpty())
            throw StoreError(u"表 %1 有索引没有名称"_s.arg(file));
        else if (index.name.compare(QLatin1StringView(kPrimary), Qt::CaseInsensitive) == 0)
            throw StoreError(u"表 %1 的索引名 %2 是保留名称"_s.arg(file, index.name));
        else if (indexNames.contains(index.name.toLower()))
            throw StoreError(u"表 %1 的索引名 %2 重复"_s.arg(file, index.name));
        indexNames.insert(index.name.toLower());
        if (index.fields.isEmpty()) throw StoreError(u"表 %1 的索引 %2 没有字段"_s.arg(file, index.name));
        for (const QString& f : index.fields)
            if (schema.fieldIndex(f) < 0)
                throw StoreError(u"表 %1 的索引 %2 用到不存在的字段 %3"_s.arg(file, index.name, f));
    }
    if (primaries > 1) throw StoreError(u"表 %1 只能有一个主索引"_s.arg(file));
}

int maxFieldCount()
{
    static const int limit = [] {
        auto c = Connection::scratch();
        return sqlite3_limit(c->handle(), SQLITE_LIMIT_COLUMN, -1);
    }();
    return limit;
}

void createFile(const QString& path, const TableSchema& schema)
{
    const QString name = displayName(path);
    checkSchema(schema, name);
    const QString temp = path + u".new"_s;
    removeTableFiles(temp);
    {
        auto c = Connection::open(temp, name, true);
        Connection::Transaction t(*c);
        for (const QString& sql : createStatements(schema))
            c->exec(sql);
        t.commit();
    }
    if (QFile::exists(path) && !removeTableFiles(path)) {
        removeTableFiles(temp);
        throw StoreError(u"无法替换表文件 %1"_s.arg(name));
    }
    if (!QFile::rename(temp, path)) {
        removeTableFiles(temp);
        throw StoreError(u"无法建立表文件 %1"_s.arg(name));
    }
}

} // namespace store::native

namespace store {

QString duplicateKeyMessage(const IndexDef& index, const QString& table)
{
    return index.primary ? u"Key violation."_s : u"唯一索引 %1 的键值重复 (%2)"_s.arg(index.name, table);
}

} // namespace store
