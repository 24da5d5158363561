#pragma once

#include "store/Dataset.h"

#include <QObject>
#include <QPointer>

// Connects data-aware controls to a dataset. Controls follow the source, not the dataset,
// so a window can detach its controls (setDataSet(nullptr)) and attach them again without
// rebinding each one.
class DataSource : public QObject
{
    Q_OBJECT

public:
    explicit DataSource(QObject* parent = nullptr);

    void setDataSet(store::Dataset* dataset);
    store::Dataset* dataSet() const { return m_dataset; }
    // Inactive without a dataset or while it is closed.
    store::DatasetState state() const;
    bool isEditing() const;
    // Index of `field` in the open dataset (case-insensitive); -1 without one, while it is
    // closed, or when it lacks the field. Bound controls find their field by it.
    int fieldIndex(const QString& field) const;

Q_SIGNALS:
    void stateChange(store::DatasetState state);
    // Another dataset was attached (or none): controls reload.
    void dataSetChanged();
    // Forwarded from the dataset.
    void currentChanged();
    void rowsChanged();
    void rowChanged(int row);
    void fieldChanged(int field);
    void updateRecord();

private:
    QPointer<store::Dataset> m_dataset;
    QList<QMetaObject::Connection> m_connections;
};
