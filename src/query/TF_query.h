#pragma once

#include "QueryFields.h"
#include "QueryStatementBuilder.h"
#include "store/Query.h"

#include <QWidget>

class DataSource;
class DbGrid;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class RadioGroup;

// "查询统计": selections, sums by classification and sorted lists over the current report
// kind's tables, written as one SELECT from the kind's field dictionary. Modeless.
class TF_query : public QWidget
{
    Q_OBJECT

public:
    explicit TF_query(QWidget* parent = nullptr);
    ~TF_query() override;

    QTabWidget* PageControl1;
    QWidget* TabSheet1; // 选择查询统计条件
    QWidget* TabSheet2; // 查询统计结果

    QLineEdit* Edit1; // expression
    QLineEdit* Edit2; // table of the field last picked
    QListWidget* ListBox2; // 条件与
    QListWidget* ListBox3; // 条件或
    RadioGroup* RadioGroup2; // combiner 与 / 或
    QGroupBox* GroupBox1; // "字段名" / "字段值"
    QListWidget* ListBox1; // condition fields, or a field's values
    RadioGroup* RadioGroup1; // 字段名 / 字段值
    QListWidget* ListBox4; // operators
    QListWidget* CheckListBox1; // selectable fields
    QListWidget* CheckListBox2; // statistics fields
    QListWidget* CheckListBox3; // classification fields
    QListWidget* CheckListBox4; // tables
    QListWidget* CheckListBox5; // sort fields, ticked: descending
    QPushButton* Button1; // 条件与 增加
    QPushButton* Button2; // 条件与 删除
    QPushButton* Button3; // 条件或 增加
    QPushButton* Button4; // 条件或 删除
    QPushButton* Button5; // 查询字段 全部选中
    QPushButton* Button6; // 查询字段 全部取消
    QPushButton* Button7; // 设置排序字段
    QPushButton* Button8; // 排序 删除
    QPushButton* Button9; // 统计字段 全部选中
    QPushButton* Button10; // 统计字段 全部取消
    QPushButton* Button11; // 分类字段 全部取消
    QPushButton* Button12; // 进行查询
    QPushButton* Button13; // 进行统计
    QPushButton* Button14; // 返回

    DbGrid* DBGrid1;
    QPlainTextEdit* Memo1;
    QPushButton* Button15; // 直接输入SQL语句操作数据库
    QPushButton* Button16; // 行列交换
    QPushButton* Button17; // 打印
    QPushButton* Button18; // 存盘
    QPushButton* Button19; // 返回

    store::Query Query1; // the answer
    DataSource* DataSource1;

    // Event handlers (public so tests can drive them as the controls do).
    void FormActivate();
    void AddCondition(QListWidget* group);
    void DeleteCondition(QListWidget* group);
    void ListBox1Click();
    void ListBox1DblClick();
    void RadioGroup1Click();
    void ListBox4DblClick();
    void Button7Click();
    void Button8Click();
    void Button12Click();
    void Button13Click();
    void Button15Click();
    void Button16Click();
    void Button17Click();
    void Button18Click();
    void DBGrid1DblClick();

    // What the controls hold, as the statement builder reads it.
    QueryChoices choices() const;
    const QueryFields& fields() const { return m_fields; }
    int builtFor() const { return m_builtFor; }
    bool valueMode() const { return m_valueMode; }

protected:
    bool event(QEvent* event) override;

private:
    void buildLayout();
    void buildLists();
    void run(const QStringList& statement);
    void answerShown();
    static void toggle(QListWidget* list);
    static void tickAll(QListWidget* list, bool ticked);

    QueryFields m_fields;
    QString m_extraCondition;
    int m_builtFor = -1; // none yet
    bool m_valueMode = false;
    int m_rememberedField = -1;
    QStringList m_captions;
};

extern TF_query* F_query;
