#pragma once

#include "EntryForm.h"

// The incubator return with its hosted and graduated enterprises (report kind 9).
class TF_fhq : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_fhq(QWidget* parent = nullptr);

    store::Table& Table2; // enterprises

    // The edit control of a field of either table, by field name (case-insensitive).
    DbEdit* editOf(const QString& field) const;

private:
    QList<DbEdit*> m_edits;
};

extern TF_fhq* F_fhq;
