#pragma once

#include "EntryForm.h"

// The characteristic industry bases (report kind 10): one table on two pages.
class TF_tsjd : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_tsjd(QWidget* parent = nullptr);
};

extern TF_tsjd* F_tsjd;
