#pragma once

#include "EntryForm.h"

class DbMemo;

// The provincial high-technology zones (report kind 11): one table, one panel, the rules
// always in force.
class TF_sjgxq : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_sjgxq(QWidget* parent = nullptr);

    DbMemo* memo() const { return m_memo; } // "备注"

private:
    DbMemo* m_memo = nullptr;
};

extern TF_sjgxq* F_sjgxq;
