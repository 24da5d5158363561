#pragma once

#include "store/Table.h"
#include "widgets/DataSource.h"
#include "widgets/DbGrid.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;


// "编号处理": stages a delivery of zone-enterprise tables in tmp, lets the user give
// delivered enterprises new report numbers, and confirms the import (ImportConfirmed)
// only when no delivered enterprise clashes with a stored one.
class TF_bhcl : public QDialog
{
    Q_OBJECT

public:
    explicit TF_bhcl(QWidget* parent = nullptr);
    ~TF_bhcl() override;

    store::Table Table1; // bhcl.DB
    DataSource DataSource1;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr; // bold italic
    DbGrid* DBGrid1 = nullptr; // only 修改后编号 is typed into
    QPushButton* Button1 = nullptr; // "检查报表编号并执行数据入库"
    QPushButton* Button2 = nullptr; // "返回"
    QProgressBar* ProgressBar1 = nullptr;

    void FormActivate(); // preparing
    void Button1Click();
    void Button2Click();
    // False after a preparation that could not read the delivery: then no import.
    bool isPrepared() const { return m_prepared; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void setInstructions(const QString& first, const QString& second);
    void attachGrid(bool attached);
    void openList();
    void closeList();
    void preparationFailed(const QString& first, const QString& second);

    bool m_prepared = false;
    bool m_confirmed = false;
};

extern TF_bhcl* F_bhcl;
