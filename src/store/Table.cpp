#include "Table.h"

#include "Collation.h"
#include "Connection.h"
#include "NativeTable.h"
#include "OpenTables.h"
#include "SqlTranslator.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace store {

Table::Table(QObject* parent)
    : Dataset(parent)
{
}

Table::~Table()
{
    if (isOpen()) closing();
}

void Table::closing()
{
    if (m_groupOpen) {
        m_groupOpen = false;
        try {
            connection().exec(u"COMMIT"_s);
        } catch (const StoreError&) {
            // Closing must not fail; the rows of the open group are lost only if the
            // commit itself failed, and the file is then as it was before the group.
        }
    }
    openTables::remove(m_openPath);
    m_openPath.clear();
    m_openName.clear();
    m_foreign.reset();
}

void Table::setTableName(const QString& name)
{
    requireClosed("更换表名");
    m_name = name;
}

QString Table::filePath() const
{
    return resolveTablePath(m_name);
}

QString Table::displayName() const
{
    // Resolving the name touches the file system: an open table answers from its file.
    if (!m_openName.isEmpty()) return m_openName;
    const QString path = filePath();
    return path.isEmpty() ? m_name : store::displayName(path);
}

bool Table::isReadOnly() const
{
    return m_format == TableFormat::Paradox || (m_foreign && !m_foreign->isWritable());
}

void Table::requireClosed(const char* what) const
{
    if (isOpen()) throw StoreError(u"表 %1 已经打开，不能%2"_s.arg(displayName(), QString::fromUtf8(what)));
}

void Table::open()
{
    if (isOpen()) return;
    m_columnSql.clear();
    if (m_name.trimmed().isEmpty()) throw StoreError(u"没有指定表名"_s);
    const QString path = filePath();
    const QFileInfo info(path);
    if (!info.exists()) throw StoreError(u"找不到表文件 %1"_s.arg(displayName()));
    if (info.isDir()) throw StoreError(u"%1 是目录，不是表文件"_s.arg(displayName()));
    m_format = formatOf(path, m_type);
    if (m_format == TableFormat::Native)
        openNative(path);
    else
        openForeign(path);
    try {
        prepareConstraints();
        openRows();
    } catch (...) {
        detach();
        m_foreign.reset();
        throw;
    }
    openTables::add(path);
    m_openPath = path;
    m_openName = store::displayName(path);
}

void Table::openNative(const QString& path)
{
    const bool writable = QFileInfo(path).isWritable();
    auto c = Connection::open(path, displayName(), false, !writable);
    m_schema = native::readSchema(*c, u"main"_s);
    attach(std::move(c), u"\"main\".\"data\""_s, m_schema.fields);
}

void Table::reloadForeign()
{
    auto hooks = afterScroll;
    afterScroll = nullptr;
    close();
    afterScroll = hooks;
    m_openPath.clear();
    open();
}

void Table::openForeign(const QString& path)
{
    m_foreign = ForeignTable::open(path, m_format);
    m_schema = m_foreign->schema();
    auto c = Connection::scratch();
    c->setDisplayName(displayName());
    for (const QString& sql : native::createStatements(m_schema))
        c->exec(sql);
    {
        Connection::Transaction t(*c);
        QString insert = u"INSERT INTO \"main\".\"data\" (rowid"_s;
        QString marks = u"?"_s;
        for (const FieldDef& f : m_schema.fields) {
            insert += u',' + sqlIdentifier(f.name);
            marks += u",?"_s;
        }
        insert += u") VALUES ("_s + marks + u')';
        Statement st = c->prepare(insert);
        m_foreign->readAll([&](qint64 recno, const QVariantList& values) {
            st.bind(1, recno);
            st.bindAll(values, 2);
            st.run();
            st.reset();
        });
        t.commit();
    }
    attach(std::move(c), u"\"main\".\"data\""_s, m_schema.fields);
}

