#include "EntryForm.h"

#include "store/SqlTranslator.h"
#include "widgets/AppState.h"
#include "widgets/BusyCursor.h"
#include "widgets/DbEdit.h"
#include "widgets/DbStatusBar.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Toolbar captions in order, with the control names the handlers are known by.
struct ButtonInfo
{
    const char16_t* caption;
    const char* name;
};
const ButtonInfo toolButtons[] = {
    { u"上一记录", "ToolButton1" }, { u"下一记录", "ToolButton2" }, { u"记录头", "ToolButton3" },
    { u"记录尾", "ToolButton4" },   { u"插入记录", "ToolButton5" }, { u"删除记录", "ToolButton6" },
    { u"存盘", "ToolButton7" },     { u"取消修改", "ToolButton8" }, { u"数据入库", "ToolButton11" },
    { u"数据追加", "ToolButton9" }, { u"返回", "ToolButton10" },
};

const QString allRowsItem = u"所有企业记录"_s;
const QString currentRowsItem = u"当前企业记录"_s;


} // namespace

EntryForm::EntryForm(EntryDefinition def, QWidget* parent) : QDialog(parent), m_def(std::move(def))
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
        try {
            if (t.isEditing()) t.cancel();
            t.setMaster(nullptr, QString());
            if (t.isOpen()) t.close();
        } catch (const std::exception&) {
        }
    }
    try {
        if (Table1.isEditing()) Table1.cancel();
        if (Table1.isOpen()) Table1.close();
    } catch (const std::exception&) {
    }
}

void EntryForm::buildFrame()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(u"PageControl1"_s);
    layout->addWidget(PageControl1, 1);

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

    // A plain row, not a tool bar: a tool bar would fold its last buttons into a menu
    // when the window is narrow.
    auto* bar = new QWidget(this);
    bar->setObjectName(u"ToolBar1"_s);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    barLayout->setSpacing(0);
    // Eleven captions and the check list must fit the window's 792 pixels.
    QFont barFont = font();
    barFont.setPointSizeF(9);
    bar->setFont(barFont);
    for (const ButtonInfo& b : toolButtons) {
        auto* button = new QToolButton(bar);
        button->setText(QString::fromUtf16(b.caption));
        button->setObjectName(QString::fromLatin1(b.name));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
        barLayout->addWidget(button);
        m_buttons.append(button);
    }
    barLayout->addStretch(1);
    ComboBox1 = new QComboBox(bar);
    ComboBox1->setObjectName(u"ComboBox1"_s);
    ComboBox1->addItems({ u"校验开启"_s, u"校验关闭"_s });
    ComboBox1->setFocusPolicy(Qt::NoFocus);
    barLayout->addWidget(ComboBox1);
    layout->addWidget(bar);

    StatusBar1 = new DbStatusBar(this);
    StatusBar1->setObjectName(u"StatusBar1"_s);
    layout->addWidget(StatusBar1);

    auto on = [this](const QString& caption, void (EntryForm::*method)()) {
        connect(button(caption), &QToolButton::clicked, this, guard(this, method));
    };
    on(u"上一记录"_s, &EntryForm::priorClick);
    on(u"下一记录"_s, &EntryForm::nextClick);
    on(u"记录头"_s, &EntryForm::firstClick);
    on(u"记录尾"_s, &EntryForm::lastClick);
    on(u"插入记录"_s, &EntryForm::insertClick);
    on(u"删除记录"_s, &EntryForm::deleteClick);
    on(u"存盘"_s, &EntryForm::saveClick);
    on(u"取消修改"_s, &EntryForm::cancelClick);
    on(u"数据追加"_s, &EntryForm::ToolButton9Click);
    connect(button(u"数据入库"_s), &QToolButton::clicked, this, [this] { guarded([this] { ToolButton11Click(); }); });
    connect(button(u"返回"_s), &QToolButton::clicked, this, &QWidget::close);
    connect(PageControl1, &QTabWidget::currentChanged, this, guard(this, &EntryForm::PageControl1Change));
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, guard(this, &EntryForm::ComboBox1Change));
    connect(StatusBar1, &DbStatusBar::doubleClicked, this, guard(this, &EntryForm::StatusBar1DblClick));
}

QToolButton* EntryForm::button(const QString& caption) const
{
    for (QToolButton* b : m_buttons)
        if (b->text() == caption) return b;
    return nullptr;
}

QWidget* EntryForm::addMasterPage(const QString& title, QWidget* content)
{
    PageControl1->addTab(content, title);
    m_pages.append(content);
    m_pageTitles.append(title);
    return content;
}

