#include "EntryForm.h"

#include "FieldPage.h"
#include "shell/ReportKinds.h"
#include "store/SqlTranslator.h"
#include "widgets/AppState.h"
#include "widgets/BusyCursor.h"
#include "widgets/DbEdit.h"
#include "widgets/DbStatusBar.h"
#include "widgets/ScrollPage.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

using namespace Qt::StringLiterals;
using entry::Action;

namespace {

// Toolbar captions with the control names the handlers are known by.
struct ButtonInfo
{
    Action action;
    const char16_t* caption;
    const char* name;
};
const ButtonInfo toolButtons[] = {
    { Action::Prior, u"上一记录", "ToolButton1" },
    { Action::Next, u"下一记录", "ToolButton2" },
    { Action::First, u"记录头", "ToolButton3" },
    { Action::Last, u"记录尾", "ToolButton4" },
    { Action::Insert, u"插入记录", "ToolButton5" },
    { Action::Delete, u"删除记录", "ToolButton6" },
    { Action::Save, u"存盘", "ToolButton7" },
    { Action::Cancel, u"取消修改", "ToolButton8" },
    { Action::Upload, u"数据入库", "ToolButton11" },
    { Action::Merge, u"数据追加", "ToolButton9" },
    { Action::Close, u"返回", "ToolButton10" },
};

const ButtonInfo& infoOf(Action action)
{
    for (const ButtonInfo& b : toolButtons)
        if (b.action == action) return b;
    return toolButtons[0];
}

const QString allRowsItem = u"所有企业记录"_s;
const QString currentRowsItem = u"当前企业记录"_s;

} // namespace

QString entry::actionCaption(Action action)
{
    return QString::fromUtf16(infoOf(action).caption);
}

EntryDefinition singleTableDefinition(int reportKind, const EntryTable& table)
{
    const ReportKindInfo* kind = reportKindOf(reportKind);
    EntryDefinition def;
    def.master = table;
    if (def.master.errorPrefix.isEmpty()) def.master.errorPrefix = u"数据错误:"_s;
    def.sentMarkerSql = kind ? kind->sentMarkerSql : QString();
    def.cover = false;
    def.toolbar = { Action::Prior, Action::Next, Action::First, Action::Last, Action::Insert, Action::Delete,
        Action::Save, Action::Cancel, Action::Merge, Action::Close };
    def.statusForm = entry::StatusForm::Short;
    def.locateDialog = u"TF_change_r"_s;
    def.locateField = kind ? kind->locateField : QString();
    EntryPolicy& p = def.policy;
    p.mergeSuspends = EntryPolicy::Suspend::WhenCheckOn;
    p.collapseWhenEmpty = false;
    p.pageSwitchesButtons = false;
    p.cancelBeforeDelete = false;
    p.readOnlyLabel = false;
    p.bulkSuffix.clear();
    return def;
}

EntryForm::EntryForm(EntryDefinition def, QWidget* parent)
    : QDialog(parent)
    , m_def(std::move(def))
{
    QFont f(u"宋体"_s);
    f.setPointSizeF(10.5);
    setFont(f);
    for (const EntryTable& t : std::as_const(m_def.details)) {
        auto d = std::make_unique<Detail>();
        d->def = t;
        d->table = std::make_unique<store::Table>();
        d->source = std::make_unique<DataSource>();
        d->source->setDataSet(d->table.get());
        m_details.push_back(std::move(d));
    }
    DataSource1.setDataSet(&Table1);
    buildFrame();
    installHooks();
}

EntryForm::~EntryForm()
{
    if (m_filterInstalled) qApp->removeEventFilter(this);
    // Tables close before their data sources and the controls bound to them go; a row
    // still pending at this point was refused by FormClose and is given up.
    for (auto it = m_details.rbegin(); it != m_details.rend(); ++it) {
        store::Table& t = *(*it)->table;
        cleanup([&t] {
            if (t.isEditing()) t.cancel();
            t.setMaster(nullptr, QString());
            if (t.isOpen()) t.close();
        });
    }
    cleanup([this] {
        if (Table1.isEditing()) Table1.cancel();
        if (Table1.isOpen()) Table1.close();
    });
}

void EntryForm::cleanup(const std::function<void()>& step) noexcept
{
    const bool leaving = std::uncaught_exceptions() > 0;
    try {
        try {
            step();
        } catch (const store::Abort&) {
        } catch (const store::StoreError& e) {
            if (!leaving) services().showException(e.message());
        } catch (const std::exception& e) {
            if (!leaving) services().showException(QString::fromUtf8(e.what()));
        }
    } catch (...) {
        // Showing the error failed too; the window has to go on regardless.
    }
}