void Table::createTable(const TableSchema& schema)
{
    requireClosed("重建");
    createTable(m_name, schema, m_type);
}

void Table::createTable(const QString& name, const TableSchema& schema, TableType type)
{
    const QString path = resolveTablePath(name);
    if (path.isEmpty()) throw StoreError(u"没有指定表名"_s);
    openTables::requireClosed(path, u"重建"_s);
    const TableFormat format = type == TableType::Dbase                        ? TableFormat::Dbase
        : QFileInfo(path).suffix().compare("txt"_L1, Qt::CaseInsensitive) == 0 ? TableFormat::Text
        : QFileInfo(path).suffix().compare("dbf"_L1, Qt::CaseInsensitive) == 0 ? TableFormat::Dbase
                                                                               : TableFormat::Native;
    if (format == TableFormat::Native)
        native::createFile(path, schema);
    else {
        native::checkSchema(schema, store::displayName(path));
        ForeignTable::create(path, format, schema);
    }
}

int Table::maxFieldCount()
{
    return native::maxFieldCount();
}

void Table::emptyTable()
{
    if (isOpen()) {
        if (isReadOnly()) throw StoreError(u"%1 是只读的，不能清空"_s.arg(displayName()));
        checkBrowseMode();
        if (m_foreign) m_foreign->rewrite({});
        connection().exec(u"DELETE FROM \"main\".\"data\""_s);
        refresh();
        return;
    }
    const QString path = filePath();
    if (!QFileInfo::exists(path)) throw StoreError(u"找不到表文件 %1"_s.arg(displayName()));
    const TableFormat format = formatOf(path, m_type);
    if (format == TableFormat::Native) {
        auto c = Connection::open(path, displayName(), false);
        native::readSchema(*c, u"main"_s);
        c->exec(u"DELETE FROM \"main\".\"data\""_s);
    } else {
        auto f = ForeignTable::open(path, format);
        if (!f->isWritable()) throw StoreError(u"%1 是只读的，不能清空"_s.arg(displayName()));
        f->rewrite({});
    }
}

void Table::copyToNative(const QString& source, const QString& target)
{
    Table from;
    from.setTableName(source);
    from.open();
    TableSchema schema = from.schema();
    const QString targetPath = resolveTablePath(target);
    openTables::requireClosed(targetPath, u"重建"_s);
    native::createFile(targetPath, schema);
    Table to;
    to.setTableName(targetPath);
    try {
        to.batchAppend(from);
    } catch (...) {
        to.close();
        removeTableFiles(targetPath);
        throw;
    }
}

bool Table::makeNative(const QString& name)
{
    const QString path = resolveTablePath(name);
    if (formatOf(path) != TableFormat::Paradox) return false;
    const QString temp = path + u".native"_s;
    copyToNative(path, temp);
    // The Paradox index and memo files describe the old file only.
    if (!removeTableFiles(path) || !QFile::rename(temp, path)) {
        removeTableFiles(temp);
        throw StoreError(u"无法把 Paradox 表 %1 转换为本系统的表"_s.arg(store::displayName(path)));
    }
    return true;
}

void Table::pack()
{
    requireClosed("压缩");
    packTable(m_name);
}

void Table::packTable(const QString& name)
{
    const QString path = resolveTablePath(name);
    const QString shown = store::displayName(path);
    if (!QFileInfo::exists(path)) throw StoreError(u"找不到表文件 %1"_s.arg(shown));
    openTables::requireClosed(path, u"压缩"_s);
    const TableFormat format = formatOf(path);
    if (format == TableFormat::Native) {
        auto c = Connection::open(path, shown, false);
        native::readSchema(*c, u"main"_s);
        c->exec(u"VACUUM"_s);
    } else if (format == TableFormat::Paradox) {
        throw StoreError(u"Paradox 表 %1 只能读取，不能压缩"_s.arg(shown));
    } else {
        ForeignTable::open(path, format)->pack();
    }
}

void Table::flush() { }

