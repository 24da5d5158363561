#include "TF_query.h"

#include "ExportResult.h"
#include "TF_query_p.h"
#include "widgets/AppState.h"
#include "widgets/DataSource.h"
#include "widgets/DbGrid.h"
#include "widgets/RadioGroup.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"
#include "widgets/WindowRegistry.h"

#if __has_include("entry/TF_change_c.h")
#include "entry/TF_change_c.h"
#define VELTO_COLUMN_DIALOG 1
#elif __has_include("entry/LocateDialogs.h")
#include "entry/LocateDialogs.h"
#define VELTO_COLUMN_DIALOG 1
#endif

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_query* F_query = nullptr;

namespace {

constexpr int TableRole = Qt::UserRole; // a condition's table reference

const QStringList operators = { u"+"_s, u"-"_s, u"*"_s, u"/"_s, u"="_s, u">="_s, u"<="_s, u"<"_s, u">"_s,
    u"<>"_s, u"like '%匹配字符%'"_s };

QPushButton* button(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QListWidget* list(QWidget* parent, const QString& name)
{
    auto* l = new QListWidget(parent);
    l->setObjectName(name);
    return l;
}

void addChecked(QListWidget* list, const QString& text)
{
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
}

QList<int> tickedRows(const QListWidget* list)
{
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked) rows.append(i);
    return rows;
}

QList<QueryCondition> conditionsOf(const QListWidget* group)
{
    QList<QueryCondition> out;
    for (int i = 0; i < group->count(); ++i)
        out.append({ group->item(i)->text(), group->item(i)->data(TableRole).toString() });
    return out;
}

// Selects the entry now at `row`, or the last one; focus goes to the list.
void selectAfterDelete(QListWidget* list, int row)
{
    if (list->count() > 0) list->setCurrentRow(std::min(row, list->count() - 1));
    list->setFocus();
}

QGroupBox* box(QWidget* parent, const QString& title, QWidget* content, const QList<QPushButton*>& buttons)
{
    auto* g = new QGroupBox(title, parent);
    auto* v = new QVBoxLayout(g);
    v->addWidget(content);
    if (!buttons.isEmpty()) {
        auto* h = new QHBoxLayout;
        for (QPushButton* b : buttons)
            h->addWidget(b);
        v->addLayout(h);
    }
    return g;
}

} // namespace

TF_query::TF_query(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(u"F_query"_s);
    setWindowTitle(u"查询统计"_s);
    buildLayout();
}

TF_query::~TF_query()
{
    DataSource1->setDataSet(nullptr);
}