void EntryForm::buildFrame()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    if (m_def.layout == EntryDefinition::Layout::Grid) {
        DBGrid1 = new DbGrid(this);
        DBGrid1->setObjectName(u"DBGrid1"_s);
        DBGrid1->setColumns(m_def.master.grid1);
        DBGrid1->setDataSource(&DataSource1);
        layout->addWidget(DBGrid1, 1);
    } else if (m_def.layout == EntryDefinition::Layout::Panel) {
        auto* area = new ScrollPage(this);
        area->setObjectName(u"ScrollBox1"_s);
        layout->addWidget(area, 1);
    } else {
        PageControl1 = new QTabWidget(this);
        PageControl1->setObjectName(u"PageControl1"_s);
        layout->addWidget(PageControl1, 1);
    }

    if (PageControl1 && m_def.cover) {
        TabSheet1 = new QWidget;
        TabSheet1->setObjectName(u"TabSheet1"_s);
        m_coverLayout = new QVBoxLayout(TabSheet1);
        auto* numberRow = new QHBoxLayout;
        coverLabel = new QLabel(m_def.reportNumberCaption, TabSheet1);
        coverNumber = new DbEdit(TabSheet1);
        coverNumber->setObjectName(u"DBEdit1"_s);
        coverNumber->setDataSource(&DataSource1);
        coverNumber->setDataField(m_def.master.keyField);
        coverLabel->setBuddy(coverNumber);
        numberRow->addStretch();
        numberRow->addWidget(coverLabel);
        numberRow->addWidget(coverNumber);
        numberRow->addStretch();
        m_coverLayout->addLayout(numberRow);
        PageControl1->addTab(TabSheet1, u"封面"_s);
        m_pages.append(TabSheet1);
        m_pageTitles.append(u"封面"_s);
    }

    // A plain row, not a tool bar: a tool bar would fold its last buttons into a menu
    // when the window is narrow.
    auto* bar = new QWidget(this);
    bar->setObjectName(u"ToolBar1"_s);
    buildToolbar(bar);
    layout->addWidget(bar);

    StatusBar1 = new DbStatusBar(this);
    StatusBar1->setObjectName(u"StatusBar1"_s);
    layout->addWidget(StatusBar1);

    if (PageControl1)
        connect(PageControl1, &QTabWidget::currentChanged, this, guard(this, &EntryForm::PageControl1Change));
    connect(StatusBar1, &DbStatusBar::doubleClicked, this, guard(this, &EntryForm::StatusBar1DblClick));
}