// --- Ordering and key search -------------------------------------------------------------

void Table::setIndexName(const QString& name)
{
    if (isOpen() && !name.isEmpty() && !m_schema.findIndex(name))
        throw StoreError(u"表 %1 中没有索引 %2"_s.arg(displayName(), name));
    checkBrowseMode();
    m_indexName = name;
    if (!name.isEmpty()) m_indexFields.clear();
    linkChanged();
}

void Table::setIndexFieldNames(const QString& fields)
{
    if (isOpen())
        for (const QString& f : fields.split(u';', Qt::SkipEmptyParts))
            if (m_schema.fieldIndex(f.trimmed()) < 0)
                throw StoreError(u"表 %1 中没有字段 %2"_s.arg(displayName(), f.trimmed()));
    checkBrowseMode();
    m_indexFields = fields;
    if (!fields.isEmpty()) m_indexName.clear();
    linkChanged();
}

QStringList Table::keyFields() const
{
    if (!m_indexName.isEmpty()) {
        if (const IndexDef* index = m_schema.findIndex(m_indexName)) return index->fields;
        throw StoreError(u"表 %1 中没有索引 %2"_s.arg(displayName(), m_indexName));
    }
    if (!m_indexFields.isEmpty()) {
        QStringList out;
        for (const QString& f : m_indexFields.split(u';', Qt::SkipEmptyParts))
            out.append(f.trimmed());
        return out;
    }
    if (const IndexDef* primary = m_schema.primaryIndex()) return primary->fields;
    return {};
}

Dataset::View Table::view() const
{
    View v;
    QStringList where;
    if (m_master && !m_masterFields.isEmpty()) {
        const QStringList fields = m_masterFields.split(u';', Qt::SkipEmptyParts);
        if (!m_master->isOpen()) {
            where.append(u"0"_s);
        } else {
            // A master row being inserted has no key yet, so it shows no detail rows.
            for (const QString& f : fields) {
                const int mi = m_master->fieldIndex(f.trimmed());
                if (mi < 0)
                    throw StoreError(u"主表 %1 中没有字段 %2"_s.arg(m_master->displayName(), f.trimmed()));
                where.append(sqlIdentifier(f.trimmed()) + u"=?"_s);
                v.params.append(m_master->value(mi));
            }
        }
    }
    if (m_filtered && !m_filterSql.isEmpty()) where.append(u'(' + m_filterSql + u')');
    v.where = where.join(u" AND "_s);
    const QStringList order = keyFields();
    const IndexDef* named = m_indexName.isEmpty() ? nullptr : m_schema.findIndex(m_indexName);
    for (const QString& f : order) {
        v.orderFields.append(f);
        bool noCase = false;
        if (named)
            noCase = named->caseInsensitive;
        else if (m_indexFields.isEmpty())
            noCase = m_schema.primaryIndex() && m_schema.primaryIndex()->caseInsensitive;
        else
            for (const IndexDef& index : m_schema.indexes)
                if (index.caseInsensitive && !index.fields.isEmpty()
                    && index.fields.first().compare(order.first(), Qt::CaseInsensitive) == 0)
                    noCase = true;
        v.orderNoCase.append(noCase);
    }
    return v;
}

void Table::linkChanged()
{
    if (!isOpen()) return;
    const qint64 rowid = currentRowid();
    invalidateRows();
    ensureRows();
    const auto& rows = rowIds();
    const auto it = std::find(rows.begin(), rows.end(), rowid);
    m_pos = -1;
    m_currentValid = false;
    setCurrentIndex(it == rows.end() ? 0 : int(it - rows.begin()), false);
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged();
    if (afterScroll) afterScroll(*this);
}

void Table::setKey()
{
    m_key = QVariantList(keyFields().size(), QVariant());
}

void Table::setKeyValue(int position, const QVariant& value)
{
    if (m_key.isEmpty()) setKey();
    if (position < 0 || position >= m_key.size())
        throw StoreError(u"表 %1 的当前索引没有第 %2 个字段"_s.arg(displayName()).arg(position + 1));
    m_key[position] = value;
}

