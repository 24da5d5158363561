#pragma once

#include "PrintRenderer.h"
#include "store/Table.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

// "F_query_p": preview and printing of query_p.db with the heads of bt_p.db, in column
// bands and pages laid out by the window itself (PrintRenderer).
class TF_query_p : public QWidget
{
    Q_OBJECT

public:
    explicit TF_query_p(QWidget* parent = nullptr);
    ~TF_query_p() override;

    QLineEdit* Edit1; // 标题文字
    QComboBox* ComboBox1; // title font
    QComboBox* ComboBox2; // title size
    QComboBox* ComboBox3; // 对齐
    QCheckBox* CheckBox1; // 固定左列
    QPushButton* Button1; // 表头设置
    QComboBox* ComboBox4; // body font
    QComboBox* ComboBox5; // body size
    QCheckBox* CheckBox2; // 横格线
    QCheckBox* CheckBox3; // 竖格线
    QPushButton* Button2; // 页面设置
    QPushButton* Button3; // 刷新
    QPushButton* Button4; // 上一页
    QLineEdit* Edit2; // current page
    QPushButton* Button5; // 下一页
    QPushButton* Button6; // 打印
    QLineEdit* Edit3; // from
    QLineEdit* Edit4; // to
    QPushButton* Button7; // 返回
    QScrollArea* ScrollBox1;
    QLabel* Image1; // the preview bitmap

    store::Table Table1; // query_p.db
    PrintRenderer& renderer() { return m_renderer; }

    void FormActivate();
    void Button3Click(); // 刷新
    void Button2Click(); // 页面设置
    void ComboBox4Change();
    void ComboBox5Change();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void CheckBoxClick(); // 横格线, 竖格线
    void CheckBox1Click();
    void Edit1KeyEnter();
    void Button4Click();
    void Button5Click();
    void Edit2KeyEnter();
    void Button6Click();
    void Button1Click();

    // Closes query_p.db so that it can be made afresh; the next activation opens it again.
    void releaseRows();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void readControls();
    void relayout(bool title);
    void drawTitle();
    void drawPage();
    void showPreview();
    void showPageBoxes();

    PrintRenderer m_renderer;
    bool m_loading = false; // controls are being set from bt2_p.db
};

extern TF_query_p* F_query_p;