void EntryForm::buildToolbar(QWidget* bar)
{
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    barLayout->setSpacing(0);
    // Eleven captions and the check list must fit the window's 792 pixels.
    QFont barFont = font();
    barFont.setPointSizeF(9);
    bar->setFont(barFont);
    for (Action action : std::as_const(m_def.toolbar)) {
        const ButtonInfo& info = infoOf(action);
        auto* b = new QToolButton(bar);
        b->setText(QString::fromUtf16(info.caption));
        b->setObjectName(QString::fromLatin1(info.name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        barLayout->addWidget(b);
        m_buttons.append({ action, b });
        void (EntryForm::*method)() = nullptr;
        switch (action) {
        case Action::Prior:
            method = &EntryForm::priorClick;
            break;
        case Action::Next:
            method = &EntryForm::nextClick;
            break;
        case Action::First:
            method = &EntryForm::firstClick;
            break;
        case Action::Last:
            method = &EntryForm::lastClick;
            break;
        case Action::Insert:
            method = &EntryForm::insertClick;
            break;
        case Action::Delete:
            method = &EntryForm::deleteClick;
            break;
        case Action::Save:
            method = &EntryForm::saveClick;
            break;
        case Action::Cancel:
            method = &EntryForm::cancelClick;
            break;
        case Action::Merge:
            method = &EntryForm::ToolButton9Click;
            break;
        case Action::Upload:
            connect(b, &QToolButton::clicked, this, [this] { guarded([this] { ToolButton11Click(); }); });
            break;
        case Action::Close:
            connect(b, &QToolButton::clicked, this, &QWidget::close);
            break;
        }
        if (method) connect(b, &QToolButton::clicked, this, guard(this, method));
    }
    barLayout->addStretch(1);
    if (m_def.checkSwitch) {
        ComboBox1 = new QComboBox(bar);
        ComboBox1->setObjectName(u"ComboBox1"_s);
        ComboBox1->addItems({ u"校验开启"_s, u"校验关闭"_s });
        ComboBox1->setFocusPolicy(Qt::NoFocus);
        barLayout->addWidget(ComboBox1);
        connect(ComboBox1, &QComboBox::currentIndexChanged, this, guard(this, &EntryForm::ComboBox1Change));
    }
}

QToolButton* EntryForm::insertToolButton(int at, const QString& caption, const QString& name)
{
    auto* bar = findChild<QWidget*>(u"ToolBar1"_s, Qt::FindDirectChildrenOnly);
    auto* b = new QToolButton(bar);
    b->setText(caption);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(true);
    static_cast<QHBoxLayout*>(bar->layout())->insertWidget(at, b);
    return b;
}

QToolButton* EntryForm::button(Action action) const
{
    for (const auto& [a, b] : m_buttons)
        if (a == action) return b;
    return nullptr;
}

DbEdit* EntryForm::editOf(const QString& field) const
{
    return findEdit(m_edits, field);
}

QToolButton* EntryForm::button(const QString& caption) const
{
    for (const auto& [a, b] : m_buttons)
        if (b->text() == caption) return b;
    return nullptr;
}

void EntryForm::enableAction(Action action, bool enabled)
{
    if (QToolButton* b = button(action)) b->setEnabled(enabled);
}

QWidget* EntryForm::addMasterPage(const QString& title, QWidget* content)
{
    PageControl1->addTab(content, title);
    if (!TabSheet1) TabSheet1 = content;
    m_pages.append(content);
    m_pageTitles.append(title);
    return content;
}

void EntryForm::addDetailPage(int index, QWidget* content)
{
    Detail& d = detail(index);
    auto gridNamed = [](QWidget* parent, int number) {
        auto* grid = new DbGrid(parent);
        grid->setObjectName(u"DBGrid%1"_s.arg(number));
        return grid;
    };
    switch (d.def.view) {
    case entry::DetailView::TwoGrids: {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        d.grid1 = gridNamed(page, 2 * index + 1);
        d.grid2 = gridNamed(page, 2 * index + 2);
        d.grid1->setColumns(d.def.grid1);
        d.grid2->setColumns(d.def.grid2);
        d.grid1->setDataSource(d.source.get());
        d.grid2->setDataSource(d.source.get());
        layout->addWidget(d.grid1, 1);
        layout->addWidget(d.grid2, 1);
        auto* row = new QHBoxLayout;
        d.list = new QComboBox(page);
        d.list->setObjectName(u"ComboBox%1"_s.arg(index + 2));
        d.list->addItems({ currentRowsItem, allRowsItem });
        row->addWidget(d.list);
        row->addStretch();
        layout->addLayout(row);
        connect(d.list, &QComboBox::currentIndexChanged, this,
            [this, index] { guarded([this, index] { detailListChange(index); }); });
        content = page;
        break;
    }
    case entry::DetailView::OneGrid: {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        d.grid1 = gridNamed(page, index + 1);
        d.grid1->setColumns(d.def.grid1);
        d.grid1->setDataSource(d.source.get());
        layout->addWidget(d.grid1, 1);
        content = page;
        break;
    }
    case entry::DetailView::Form:
        break;
    }
    d.page = content;
    PageControl1->addTab(content, d.def.pageTitle);
    m_pages.append(content);
    m_pageTitles.append(d.def.pageTitle);
}

void EntryForm::setPanel(QWidget* content)
{
    auto* area = findChild<QScrollArea*>(u"ScrollBox1"_s, Qt::FindDirectChildrenOnly);
    area->setWidget(content);
    Panel1 = content;
}

void EntryForm::installHooks()
{
    Table1.beforePost = [this](store::Dataset&) { masterBeforePost(); };
    Table1.afterPost = [this](store::Dataset&) {
        if (!BulkMode) cascadeKeyChange();
        Table1.flush();
    };
    Table1.onPostError = [this](store::Dataset&, store::StoreError& e) { postError(m_def.master, e); };
    auto masterScrolled = [this](store::Dataset&) {
        const QString number = reportNumberOf(Table1);
        const auto state = Table1.state();
        if (number != CurKey
            && (state == store::DatasetState::Browse || state == store::DatasetState::Insert))
            CurKey = number;
        updateStatusLine();
    };
    Table1.afterScroll = masterScrolled;
    // A new row counts as a move: its empty number becomes the one followed.
    Table1.newRecord = masterScrolled;
    connect(&DataSource1, &DataSource::stateChange, this, [this] { masterStateChange(); });

    for (int i = 0; i < detailCount(); ++i) {
        store::Table& t = detailTable(i);
        t.beforePost = [this, i](store::Dataset&) { detailBeforePost(i); };
        t.afterPost = [&t](store::Dataset&) { t.flush(); };
        t.onPostError = [this, i](store::Dataset&, store::StoreError& e) { postError(detail(i).def, e); };
        t.afterScroll = [this](store::Dataset&) { updateStatusLine(); };
        t.stateChange = [this, i](store::Dataset&) { detailStateChange(i); };
    }
}

// --- Opening and closing ----------------------------------------------------------------

void EntryForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_filterInstalled) {
        qApp->installEventFilter(this);
        m_filterInstalled = true;
    }
    m_openFailed = false;
    // A window that cannot open its tables says why once and closes; it does not try
    // again on the activation that follows the message.
    if (!guarded([this] { FormActivate(); }) && !Table1.isOpen()) {
        m_openFailed = true;
        QMetaObject::invokeMethod(
            this, [this] { reject(); }, Qt::QueuedConnection);
    }
}

