#pragma once

#include <QDialog>

class DbGrid;
class QLineEdit;
class RadioGroup;

namespace store {
class Table;
}

// Moves a table to a row by position (record number) or by key. Both locate dialogs do
// this; they differ in the keys they offer.
void locateRecord(store::Table& table, const QString& text, bool byNumber, const QString& field, const QString& index);

// "定位记录": an edit field, the options of the dialog and 确定/取消. The options keep their
// state between showings; each showing starts with an empty field.
class LocateDialog : public QDialog
{
    Q_OBJECT

public:
    QLineEdit* Edit1;
    RadioGroup* RadioGroup1; // "记录号" first, then the key options

    void FormActivate();
    virtual void Button1Click() = 0; // "确定"

protected:
    LocateDialog(const QString& objectName, const QStringList& options, QWidget* parent);
    void showEvent(QShowEvent* event) override;
};

// By record number or by LocateField through LocateIndex.
class TF_change_r : public LocateDialog
{
    Q_OBJECT

public:
    explicit TF_change_r(QWidget* parent = nullptr);
    void Button1Click() override;
};

// By record number, report number ("kfq_1") or legal-person code ("kfq_12").
class TF_change_r2 : public LocateDialog
{
    Q_OBJECT

public:
    explicit TF_change_r2(QWidget* parent = nullptr);
    void Button1Click() override;
};

// "修改列宽度": a grid column's title and its width in characters of GridCharWidth.
class TF_change_c : public QDialog
{
    Q_OBJECT

public:
    explicit TF_change_c(QWidget* parent = nullptr);

    QLineEdit* Edit1; // title
    QLineEdit* Edit2; // width in characters

    void setColumn(DbGrid* grid, int column);
    void FormActivate();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    DbGrid* m_grid = nullptr;
    int m_column = -1;
};

extern TF_change_r* F_change_r;
extern TF_change_r2* F_change_r2;
extern TF_change_c* F_change_c;
