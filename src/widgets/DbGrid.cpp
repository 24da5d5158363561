#include "DbGrid.h"

#include "DataSource.h"
#include "FieldInput.h"
#include "Services.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QToolTip>

using namespace Qt::StringLiterals;

DatasetModel::DatasetModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void DatasetModel::setDataSource(DataSource* source)
{
    if (source == m_source) return;
    m_source = source;
    bind();
}

void DatasetModel::bind()
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    if (m_source) {
        m_connections = {
            connect(m_source, &DataSource::dataSetChanged, this, &DatasetModel::reload),
            connect(m_source, &DataSource::rowsChanged, this, &DatasetModel::reload),
            connect(m_source, &DataSource::stateChange, this, &DatasetModel::stateChanged),
            connect(m_source, &DataSource::rowChanged, this,
                [this](int row) {
                    if (row >= 0 && row < m_rows)
                        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
                }),
            connect(m_source, &DataSource::fieldChanged, this,
                [this](int field) {
                    store::Dataset* ds = m_source->dataSet();
                    const int row = ds ? ds->recNo() - 1 : -1;
                    const int column = int(m_fields.indexOf(field));
                    if (row >= 0 && row < m_rows && column >= 0)
                        Q_EMIT dataChanged(index(row, column), index(row, column));
                }),
        };
    }
    reload();
}

void DatasetModel::setColumns(const QList<Column>& columns)
{
    m_requested = columns;
    reload();
}

void DatasetModel::rebuildColumns()
{
    store::Dataset* ds = m_source ? m_source->dataSet() : nullptr;
    m_columns.clear();
    m_fields.clear();
    if (!m_requested.isEmpty()) {
        m_columns = m_requested;
    } else if (ds && ds->isOpen()) {
        for (const store::FieldDef& f : ds->fieldDefs())
            m_columns.append({ f.name, f.name, 0 });
    }
    for (Column& c : m_columns) {
        m_fields.append(ds && ds->isOpen() ? ds->fieldIndex(c.field) : -1);
        if (c.title.isEmpty()) c.title = c.field;
    }
}

void DatasetModel::reload()
{
    beginResetModel();
    rebuildColumns();
    store::Dataset* ds = m_source ? m_source->dataSet() : nullptr;
    m_rows = 0;
    if (ds && ds->isOpen()) {
        m_rows = ds->recordCount();
        if (ds->state() == store::DatasetState::Insert) ++m_rows;
    }
    endResetModel();
}

void DatasetModel::stateChanged()
{
    // Starting or ending an insert adds or drops the last row; an edit changes nothing
    // the view must lay out again (a reset would close the open cell editor).
    store::Dataset* ds = m_source ? m_source->dataSet() : nullptr;
    int rows = 0;
    if (ds && ds->isOpen()) rows = ds->recordCount() + (ds->state() == store::DatasetState::Insert ? 1 : 0);
    if (rows != m_rows || (m_columns.isEmpty() && ds && ds->isOpen())) {
        reload();
    } else if (m_rows > 0 && !m_columns.isEmpty()) {
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1));
    }
}

int DatasetModel::fieldOf(int column) const
{
    return m_fields.value(column, -1);
}