void EntryForm::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (m_filterInstalled) {
        qApp->removeEventFilter(this);
        m_filterInstalled = false;
    }
}

void EntryForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_openFailed && Table1.isOpen())
        guarded([this] { FormActivate(); });
}

void EntryForm::FormActivate()
{
    if (Table1.isOpen()) {
        updateStatusLine();
        return;
    }
    if (QScreen* s = screen(); s && s->geometry().width() <= 800) move(0, 0);
    openTables();
}

void EntryForm::openTables()
{
    Table1.setTableName(m_def.master.file);
    for (auto& d : m_details) {
        d->table->setTableName(d->def.file);
        d->table->setIndexName(d->def.index);
        d->table->setMaster(&Table1, d->def.keyField);
    }
    RecordsDeleted = false;
    SentMarksCleared = false;
    store::Table& rules = sharedComponents().Table1;
    try {
        auto load = [&rules](store::Table& t, const QString& ruleTable) {
            if (ruleTable.isEmpty())
                t.open();
            else
                entry::loadFieldChecks(t, rules, ruleTable);
        };
        load(Table1, m_def.master.ruleTable);
        for (auto& d : m_details)
            load(*d->table, d->def.ruleTable);
    } catch (...) {
        for (auto it = m_details.rbegin(); it != m_details.rend(); ++it) {
            store::Table& t = *(*it)->table;
            cleanup([&t] {
                if (t.isOpen()) t.close();
            });
        }
        cleanup([this] {
            if (Table1.isOpen()) Table1.close();
        });
        throw;
    }
    tablesOpened();
    setActive(&Table1, &DataSource1);
    if (LocateOnOpen) locateOnOpen();
    CurKey = reportNumberOf(Table1);
    showFirstPage();
    syncPage();
    const int di = m_def.policy.locateDetail;
    if (LocateOnOpen && di >= 0 && di < detailCount() && !LocateValue2.isEmpty()) {
        Detail& d = detail(di);
        d.table->locate({ d.def.keyField, d.def.subKeyField }, { LocateValue, LocateValue2 });
        if (PageControl1 && d.page) {
            const QSignalBlocker block(PageControl1);
            PageControl1->setCurrentWidget(d.page);
        }
        syncPage();
        LocateValue2.clear();
    }
    if (ComboBox1) {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(0);
    }
    // Whatever the list showed before, the constraints are now in force.
    if (!CheckOn) applyCheckSwitch(true);
    updateStatusLine();
    collapseWhenEmpty();
}

void EntryForm::locateOnOpen()
{
    Table1.setIndexFieldNames(QString());
    Table1.setIndexName(m_def.master.index);
    Table1.setKey();
    Table1.setKeyValue(LocateField, LocateValue);
    if (!Table1.gotoKey()) Table1.first();
    const QString found = reportNumberOf(Table1);
    Table1.setIndexName(QString());
    if (!m_def.policy.orderAfterLocate.isEmpty()) Table1.setIndexFieldNames(m_def.policy.orderAfterLocate);
    // In the new order the row must stay the current one.
    if (!found.isEmpty()) Table1.locate({ m_def.master.keyField }, { found });
}

void EntryForm::done(int result)
{
    if (!m_closing) {
        m_closing = true;
        bool closed = false;
        guarded([this, &closed] { closed = FormClose(); });
        m_closing = false;
        if (!closed) return;
    }
    QDialog::done(result);
}

bool EntryForm::FormClose()
{
    auto store = [this](store::Table& t) {
        if (t.isOpen() && t.isEditing()) saveRecord(t);
    };
    // A pending row is stored, never dropped; when it cannot be stored the window stays
    // open with the row, so that the user can correct or cancel it.
    store(Table1);
    for (auto& d : m_details)
        store(*d->table);

    for (auto it = m_details.rbegin(); it != m_details.rend(); ++it)
        if ((*it)->table->isOpen()) (*it)->table->close();
    if (Table1.isOpen()) Table1.close();
    if (RecordsDeleted && m_def.policy.packOnClose) {
        sharedComponents().Database1.packTable(m_def.master.file);
        for (auto& d : m_details)
            sharedComponents().Database1.packTable(d->def.file);
    }
    return true;
}

// --- Pages, lists and the status bar ----------------------------------------------------

int EntryForm::currentPage() const
{
    return PageControl1 ? PageControl1->currentIndex() : 0;
}

bool EntryForm::isMasterPage(int index) const
{
    return detailOfPage(index) < 0;
}

int EntryForm::detailOfPage(int index) const
{
    QWidget* page = m_pages.value(index);
    for (int i = 0; i < detailCount(); ++i)
        if (page && m_details[size_t(i)]->page == page) return i;
    return -1;
}

