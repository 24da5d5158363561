#include "TF_db_tool.h"

#include "DbNavigator.h"
#include "WindowParts.h"
#include "entry/LocateDialogs.h"
#include "query/ExportResult.h"
#include "query/TF_query_p.h"
#include "widgets/AppState.h"
#include "widgets/BusyCursor.h"
#include "widgets/DbGrid.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"
#include "widgets/WindowRegistry.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_db_tool* F_db_tool = nullptr;

TF_db_tool::TF_db_tool(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"F_db_tool"_s);
    setWindowTitle(u"数据库工具"_s);
    setFont(QFont(u"宋体"_s, 10));
    Table1.setObjectName(u"Table1"_s);
    Query1.setObjectName(u"Query1"_s);
    DataSource1.setObjectName(u"DataSource1"_s);
    buildLayout();
    display(Shown::Nothing);
}

TF_db_tool::~TF_db_tool()
{
    DataSource1.setDataSet(nullptr);
    if (Table1.isEditing()) Table1.cancel();
    Table1.close();
    Query1.close();
}

void TF_db_tool::buildLayout()
{
    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->setDataSource(&DataSource1);
    // A double click belongs to the column dialog; typing or F2 edits a cell.
    DBGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::SelectedClicked);
    DBNavigator1 = new DbNavigator(this);
    DBNavigator1->setDataSource(&DataSource1);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(u"Memo1"_s);
    Memo1->setMaximumHeight(120);

    Button1 = makeButton(this, u"Button1"_s, u"打开"_s);
    Button2 = makeButton(this, u"Button2"_s, u"另存"_s);
    Button3 = makeButton(this, u"Button3"_s, u"行列交换"_s);
    Button4 = makeButton(this, u"Button4"_s, u"PACK数据库"_s);
    Button5 = makeButton(this, u"Button5"_s, u"清空数据库"_s);
    Button6 = makeButton(this, u"Button6"_s, u"执行SQL语句"_s);
    Button7 = makeButton(this, u"Button7"_s, u"打印"_s);
    Button8 = makeButton(this, u"Button8"_s, u"返回"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(DBNavigator1);
    layout->addWidget(Memo1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : { Button1, Button2, Button3, Button4, Button5, Button6, Button7, Button8 })
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, guard(this, &TF_db_tool::Button1Click));
    connect(Button2, &QPushButton::clicked, this, guard(this, &TF_db_tool::Button2Click));
    connect(Button3, &QPushButton::clicked, this, guard(this, &TF_db_tool::Button3Click));
    connect(Button4, &QPushButton::clicked, this, guard(this, &TF_db_tool::Button4Click));
    connect(Button5, &QPushButton::clicked, this, guard(this, &TF_db_tool::Button5Click));
    connect(Button6, &QPushButton::clicked, this, guard(this, &TF_db_tool::Button6Click));
    connect(Button7, &QPushButton::clicked, this, guard(this, &TF_db_tool::Button7Click));
    connect(Button8, &QPushButton::clicked, this, &QDialog::accept);
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, guard(this, &TF_db_tool::DBGrid1DblClick));
    resize(960, 660);
}

store::Dataset* TF_db_tool::shownDataset()
{
    switch (m_shown) {
    case Shown::Table:
        return &Table1;
    case Shown::Answer:
        return &Query1;
    case Shown::Nothing:
        break;
    }
    return nullptr;
}

void TF_db_tool::display(Shown what)
{
    m_shown = what;
    DataSource1.setDataSet(shownDataset());
    DBGrid1->setColumns({});
    DBGrid1->setReadOnly(what != Shown::Table || Table1.isReadOnly());
    const bool any = what != Shown::Nothing;
    Button2->setEnabled(any);
    Button3->setEnabled(any);
    Button4->setEnabled(what == Shown::Table);
    Button5->setEnabled(what == Shown::Table);
}

void TF_db_tool::storePending()
{
    if (store::Dataset* d = shownDataset(); d && d->isEditing()) d->post();
}

void TF_db_tool::reopenTable()
{
    Table1.open();
    display(Shown::Table);
}

bool TF_db_tool::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return handled;
}

void TF_db_tool::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) m_offerOpen = true;
}

