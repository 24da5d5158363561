#include "TF_bt_p.h"

#include "widgets/DataSource.h"
#include "widgets/DbGrid.h"
#include "widgets/Services.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_bt_p* F_bt_p = nullptr;

TF_bt_p::TF_bt_p(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(u"F_bt_p"_s);
    setWindowTitle(u"F_bt_p"_s);
    Table1.setTableName(u"bt_p.db"_s);
    DataSource1 = new DataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    DataSource1->setDataSet(&Table1);
    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->setDataSource(DataSource1);
    DBGrid1->setColumns({ { u"表头文字"_s, u"表头文字"_s, 360 }, { u"列宽度"_s, u"列宽度"_s, 70 } });
    Button1 = new QPushButton(u"确定"_s, this);
    Button1->setObjectName(u"Button1"_s);
    auto* v = new QVBoxLayout(this);
    v->addWidget(DBGrid1);
    v->addWidget(Button1, 0, Qt::AlignRight);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    resize(500, 420);
}

TF_bt_p::~TF_bt_p()
{
    DataSource1->setDataSet(nullptr);
}

void TF_bt_p::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    guarded([this] { FormActivate(); });
}

void TF_bt_p::FormActivate()
{
    if (!Table1.isOpen()) Table1.open();
}

void TF_bt_p::FormClose()
{
    if (!Table1.isOpen()) return;
    // The table closes whatever happens to the row being edited; its error still shows.
    struct Closer
    {
        store::Table& table;
        ~Closer()
        {
            if (table.isEditing()) table.cancel();
            table.close();
        }
    } closer { Table1 };
    Table1.checkBrowseMode();
}

void TF_bt_p::done(int result)
{
    guarded([this] { FormClose(); });
    QDialog::done(result);
}