QWidget* EntryForm::pageOf(const QString& title) const
{
    const qsizetype i = m_pageTitles.indexOf(title);
    return i < 0 ? nullptr : m_pages[i];
}

void EntryForm::showFirstPage()
{
    if (!PageControl1) return;
    const QSignalBlocker block(PageControl1);
    PageControl1->setCurrentIndex(0);
}

void EntryForm::PageControl1Change()
{
    syncPage();
}

void EntryForm::setActive(store::Table* table, DataSource* source)
{
    ActiveTable = table;
    ActiveSource = source;
}

void EntryForm::linkDetail(int index, bool linked)
{
    Detail& d = detail(index);
    d.table->setMaster(linked ? &Table1 : nullptr, d.def.keyField);
}

void EntryForm::setCoverNumberEditable(bool editable)
{
    if (coverLabel && m_def.policy.readOnlyLabel)
        coverLabel->setText(editable ? m_def.reportNumberCaption : m_def.reportNumberCaption + u"(只读)"_s);
    if (coverNumber) coverNumber->setEnabled(editable);
}

void EntryForm::syncPage()
{
    const int page = currentPage();
    const int di = detailOfPage(page);
    const bool switches = m_def.policy.pageSwitchesButtons;
    if (di >= 0) {
        Detail& d = detail(di);
        setActive(d.table.get(), d.source.get());
        if (d.list) {
            const QSignalBlocker block(d.list);
            d.list->setCurrentIndex(0);
        }
        for (DbGrid* g : { d.grid1, d.grid2 }) {
            if (!g) continue;
            g->setReadOnly(false);
            g->setDataSource(d.source.get());
        }
        if (switches) {
            enableAction(Action::Insert, true);
            enableAction(Action::Merge, false);
        }
        linkDetail(di, true);
        // A report number changed on the cover and not stored yet is stored now, so that
        // the details shown are the return's under its new number.
        if (Table1.isOpen() && !CurKey.isEmpty() && reportNumberOf(Table1) != CurKey) {
            if (CheckOn) Table1.disableConstraints();
            struct Resume
            {
                EntryForm* f;
                ~Resume()
                {
                    if (f->CheckOn) f->Table1.enableConstraints();
                }
            } resume { this };
            saveRecord(Table1);
        }
    } else {
        bool detailEditing = false;
        for (auto& d : m_details)
            detailEditing = detailEditing || d->table->isEditing();
        setCoverNumberEditable(!detailEditing);
        setActive(&Table1, &DataSource1);
        const bool first = page == 0;
        if (switches) {
            enableAction(Action::Insert, first);
            enableAction(Action::Merge, first);
        }
        if (first)
            for (int i = 0; i < detailCount(); ++i)
                linkDetail(i, true);
    }
    updateStatusLine();
}

void EntryForm::collapseWhenEmpty()
{
    if (!m_def.policy.collapseWhenEmpty || !PageControl1) return;
    if (ActiveTable != &Table1 || !Table1.isOpen() || !Table1.isEmpty()) return;
    for (int i = 1; i < PageControl1->count(); ++i)
        PageControl1->setTabVisible(i, false);
    m_collapsed = true;
    showFirstPage();
    syncPage();
}

void EntryForm::updateStatusLine()
{
    if (!ActiveSource || !ActiveTable || !ActiveTable->isOpen()) return;
    StatusBar1->setSimpleText(statusText());
}

QString EntryForm::statusText()
{
    return entry::statusLineText(m_def.statusForm, reportNumberOf(*ActiveTable), ActiveTable->recNo(),
        ActiveTable->recordCount(), ActiveSource->isEditing());
}

void EntryForm::StatusBar1DblClick()
{
    if (!ActiveTable || ActiveTable->master() || m_def.locateDialog.isEmpty()) return;
    LocateTable = ActiveTable;
    if (!m_def.locateField.isEmpty()) {
        LocateField = m_def.locateField;
        LocateIndex = m_def.master.index;
    }
    QWidget* dialog = windowRegistry().window(m_def.locateDialog, this);
    if (!dialog) return;
    services().showModal(dialog);
    CurKey = reportNumberOf(Table1);
    updateStatusLine();
}

void EntryForm::applyCheckSwitch(bool on)
{
    if (on == CheckOn) return;
    CheckOn = on;
    auto apply = [on](store::Table& t) {
        if (on)
            t.enableConstraints();
        else
            t.disableConstraints();
    };
    apply(Table1);
    for (auto& d : m_details)
        apply(*d->table);
}

void EntryForm::ComboBox1Change()
{
    applyCheckSwitch(ComboBox1->currentIndex() == 0);
}

