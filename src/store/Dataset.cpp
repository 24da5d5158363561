#include "Dataset.h"

#include "Collation.h"
#include "Connection.h"
#include "SqlTranslator.h"

#include <QDate>

#include <sqlite3.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace store {

// --- Field -------------------------------------------------------------------------------

const FieldDef& Field::def() const
{
    return m_dataset->m_fields[m_index];
}

QVariant Field::value() const
{
    return m_dataset->value(m_index);
}

QString Field::asString() const
{
    return displayText(value());
}

qint64 Field::asInteger() const
{
    const QVariant v = value();
    if (v.isNull()) return 0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        if (!ok)
            throw StoreError(
                u"表 %1 的字段 %2 不是整数: %3"_s.arg(m_dataset->displayName(), name(), v.toString()));
        return n;
    }
    if (v.typeId() == QMetaType::Double) return qint64(v.toDouble());
    return v.toLongLong();
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (v.isNull()) return 0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (!ok)
            throw StoreError(
                u"表 %1 的字段 %2 不是数值: %3"_s.arg(m_dataset->displayName(), name(), v.toString()));
        return d;
    }
    return v.toDouble();
}

QDate Field::asDate() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::QDate) return v.toDate();
    if (v.isNull()) return {};
    return coerceValue(v, FieldDef { name(), FieldType::Date, 0, 0 }, m_dataset->displayName()).toDate();
}

bool Field::asBool() const
{
    const QVariant v = value();
    if (v.isNull()) return false;
    if (v.typeId() == QMetaType::QString)
        return coerceValue(v, FieldDef { name(), FieldType::Logical, 0, 0 }, m_dataset->displayName())
            .toBool();
    return v.toBool();
}

void Field::setValue(const QVariant& value)
{
    m_dataset->setValue(m_index, value);
}

QString Field::editMask() const
{
    return m_dataset->editMask(m_index);
}

void Field::setEditMask(const QString& mask)
{
    m_dataset->setEditMask(m_index, mask);
}

// --- Dataset -----------------------------------------------------------------------------

Dataset::Dataset(QObject* parent)
    : QObject(parent)
{
}

Dataset::~Dataset() = default;

sqlite3* Dataset::db() const
{
    return m_connection ? m_connection->handle() : nullptr;
}

void Dataset::attach(std::shared_ptr<Connection> connection, QString qualifiedTable, QList<FieldDef> fields)
{
    m_connection = std::move(connection);
    m_table = std::move(qualifiedTable);
    m_fields = std::move(fields);
    m_masks = QStringList(m_fields.size(), QString());
    m_fetchSql = u"SELECT "_s;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        if (i) m_fetchSql += u',';
        m_fetchSql += sqlIdentifier(m_fields[i].name);
    }
    m_fetchSql += u" FROM "_s + m_table + u" WHERE rowid=?"_s;
    m_rows.clear();
    m_rowsValid = false;
    m_currentValid = false;
    m_cacheRow = -1;
    m_pos = -1;
    m_buffer.clear();
    m_modified = false;
}

void Dataset::detach()
{
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rowsValid = false;
    m_currentValid = false;
    m_current.clear();
    m_cache.clear();
    m_cacheRow = -1;
    m_buffer.clear();
    m_modified = false;
    m_pos = -1;
    m_eof = m_bof = true;
    m_connection.reset();
}

void Dataset::openRows()
{
    m_state = DatasetState::Browse;
    invalidateRows();
    ensureRows();
    setCurrentIndex(m_rows.empty() ? -1 : 0, false);
    m_bof = true;
    m_eof = m_rows.empty();
    Q_EMIT stateChanged(m_state);
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged();
    if (afterScroll) afterScroll(*this);
}

void Dataset::close()
{
    if (m_state == DatasetState::Inactive) return;
    closing();
    detach();
    m_fields.clear();
    m_masks.clear();
    setState(DatasetState::Inactive);
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged();
}

void Dataset::setState(DatasetState state)
{
    if (m_state == state) return;
    m_state = state;
    Q_EMIT stateChanged(state);
    if (stateChange) stateChange(*this);
}

void Dataset::invalidateRows()
{
    m_rowsValid = false;
    m_cacheRow = -1;
}