void DatasetModel::setColumnTitle(int column, const QString& title)
{
    if (column < 0 || column >= m_columns.size()) return;
    m_columns[column].title = title;
    if (column < m_requested.size()) m_requested[column].title = title;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::TextAlignmentRole) return {};
    store::Dataset* ds = m_source ? m_source->dataSet() : nullptr;
    const int field = fieldOf(index.column());
    if (!ds || !ds->isOpen() || field < 0 || index.row() >= m_rows) return {};
    if (role == Qt::TextAlignmentRole) {
        return store::isNumeric(ds->fieldDefs().at(field).type) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                                : int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    // The row being edited shows what was typed, not what is stored.
    const bool current = ds->isEditing() && index.row() == ds->recNo() - 1;
    try {
        return store::displayText(current ? ds->value(field) : ds->valueAt(index.row(), field));
    } catch (const std::exception&) {
        return {}; // a row removed behind the view's back: the next reload drops it
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) return m_columns.value(section).title;
    return {};
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    store::Dataset* ds = m_source ? m_source->dataSet() : nullptr;
    if (!m_readOnly && ds && !ds->isReadOnly() && fieldOf(index.column()) >= 0
        && !m_columns.value(index.column()).readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole) return false;
    store::Dataset* ds = m_source ? m_source->dataSet() : nullptr;
    const int field = fieldOf(index.column());
    if (!ds || field < 0 || m_readOnly || m_columns.value(index.column()).readOnly) return false;
    return guarded([&] {
        if (ds->recNo() != index.row() + 1
            && !(ds->state() == store::DatasetState::Insert && index.row() + 1 == m_rows))
            ds->setRecNo(index.row() + 1);
        const QVariant old = ds->value(field);
        const QString text = value.toString();
        if (store::displayText(old) == text && ds->isEditing()) return;
        if (!ds->isEditing()) {
            if (store::displayText(old) == text) return;
            ds->edit();
            if (!ds->isEditing()) return;
        }
        ds->setValue(field, text);
    });
}

namespace {

// Cell editors refuse what the field cannot hold, like the edit controls.
class FieldDelegate : public QStyledItemDelegate
{
public:
    FieldDelegate(DatasetModel* model, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_model(model)
    {
    }

    QWidget* createEditor(
        QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
        auto* edit = qobject_cast<QLineEdit*>(w);
        store::Dataset* ds = m_model->dataSource() ? m_model->dataSource()->dataSet() : nullptr;
        const int field = m_model->fieldOf(index.column());
        if (edit && ds && field >= 0) applyFieldInput(edit, ds->fieldDefs().at(field), ds->editMask(field));
        return w;
    }

private:
    DatasetModel* m_model;
};

} // namespace

DbGrid::DbGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new DatasetModel(this))
{
    setModel(m_model);
    setItemDelegate(new FieldDelegate(m_model, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
        | QAbstractItemView::EditKeyPressed);
    // Fixed row heights keep a view of 100,000 rows from measuring each one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(14);
    horizontalHeader()->setHighlightSections(false);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyWidths();
        followDataset();
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (isReadOnly()) Q_EMIT cellDoubleClicked(index.row(), index.column());
    });
}

void DbGrid::setDataSource(DataSource* source)
{
    if (DataSource* old = m_model->dataSource()) disconnect(old, nullptr, this, nullptr);
    m_model->setDataSource(source);
    if (source) {
        connect(source, &DataSource::currentChanged, this, &DbGrid::followDataset);
        connect(source, &DataSource::updateRecord, this, &DbGrid::commitOpenEditor);
    }
    followDataset();
}

void DbGrid::commitOpenEditor()
{
    // The toolbar takes no focus, so a cell being typed into is still open when its row
    // is stored: what it holds belongs to the row.
    if (state() != EditingState) return;
    // Cell editors are the viewport's own children.
    const auto editors = viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* editor : editors)
        if (editor->isVisible()) commitData(editor);
}

void DbGrid::setColumns(const QList<Column>& columns)
{
    m_model->setColumns(columns);
}

QString DbGrid::columnField(int column) const
{
    return m_model->columns().value(column).field;
}

QString DbGrid::columnTitle(int column) const
{
    return m_model->columns().value(column).title;
}

void DbGrid::setColumnTitle(int column, const QString& title)
{
    m_model->setColumnTitle(column, title);
}

void DbGrid::setReadOnly(bool readOnly)
{
    m_model->setReadOnly(readOnly);
    viewport()->update();
}

int DbGrid::selectedColumn() const
{
    return currentIndex().isValid() ? currentIndex().column() : 0;
}

void DbGrid::setSelectedColumn(int column)
{
    const int row = currentIndex().isValid() ? currentIndex().row() : 0;
    m_syncing = true;
    setCurrentIndex(m_model->index(row, column));
    m_syncing = false;
}