void EntryForm::addDetailPage(int index)
{
    Detail& d = detail(index);
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    d.grid1 = new DbGrid(page);
    d.grid2 = new DbGrid(page);
    d.grid1->setObjectName(u"DBGrid%1"_s.arg(2 * index + 1));
    d.grid2->setObjectName(u"DBGrid%1"_s.arg(2 * index + 2));
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
    d.page = page;
    PageControl1->addTab(page, d.def.pageTitle);
    m_pages.append(page);
    m_pageTitles.append(d.def.pageTitle);
    connect(d.list, &QComboBox::currentIndexChanged, this, [this, index] {
        guarded([this, index] { detailListChange(index); });
    });
}

void EntryForm::installHooks()
{
    Table1.beforePost = [this](store::Dataset&) { masterBeforePost(); };
    Table1.afterPost = [this](store::Dataset&) {
        if (!BulkMode) cascadeKeyChange();
        Table1.flush();
    };
    Table1.onPostError = [this](store::Dataset&, store::StoreError& e) { postError(m_def.master, e, Table1); };
    auto masterScrolled = [this](store::Dataset&) {
        const QString number = reportNumberOf(Table1);
        const auto state = Table1.state();
        if (number != CurKey && (state == store::DatasetState::Browse || state == store::DatasetState::Insert))
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
        t.onPostError = [this, i](store::Dataset&, store::StoreError& e) {
            postError(detail(i).def, e, detailTable(i));
        };
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
    guarded([this] { FormActivate(); });
}

void EntryForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && Table1.isOpen())
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
            if (ruleTable.isEmpty()) t.open();
            else entry::loadFieldChecks(t, rules, ruleTable);
        };
        load(Table1, m_def.master.ruleTable);
        for (auto& d : m_details) load(*d->table, d->def.ruleTable);
    } catch (...) {
        for (auto it = m_details.rbegin(); it != m_details.rend(); ++it)
            if ((*it)->table->isOpen()) (*it)->table->close();
        if (Table1.isOpen()) Table1.close();
        throw;
    }
    setActive(&Table1, &DataSource1);
    if (LocateOnOpen) locateOnOpen();
    CurKey = reportNumberOf(Table1);
    {
        const QSignalBlocker block(PageControl1);
        PageControl1->setCurrentIndex(0);
    }
    syncPage();
    {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(0);
    }
    // Whatever the list showed before, the constraints are now in force.
    if (!CheckOn) {
        CheckOn = true;
        Table1.enableConstraints();
        for (auto& d : m_details) d->table->enableConstraints();
    }
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
    // Back in the default order the row must stay the current one.
    if (!found.isEmpty()) {
        Table1.setKey();
        Table1.locate({ m_def.master.keyField }, { found });
    }
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
    if (m_filterInstalled) {
        qApp->removeEventFilter(this);
        m_filterInstalled = false;
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
    for (auto& d : m_details) store(*d->table);

    for (auto it = m_details.rbegin(); it != m_details.rend(); ++it)
        if ((*it)->table->isOpen()) (*it)->table->close();
    if (Table1.isOpen()) Table1.close();
    if (RecordsDeleted) {
        sharedComponents().Database1.packTable(m_def.master.file);
        for (auto& d : m_details) sharedComponents().Database1.packTable(d->def.file);
    }
    return true;
}

// --- Pages, lists and the status bar ----------------------------------------------------

bool EntryForm::isMasterPage(int index) const
{
    return detailOfPage(index) < 0;
}

int EntryForm::detailOfPage(int index) const
{
    QWidget* page = m_pages.value(index);
    for (int i = 0; i < detailCount(); ++i)
        if (m_details[size_t(i)]->page == page) return i;
    return -1;
}

QWidget* EntryForm::pageOf(const QString& title) const
{
    const qsizetype i = m_pageTitles.indexOf(title);
    return i < 0 ? nullptr : m_pages[i];
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
    coverLabel->setText(editable ? m_def.reportNumberCaption : m_def.reportNumberCaption + u"(只读)"_s);
    coverNumber->setEnabled(editable);
}

void EntryForm::syncPage()
{
    const int page = PageControl1->currentIndex();
    const int di = detailOfPage(page);
    if (di >= 0) {
        Detail& d = detail(di);
        setActive(d.table.get(), d.source.get());
        {
            const QSignalBlocker block(d.list);
            d.list->setCurrentIndex(0);
        }
        d.grid1->setReadOnly(false);
        d.grid2->setReadOnly(false);
        d.grid1->setDataSource(d.source.get());
        d.grid2->setDataSource(d.source.get());
        button(u"插入记录"_s)->setEnabled(true);
        button(u"数据追加"_s)->setEnabled(false);
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
        for (auto& d : m_details) detailEditing = detailEditing || d->table->isEditing();
        setCoverNumberEditable(!detailEditing);
        setActive(&Table1, &DataSource1);
        const bool cover = page == 0;
        button(u"插入记录"_s)->setEnabled(cover);
        button(u"数据追加"_s)->setEnabled(cover);
        if (cover)
            for (int i = 0; i < detailCount(); ++i) linkDetail(i, true);
    }
    updateStatusLine();
}

