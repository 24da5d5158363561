#pragma once

#include "EntryForm.h"

// The venture-investment institutions of the zone (report kind 6): one table, one panel.
class TF_tzjg : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_tzjg(QWidget* parent = nullptr);
};

extern TF_tzjg* F_tzjg;