void TF_query::buildLayout()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(u"PageControl1"_s);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(PageControl1);

    // --- page 1 ---------------------------------------------------------------------------
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(u"TabSheet1"_s);
    PageControl1->addTab(TabSheet1, u"选择查询统计条件"_s);
    auto* grid = new QGridLayout(TabSheet1);

    Edit1 = new QLineEdit(TabSheet1);
    Edit1->setObjectName(u"Edit1"_s);
    Edit2 = new QLineEdit(TabSheet1);
    Edit2->setObjectName(u"Edit2"_s);
    auto* expression = new QGroupBox(u"条件表达式"_s, TabSheet1);
    auto* eh = new QHBoxLayout(expression);
    eh->addWidget(Edit1, 3);
    auto* tableBox = new QVBoxLayout;
    tableBox->addWidget(new QLabel(u"数据库"_s, expression));
    tableBox->addWidget(Edit2);
    eh->addLayout(tableBox, 1);
    grid->addWidget(expression, 0, 0, 1, 4);

    ListBox2 = list(TabSheet1, u"ListBox2"_s);
    ListBox3 = list(TabSheet1, u"ListBox3"_s);
    Button1 = button(TabSheet1, u"Button1"_s, u"增加"_s);
    Button2 = button(TabSheet1, u"Button2"_s, u"删除"_s);
    Button3 = button(TabSheet1, u"Button3"_s, u"增加"_s);
    Button4 = button(TabSheet1, u"Button4"_s, u"删除"_s);
    RadioGroup2 = new RadioGroup(TabSheet1);
    RadioGroup2->setObjectName(u"RadioGroup2"_s);
    RadioGroup2->setItems({ u"与"_s, u"或"_s });
    RadioGroup2->setItemIndex(0);
    grid->addWidget(box(TabSheet1, u"条件与"_s, ListBox2, { Button1, Button2 }), 1, 0, 1, 2);
    grid->addWidget(RadioGroup2, 1, 2);
    grid->addWidget(box(TabSheet1, u"条件或"_s, ListBox3, { Button3, Button4 }), 1, 3);

    ListBox1 = list(TabSheet1, u"ListBox1"_s);
    RadioGroup1 = new RadioGroup(TabSheet1);
    RadioGroup1->setObjectName(u"RadioGroup1"_s);
    RadioGroup1->setItems({ u"字段名"_s, u"字段值"_s });
    RadioGroup1->setItemIndex(0);
    GroupBox1 = new QGroupBox(u"字段名"_s, TabSheet1);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    auto* fieldBox = new QHBoxLayout(GroupBox1);
    fieldBox->addWidget(ListBox1, 1);
    fieldBox->addWidget(RadioGroup1, 0, Qt::AlignTop);
    ListBox4 = list(TabSheet1, u"ListBox4"_s);
    ListBox4->addItems(operators);
    CheckListBox4 = list(TabSheet1, u"CheckListBox4"_s);
    grid->addWidget(GroupBox1, 2, 0, 1, 2);
    grid->addWidget(box(TabSheet1, u"运算符"_s, ListBox4, {}), 2, 2);
    grid->addWidget(box(TabSheet1, u"选择数据库"_s, CheckListBox4, {}), 2, 3);

    CheckListBox1 = list(TabSheet1, u"CheckListBox1"_s);
    CheckListBox5 = list(TabSheet1, u"CheckListBox5"_s);
    CheckListBox2 = list(TabSheet1, u"CheckListBox2"_s);
    CheckListBox3 = list(TabSheet1, u"CheckListBox3"_s);
    Button5 = button(TabSheet1, u"Button5"_s, u"全部选中"_s);
    Button6 = button(TabSheet1, u"Button6"_s, u"全部取消"_s);
    Button7 = button(TabSheet1, u"Button7"_s, u"设置排序字段"_s);
    Button8 = button(TabSheet1, u"Button8"_s, u"删除"_s);
    Button9 = button(TabSheet1, u"Button9"_s, u"全部选中"_s);
    Button10 = button(TabSheet1, u"Button10"_s, u"全部取消"_s);
    Button11 = button(TabSheet1, u"Button11"_s, u"全部取消"_s);
    QGroupBox* selectable = box(TabSheet1, u"选择查询字段"_s, CheckListBox1, { Button5, Button6 });
    static_cast<QVBoxLayout*>(selectable->layout())->addWidget(Button7);
    grid->addWidget(selectable, 3, 0);
    grid->addWidget(box(TabSheet1, u"升序排序(打\"√\"降序)"_s, CheckListBox5, { Button8 }), 3, 1);
    grid->addWidget(box(TabSheet1, u"选择统计字段"_s, CheckListBox2, { Button9, Button10 }), 3, 2);
    grid->addWidget(box(TabSheet1, u"选择统计分类字段"_s, CheckListBox3, { Button11 }), 3, 3);
    ListBox2->setMaximumHeight(90);
    ListBox3->setMaximumHeight(90);
    grid->setRowStretch(2, 2);
    grid->setRowStretch(3, 3);

    Button12 = button(TabSheet1, u"Button12"_s, u"进行查询"_s);
    Button13 = button(TabSheet1, u"Button13"_s, u"进行统计"_s);
    Button14 = button(TabSheet1, u"Button14"_s, u"返回"_s);
    auto* runs = new QHBoxLayout;
    runs->addStretch();
    runs->addWidget(Button12);
    runs->addWidget(Button13);
    runs->addWidget(Button14);
    grid->addLayout(runs, 4, 0, 1, 4);

    // --- page 2 ---------------------------------------------------------------------------
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(u"TabSheet2"_s);
    PageControl1->addTab(TabSheet2, u"查询统计结果"_s);
    auto* v = new QVBoxLayout(TabSheet2);
    DataSource1 = new DataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    DataSource1->setDataSet(&Query1);
    DBGrid1 = new DbGrid(TabSheet2);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->setDataSource(DataSource1);
    DBGrid1->setReadOnly(true);
    Memo1 = new QPlainTextEdit(TabSheet2);
    Memo1->setObjectName(u"Memo1"_s);
    auto* split = new QSplitter(Qt::Vertical, TabSheet2);
    split->addWidget(DBGrid1);
    split->addWidget(Memo1);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    v->addWidget(split);
    Button15 = button(TabSheet2, u"Button15"_s, u"直接输入SQL语句操作数据库"_s);
    Button16 = button(TabSheet2, u"Button16"_s, u"行列交换"_s);
    Button17 = button(TabSheet2, u"Button17"_s, u"打印"_s);
    Button18 = button(TabSheet2, u"Button18"_s, u"存盘"_s);
    Button19 = button(TabSheet2, u"Button19"_s, u"返回"_s);
    Button16->setEnabled(false);
    Button18->setEnabled(false);
    auto* h = new QHBoxLayout;
    for (QPushButton* b : { Button15, Button16, Button17, Button18, Button19 })
        h->addWidget(b);
    v->addLayout(h);

    // --- events ---------------------------------------------------------------------------
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { AddCondition(ListBox2); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { DeleteCondition(ListBox2); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { AddCondition(ListBox3); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guarded([this] { DeleteCondition(ListBox3); }); });
    for (QListWidget* group : { ListBox2, ListBox3 }) {
        connect(group, &QListWidget::itemClicked, this, [this, group](QListWidgetItem* item) {
            Edit1->setText(item->text());
            group->setToolTip(item->text());
        });
    }
    connect(ListBox1, &QListWidget::itemClicked, this, guard(this, &TF_query::ListBox1Click));
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, guard(this, &TF_query::ListBox1DblClick));
    connect(RadioGroup1, &RadioGroup::clicked, this, guard(this, &TF_query::RadioGroup1Click));
    connect(ListBox4, &QListWidget::itemDoubleClicked, this, guard(this, &TF_query::ListBox4DblClick));
    connect(Button5, &QPushButton::clicked, this, [this] { tickAll(CheckListBox1, true); });
    connect(Button6, &QPushButton::clicked, this, [this] { tickAll(CheckListBox1, false); });
    connect(Button7, &QPushButton::clicked, this, guard(this, &TF_query::Button7Click));
    connect(Button8, &QPushButton::clicked, this, guard(this, &TF_query::Button8Click));
    connect(Button9, &QPushButton::clicked, this, [this] { tickAll(CheckListBox2, true); });
    connect(Button10, &QPushButton::clicked, this, [this] { tickAll(CheckListBox2, false); });
    connect(Button11, &QPushButton::clicked, this, [this] { tickAll(CheckListBox3, false); });
    for (QListWidget* ticked :
        { CheckListBox1, CheckListBox2, CheckListBox3, CheckListBox4, CheckListBox5 }) {
        connect(ticked, &QListWidget::itemDoubleClicked, this, [ticked] { toggle(ticked); });
        connect(ticked, &QListWidget::itemClicked, this,
            [ticked](QListWidgetItem* item) { ticked->setToolTip(item->text()); });
    }
    connect(Button12, &QPushButton::clicked, this, guard(this, &TF_query::Button12Click));
    connect(Button13, &QPushButton::clicked, this, guard(this, &TF_query::Button13Click));
    connect(Button14, &QPushButton::clicked, this, &QWidget::close);
    connect(Button15, &QPushButton::clicked, this, guard(this, &TF_query::Button15Click));
    connect(Button16, &QPushButton::clicked, this, guard(this, &TF_query::Button16Click));
    connect(Button17, &QPushButton::clicked, this, guard(this, &TF_query::Button17Click));
    connect(Button18, &QPushButton::clicked, this, guard(this, &TF_query::Button18Click));
    connect(Button19, &QPushButton::clicked, this, &QWidget::close);
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, guard(this, &TF_query::DBGrid1DblClick));

    resize(1000, 760);
}