void EntryForm::collapseWhenEmpty()
{
    if (ActiveTable != &Table1 || !Table1.isOpen() || !Table1.isEmpty()) return;
    for (int i = 1; i < PageControl1->count(); ++i) PageControl1->setTabVisible(i, false);
    m_collapsed = true;
    {
        const QSignalBlocker block(PageControl1);
        PageControl1->setCurrentIndex(0);
    }
    syncPage();
}

void EntryForm::updateStatusLine()
{
    if (!ActiveSource || !ActiveTable || !ActiveTable->isOpen()) return;
    StatusBar1->setSimpleText(entry::statusLineText(m_def.statusForm, reportNumberOf(*ActiveTable),
                                                    ActiveTable->recNo(), ActiveTable->recordCount(),
                                                    ActiveSource->isEditing()));
}

void EntryForm::StatusBar1DblClick()
{
    if (!ActiveTable || ActiveTable->master() || m_def.locateDialog.isEmpty()) return;
    LocateTable = ActiveTable;
    QWidget* dialog = windowRegistry().window(m_def.locateDialog, this);
    if (!dialog) return;
    services().showModal(dialog);
    CurKey = reportNumberOf(Table1);
    updateStatusLine();
}

void EntryForm::ComboBox1Change()
{
    const bool on = ComboBox1->currentIndex() == 0;
    if (on == CheckOn) return;
    CheckOn = on;
    auto apply = [on](store::Table& t) {
        if (on) t.enableConstraints();
        else t.disableConstraints();
    };
    apply(Table1);
    for (auto& d : m_details) apply(*d->table);
}