void Table::setKeyValue(const QString& field, const QVariant& value)
{
    const QStringList fields = keyFields();
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields[i].compare(field, Qt::CaseInsensitive) == 0) {
            setKeyValue(int(i), value);
            return;
        }
    throw StoreError(u"字段 %1 不在表 %2 的当前索引中"_s.arg(field, displayName()));
}

bool Table::gotoKey()
{
    return findKey(m_key);
}

bool Table::findKey(const QVariantList& values)
{
    const QStringList fields = keyFields();
    if (fields.isEmpty()) throw StoreError(u"表 %1 没有可用于查找的索引"_s.arg(displayName()));
    const View v = view();
    QVariantList use = values.mid(0, fields.size());
    bool noCase = !v.orderNoCase.isEmpty() && v.orderNoCase.first();
    return locate(fields.mid(0, use.size()), use, noCase, false);
}

bool Table::locate(
    const QStringList& fields, const QVariantList& values, bool caseInsensitive, bool partialKey)
{
    if (!isOpen()) throw StoreError(u"表 %1 没有打开"_s.arg(displayName()));
    checkBrowseMode();
    const View v = view();
    QStringList where;
    if (!v.where.isEmpty()) where.append(u'(' + v.where + u')');
    QVariantList params = v.params;
    for (qsizetype i = 0; i < fields.size() && i < values.size(); ++i) {
        const int fi = fieldIndex(fields[i]);
        if (fi < 0) throw StoreError(u"表 %1 中没有字段 %2"_s.arg(displayName(), fields[i]));
        const QString col = sqlIdentifier(fieldDefs()[fi].name);
        QVariant value = values[i];
        if (value.isNull()) {
            where.append(col + u" IS NULL"_s);
            continue;
        }
        const QString collate = caseInsensitive ? u" COLLATE NOCASE"_s : QString();
        if (partialKey && value.typeId() == QMetaType::QString) {
            where.append(u"substr("_s + col + u",1,?)="_s + u'?' + collate);
            params.append(qint64(value.toString().size()));
        } else {
            where.append(col + u"=?"_s + collate);
        }
        params.append(value);
    }
    QString sql = u"SELECT rowid FROM \"main\".\"data\""_s;
    if (!where.isEmpty()) sql += u" WHERE "_s + where.join(u" AND "_s);
    sql += u" ORDER BY "_s;
    for (qsizetype i = 0; i < v.orderFields.size(); ++i)
        sql += gbkOrderTerm(v.orderFields[i], v.orderNoCase.value(i)) + u", "_s;
    sql += u"rowid LIMIT 1"_s;
    qint64 found = 0;
    {
        Statement st = connection().cached(sql);
        st.bindAll(params);
        if (!st.step()) return false;
        found = st.columnInt(0);
    }
    const int at = positionOf(found);
    if (at < 0) return false;
    setCurrentIndex(at);
    return true;
}

// --- Master-detail and filter ------------------------------------------------------------

void Table::setMaster(Table* master, const QString& fields)
{
    if (m_master != master) {
        if (m_master) {
            m_master->m_details.removeAll(this);
            disconnect(m_master, nullptr, this, nullptr);
        }
        m_master = master;
        if (m_master) {
            m_master->m_details.append(this);
            connect(m_master, &Dataset::currentChanged, this, &Table::masterMoved);
            connect(m_master, &QObject::destroyed, this, [this] { m_master = nullptr; });
        }
    }
    setMasterFields(fields);
}

void Table::setMasterFields(const QString& fields)
{
    if (isOpen() && isEditing()) checkBrowseMode();
    m_masterFields = fields;
    linkChanged();
}