void EntryForm::detailListChange(int index)
{
    Detail& d = detail(index);
    if (!d.list) return;
    const bool all = d.list->currentText() == allRowsItem;
    if (all && ActiveSource && ActiveSource->isEditing()) saveRecord(*ActiveTable);
    d.grid1->setDataSource(nullptr);
    d.grid2->setDataSource(nullptr);
    d.grid1->setReadOnly(all);
    d.grid2->setReadOnly(all);
    linkDetail(index, !all);
    enableAction(Action::Insert, !all);
    if (all) d.table->first();
    d.grid1->setDataSource(d.source.get());
    d.grid2->setDataSource(d.source.get());
    updateStatusLine();
}

// --- Toolbar ----------------------------------------------------------------------------

void EntryForm::priorClick()
{
    ActiveTable->prior();
}

void EntryForm::nextClick()
{
    ActiveTable->next();
}

void EntryForm::firstClick()
{
    ActiveTable->first();
}

void EntryForm::lastClick()
{
    ActiveTable->last();
}

void EntryForm::insertClick()
{
    insertRow();
}

void EntryForm::insertRow()
{
    ActiveTable->append();
    // Keying goes on where a new row starts: its number, or the first cell of the grid.
    if (ActiveTable == &Table1) {
        if (coverNumber && coverNumber->isVisible()) coverNumber->setFocus();
        return;
    }
    for (auto& d : m_details) {
        if (d->table.get() != ActiveTable || !d->grid1) continue;
        d->grid1->setFocus();
        d->grid1->setSelectedColumn(0);
    }
}

void EntryForm::deleteClick()
{
    deleteRow();
}

void EntryForm::deleteRow()
{
    store::Table& t = *ActiveTable;
    if (!t.isEmpty()) {
        if (!services().question(u"是否删除当前记录"_s, u"提示"_s)) return;
        RecordsDeleted = true;
        if (m_def.policy.cancelBeforeDelete && t.isEditing()) t.cancel();
        // A row being inserted is only discarded; a stored return takes every detail row
        // with it, whatever the detail pages show.
        if (&t == &Table1 && t.state() != store::DatasetState::Insert) {
            for (int i = 0; i < detailCount(); ++i) {
                store::Table& dt = detailTable(i);
                if (dt.isEditing()) dt.cancel();
                const bool linked = dt.master() != nullptr;
                if (!linked) linkDetail(i, true);
                while (!dt.isEmpty()) {
                    dt.first();
                    dt.deleteRecord();
                }
                dt.flush();
                if (!linked) linkDetail(i, false);
            }
        }
        t.deleteRecord();
        collapseWhenEmpty();
    }
    t.flush();
}

void EntryForm::saveClick()
{
    saveRecord(*ActiveTable);
    updateStatusLine();
}

void EntryForm::cancelClick()
{
    if (m_def.policy.cancelAsks && !services().question(u"是否放弃当前记录的修改"_s, u"提示"_s)) return;
    ActiveTable->cancel();
    updateStatusLine();
    collapseWhenEmpty();
}

void EntryForm::reopenEmptied(store::Table& target, const EntryTable& def)
{
    target.close();
    target.emptyTable();
    if (def.ruleTable.isEmpty())
        target.open();
    else
        entry::loadFieldChecks(target, sharedComponents().Table1, def.ruleTable);
    // Suspensions are counted by the table and survive the reopening; the switch's
    // state is what counts.
    collapseWhenEmpty();
}

void EntryForm::ToolButton9Click()
{
    FileDialog& dialog = sharedComponents().OpenDialog1;
    store::Table& source = sharedComponents().Table1;
    auto mergeInto = [&](store::Table& target, DataSource* targetSource, const EntryTable& def) {
        setActive(&target, targetSource);
        dialog.title = def.mergeTitle;
        if (!dialog.execute()) return;
        BusyCursor busy;
        if (services().question(def.emptyQuestion, QString())) reopenEmptied(target, def);
        if (source.isOpen()) source.close();
        source.setTableName(dialog.fileName);
        mergeFromFile(target, source);
    };
    struct Back
    {
        EntryForm* f;
        ~Back()
        {
            f->setActive(&f->Table1, &f->DataSource1);
            f->showFirstPage();
            cleanup([this] { f->syncPage(); });
        }
    } back { this };
    mergeInto(Table1, &DataSource1, m_def.master);
    for (auto& d : m_details)
        mergeInto(*d->table, d->source.get(), d->def);
}

void EntryForm::ToolButton11Click() { }

// --- Storing ----------------------------------------------------------------------------

void EntryForm::saveRecord(store::Table& table)
{
    table.edit();
    table.post();
    table.flush();
}

void EntryForm::rejectPost(const QString& message)
{
    services().error(message, u"错误窗口"_s);
    throw store::Abort();
}

QString EntryForm::reportNumberOf(store::Table& table) const
{
    if (!table.isOpen()) return {};
    QString field = m_def.master.keyField;
    for (const auto& d : m_details)
        if (d->table.get() == &table) field = d->def.keyField;
    const int i = table.fieldIndex(field);
    return i < 0 || (table.isEmpty() && !table.isEditing()) ? QString() : table.value(i).toString();
}