void DbGrid::applyWidths()
{
    store::Dataset* ds = dataSource() ? dataSource()->dataSet() : nullptr;
    const int charWidth = fontMetrics().horizontalAdvance(u'0');
    const auto& columns = m_model->columns();
    for (int c = 0; c < columns.size(); ++c) {
        int width = columns[c].width;
        if (width <= 0) {
            const int field = m_model->fieldOf(c);
            int chars = 12;
            if (ds && field >= 0) {
                const store::FieldDef& def = ds->fieldDefs().at(field);
                chars = def.type == store::FieldType::Text ? qBound(4, def.size, 20) : 12;
            }
            width = qMax(chars * charWidth, fontMetrics().horizontalAdvance(columns[c].title)) + 12;
        }
        setColumnWidth(c, width);
    }
}

void DbGrid::followDataset()
{
    store::Dataset* ds = dataSource() ? dataSource()->dataSet() : nullptr;
    if (!ds || !ds->isOpen() || m_model->rowCount() == 0) return;
    const int row = qBound(0, ds->recNo() - 1, m_model->rowCount() - 1);
    // A reload drops the current cell; the column the user was in stays.
    const int column = currentIndex().isValid()
        ? currentIndex().column()
        : qBound(0, m_lastColumn, qMax(0, m_model->columnCount() - 1));
    if (currentIndex().row() == row && currentIndex().isValid()) return;
    m_syncing = true;
    setCurrentIndex(m_model->index(row, column));
    m_syncing = false;
}

void DbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid()) m_lastColumn = current.column();
    if (m_syncing || !current.isValid() || (previous.isValid() && current.row() == previous.row())) return;
    store::Dataset* ds = dataSource() ? dataSource()->dataSet() : nullptr;
    if (!ds || !ds->isOpen() || ds->recNo() == current.row() + 1) return;
    // Leaving an edited row stores it; when the store is refused the grid stays on it.
    if (!guarded([&] { ds->setRecNo(current.row() + 1); })) followDataset();
}

bool DbGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!(editTriggers() & trigger) || !index.isValid() || isReadOnly()
        || !(m_model->flags(index) & Qt::ItemIsEditable))
        return QTableView::edit(index, trigger, event);
    store::Dataset* ds = dataSource()->dataSet();
    bool started = guarded([&] {
        if (ds->recNo() != index.row() + 1
            && !(ds->state() == store::DatasetState::Insert && index.row() + 1 == m_model->rowCount()))
            ds->setRecNo(index.row() + 1);
        if (!ds->isEditing()) ds->edit();
    });
    if (!started || !ds->isEditing()) return false;
    const QModelIndex again = m_model->index(qMin(index.row(), m_model->rowCount() - 1), index.column());
    return QTableView::edit(again, trigger, event);
}

bool DbGrid::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
    // A cell too narrow for its text shows the whole text while the pointer rests on it.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect cell = visualRect(index);
    const int margin = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 2;
    if (index.isValid() && fontMetrics().horizontalAdvance(text) + margin > cell.width())
        QToolTip::showText(help->globalPos(), text, viewport(), cell);
    else
        QToolTip::hideText();
    return true;
}

void DbGrid::keyPressEvent(QKeyEvent* event)
{
    store::Dataset* ds = dataSource() ? dataSource()->dataSet() : nullptr;
    const bool writable = ds && ds->isOpen() && !isReadOnly() && !ds->isReadOnly();
    if (writable && m_appendAllowed && state() != EditingState) {
        const bool lastRow = !currentIndex().isValid() || currentIndex().row() >= m_model->rowCount() - 1;
        if (event->key() == Qt::Key_Insert
            || (event->key() == Qt::Key_Down && lastRow && ds->state() != store::DatasetState::Insert)) {
            const int column = selectedColumn();
            if (guarded([ds] { ds->append(); })) {
                setSelectedColumn(column);
                followDataset();
            }
            return;
        }
        if (event->key() == Qt::Key_Escape && ds->isEditing()) {
            guarded([ds] { ds->cancel(); });
            return;
        }
    }
    QTableView::keyPressEvent(event);
}
