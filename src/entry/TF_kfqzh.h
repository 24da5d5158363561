#pragma once

#include "EntryForm.h"

// The zone comprehensive return (report kind 2): one row per zone in kfqzh.db, no report
// number, no navigation, insert or import.
class TF_kfqzh : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_kfqzh(QWidget* parent = nullptr);

    DbEdit* editOf(const QString& field) const;

private:
    QList<DbEdit*> m_edits;
};

extern TF_kfqzh* F_kfqzh;