void Table::masterMoved()
{
    if (!isOpen() || !m_master || m_masterFields.isEmpty()) return;
    if (isEditing()) checkBrowseMode();
    invalidateRows();
    m_pos = -1;
    m_currentValid = false;
    ensureRows();
    setCurrentIndex(0, false);
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged();
    if (afterScroll) afterScroll(*this);
}

void Table::setFilter(const QString& expression)
{
    m_filterSql = expression.trimmed().isEmpty() ? QString() : translateSqlExpression(expression);
    m_filter = expression;
    if (m_filtered) {
        checkBrowseMode();
        linkChanged();
    }
}

void Table::setFiltered(bool on)
{
    if (m_filtered == on) return;
    checkBrowseMode();
    m_filtered = on;
    linkChanged();
}

void Table::prepareInsert(QVariantList& values)
{
    if (!m_master || m_masterFields.isEmpty() || !m_master->isOpen()) return;
    for (const QString& f : m_masterFields.split(u';', Qt::SkipEmptyParts)) {
        const int di = fieldIndex(f.trimmed());
        const int mi = m_master->fieldIndex(f.trimmed());
        if (di >= 0 && mi >= 0) values[di] = m_master->value(mi);
    }
}

// --- Constraints ------------------------------------------------------------------------

void Table::setConstraints(const QList<Constraint>& constraints)
{
    m_constraints = constraints;
    if (isOpen()) prepareConstraints();
}

void Table::addConstraint(const QString& expression, const QString& message)
{
    m_constraints.append({ expression, message });
    if (isOpen() && m_constraintUpdate == 0) prepareConstraints();
}

void Table::clearConstraints()
{
    m_constraints.clear();
    m_constraintSql.clear();
}

void Table::prepareConstraints()
{
    m_constraintSql.clear();
    if (m_constraints.isEmpty()) return;
    QString select;
    for (qsizetype i = 0; i < m_constraints.size(); ++i) {
        QString expr;
        try {
            expr = translateSqlExpression(m_constraints[i].expression);
        } catch (const StoreError& e) {
            throw StoreError(u"表 %1 的校验条件有错误: %2 (%3)"_s.arg(
                displayName(), m_constraints[i].expression, e.message()));
        }
        if (i) select += u',';
        select += u"(("_s + expr + u")<>0)"_s;
    }
    QString from;
    for (qsizetype i = 0; i < fieldDefs().size(); ++i) {
        if (i) from += u',';
        from += u"?%1 AS "_s.arg(i + 1) + sqlIdentifier(fieldDefs()[i].name);
    }
    const QString sql = u"SELECT "_s + select + u" FROM (SELECT "_s + from + u')';
    try {
        connection().cached(sql);
    } catch (const StoreError& e) {
        // Name the rule that does not fit the table.
        for (const Constraint& c : std::as_const(m_constraints)) {
            try {
                connection().prepare(u"SELECT (("_s + translateSqlExpression(c.expression)
                    + u")<>0) FROM (SELECT "_s + from + u')');
            } catch (const StoreError& inner) {
                throw StoreError(
                    u"表 %1 的校验条件有错误: %2 (%3)"_s.arg(displayName(), c.expression, inner.message()));
            }
        }
        throw;
    }
    m_constraintSql = sql;
}

void Table::validateRow(const QVariantList& values)
{
    if (m_constraintSql.isEmpty() || !constraintsActive()) return;
    Statement st = connection().cached(m_constraintSql);
    st.bindAll(values);
    if (!st.step()) return;
    for (int i = 0; i < st.columnCount() && i < m_constraints.size(); ++i) {
        if (st.columnStorage(i) == SQLITE_NULL) continue;
        if (st.columnInt(i) == 0) throw StoreError(m_constraints[i].message);
    }
}

// --- Storing ----------------------------------------------------------------------------