QString Dataset::viewSelect(const QString& columns, const View& view) const
{
    QString sql = u"SELECT "_s + columns + u" FROM "_s + m_table;
    if (!view.where.isEmpty()) sql += u" WHERE "_s + view.where;
    sql += u" ORDER BY "_s;
    for (qsizetype i = 0; i < view.orderFields.size(); ++i)
        sql += gbkOrderTerm(view.orderFields[i], view.orderNoCase.value(i)) + u", "_s;
    return sql + u"rowid"_s;
}

void Dataset::ensureRows() const
{
    if (m_rowsValid || !m_connection) return;
    m_view = view();
    m_orderKeySql.clear();
    Statement st = m_connection->prepare(viewSelect(u"rowid"_s, m_view));
    st.bindAll(m_view.params);
    m_rows.clear();
    while (st.step())
        m_rows.push_back(st.columnInt(0));
    m_rowsValid = true;
    m_cacheRow = -1;
}

Statement Dataset::scanRows() const
{
    ensureRows();
    QString columns;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        if (i) columns += u',';
        columns += sqlIdentifier(m_fields[i].name);
    }
    Statement st = m_connection->prepare(viewSelect(columns, m_view));
    st.bindAll(m_view.params);
    return st;
}

QVariantList Dataset::fetchRow(qint64 rowid) const
{
    Statement st = m_connection->cached(m_fetchSql);
    st.bind(1, rowid);
    QVariantList values;
    values.reserve(m_fields.size());
    if (st.step()) {
        for (qsizetype i = 0; i < m_fields.size(); ++i)
            values.append(st.column(int(i), m_fields[i].type));
    } else {
        for (qsizetype i = 0; i < m_fields.size(); ++i)
            values.append(QVariant());
    }
    return values;
}

qint64 Dataset::currentRowid() const
{
    ensureRows();
    if (m_pos < 0 || m_pos >= int(m_rows.size())) return 0;
    return m_rows[size_t(m_pos)];
}

void Dataset::loadCurrent() const
{
    const qint64 rowid = currentRowid();
    if (m_currentValid && m_currentRowid == rowid) return;
    m_currentRowid = rowid;
    m_current = rowid ? fetchRow(rowid) : QVariantList(m_fields.size(), QVariant());
    m_currentValid = true;
}

void Dataset::setCurrentIndex(int index, bool notify)
{
    ensureRows();
    const int count = int(m_rows.size());
    if (count == 0)
        index = -1;
    else
        index = std::clamp(index, 0, count - 1);
    const bool moved
        = index != m_pos || !m_currentValid || m_currentRowid != (index >= 0 ? m_rows[size_t(index)] : 0);
    m_pos = index;
    m_currentValid = m_currentValid && index >= 0 && m_currentRowid == m_rows[size_t(index)];
    if (moved && notify) {
        Q_EMIT currentChanged();
        if (afterScroll) afterScroll(*this);
    }
}

void Dataset::first()
{
    checkBrowseMode();
    ensureRows();
    setCurrentIndex(0);
    m_bof = true;
    m_eof = m_rows.empty();
}

