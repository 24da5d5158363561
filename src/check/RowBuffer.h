#pragma once

#include "store/Dataset.h"

namespace store {
class Statement;
}

// Rows gathered in memory, offered as a read-only dataset so that a table can take them
// with one batch append (one transaction) instead of one durable post per row.
class RowBuffer : public store::Dataset
{
    Q_OBJECT

public:
    explicit RowBuffer(const QList<store::FieldDef>& fields, QObject* parent = nullptr);
    ~RowBuffer() override;

    // Values by position, bound as they are; only before open().
    void addRow(const QVariantList& values);
    int pendingRows() const { return m_pending; }

    void open() override;
    QString displayName() const override;

private:
    std::shared_ptr<store::Connection> m_connection;
    std::unique_ptr<store::Statement> m_insert;
    QList<store::FieldDef> m_fieldList;
    int m_pending = 0;
    bool m_inTransaction = false;
};