void EntryForm::runSentMarker()
{
    if (SentMarksCleared || m_def.sentMarkerSql.isEmpty()) return;
    store::Query& q = sharedComponents().Query1;
    if (q.isOpen()) q.close();
    q.setSql(m_def.sentMarkerSql);
    q.execSql();
    SentMarksCleared = true;
}

void EntryForm::masterBeforePost()
{
    runSentMarker();
    entry::zeroFillNumericNulls(Table1);
    stampMaster();
}

void EntryForm::stampMaster()
{
    const EntryTable& m = m_def.master;
    if (!m.counterField.isEmpty()) Table1.fieldByName(m.counterField).setValue(1);
    if (!m.idField.isEmpty()) Table1.fieldByName(m.idField).setValue(Table1.fieldByName(m.keyField).value());
}

void EntryForm::detailBeforePost(int index)
{
    if (BulkMode) return;
    runSentMarker();
    entry::zeroFillNumericNulls(detailTable(index));
    stampDetail(index);
}

void EntryForm::stampDetail(int index)
{
    Detail& d = detail(index);
    store::Table& t = *d.table;
    if (!d.def.counterField.isEmpty()) t.fieldByName(d.def.counterField).setValue(1);
    const QString sub = t.fieldByName(d.def.subKeyField).asString();
    if (sub.isEmpty()) rejectPost(d.def.emptySubKeyMessage);
    const QString number = reportNumberOf(Table1);
    if (number.isEmpty()) rejectPost(d.def.emptyMasterMessage);
    t.fieldByName(d.def.keyField).setValue(number);
    if (!d.def.idField.isEmpty()) t.fieldByName(d.def.idField).setValue(number + d.def.idRule.keyed + sub);
}

void EntryForm::postError(const EntryTable& def, store::StoreError& error)
{
    QString message = error.message();
    // A table without its own wording for duplicates shows the store's.
    if (message == u"Key violation."_s && !def.duplicateMessage.isEmpty()) {
        message = def.duplicateMessage;
    } else {
        for (const auto& [part, text] : def.indexMessages) {
            if (message.contains(part)) {
                message = text;
                break;
            }
        }
    }
    message.prepend(def.errorPrefix);
    // The run that stored the row cancels it and ends; the user has to clear the clash.
    if (BulkMode && &def == &m_def.master) message += m_def.policy.bulkSuffix;
    error.setMessage(message);
}

// --- State changes ----------------------------------------------------------------------

void EntryForm::masterStateChange()
{
    if (m_collapsed) {
        for (int i = 1; i < PageControl1->count(); ++i)
            PageControl1->setTabVisible(i, true);
        m_collapsed = false;
    }
    if (DataSource1.isEditing()) setCoverNumberEditable(true);
    if (Table1.isOpen()) updateStatusLine();
}

void EntryForm::detailStateChange(int index)
{
    store::Table& t = detailTable(index);
    // Merges and the cascade store detail rows of any return; the check is for keying in.
    if (t.isEditing() && !BulkMode && coverNumber && coverNumber->text().trimmed().isEmpty()) {
        t.cancel();
        services().message(m_def.missingNumberMessage, u"提示窗口"_s, Services::MessageKind::Information);
        showFirstPage();
        syncPage();
        throw store::Abort();
    }
    if (t.isOpen()) updateStatusLine();
}

// --- Cascade and merge ------------------------------------------------------------------

void EntryForm::cascadeKeyChange()
{
    const QString stored = reportNumberOf(Table1);
    if (stored != CurKey && !CurKey.isEmpty()) {
        BulkMode = true;
        struct Off
        {
            EntryForm* f;
            ~Off() { f->BulkMode = false; }
        } off { this };
        for (int i = 0; i < detailCount(); ++i) {
            Detail& d = detail(i);
            store::Table& t = *d.table;
            linkDetail(i, false);
            t.setFilter(d.def.keyField + u'=' + store::sqlQuote(CurKey));
            t.setFiltered(true);
            const bool suspended = CheckOn;
            if (suspended) t.disableConstraints();
            struct Restore
            {
                EntryForm* f;
                int i;
                store::Table& t;
                bool suspended;
                ~Restore()
                {
                    if (suspended) t.enableConstraints();
                    cleanup([this] {
                        if (t.isEditing()) t.cancel();
                    });
                    cleanup([this] { t.setFiltered(false); });
                    cleanup([this] { f->linkDetail(i, true); });
                }
            } restore { this, i, t, suspended };
            const int key = t.fieldIndex(d.def.keyField);
            const int sub = t.fieldIndex(d.def.subKeyField);
            const int id = d.def.idField.isEmpty() ? -1 : t.fieldIndex(d.def.idField);
            while (!t.isEmpty()) {
                t.first();
                t.edit();
                t.setValue(key, stored);
                if (id >= 0) t.setValue(id, stored + d.def.idRule.cascaded + t.value(sub).toString());
                t.post();
            }
        }
    }
    CurKey = stored;
}

