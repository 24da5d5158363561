#pragma once

#include "store/Table.h"

#include <QDialog>

class DataSource;
class DbGrid;
class QPushButton;

// "F_bt_p": the column heads and widths of the print copy (bt_p.db), edited in a grid.
class TF_bt_p : public QDialog
{
    Q_OBJECT

public:
    explicit TF_bt_p(QWidget* parent = nullptr);
    ~TF_bt_p() override;

    store::Table Table1; // bt_p.db
    DataSource* DataSource1;
    DbGrid* DBGrid1;
    QPushButton* Button1; // 确定

    void FormActivate();
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
};

extern TF_bt_p* F_bt_p;