QString Table::uniqueViolation(
    qint64 rowid, const QVariantList& values, bool primaryOnly, const QVariantList* before) const
{
    // Blank keys count as values in the primary index (two rows without a key clash), as
    // in the desktop formats; secondary unique indexes let blanks repeat.
    for (const IndexDef& index : m_schema.indexes) {
        if ((!index.unique && !index.primary) || (primaryOnly && !index.primary)) continue;
        // An edit that leaves the index's fields alone cannot make it clash.
        if (before) {
            bool same = true;
            for (const QString& f : index.fields) {
                const int fi = m_schema.fieldIndex(f);
                if (changed(before->value(fi), values.value(fi))) same = false;
            }
            if (same) continue;
        }
        QString sql = u"SELECT 1 FROM \"main\".\"data\" WHERE rowid<>?"_s;
        QVariantList params { rowid };
        bool hasNull = false;
        for (const QString& f : index.fields) {
            const int fi = m_schema.fieldIndex(f);
            const QVariant v = values.value(fi);
            if (v.isNull()) hasNull = true;
            sql += u" AND "_s + sqlIdentifier(f) + (index.primary ? u" IS ?"_s : u"=?"_s)
                + (index.caseInsensitive ? u" COLLATE NOCASE"_s : QString());
            params.append(v);
        }
        if (hasNull && !index.primary) continue;
        sql += u" LIMIT 1"_s;
        Statement st = connection().cached(sql);
        st.bindAll(params);
        if (st.step()) return duplicateKeyMessage(index, displayName());
    }
    return {};
}

qint64 Table::storeRow(qint64 rowid, const QVariantList& values, bool inserting)
{
    const qint64 stored = writeRow(rowid, values, inserting);
    rowWritten();
    return stored;
}

void Table::beginWriteGroup(int rows)
{
    if (!isOpen()) throw StoreError(u"表 %1 没有打开"_s.arg(displayName()));
    if (m_groupOpen || m_foreign) return; // foreign files write through row by row
    connection().exec(u"BEGIN"_s);
    m_groupOpen = true;
    m_groupRows = qMax(1, rows);
    m_groupCount = 0;
}

void Table::endWriteGroup()
{
    if (!m_groupOpen) return;
    m_groupOpen = false;
    connection().exec(u"COMMIT"_s);
}

void Table::rowWritten()
{
    if (!m_groupOpen || ++m_groupCount < m_groupRows) return;
    m_groupCount = 0;
    connection().exec(u"COMMIT"_s);
    connection().exec(u"BEGIN"_s);
}

