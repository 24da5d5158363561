#pragma once

#include "EntryForm.h"

// The university science-park return with its incubated enterprises and its national-level
// projects (report kind 8).
class TF_dxkjy : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_dxkjy(QWidget* parent = nullptr);

    store::Table& Table2; // enterprises
    store::Table& Table3; // projects

    // The edit control of a field of the park or its enterprises, by field name (case-insensitive).
    DbEdit* editOf(const QString& field) const;

private:
    QList<DbEdit*> m_edits;
};

extern TF_dxkjy* F_dxkjy;
