#pragma once

#include "ReportPrinter.h"

#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QToolButton;

// The print window: the items of rept_db.db with tick boxes, the current kind's items
// ticked; prints or previews the ticked ones in list order.
class TF_report : public QWidget
{
    Q_OBJECT

public:
    explicit TF_report(QWidget* parent = nullptr);
    ~TF_report() override;

    QListWidget* CheckListBox1;
    QToolButton* ToolButton1; // 全部清除
    QToolButton* ToolButton2; // 打印
    QToolButton* ToolButton3; // 打印预览
    QToolButton* ToolButton4; // 返回

    // When set, "打印" writes every ticked item into this one PDF file instead of using a
    // printer (for batch use and tests).
    QString printToFile;

    ReportPrinter& printer() { return m_printer; }
    // The items as listed, and which are ticked.
    QList<ReportItem> items() const { return m_items; }
    QList<bool> ticks() const;
    void setTicked(int row, bool ticked);

    void FormActivate();
    void CheckListBox1DblClick(QListWidgetItem* item);
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton3Click();
    void ToolButton4Click();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QList<ReportItem> tickedItems() const;

    ReportPrinter m_printer;
    QList<ReportItem> m_items;
    int m_builtFor = -1; // the kind whose ticks the list shows; -1 before the first build
};

extern TF_report* F_report;