qint64 Table::writeRow(qint64 rowid, const QVariantList& values, bool inserting)
{
    if (isReadOnly()) throw StoreError(u"%1 是只读的，不能修改"_s.arg(displayName()));
    const QString clash
        = uniqueViolation(inserting ? 0 : rowid, values, false, inserting ? nullptr : &storedValues());
    if (!clash.isEmpty()) throw StoreError(clash);
    if (m_columnSql.size() != fieldDefs().size()) {
        m_columnSql.clear();
        m_indexed = QList<bool>(fieldDefs().size(), false);
        for (const FieldDef& f : fieldDefs())
            m_columnSql.append(sqlIdentifier(f.name));
        for (const IndexDef& index : m_schema.indexes)
            for (const QString& f : index.fields)
                if (const int fi = fieldIndex(f); fi >= 0) m_indexed[fi] = true;
        m_insertSql = u"INSERT INTO \"main\".\"data\" ("_s + m_columnSql.join(u',') + u") VALUES ("_s
            + QString(u"?,"_s).repeated(fieldDefs().size()).chopped(1) + u')';
    }
    // An edit writes the columns it changed; one that changes many (a merged row) writes
    // every unindexed column, so that its statement is one of a few that stay prepared.
    // Unchanged indexed columns are left out either way: they then cost no index write.
    QList<int> columns;
    QString sql;
    bool cache = true;
    if (inserting) {
        sql = m_insertSql;
    } else {
        const QVariantList& before = storedValues();
        for (qsizetype i = 0; i < fieldDefs().size(); ++i)
            if (changed(before.value(i), values[i])) columns.append(int(i));
        if (columns.isEmpty()) return rowid;
        if (columns.size() > 8) {
            columns.clear();
            for (qsizetype i = 0; i < fieldDefs().size(); ++i)
                if (!m_indexed[i] || changed(before.value(i), values[i])) columns.append(int(i));
        } else {
            cache = false;
        }
        sql = u"UPDATE \"main\".\"data\" SET "_s;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i) sql += u',';
            sql += m_columnSql[columns[i]] + u"=?"_s;
        }
        sql += u" WHERE rowid=?"_s;
    }
    std::optional<Connection::Transaction> transaction;
    if (m_foreign) transaction.emplace(connection());
    {
        Statement st = cache ? connection().cached(sql) : connection().prepare(sql);
        if (inserting) {
            st.bindAll(values);
        } else {
            int n = 0;
            for (int i : std::as_const(columns))
                st.bind(++n, values[i]);
            st.bind(n + 1, rowid);
        }
        try {
            st.run();
        } catch (const StoreError&) {
            const QString again = uniqueViolation(inserting ? -1 : rowid, values);
            if (!again.isEmpty()) throw StoreError(again);
            throw;
        }
    }
    qint64 stored = inserting ? connection().lastInsertRowid() : rowid;
    if (m_foreign) {
        if (inserting) {
            const qint64 recno = m_foreign->append(values);
            if (recno != stored) {
                Statement st = connection().prepare(u"UPDATE \"main\".\"data\" SET rowid=? WHERE rowid=?"_s);
                st.bind(1, recno);
                st.bind(2, stored);
                st.run();
                stored = recno;
            }
        } else {
            m_foreign->update(rowid, values);
        }
        transaction->commit();
    }
    return stored;
}

void Table::removeRow(qint64 rowid)
{
    if (isReadOnly()) throw StoreError(u"%1 是只读的，不能删除记录"_s.arg(displayName()));
    if (m_foreign) m_foreign->remove(rowid);
    Statement st = connection().cached(u"DELETE FROM \"main\".\"data\" WHERE rowid=?"_s);
    st.bind(1, rowid);
    st.run();
    rowWritten();
}