void EntryForm::detailListChange(int index)
{
    Detail& d = detail(index);
    const bool all = d.list->currentText() == allRowsItem;
    if (all && ActiveSource && ActiveSource->isEditing()) saveRecord(*ActiveTable);
    d.grid1->setDataSource(nullptr);
    d.grid2->setDataSource(nullptr);
    d.grid1->setReadOnly(all);
    d.grid2->setReadOnly(all);
    linkDetail(index, !all);
    button(u"插入记录"_s)->setEnabled(!all);
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
    ActiveTable->append();
    // Keying goes on where a new row starts: its number, or the first cell of the grid.
    if (ActiveTable == &Table1) {
        if (PageControl1->currentIndex() == 0) coverNumber->setFocus();
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
    store::Table& t = *ActiveTable;
    if (!t.isEmpty()) {
        if (!services().question(u"是否删除当前记录"_s, u"提示"_s)) return;
        RecordsDeleted = true;
        if (t.isEditing()) t.cancel();
        if (&t == &Table1) {
            // Every detail row of this return goes with it, whatever the detail pages show.
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
    if (!services().question(u"是否放弃当前记录的修改"_s, u"提示"_s)) return;
    ActiveTable->cancel();
    updateStatusLine();
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
        if (services().question(def.emptyQuestion, QString())) {
            target.close();
            target.emptyTable();
            if (def.ruleTable.isEmpty()) target.open();
            else entry::loadFieldChecks(target, sharedComponents().Table1, def.ruleTable);
            collapseWhenEmpty();
        }
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
            const QSignalBlocker block(f->PageControl1);
            f->PageControl1->setCurrentIndex(0);
            guarded([this] { f->syncPage(); });
        }
    } back { this };
    mergeInto(Table1, &DataSource1, m_def.master);
    for (auto& d : m_details) mergeInto(*d->table, d->source.get(), d->def);
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
    const EntryTable& m = m_def.master;
    if (!m.counterField.isEmpty()) Table1.fieldByName(m.counterField).setValue(1);
    Table1.fieldByName(u"id"_s).setValue(Table1.fieldByName(m.keyField).value());
}

void EntryForm::detailBeforePost(int index)
{
    if (BulkMode) return;
    Detail& d = detail(index);
    store::Table& t = *d.table;
    runSentMarker();
    entry::zeroFillNumericNulls(t);
    if (!d.def.counterField.isEmpty()) t.fieldByName(d.def.counterField).setValue(1);
    const QString sub = t.fieldByName(d.def.subKeyField).asString();
    if (sub.isEmpty()) rejectPost(d.def.emptySubKeyMessage);
    const QString number = reportNumberOf(Table1);
    if (number.isEmpty()) rejectPost(d.def.emptyMasterMessage);
    t.fieldByName(d.def.keyField).setValue(number);
    t.fieldByName(u"id"_s).setValue(number + u'_' + sub);
}

void EntryForm::postError(const EntryTable& def, store::StoreError& error, store::Table& table)
{
    Q_UNUSED(table);
    QString message = error.message();
    if (message == u"Key violation."_s) {
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
    if (BulkMode && &def == &m_def.master) message += m_def.bulkSuffix;
    error.setMessage(message);
}

// --- State changes ----------------------------------------------------------------------

void EntryForm::masterStateChange()
{
    if (m_collapsed) {
        for (int i = 1; i < PageControl1->count(); ++i) PageControl1->setTabVisible(i, true);
        m_collapsed = false;
    }
    if (DataSource1.isEditing()) setCoverNumberEditable(true);
    if (Table1.isOpen()) updateStatusLine();
}

void EntryForm::detailStateChange(int index)
{
    store::Table& t = detailTable(index);
    // Merges and the cascade store detail rows of any return; the check is for keying in.
    if (t.isEditing() && !BulkMode && coverNumber->text().trimmed().isEmpty()) {
        t.cancel();
        services().message(m_def.missingNumberMessage, u"提示窗口"_s, Services::MessageKind::Information);
        {
            const QSignalBlocker block(PageControl1);
            PageControl1->setCurrentIndex(0);
        }
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
            if (CheckOn) t.disableConstraints();
            struct Restore
            {
                EntryForm* f;
                int i;
                store::Table& t;
                ~Restore()
                {
                    if (t.isEditing()) t.cancel();
                    if (f->CheckOn) t.enableConstraints();
                    t.setFiltered(false);
                    f->linkDetail(i, true);
                }
            } restore { this, i, t };
            const int key = t.fieldIndex(d.def.keyField);
            const int sub = t.fieldIndex(d.def.subKeyField);
            const int id = t.fieldIndex(u"id"_s);
            while (!t.isEmpty()) {
                t.first();
                t.edit();
                t.setValue(key, stored);
                t.setValue(id, stored + u'_' + t.value(sub).toString());
                t.post();
            }
        }
    }
    CurKey = stored;
}

void EntryForm::mergeFromFile(store::Table& target, store::Table& source)
{
    source.open();
    int di = -1;
    for (int i = 0; i < detailCount(); ++i)
        if (&detailTable(i) == &target) di = i;
    const EntryTable& def = di < 0 ? m_def.master : detail(di).def;
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
    for (auto& d : m_details) d->source->setDataSet(nullptr);
    target.disableConstraints();
    BulkMode = true;
    StatusBar1->showProgress(source.recordCount());
    struct Finish
    {
        EntryForm* f;
        store::Table& target;
        store::Table& source;
        std::vector<int> unlinked;
        ~Finish()
        {
            if (target.isEditing()) target.cancel();
            try {
                target.endWriteGroup();
            } catch (const std::exception&) {
            }
            if (source.isOpen()) source.close();
            guarded([this] { target.first(); });
            target.enableConstraints();
            for (int i : unlinked) f->linkDetail(i, true);
            f->DataSource1.setDataSet(&f->Table1);
            for (auto& d : f->m_details) d->source->setDataSet(d->table.get());
            f->BulkMode = false;
            f->StatusBar1->hideProgress();
        }
    } finish { this, target, source, unlinked };
    target.beginWriteGroup();
    entry::MergeKeys keys;
    keys.keyField = def.keyField;
    keys.subKeyField = def.subKeyField;
    keys.keyIndex = di < 0 ? def.index : QString();
    keys.counterField = def.counterField;
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
    for (auto& d : m_details) {
        if (!d->grid1 || d->page != PageControl1->currentWidget()) continue;
        if (focus == d->grid1 || d->grid1->isAncestorOf(focus)) {
            const int column = d->grid1->selectedColumn();
            if (column >= d->grid1->columnCount() - 1) {
                d->grid1->setFocus(); // closes and keeps an open cell edit
                d->grid2->setSelectedColumn(0);
                d->grid2->setFocus();
            } else {
                d->grid1->setSelectedColumn(column + 1);
            }
            return true;
        }
        if (focus == d->grid2 || d->grid2->isAncestorOf(focus)) {
            const int column = d->grid2->selectedColumn();
            d->grid2->setFocus();
            if (column < d->grid2->columnCount() - 1) d->grid2->setSelectedColumn(column + 1);
            return true;
        }
    }
    focusNextChild();
    return true;
}
