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

    void ToolButton11Click() override;
};

extern TF_kfq* F_kfq;