void Dataset::last()
{
    checkBrowseMode();
    ensureRows();
    setCurrentIndex(int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.empty();
}

void Dataset::next()
{
    moveBy(1);
}

void Dataset::prior()
{
    moveBy(-1);
}

int Dataset::moveBy(int distance)
{
    checkBrowseMode();
    ensureRows();
    const int count = int(m_rows.size());
    if (count == 0) {
        m_bof = m_eof = true;
        return 0;
    }
    const int from = std::max(m_pos, 0);
    const int to = from + distance;
    m_eof = to >= count;
    m_bof = to < 0;
    const int target = std::clamp(to, 0, count - 1);
    setCurrentIndex(target);
    return target - from;
}

int Dataset::recNo() const
{
    if (m_state == DatasetState::Inactive) return 0;
    if (m_state == DatasetState::Insert) return recordCount() + 1;
    ensureRows();
    return m_pos + 1;
}

void Dataset::setRecNo(int recNo)
{
    checkBrowseMode();
    ensureRows();
    setCurrentIndex(recNo - 1);
    m_bof = m_eof = m_rows.empty();
}

int Dataset::recordCount() const
{
    if (m_state == DatasetState::Inactive) return 0;
    ensureRows();
    return int(m_rows.size());
}

int Dataset::fieldIndex(const QString& name) const
{
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

Field Dataset::field(int index)
{
    if (index < 0 || index >= fieldCount())
        throw StoreError(u"表 %1 没有第 %2 个字段"_s.arg(displayName()).arg(index + 1));
    return Field(this, index);
}

Field Dataset::fieldByName(const QString& name)
{
    const int i = fieldIndex(name);
    if (i < 0) throw StoreError(u"表 %1 中没有字段 %2"_s.arg(displayName(), name));
    return Field(this, i);
}

QVariant Dataset::value(int field) const
{
    if (field < 0 || field >= fieldCount()) return {};
    if (isEditing()) return m_buffer.value(field);
    if (m_state == DatasetState::Inactive) return {};
    loadCurrent();
    return m_current.value(field);
}

void Dataset::setValue(int field, const QVariant& value)
{
    if (field < 0 || field >= fieldCount())
        throw StoreError(u"表 %1 没有第 %2 个字段"_s.arg(displayName()).arg(field + 1));
    if (!isEditing())
        throw StoreError(u"表 %1 不在编辑状态，不能修改字段 %2"_s.arg(displayName(), m_fields[field].name));
    const QVariant v = coerceValue(value, m_fields[field], displayName());
    if (m_buffer[field] == v && m_buffer[field].isNull() == v.isNull()) return;
    m_buffer[field] = v;
    m_modified = true;
    Q_EMIT fieldChanged(field);
}

QString Dataset::editMask(int field) const
{
    return m_masks.value(field);
}

void Dataset::setEditMask(int field, const QString& mask)
{
    if (field >= 0 && field < m_masks.size()) m_masks[field] = mask;
}

QVariantList Dataset::rowAt(int row) const
{
    ensureRows();
    if (row < 0 || row >= int(m_rows.size())) return {};
    if (isEditing() && row == m_pos && m_state == DatasetState::Edit) return m_buffer;
    if (m_cacheRow != row) {
        m_cache = fetchRow(m_rows[size_t(row)]);
        m_cacheRow = row;
    }
    return m_cache;
}

QVariant Dataset::valueAt(int row, int field) const
{
    return rowAt(row).value(field);
}

void Dataset::checkBrowseMode()
{
    if (!isEditing()) return;
    if (m_modified)
        post();
    else
        cancel();
}

void Dataset::edit()
{
    if (m_state == DatasetState::Inactive) throw StoreError(u"表 %1 没有打开"_s.arg(displayName()));
    if (isEditing()) return;
    if (isReadOnly()) throw StoreError(u"%1 是只读的，不能修改"_s.arg(displayName()));
    if (recordCount() == 0) {
        append();
        return;
    }
    loadCurrent();
    m_buffer = m_current;
    m_modified = false;
    setState(DatasetState::Edit);
}

void Dataset::append()
{
    if (m_state == DatasetState::Inactive) throw StoreError(u"表 %1 没有打开"_s.arg(displayName()));
    if (isReadOnly()) throw StoreError(u"%1 是只读的，不能修改"_s.arg(displayName()));
    checkBrowseMode();
    m_buffer = QVariantList(m_fields.size(), QVariant());
    prepareInsert(m_buffer);
    m_modified = false;
    setState(DatasetState::Insert);
    if (newRecord) newRecord(*this);
    Q_EMIT currentChanged();
}

void Dataset::clearFields()
{
    if (!isEditing()) throw StoreError(u"表 %1 不在编辑状态"_s.arg(displayName()));
    for (qsizetype i = 0; i < m_buffer.size(); ++i)
        m_buffer[i] = QVariant();
    m_modified = true;
    for (int i = 0; i < fieldCount(); ++i)
        Q_EMIT fieldChanged(i);
}

void Dataset::post()
{
    if (!isEditing()) throw StoreError(u"表 %1 不在编辑状态，无法存盘"_s.arg(displayName()));
    Q_EMIT updateRecord();
    if (beforePost) beforePost(*this);
    const bool inserting = m_state == DatasetState::Insert;
    // An edit that keeps the row's order key, in a view without a condition, leaves the
    // row where it is: no search through the row map (merges store rows by the thousand).
    bool samePlace = false;
    if (!inserting && m_rowsValid && m_pos >= 0 && size_t(m_pos) < m_rows.size() && m_view.where.isEmpty()) {
        const QVariantList& before = storedValues();
        samePlace = m_rows[size_t(m_pos)] == currentRowid();
        for (const QString& f : std::as_const(m_view.orderFields)) {
            const int i = fieldIndex(f);
            if (!samePlace || i < 0 || changed(before.value(i), m_buffer.value(i))) {
                samePlace = false;
                break;
            }
        }
    }
    qint64 rowid = 0;
    try {
        validateRow(m_buffer);
        rowid = storeRow(inserting ? 0 : currentRowid(), m_buffer, inserting);
    } catch (StoreError& e) {
        if (onPostError) onPostError(*this, e);
        throw;
    }
    m_modified = false;
    m_buffer.clear();
    m_currentValid = false;
    m_cacheRow = -1;
    m_state = DatasetState::Browse;
    if (!samePlace) placeRow(rowid, inserting);
    Q_EMIT stateChanged(m_state);
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged();
    afterRowsChanged();
    if (afterPost) afterPost(*this);
}

void Dataset::cancel()
{
    if (!isEditing()) return;
    const bool inserting = m_state == DatasetState::Insert;
    m_buffer.clear();
    m_modified = false;
    setState(DatasetState::Browse);
    if (inserting) {
        Q_EMIT currentChanged();
        if (afterScroll) afterScroll(*this);
    } else {
        Q_EMIT rowChanged(m_pos);
    }
}

void Dataset::deleteRecord()
{
    if (m_state == DatasetState::Inactive) throw StoreError(u"表 %1 没有打开"_s.arg(displayName()));
    if (m_state == DatasetState::Insert) {
        cancel();
        return;
    }
    if (m_state == DatasetState::Edit) cancel();
    if (recordCount() == 0) throw StoreError(u"表 %1 中没有记录可以删除"_s.arg(displayName()));
    if (isReadOnly()) throw StoreError(u"%1 是只读的，不能删除记录"_s.arg(displayName()));
    if (beforeDelete) beforeDelete(*this);
    const qint64 rowid = currentRowid();
    removeRow(rowid);
    m_rows.erase(m_rows.begin() + m_pos);
    m_currentValid = false;
    m_cacheRow = -1;
    const int pos = m_pos;
    m_pos = -1;
    setCurrentIndex(pos, false);
    m_eof = m_rows.empty();
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged();
    afterRowsChanged();
    if (afterScroll) afterScroll(*this);
}

void Dataset::refresh()
{
    if (m_state == DatasetState::Inactive) return;
    checkBrowseMode();
    const qint64 rowid = m_rowsValid ? currentRowid() : 0;
    invalidateRows();
    m_currentValid = false;
    ensureRows();
    const auto it = std::find(m_rows.begin(), m_rows.end(), rowid);
    m_pos = -1;
    setCurrentIndex(it == m_rows.end() ? 0 : int(it - m_rows.begin()), false);
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged();
    afterRowsChanged();
    if (afterScroll) afterScroll(*this);
}

qint64 Dataset::storeRow(qint64, const QVariantList&, bool)
{
    throw StoreError(u"%1 是只读的，不能修改"_s.arg(displayName()));
}

void Dataset::removeRow(qint64)
{
    throw StoreError(u"%1 是只读的，不能删除记录"_s.arg(displayName()));
}

bool Dataset::rowMatchesView(qint64 rowid) const
{
    if (m_view.where.isEmpty()) return true;
    Statement st = m_connection->cached(
        u"SELECT 1 FROM "_s + m_table + u" WHERE rowid=? AND ("_s + m_view.where + u')');
    st.bind(1, rowid);
    st.bindAll(m_view.params, 2);
    return st.step();
}

QVariantList Dataset::orderKey(qint64 rowid) const
{
    QVariantList key;
    if (m_view.orderFields.isEmpty()) return key;
    if (m_orderKeySql.isEmpty()) {
        m_orderKeySql = u"SELECT "_s;
        for (qsizetype i = 0; i < m_view.orderFields.size(); ++i) {
            if (i) m_orderKeySql += u',';
            m_orderKeySql += sqlIdentifier(m_view.orderFields[i]);
        }
        m_orderKeySql += u" FROM "_s + m_table + u" WHERE rowid=?"_s;
    }
    Statement st = m_connection->cached(m_orderKeySql);
    st.bind(1, rowid);
    if (st.step())
        for (int i = 0; i < st.columnCount(); ++i)
            key.append(st.column(i));
    return key;
}

namespace {

// The view's ordering of values: NULL, numbers, text (in GBK order), blobs.
int storageRank(const QVariant& v)
{
    if (v.isNull() || !v.isValid()) return 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::Bool:
        return 1;
    case QMetaType::QByteArray:
        return 3;
    default:
        return 2;
    }
}

int compareValues(const QVariant& a, const QVariant& b, bool noCase)
{
    const int ra = storageRank(a), rb = storageRank(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    if (ra == 0) return 0;
    if (ra == 1) {
        if (a.typeId() != QMetaType::Double && b.typeId() != QMetaType::Double) {
            const qint64 x = a.toLongLong(), y = b.toLongLong();
            return x < y ? -1 : x > y ? 1 : 0;
        }
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return compareGbk(a.toString(), b.toString(), noCase);
}

} // namespace

int Dataset::compareKeys(const QVariantList& a, qint64 rowidA, const QVariantList& b, qint64 rowidB) const
{
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i) {
        const int c = compareValues(a[i], b[i], m_view.orderNoCase.value(i));
        if (c) return c;
    }
    return rowidA < rowidB ? -1 : rowidA > rowidB ? 1 : 0;
}

size_t Dataset::lowerBound(qint64 rowid) const
{
    ensureRows();
    if (m_view.orderFields.isEmpty())
        return size_t(std::lower_bound(m_rows.begin(), m_rows.end(), rowid) - m_rows.begin());
    const QVariantList key = orderKey(rowid);
    // Rows keyed in or merged in key order go to the end: one comparison instead of a search.
    if (!m_rows.empty() && compareKeys(orderKey(m_rows.back()), m_rows.back(), key, rowid) < 0)
        return m_rows.size();
    size_t lo = 0, hi = m_rows.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (compareKeys(orderKey(m_rows[mid]), m_rows[mid], key, rowid) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int Dataset::positionOf(qint64 rowid) const
{
    // Walking a table in key order, the row wanted is mostly the current one or the next.
    ensureRows();
    for (int near : { m_pos, m_pos + 1 })
        if (near >= 0 && size_t(near) < m_rows.size() && m_rows[size_t(near)] == rowid) return near;
    // The map is in view order, so a search by the row's order key finds it in a few
    // steps; a scan stays the fallback should the two orders ever disagree.
    const size_t at = lowerBound(rowid);
    if (at < m_rows.size() && m_rows[at] == rowid) return int(at);
    const auto it = std::find(m_rows.begin(), m_rows.end(), rowid);
    return it == m_rows.end() ? -1 : int(it - m_rows.begin());
}

void Dataset::placeRow(qint64 rowid, bool fresh)
{
    if (!m_rowsValid) {
        ensureRows();
        const auto it = std::find(m_rows.begin(), m_rows.end(), rowid);
        m_pos = -1;
        setCurrentIndex(it == m_rows.end() ? 0 : int(it - m_rows.begin()), false);
        return;
    }
    // A new row is not in the map yet.
    const auto old = fresh ? m_rows.end() : std::find(m_rows.begin(), m_rows.end(), rowid);
    int oldPos = -1;
    if (old != m_rows.end()) {
        oldPos = int(old - m_rows.begin());
        m_rows.erase(old);
    }
    if (!rowMatchesView(rowid)) {
        // The stored row left the view (filter, link): stay near where it was.
        m_pos = -1;
        setCurrentIndex(oldPos >= 0 ? oldPos : int(m_rows.size()) - 1, false);
        return;
    }
    const size_t at = lowerBound(rowid);
    m_rows.insert(m_rows.begin() + qsizetype(at), rowid);
    m_pos = int(at);
    m_currentValid = false;
    m_cacheRow = -1;
}

} // namespace store
