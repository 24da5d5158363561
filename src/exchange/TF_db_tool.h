#pragma once

#include "store/Query.h"
#include "store/Table.h"
#include "widgets/DataSource.h"

#include <QDialog>

class DbGrid;
class DbNavigator;
class QPlainTextEdit;
class QPushButton;

// "数据库工具": any table file the store reads, browsed and edited in a grid; statements of
// the store's SQL typed in a memo; what the grid shows saved, transposed or printed; the
// opened table packed or emptied. Knows nothing of the survey.
class TF_db_tool : public QDialog
{
    Q_OBJECT

public:
    explicit TF_db_tool(QWidget* parent = nullptr);
    ~TF_db_tool() override;

    store::Table Table1; // the opened table
    store::Query Query1; // the answer of the last statement
    DataSource DataSource1;
    DbGrid* DBGrid1;
    DbNavigator* DBNavigator1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1; // 打开
    QPushButton* Button2; // 另存
    QPushButton* Button3; // 行列交换
    QPushButton* Button4; // PACK数据库
    QPushButton* Button5; // 清空数据库
    QPushButton* Button6; // 执行SQL语句
    QPushButton* Button7; // 打印
    QPushButton* Button8; // 返回

    enum class Shown { Nothing, Table, Answer };
    Shown shown() const { return m_shown; }
    store::Dataset* shownDataset();

    void FormActivate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void DBGrid1DblClick();
    void FormClose();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildLayout();
    void display(Shown what);
    void storePending();
    void reopenTable();

    Shown m_shown = Shown::Nothing;
    bool m_offerOpen = false;
};

extern TF_db_tool* F_db_tool;
