#pragma once

#include "EntryForm.h"

// The zone-enterprise return with its products and projects (report kinds 1 and 3).
class TF_kfq : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_kfq(QWidget* parent = nullptr);

    store::Table& Table2; // products
    store::Table& Table5; // projects

    // The edit control of a master field, by field name (case-insensitive).
    DbEdit* editOf(const QString& field) const;
    const QList<DbEdit*>& edits() const { return m_edits; }

    void ToolButton11Click() override;

private:
    QList<DbEdit*> m_edits;
};

extern TF_kfq* F_kfq;
