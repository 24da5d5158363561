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

// "定位记录" on LocateTable by record number or by LocateField through LocateIndex.
class TF_change_r : public QDialog
{
    Q_OBJECT

public:
    explicit TF_change_r(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    RadioGroup* RadioGroup1; // "记录号", "编号"

    void FormActivate();
    void Button1Click(); // "确定"

protected:
    void showEvent(QShowEvent* event) override;
};

// "定位记录" on LocateTable by record number, report number or legal-person code.
class TF_change_r2 : public QDialog
{
    Q_OBJECT

public:
    explicit TF_change_r2(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    RadioGroup* RadioGroup1; // "记录号", "报表编号", "法人代码"

    void FormActivate();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
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
