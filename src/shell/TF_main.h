#pragma once

#include "widgets/SharedComponents.h"

#include <QWidget>

class QPushButton;
class RadioGroup;

// The main window: the report selector and the buttons that open every other window.
// It owns the shared scratch components that the other windows borrow.
class TF_main : public QWidget
{
    Q_OBJECT

public:
    // Runs the national-project migration; its store error escapes (the program then ends).
    explicit TF_main(QWidget* parent = nullptr);
    ~TF_main() override;

    SharedComponents& components() { return m_components; }

    RadioGroup* RadioGroup1;
    QPushButton* Button1; // 数据录入
    QPushButton* Button7; // 报表校验
    QPushButton* Button5; // 查询统计
    QPushButton* Button6; // 报表打印
    QPushButton* Button9; // 发送校验表
    QPushButton* Button3; // 发送数据库
    QPushButton* Button8; // 发送邮件
    QPushButton* Button2; // 接收邮件
    QPushButton* Button10; // 直接操作数据库
    QPushButton* Button11; // 系统维护
    QPushButton* Button4; // 退出

Q_SIGNALS:
    void closed();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void RadioGroup1Click();
    void Button1Click();
    void Button7Click();
    void Button5Click();
    void Button6Click();
    void Button10Click();
    void Button11Click();
    void Button4Click();
    void FormActivate();

    // The window of that class, created on first use; nullptr (after telling the user)
    // when the program does not offer it yet.
    QWidget* windowOf(const QString& className);

    SharedComponents m_components;
};

// The main window while it exists.
extern TF_main* F_main;
