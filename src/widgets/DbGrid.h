#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>

#include "DataSource.h"

// The rows of a data source as a table model. Values are fetched only for the rows a view
// asks for, so a table of 100,000 rows opens and scrolls as fast as one of ten. While a
// row is inserted it shows as one more row at the end of the view.
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column
    {
        QString field;
        QString title; // empty: the field name
        int width = 0; // pixels; 0: from the field size
        bool readOnly = false; // shown, never typed into
    };

    explicit DatasetModel(QObject* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    // Empty: every field of the dataset, in field order.
    void setColumns(const QList<Column>& columns);
    const QList<Column>& columns() const { return m_columns; }
    int fieldOf(int column) const; // -1 when the dataset lacks it
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    void setColumnTitle(int column, const QString& title);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void reload();

private:
    void bind();
    void rebuildColumns();
    void stateChanged();

    QPointer<DataSource> m_source;
    QList<QMetaObject::Connection> m_connections;
    QList<Column> m_requested;
    QList<Column> m_columns;
    QList<int> m_fields;
    bool m_readOnly = false;
    int m_rows = 0;
};

// A grid over a data source: the current row follows the dataset and the dataset follows
// the row the user selects. Typing into a cell starts an edit of that row; Insert, or the
// down arrow on the last row, appends one (unless the grid is read-only).
class DbGrid : public QTableView
{
    Q_OBJECT

public:
    using Column = DatasetModel::Column;

    explicit DbGrid(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_model->dataSource(); }
    void setColumns(const QList<Column>& columns);
    int columnCount() const { return m_model->columnCount(); }
    QString columnField(int column) const;
    QString columnTitle(int column) const;
    void setColumnTitle(int column, const QString& title);
    int columnPixelWidth(int column) const { return columnWidth(column); }
    void setColumnPixelWidth(int column, int width) { setColumnWidth(column, width); }
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_model->isReadOnly(); }
    // Whether Insert and the down arrow below the last row start a new row (on by default).
    void setAppendAllowed(bool allowed) { m_appendAllowed = allowed; }
    // The selected column (the one Enter moves on from).
    int selectedColumn() const;
    void setSelectedColumn(int column);
    DatasetModel* datasetModel() const { return m_model; }
    using QTableView::edit;

Q_SIGNALS:
    void cellDoubleClicked(int row, int column);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followDataset();
    void applyWidths();
    void commitOpenEditor();

    DatasetModel* m_model;
    bool m_syncing = false;
    int m_lastColumn = 0;
    bool m_appendAllowed = true;
};
