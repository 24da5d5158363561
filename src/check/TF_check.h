#pragma once

#include "CheckRun.h"

#include "store/Table.h"

#include <QWidget>

class DataSource;
class DbGrid;
class QProgressBar;
class QPushButton;

// The validation window: runs the current kind's rules (ReportKind), shows the results
// table, opens the failing record in its entry window and prints the list.
class TF_check : public QWidget
{
    Q_OBJECT

public:
    explicit TF_check(QWidget* parent = nullptr);
    ~TF_check() override;

    store::Table Table1; // the kind's results table
    DataSource* DataSource1;
    DbGrid* DBGrid1;
    QPushButton* Button1; // 进行校验
    QPushButton* Button2; // 打印预览
    QPushButton* Button3; // 打印
    QPushButton* Button4; // 修改报表
    QPushButton* Button5; // 返回
    QProgressBar* ProgressBar1;

    CheckRun& checkRun() { return m_run; }
    // Which way the run goes (the fast one unless a caller compares the two).
    CheckRun::Path path = CheckRun::Path::Fast;

    void FormActivate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void DBGrid1DblClick();
    void FormClose();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void preparePrintout();
    void attachGrid();

    CheckRun m_run;
    bool m_openFailed = false;
};

extern TF_check* F_check;