bool EntryForm::takeMergeRow(store::Dataset& source)
{
    Q_UNUSED(source);
    return true;
}

void EntryForm::mergeFromFile(store::Table& target, store::Table& source)
{
    source.open();
    int di = -1;
    for (int i = 0; i < detailCount(); ++i)
        if (&detailTable(i) == &target) di = i;
    const EntryTable& def = di < 0 ? m_def.master : detail(di).def;
    const EntryPolicy& policy = m_def.policy;
    // The controls and the other tables' links stay off for the run: following every
    // merged row on screen would cost more than storing it.
    std::vector<int> unlinked;
    for (int i = 0; i < detailCount(); ++i) {
        if ((i == di || di < 0) && detailTable(i).master()) {
            linkDetail(i, false);
            unlinked.push_back(i);
        }
    }
    DataSource1.setDataSet(nullptr);
    for (auto& d : m_details)
        d->source->setDataSet(nullptr);
    const bool suspended = policy.mergeSuspends == EntryPolicy::Suspend::Always || CheckOn;
    if (suspended) target.disableConstraints();
    BulkMode = true;
    StatusBar1->showProgress(source.recordCount());
    // Every step runs whatever the ones before it did, so that a failure while cleaning
    // up after a failed merge still leaves the window working.
    struct Finish
    {
        EntryForm* f;
        store::Table& target;
        store::Table& source;
        std::vector<int> unlinked;
        bool master;
        bool suspended;
        ~Finish()
        {
            cleanup([this] {
                if (target.isEditing()) target.cancel();
            });
            cleanup([this] { target.endWriteGroup(); });
            cleanup([this] {
                if (master && !f->m_def.policy.orderAfterMerge.isEmpty())
                    target.setIndexFieldNames(f->m_def.policy.orderAfterMerge);
            });
            cleanup([this] {
                if (source.isOpen()) source.close();
            });
            cleanup([this] { target.first(); });
            if (suspended) target.enableConstraints();
            for (int i : unlinked)
                cleanup([this, i] { f->linkDetail(i, true); });
            cleanup([this] { f->DataSource1.setDataSet(&f->Table1); });
            for (auto& d : f->m_details)
                cleanup([&d] { d->source->setDataSet(d->table.get()); });
            f->BulkMode = false;
            cleanup([this] { f->StatusBar1->hideProgress(); });
        }
    } finish { this, target, source, unlinked, di < 0, suspended };
    target.beginWriteGroup();
    entry::MergeKeys keys;
    keys.keyField = def.keyField;
    keys.subKeyField = def.subKeyField;
    keys.keyIndex = di < 0 ? def.index : QString();
    keys.counterField = def.counterField;
    keys.idField = def.idField;
    keys.idSeparator = def.idRule.merged;
    keys.clearPxh = policy.clearPxhOnMerge;
    keys.pxhLeadsId = policy.pxhLeadsId;
    keys.accept = [this](store::Dataset& row) { return takeMergeRow(row); };
    entry::mergeRows(source, target, keys, [this](int row) { StatusBar1->setProgress(row); });
}

// --- Keys -------------------------------------------------------------------------------

void EntryForm::keyPressEvent(QKeyEvent* event)
{
    // Escape belongs to the controls (it cancels a cell edit); the window closes by "返回".
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

bool EntryForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isVisible()) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        // The key goes to the focus widget; seen here first, as the window previews keys.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && w && w->window() == this
            && (w == focusWidget() || !focusWidget())) {
            return handleEnter(w);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool EntryForm::handleEnter(QWidget* focus)
{
    QWidget* current = PageControl1 ? PageControl1->currentWidget() : nullptr;
    auto within = [focus](QWidget* w) { return w && (focus == w || w->isAncestorOf(focus)); };
    // A grid moves to its next column; at the last one it stays.
    auto nextColumn = [](DbGrid* grid) {
        const int column = grid->selectedColumn();
        grid->setFocus(); // closes and keeps an open cell edit
        if (column < grid->columnCount() - 1) grid->setSelectedColumn(column + 1);
    };
    if (DBGrid1 && within(DBGrid1)) {
        nextColumn(DBGrid1);
        return true;
    }
    for (auto& d : m_details) {
        if (!d->grid1 || d->page != current) continue;
        if (within(d->grid1)) {
            const int column = d->grid1->selectedColumn();
            const bool last = column >= d->grid1->columnCount() - 1;
            if (d->grid2 && last) {
                d->grid1->setFocus();
                d->grid2->setSelectedColumn(0);
                d->grid2->setFocus();
            } else if (!last) {
                d->grid1->setSelectedColumn(column + 1);
            }
            return true;
        }
        if (within(d->grid2)) {
            nextColumn(d->grid2);
            return true;
        }
    }
    focusNextChild();
    return true;
}