bool TF_query::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return handled;
}

void TF_query::FormActivate()
{
    // Each grid has its own font; whichever result window was activated last sets the width.
    GridCharWidth = float(QFontMetricsF(DBGrid1->font()).horizontalAdvance(u"    "_s) / 4);
    if (m_builtFor != ReportKind) buildLists();
}

void TF_query::buildLists()
{
    if (const QScreen* screen = this->screen(); screen && screen->geometry().width() < 800) move(0, 0);
    m_builtFor = ReportKind;
    m_extraCondition = extraConditionFor(ReportKind);

    // A failure below leaves the lists empty for this kind, as a missing dictionary does.
    GroupBox1->setTitle(u"字段名"_s);
    m_valueMode = false;
    RadioGroup1->blockSignals(true);
    RadioGroup1->setItemIndex(0);
    RadioGroup1->blockSignals(false);
    m_fields = {};
    m_captions.clear();
    for (QListWidget* l :
        { ListBox1, CheckListBox1, CheckListBox2, CheckListBox3, CheckListBox4, CheckListBox5 })
        l->clear();
    Button13->setEnabled(false);

    const QueryCatalogEntry entry = QueryCatalogEntry::read(ReportKind);
    setWindowTitle(entry.caption);
    m_fields = QueryFields::read(entry.dictionary);
    for (const DictionaryField& f : m_fields.conditionFields) {
        ListBox1->addItem(f.caption);
        addChecked(CheckListBox1, f.caption);
        m_captions.append(f.caption);
    }
    for (const DictionaryField& f : m_fields.statisticsFields)
        addChecked(CheckListBox2, f.caption);
    for (const DictionaryField& f : m_fields.classificationFields)
        addChecked(CheckListBox3, f.caption);
    for (const QString& t : m_fields.tables)
        addChecked(CheckListBox4, t);
    if (ListBox1->count() > 0) ListBox1->setCurrentRow(0);
    Button13->setEnabled(!m_fields.statisticsFields.isEmpty());
    PageControl1->setCurrentWidget(TabSheet1);
}