int Table::batchAppend(Dataset& source)
{
    const bool wasOpen = isOpen();
    if (!wasOpen) open();
    struct Closer
    {
        Table* table;
        bool close;
        ~Closer()
        {
            if (close) table->close();
        }
    } closer { this, !wasOpen };
    if (isReadOnly()) throw StoreError(u"%1 是只读的，不能追加记录"_s.arg(displayName()));
    checkBrowseMode();
    if (!source.isOpen()) source.open();
    source.checkBrowseMode();

    const int width = std::min(fieldCount(), source.fieldCount());
    const int rows = source.recordCount();
    int appended = 0;
    QVariantList values(fieldCount(), QVariant());
    auto rowValues = [&](int row) {
        const QVariantList src = source.rowAt(row);
        for (int i = 0; i < fieldCount(); ++i)
            values[i] = i < width ? coerceValue(src.value(i), fieldDefs()[i], displayName()) : QVariant();
    };

    std::optional<StoreError> failure;
    if (m_foreign) {
        // Exchange files are rewritten once for the whole batch.
        QList<QVariantList> all;
        m_foreign->readAll([&](qint64, const QVariantList& v) { all.append(v); });
        for (int row = 0; row < rows; ++row) {
            try {
                rowValues(row);
            } catch (const StoreError& e) {
                failure = e;
                break;
            }
            all.append(values);
            ++appended;
        }
        m_foreign->rewrite(all);
        reloadForeign();
        if (failure) throw *failure;
        return appended;
    }

    // Columns whose values can be copied as SQLite holds them; the others go through the
    // field's conversion, which also refuses a text that would be cut.
    enum class Copy { Direct, CheckText, Convert, Null };
    std::vector<Copy> plan(size_t(fieldCount()), Copy::Null);
    for (int i = 0; i < width; ++i) {
        const FieldDef& from = source.fieldDefs()[i];
        const FieldDef& to = fieldDefs()[i];
        if (to.type == FieldType::Text)
            plan[size_t(i)] = from.type == FieldType::Text && from.size <= to.size ? Copy::Direct
                : from.type == FieldType::Text || from.type == FieldType::Memo     ? Copy::CheckText
                                                                                   : Copy::Convert;
        else if (to.type == from.type || (to.type == FieldType::Float && isNumeric(from.type))
            || (to.type == FieldType::Memo && (from.type == FieldType::Text || from.type == FieldType::Memo)))
            plan[size_t(i)] = Copy::Direct;
        else
            plan[size_t(i)] = Copy::Convert;
    }
    QString sql = u"INSERT INTO \"main\".\"data\" ("_s;
    QString marks;
    for (int i = 0; i < fieldCount(); ++i) {
        if (i) sql += u',', marks += u',';
        sql += sqlIdentifier(fieldDefs()[i].name);
        marks += u'?';
    }
    sql += u") VALUES ("_s + marks + u')';
    const IndexDef* primary = m_schema.primaryIndex();
    {
        Connection::Transaction transaction(connection());
        Statement st = connection().cached(sql);
        Statement scan = source.scanRows();
        sqlite3_stmt* in = scan.handle();
        sqlite3_stmt* out = st.handle();
        auto valueOf = [&](int i) {
            return i < width
                ? coerceValue(scan.column(i, source.fieldDefs()[i].type), fieldDefs()[i], displayName())
                : QVariant();
        };
        while (true) {
            try {
                if (!scan.step()) break;
                for (int i = 0; i < fieldCount(); ++i) {
                    const Copy how = plan[size_t(i)];
                    QVariant converted;
                    switch (how) {
                    case Copy::Null:
                        sqlite3_bind_null(out, i + 1);
                        break;
                    case Copy::Direct:
                        sqlite3_bind_value(out, i + 1, sqlite3_column_value(in, i));
                        break;
                    case Copy::CheckText: {
                        const int bytes = sqlite3_column_bytes(in, i);
                        // GBK never takes more bytes than UTF-8, so most texts need no count.
                        if (bytes > fieldDefs()[i].size)
                            coerceValue(scan.column(i), fieldDefs()[i], displayName());
                        sqlite3_bind_value(out, i + 1, sqlite3_column_value(in, i));
                        break;
                    }
                    case Copy::Convert:
                        converted = coerceValue(
                            scan.column(i, source.fieldDefs()[i].type), fieldDefs()[i], displayName());
                        st.bind(i + 1, converted);
                        break;
                    }
                    if (how != Copy::Null && how != Copy::Convert && sqlite3_column_type(in, i) == SQLITE_TEXT
                        && sqlite3_column_bytes(in, i) == 0)
                        sqlite3_bind_null(out, i + 1); // empty text is stored as null
                }
                if (primary) {
                    QVariantList key(fieldCount(), QVariant());
                    for (const QString& f : primary->fields) {
                        const int fi = m_schema.fieldIndex(f);
                        key[fi] = valueOf(fi);
                    }
                    const QString clash = uniqueViolation(-1, key, true);
                    if (!clash.isEmpty()) throw StoreError(clash);
                }
                try {
                    st.run();
                } catch (const StoreError&) {
                    QVariantList all(fieldCount(), QVariant());
                    for (int i = 0; i < fieldCount(); ++i)
                        all[i] = valueOf(i);
                    const QString clash = uniqueViolation(-1, all);
                    if (!clash.isEmpty()) throw StoreError(clash);
                    throw;
                }
                st.reset();
            } catch (const StoreError& e) {
                failure = e;
                break;
            }
            ++appended;
        }
        scan = Statement();
        st = Statement();
        transaction.commit();
    }
    refresh();
    if (failure) throw *failure;
    return appended;
}

} // namespace store
