#pragma once

#include "EntryForm.h"

class QToolButton;

// Reasons for the issued national projects not entered (report kind 5): one grid over
// gj_wsb.db, whose rows are made afresh from gjxm.db.
class TF_gjwsb : public EntryForm
{
    Q_OBJECT

public:
    explicit TF_gjwsb(QWidget* parent = nullptr);

    QToolButton* ToolButton1 = nullptr; // "生成未上报项目清单"
    void ToolButton1Click();

    // The reason codes a user may type, each with its meaning.
    static const QList<QPair<QString, QString>>& reasons();
};

extern TF_gjwsb* F_gjwsb;