void TF_db_tool::FormActivate()
{
    GridCharWidth = float(QFontMetricsF(DBGrid1->font()).horizontalAdvance(u"    "_s) / 4);
    // Only the first activation of a showing offers the open dialog: activations that
    // follow a closed dialog must not ask again.
    if (!m_offerOpen) return;
    m_offerOpen = false;
    if (Table1.isOpen() || Query1.isOpen()) return;
    display(Shown::Nothing);
    Button1Click();
}

void TF_db_tool::Button1Click()
{
    storePending();
    FileDialog dialog = sharedComponents().OpenDialog1;
    dialog.title = u"请选择数据库文件"_s;
    // Text tables open as well; the store tells Paradox from native by the header.
    dialog.filters.append({ u"*.txt"_s, { u"*.txt"_s } });
    if (!dialog.execute()) return;
    const QString previous = Table1.isOpen() ? Table1.tableName() : QString();
    const Shown before = m_shown;
    if (m_shown == Shown::Table) display(Shown::Nothing);
    Table1.close();
    Table1.setTableName(dialog.fileName);
    try {
        BusyCursor busy;
        Table1.open();
    } catch (...) {
        // The window stays as it was before the failing step.
        if (!previous.isEmpty()) {
            Table1.setTableName(previous);
            guarded([this] { Table1.open(); });
        }
        display(before == Shown::Table && !Table1.isOpen() ? Shown::Nothing : before);
        throw;
    }
    display(Shown::Table);
}

void TF_db_tool::Button2Click()
{
    store::Dataset* d = shownDataset();
    if (!d) return;
    FileDialog dialog = sharedComponents().SaveDialog1;
    dialog.title = u"请选择存盘文件名"_s;
    dialog.filters = tableFileFilters(exportFileTypes());
    if (!dialog.execute()) return;
    storePending();
    const ExportGrid grid = exportGridOf(*DBGrid1);
    BusyCursor busy;
    ExportResult(*d, &grid, savedFileName(dialog));
}

void TF_db_tool::Button3Click()
{
    store::Dataset* d = shownDataset();
    if (!d) return;
    storePending();
    TransposeResult(*d, Query1);
    display(Shown::Answer);
}

void TF_db_tool::Button4Click()
{
    if (m_shown != Shown::Table) return;
    storePending();
    BusyCursor busy;
    display(Shown::Nothing);
    Table1.close();
    try {
        sharedComponents().Database1.packTable(Table1.tableName());
    } catch (...) {
        guarded([this] { reopenTable(); });
        throw;
    }
    reopenTable();
}

void TF_db_tool::Button5Click()
{
    if (m_shown != Shown::Table) return;
    if (!services().question(u"是否真要清空数据库"_s, u"提示信息"_s)) return;
    storePending();
    BusyCursor busy;
    display(Shown::Nothing);
    Table1.close();
    try {
        Table1.emptyTable();
        sharedComponents().Database1.packTable(Table1.tableName());
    } catch (...) {
        guarded([this] { reopenTable(); });
        throw;
    }
    reopenTable();
}

void TF_db_tool::Button6Click()
{
    storePending();
    if (m_shown == Shown::Answer) display(Shown::Nothing);
    Query1.setSql(Memo1->toPlainText()); // closes the previous answer
    {
        BusyCursor busy;
        Query1.open();
    }
    // The statement may have changed the opened table's file.
    if (Table1.isOpen()) Table1.refresh();
    display(Shown::Answer);
}

void TF_db_tool::Button7Click()
{
    storePending();
    // The print window of the query window may hold the print copy open; it lets go.
    if (F_query_p) F_query_p->releaseRows();
    if (store::Dataset* d = shownDataset()) {
        const ExportGrid grid = exportGridOf(*DBGrid1);
        BusyCursor busy;
        ExportResult(*d, &grid, u"query_p.db"_s);
    }
    if (QWidget* w = windowRegistry().window(u"TF_query_p"_s)) services().showModal(w);
}

void TF_db_tool::DBGrid1DblClick()
{
    const int column = DBGrid1->selectedColumn();
    if (column < 0) return;
    if (auto* dialog = qobject_cast<TF_change_c*>(windowRegistry().window(u"TF_change_c"_s))) {
        dialog->setColumn(DBGrid1, column);
        services().showModal(dialog);
    }
}

void TF_db_tool::FormClose()
{
    storePending();
    display(Shown::Nothing);
    Table1.close();
    Query1.close();
}

void TF_db_tool::done(int result)
{
    if (guarded([this] { FormClose(); })) QDialog::done(result);
}
