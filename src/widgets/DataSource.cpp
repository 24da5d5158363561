#include "DataSource.h"

DataSource::DataSource(QObject* parent)
    : QObject(parent)
{
}

void DataSource::setDataSet(store::Dataset* dataset)
{
    if (dataset == m_dataset) return;
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_dataset = dataset;
    if (dataset) {
        using store::Dataset;
        m_connections = {
            connect(dataset, &Dataset::stateChanged, this, &DataSource::stateChange),
            connect(dataset, &Dataset::currentChanged, this, &DataSource::currentChanged),
            connect(dataset, &Dataset::rowsChanged, this, &DataSource::rowsChanged),
            connect(dataset, &Dataset::rowChanged, this, &DataSource::rowChanged),
            connect(dataset, &Dataset::fieldChanged, this, &DataSource::fieldChanged),
            connect(dataset, &Dataset::updateRecord, this, &DataSource::updateRecord),
        };
    }
    Q_EMIT dataSetChanged();
}

store::DatasetState DataSource::state() const
{
    return m_dataset ? m_dataset->state() : store::DatasetState::Inactive;
}

bool DataSource::isEditing() const
{
    return m_dataset && m_dataset->isEditing();
}

int DataSource::fieldIndex(const QString& field) const
{
    if (!m_dataset || !m_dataset->isOpen() || field.isEmpty()) return -1;
    return m_dataset->fieldIndex(field);
}
