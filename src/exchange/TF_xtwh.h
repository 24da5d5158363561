#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "系统维护": backup, restore and transfer of the ticked report kinds' tables, the delivery
// directory for the office above, and a region's national-level project list. The work is
// exchange::Maintenance's; this window only gathers the choices and tells the outcome.
class TF_xtwh : public QDialog
{
    Q_OBJECT

public:
    explicit TF_xtwh(QWidget* parent = nullptr);

    QListWidget* CheckListBox1; // report kinds with tick boxes
    QPushButton* Button1; // 全部选定
    QPushButton* Button2; // 全部清除
    QPushButton* Button3; // 数据备份
    QPushButton* Button4; // 数据还原
    QPushButton* Button5; // 数据转存
    QListWidget* ListBox1; // regions
    QPushButton* Button6; // 生成项目清单
    QComboBox* DriveComboBox1;
    QLabel* DirectoryLabel1; // the chosen directory
    QListWidget* DirectoryListBox1; // its parent and sub-directories
    QPushButton* Button7; // 数据上报
    QPushButton* Button8; // 退出

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void CheckListBox1DblClick(QListWidgetItem* item);

    QList<int> tickedKinds() const; // list positions
    QString directory() const { return m_directory; }
    void setDirectory(const QString& dir);

private:
    void buildLayout();
    void fillDrives();
    void DriveComboBox1Change();
    void DirectoryListBox1DblClick(QListWidgetItem* item);

    QString m_directory;
};

extern TF_xtwh* F_xtwh;