void TF_query::AddCondition(QListWidget* group)
{
    if (Edit1->text().isEmpty()) return;
    auto* item = new QListWidgetItem(Edit1->text(), group);
    item->setData(TableRole, Edit2->text());
}

void TF_query::DeleteCondition(QListWidget* group)
{
    const int row = group->currentRow();
    if (row < 0) return;
    delete group->takeItem(row);
    selectAfterDelete(group, row);
}

void TF_query::ListBox1Click()
{
    const int row = ListBox1->currentRow();
    if (row < 0) return;
    if (!m_valueMode && row < m_fields.conditionFields.size())
        Edit2->setText(m_fields.conditionFields[row].table);
    ListBox1->setToolTip(ListBox1->item(row)->text());
}

void TF_query::ListBox1DblClick()
{
    const int row = ListBox1->currentRow();
    if (row < 0) return;
    if (m_valueMode) {
        Edit1->setText(Edit1->text() + ListBox1->item(row)->text() + u' ');
        return;
    }
    if (row >= m_fields.conditionFields.size()) return;
    const DictionaryField& f = m_fields.conditionFields[row];
    Edit1->setText(Edit1->text() + f.name + u' ');
    Edit2->setText(f.table);
}

void TF_query::RadioGroup1Click()
{
    const bool values = RadioGroup1->itemIndex() == 1;
    if (values == m_valueMode) return;
    if (values) {
        const int row = ListBox1->currentRow();
        if (row < 0 || row >= m_fields.conditionFields.size()) {
            // No field to list values of: stay with the names.
            RadioGroup1->blockSignals(true);
            RadioGroup1->setItemIndex(0);
            RadioGroup1->blockSignals(false);
            return;
        }
        m_rememberedField = row;
        m_valueMode = true;
        ListBox1->clear();
        GroupBox1->setTitle(u"字段值"_s);
        ListBox1->addItems(fieldValues(m_fields.conditionFields[row], m_fields.joinKey()));
    } else {
        m_valueMode = false;
        GroupBox1->setTitle(u"字段名"_s);
        ListBox1->clear();
        ListBox1->addItems(m_captions);
        if (m_rememberedField >= 0 && m_rememberedField < ListBox1->count())
            ListBox1->setCurrentRow(m_rememberedField);
    }
}

void TF_query::ListBox4DblClick()
{
    const int row = ListBox4->currentRow();
    if (row >= 0) Edit1->setText(Edit1->text() + ListBox4->item(row)->text() + u' ');
}

void TF_query::Button7Click()
{
    QListWidgetItem* item = CheckListBox1->currentItem();
    if (!item) return;
    item->setCheckState(Qt::Checked);
    addChecked(CheckListBox5, item->text());
}

void TF_query::Button8Click()
{
    if (CheckListBox5->count() == 0) return;
    const int row = std::max(CheckListBox5->currentRow(), 0);
    delete CheckListBox5->takeItem(row);
    selectAfterDelete(CheckListBox5, row);
}

void TF_query::toggle(QListWidget* list)
{
    if (QListWidgetItem* item = list->currentItem())
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TF_query::tickAll(QListWidget* list, bool ticked)
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

QueryChoices TF_query::choices() const
{
    QueryChoices c;
    c.selectedFields = tickedRows(CheckListBox1);
    c.statisticsFields = tickedRows(CheckListBox2);
    c.classificationFields = tickedRows(CheckListBox3);
    c.tables = tickedRows(CheckListBox4);
    c.andGroup = conditionsOf(ListBox2);
    c.orGroup = conditionsOf(ListBox3);
    c.combineWithOr = RadioGroup2->itemIndex() == 1;
    for (int i = 0; i < CheckListBox5->count(); ++i)
        c.sort.append(
            { CheckListBox5->item(i)->text(), CheckListBox5->item(i)->checkState() == Qt::Checked });
    c.extraCondition = m_extraCondition;
    return c;
}

void TF_query::run(const QStringList& statement)
{
    Query1.setSql(statement); // closes the previous answer: a failing run leaves the grid empty
    Memo1->setPlainText(Query1.sqlText());
    Query1.open();
    answerShown();
}

void TF_query::answerShown()
{
    Button16->setEnabled(true);
    Button18->setEnabled(true);
    PageControl1->setCurrentWidget(TabSheet2);
}

void TF_query::Button12Click()
{
    const QueryChoices c = choices();
    run(QueryStatementBuilder(m_fields, c).queryStatement());
}

void TF_query::Button13Click()
{
    const QueryChoices c = choices();
    const QStringList statement = QueryStatementBuilder(m_fields, c).statisticsStatement();
    if (statement.isEmpty()) {
        // Nothing to total: say so, and leave the user where the fields are ticked.
        Query1.clearSql();
        services().information(
            u"没有选择统计字段。请在“选择统计字段”中勾选要合计的字段，再按“进行统计”。"_s, u"提示"_s);
        return;
    }
    run(statement);
}

void TF_query::Button15Click()
{
    Query1.setSql(Memo1->toPlainText());
    Query1.open();
    Button16->setEnabled(true);
    Button18->setEnabled(true);
}

void TF_query::Button16Click()
{
    TransposeResult(Query1, Query1);
}

static ExportGrid gridColumns(const DbGrid* grid)
{
    ExportGrid g;
    g.charWidth = GridCharWidth;
    for (int c = 0; c < grid->columnCount(); ++c)
        g.columns.append({ grid->columnTitle(c), grid->columnPixelWidth(c) });
    return g;
}

void TF_query::Button17Click()
{
    // The print window holds query_p.db open while it is shown; it lets go so the copy
    // can be made afresh, and takes the new copy up when it is activated again.
    if (F_query_p) F_query_p->releaseRows();
    const ExportGrid grid = gridColumns(DBGrid1);
    ExportResult(Query1, &grid, u"query_p.db"_s);
    if (QWidget* w = windowRegistry().window(u"TF_query_p"_s)) {
        services().showModeless(w);
        // A window that is already up may not be activated again by being shown.
        if (auto* p = qobject_cast<TF_query_p*>(w); p && !p->Table1.isOpen()) p->FormActivate();
    }
}

void TF_query::Button18Click()
{
    FileDialog& dialog = sharedComponents().SaveDialog1;
    // Offices keep their figures in spreadsheets: offer those beside the table types.
    for (const QString& type : { u"*.xlsx"_s, u"*.csv"_s }) {
        const FileFilter filter { type, { type } };
        if (!dialog.filters.contains(filter)) dialog.filters.append(filter);
    }
    dialog.title = u"请选择存盘文件名"_s;
    if (!dialog.execute()) return;
    const ExportGrid grid = gridColumns(DBGrid1);
    ExportResult(Query1, &grid, dialog.fileName);
}

void TF_query::DBGrid1DblClick()
{
#ifdef VELTO_COLUMN_DIALOG
    const int column = DBGrid1->selectedColumn();
    if (column < 0) return;
    if (auto* dialog = qobject_cast<TF_change_c*>(windowRegistry().window(u"TF_change_c"_s))) {
        dialog->setColumn(DBGrid1, column);
        services().showModal(dialog);
    }
#endif
}
