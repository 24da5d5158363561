// The entry-form framework on a made-up report: a master m.db keyed by `code` with a
// detail d.db numbered by `code2`, declared in the ways the report windows differ.
#include "EntryFixture.h"
#include "entry/EntryForm.h"
#include "entry/FieldPage.h"
#include "store/Table.h"
#include "widgets/DbEdit.h"
#include "widgets/DbStatusBar.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

using entry::Action;

namespace {

void makeTables()
{
    using store::FieldDef;
    using store::FieldType;
    store::TableSchema master;
    master.fields = { { u"id"_s, FieldType::Text, 10 }, { u"code"_s, FieldType::Text, 6 },
        { u"name"_s, FieldType::Text, 20 }, { u"amount"_s, FieldType::Float, 0 },
        { u"m_one"_s, FieldType::SmallInt }, { u"pxh"_s, FieldType::Text, 3 } };
    master.indexes
        = { { QString(), { u"id"_s }, true, true, false }, { u"m"_s, { u"code"_s }, false, false, true } };
    store::Table::createTable(u"m.db"_s, master);
    store::TableSchema detail;
    detail.fields = { { u"id"_s, FieldType::Text, 12 }, { u"code"_s, FieldType::Text, 6 },
        { u"code2"_s, FieldType::Text, 4 }, { u"qty"_s, FieldType::Float, 0 },
        { u"d_one"_s, FieldType::SmallInt }, { u"pxh"_s, FieldType::Text, 3 } };
    detail.indexes = { { QString(), { u"id"_s }, true, true, false },
        { u"d"_s, { u"code"_s, u"code2"_s }, false, false, true } };
    store::Table::createTable(u"d.db"_s, detail);
    store::TableSchema rules;
    for (const char16_t* name : { u"status", u"field_value", u"field_text", u"field_name", u"field_mask" })
        rules.fields.append({ QString::fromUtf16(name), FieldType::Text, 60 });
    store::Table::createTable(u"m_chk.db"_s, rules);
    store::Table::createTable(u"d_chk.db"_s, rules);
    EntryFixture::sql(u"insert into \"m_chk.db\" (status, field_value, field_text, field_name) values "
                      u"('错误', 'amount >= 0', '金额不能为负', 'amount')"_s);
    EntryFixture::sql(u"insert into \"d_chk.db\" (status, field_value, field_text, field_name) values "
                      u"('错误', 'qty >= 0', '数量不能为负', 'qty')"_s);
}

void addMaster(const QString& code, const QString& name = {})
{
    EntryFixture::sql(
        u"insert into \"m.db\" (id, code, name, amount, m_one) values ('%1','%1','%2',1,1)"_s.arg(
            code, name));
}

void addDetail(const QString& code, const QString& code2, const QString& id)
{
    EntryFixture::sql(u"insert into \"d.db\" (id, code, code2, qty, d_one) values ('%3','%1','%2',1,1)"_s.arg(
        code, code2, id));
}

EntryTable masterTable()
{
    EntryTable m;
    m.file = u"m.db"_s;
    m.ruleTable = u"m_chk"_s;
    m.keyField = u"code"_s;
    m.counterField = u"m_one"_s;
    m.index = u"m"_s;
    m.errorPrefix = u"数据错误:"_s;
    m.duplicateMessage = u"编号重复"_s;
    m.mergeTitle = u"请选择主表"_s;
    m.emptyQuestion = u"是否清空主表"_s;
    return m;
}

EntryTable detailTable(entry::DetailView view)
{
    EntryTable d;
    d.file = u"d.db"_s;
    d.ruleTable = u"d_chk"_s;
    d.keyField = u"code"_s;
    d.subKeyField = u"code2"_s;
    d.counterField = u"d_one"_s;
    d.index = u"d"_s;
    d.errorPrefix = u"明细数据错误:"_s;
    d.duplicateMessage = u"明细编号重复"_s;
    d.emptySubKeyMessage = u"明细编号不能为空"_s;
    d.emptyMasterMessage = u"编号不能为空"_s;
    d.pageTitle = u"明细"_s;
    d.view = view;
    d.grid1 = { { u"code2"_s, u"编号"_s, 0 }, { u"qty"_s, u"数量"_s, 0 } };
    d.grid2 = { { u"pxh"_s, u"序号"_s, 0 } };
    d.mergeTitle = u"请选择明细表"_s;
    d.emptyQuestion = u"是否清空明细表"_s;
    return d;
}

// Pages: cover, a master page, the detail page. Panel: the master's fields on one panel.
EntryDefinition definition(bool withDetail = true, entry::DetailView view = entry::DetailView::TwoGrids)
{
    EntryDefinition def;
    def.master = masterTable();
    if (withDetail) def.details = { detailTable(view) };
    def.sentMarkerSql = u"delete from sendname.db where name='m.db'"_s;
    return def;
}

const FormItem masterItems[] = {
    { FormItem::Field, u"name", u"名称" },
    { FormItem::Field, u"amount", u"金额" },
    { FormItem::End, nullptr, nullptr },
};
const FormItem panelItems[] = {
    { FormItem::Field, u"code", u"编号" },
    { FormItem::Field, u"name", u"名称" },
    { FormItem::Field, u"amount", u"金额" },
    { FormItem::End, nullptr, nullptr },
};
const FormItem detailItems[] = {
    { FormItem::Field, u"code2", u"企业编号" },
    { FormItem::Field, u"qty", u"数量" },
    { FormItem::End, nullptr, nullptr },
};

class Form : public EntryForm
{
public:
    explicit Form(EntryDefinition def)
        : EntryForm(std::move(def))
    {
        resize(600, 400);
        QList<DbEdit*> edits;
        if (this->def().layout == EntryDefinition::Layout::Panel) {
            auto* panel = new QWidget;
            addFieldRows(panel, panelItems, &DataSource1, 1, edits);
            setPanel(panel);
            setNumberEdit(edits.first());
            return;
        }
        if (this->def().layout == EntryDefinition::Layout::Grid) return;
        addMasterPage(u"概况"_s, buildFieldPage(masterItems, &DataSource1, 1, edits));
        if (detailCount() == 0) return;
        if (detail(0).def.view == entry::DetailView::Form)
            addDetailPage(0, buildFieldPage(detailItems, detail(0).source.get(), 1, edits));
        else
            addDetailPage(0);
    }
    using EntryForm::showFirstPage;
    QToolButton* insertToolButtonForTest(int at, const QString& caption, int* clicks)
    {
        QToolButton* b = insertToolButton(at, caption, u"ToolButton12"_s);
        connect(b, &QToolButton::clicked, this, [clicks] { ++*clicks; });
        return b;
    }
};

} // namespace

class TestEntryForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<EntryFixture> fx;
    std::unique_ptr<Form> w;

    Form& open(EntryDefinition def)
    {
        w = std::make_unique<Form>(std::move(def));
        w->show();
        return *w;
    }
    void showDetailPage() { w->PageControl1->setCurrentWidget(w->detail(0).page); }
    // Keys a detail row on the detail page for the current master row.
    void keyDetail(const QString& code2)
    {
        showDetailPage();
        store::Table& d = w->detailTable(0);
        w->button(Action::Insert)->click();
        d.fieldByName(u"code2"_s).setValue(code2);
        w->button(Action::Save)->click();
    }
    // A delivered copy of d.db with the given rows.
    static void deliverDetails(const QString& file, const QList<QStringList>& rows)
    {
        store::Table::copyToNative(u"d.db"_s, file);
        EntryFixture::sql(u"delete from \"%1\""_s.arg(file));
        for (const QStringList& r : rows)
            EntryFixture::sql(
                u"insert into \"%1\" (id, code, code2, qty, pxh) values ('x','%2','%3',2,'%4')"_s.arg(
                    file, r.value(0), r.value(1), r.value(2)));
    }

private Q_SLOTS:
    void init()
    {
        fx = std::make_unique<EntryFixture>();
        makeTables();
    }
    void cleanup()
    {
        if (QTest::currentTestFailed()) qInfo() << fx->fake.messages();
        w.reset();
        fx.reset();
    }

    void layoutAndToolbar_data();
    void layoutAndToolbar();
    void idRules_data();
    void idRules();
    void mergeStamps_data();
    void mergeStamps();
    void mergeDetailPxh_data();
    void mergeDetailPxh();
    void mergeSuspension_data();
    void mergeSuspension();
    void emptyMaster_data();
    void emptyMaster();
    void pageSwitch_data();
    void pageSwitch();
    void deleteWhileInserting_data();
    void deleteWhileInserting();
    void locatedOpening_data();
    void locatedOpening();
    void bulkSuffix_data();
    void bulkSuffix();
    void failedOpeningClosesOnce();
    void failingCleanupKeepsWindowWorking();
    void formDetailPage();
    void gridWindow();
    void tablesOpenedBeforeLocating();
};

void TestEntryForm::layoutAndToolbar_data()
{
    QTest::addColumn<bool>("panel");
    QTest::addColumn<bool>("checkSwitch");
    QTest::addColumn<QList<Action>>("toolbar");
    QTest::addColumn<QStringList>("captions");
    const QList<Action> ten = { Action::Prior, Action::Next, Action::First, Action::Last, Action::Insert,
        Action::Delete, Action::Save, Action::Cancel, Action::Merge, Action::Close };
    const QStringList tenCaptions = { u"上一记录"_s, u"下一记录"_s, u"记录头"_s, u"记录尾"_s, u"插入记录"_s,
        u"删除记录"_s, u"存盘"_s, u"取消修改"_s, u"数据追加"_s, u"返回"_s };
    QTest::newRow("pages, eleven buttons, switch")
        << false << true << EntryDefinition().toolbar
        << QStringList { u"上一记录"_s, u"下一记录"_s, u"记录头"_s, u"记录尾"_s, u"插入记录"_s, u"删除记录"_s,
               u"存盘"_s, u"取消修改"_s, u"数据入库"_s, u"数据追加"_s, u"返回"_s };
    QTest::newRow("panel, ten buttons, switch") << true << true << ten << tenCaptions;
    QTest::newRow("panel, no switch") << true << false << ten << tenCaptions;
    QTest::newRow("four buttons") << false << false
                                  << QList<Action> { Action::Delete, Action::Save, Action::Cancel,
                                         Action::Close }
                                  << QStringList { u"删除记录"_s, u"存盘"_s, u"取消修改"_s, u"返回"_s };
}

void TestEntryForm::layoutAndToolbar()
{
    QFETCH(bool, panel);
    QFETCH(bool, checkSwitch);
    QFETCH(QList<Action>, toolbar);
    QFETCH(QStringList, captions);
    EntryDefinition def = definition(!panel);
    if (panel) def.layout = EntryDefinition::Layout::Panel;
    def.toolbar = toolbar;
    def.checkSwitch = checkSwitch;
    addMaster(u"A"_s);
    open(std::move(def));
    QVERIFY(w->Table1.isOpen());
    QCOMPARE(w->PageControl1 == nullptr, panel);
    QCOMPARE(w->Panel1 != nullptr, panel);
    QCOMPARE(w->ComboBox1 != nullptr, checkSwitch);
    QStringList shown;
    for (QToolButton* b : w->findChild<QWidget*>(u"ToolBar1"_s)->findChildren<QToolButton*>())
        shown << b->text();
    QCOMPARE(shown, captions);
    // Buttons the window lacks are simply not there; every switch of page or state copes.
    if (!toolbar.contains(Action::Insert)) {
        QVERIFY(!w->button(Action::Insert));
        w->syncPage();
        w->collapseWhenEmpty();
    }
    QVERIFY(w->CheckOn);
    QVERIFY(w->Table1.constraintsActive());
    QVERIFY(fx->fake.messages().isEmpty());
}

void TestEntryForm::idRules_data()
{
    QTest::addColumn<QString>("idField");
    QTest::addColumn<QString>("keyed");
    QTest::addColumn<QString>("merged");
    QTest::addColumn<QString>("cascaded");
    QTest::addColumn<QStringList>("ids"); // keyed row, merged row, then both after the cascade
    QTest::newRow("separator everywhere")
        << u"id"_s << u"_"_s << u"_"_s << u"_"_s << QStringList { u"A_1"_s, u"A_2"_s, u"B_1"_s, u"B_2"_s };
    QTest::newRow("keyed without, merge and cascade with")
        << u"id"_s << QString() << u"_"_s << u"_"_s << QStringList { u"A1"_s, u"A_2"_s, u"B_1"_s, u"B_2"_s };
    QTest::newRow("never a separator") << u"id"_s << QString() << QString() << QString()
                                       << QStringList { u"A1"_s, u"A2"_s, u"B1"_s, u"B2"_s };
    QTest::newRow("no row identifier")
        << QString() << u"_"_s << u"_"_s << u"_"_s << QStringList { u"x"_s, u"x"_s, u"x"_s, u"x"_s };
}

void TestEntryForm::idRules()
{
    QFETCH(QString, idField);
    QFETCH(QString, keyed);
    QFETCH(QString, merged);
    QFETCH(QString, cascaded);
    QFETCH(QStringList, ids);
    EntryDefinition def = definition();
    def.details[0].idField = idField;
    def.details[0].idRule = { keyed, merged, cascaded };
    addMaster(u"A"_s);
    open(std::move(def));
    if (idField.isEmpty()) {
        // Not the window's business: the made-up table still has a primary `id`.
        w->detailTable(0).newRecord = [](store::Dataset& d) { d.fieldByName(u"id"_s).setValue(u"x"_s); };
    }
    keyDetail(u"1"_s);
    QCOMPARE(EntryFixture::column(u"select id from \"d.db\" where code2='1'"_s), QStringList { ids[0] });

    if (idField.isEmpty()) return; // one row may carry 'x': a merged second row would clash
    deliverDetails(u"in_d.db"_s, { { u"A"_s, u"2"_s } });
    w->showFirstPage();
    w->syncPage();
    // Master dialog cancelled, detail merged.
    fx->fake.setNextFileName({});
    fx->fake.setNextFileName(u"in_d.db"_s);
    fx->fake.setNextAnswer(false);
    w->button(Action::Merge)->click();
    QCOMPARE(EntryFixture::column(u"select id from \"d.db\" where code2='2'"_s), QStringList { ids[1] });

    // A new number on the master moves its rows.
    w->Table1.edit();
    w->Table1.fieldByName(u"code"_s).setValue(u"B"_s);
    w->button(Action::Save)->click();
    QCOMPARE(EntryFixture::column(u"select id from \"d.db\" order by code2"_s), ids.mid(2));
    QVERIFY(w->detailTable(0).constraintsActive());
}

void TestEntryForm::mergeStamps_data()
{
    QTest::addColumn<bool>("clearPxh");
    QTest::addColumn<QString>("order"); // after the merge; empty: id order
    QTest::addColumn<QStringList>("pxh");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("pxh cleared, id order")
        << true << QString() << QStringList { QString(), QString() } << QStringList { u"A"_s, u"B"_s };
    // A master's identifier is its number whatever `pxh` holds: its own stamp sets it.
    QTest::newRow("pxh kept, code order")
        << false << u"code"_s << QStringList { u"11"_s, u"22"_s } << QStringList { u"A"_s, u"B"_s };
}

void TestEntryForm::mergeStamps()
{
    QFETCH(bool, clearPxh);
    QFETCH(QString, order);
    QFETCH(QStringList, pxh);
    QFETCH(QStringList, ids);
    EntryDefinition def = definition(false);
    def.policy.clearPxhOnMerge = clearPxh;
    def.policy.orderAfterMerge = order;
    store::Table::copyToNative(u"m.db"_s, u"in_m.db"_s);
    EntryFixture::sql(u"insert into \"in_m.db\" (id, code, pxh) values ('1','A','11'), ('2','B','22')"_s);
    addMaster(u"B"_s, u"旧名称"_s);
    open(std::move(def));
    fx->fake.setNextFileName(u"in_m.db"_s);
    fx->fake.setNextAnswer(false);
    w->button(Action::Merge)->click();
    QCOMPARE(EntryFixture::column(u"select pxh from \"m.db\" order by code"_s), pxh);
    QCOMPARE(EntryFixture::column(u"select id from \"m.db\" order by code"_s), ids);
    // The source's null number became 0; the stored name the source lacks stays.
    QCOMPARE(EntryFixture::column(u"select amount from \"m.db\" order by code"_s),
        (QStringList { u"0"_s, u"0"_s }));
    QCOMPARE(EntryFixture::column(u"select m_one from \"m.db\" order by code"_s),
        (QStringList { u"1"_s, u"1"_s }));
    QCOMPARE(w->Table1.indexFieldNames(), order);
    QVERIFY(!w->BulkMode);
}

void TestEntryForm::mergeDetailPxh_data()
{
    QTest::addColumn<bool>("clearPxh");
    QTest::addColumn<bool>("pxhLeadsId");
    QTest::addColumn<QString>("pxh");
    QTest::addColumn<QString>("id");
    QTest::newRow("cleared") << true << true << QString() << u"A_2"_s;
    QTest::newRow("kept, leads the id") << false << true << u"9"_s << u"9A_2"_s;
    QTest::newRow("kept, id without it") << false << false << u"9"_s << u"A_2"_s;
}

void TestEntryForm::mergeDetailPxh()
{
    QFETCH(bool, clearPxh);
    QFETCH(bool, pxhLeadsId);
    QFETCH(QString, pxh);
    QFETCH(QString, id);
    EntryDefinition def = definition();
    def.policy.clearPxhOnMerge = clearPxh;
    def.policy.pxhLeadsId = pxhLeadsId;
    addMaster(u"A"_s);
    deliverDetails(u"in_d.db"_s, { { u"A"_s, u"2"_s, u"9"_s } });
    open(std::move(def));
    fx->fake.setNextFileName({});
    fx->fake.setNextFileName(u"in_d.db"_s);
    fx->fake.setNextAnswer(false);
    w->button(Action::Merge)->click();
    QCOMPARE(EntryFixture::column(u"select pxh from \"d.db\""_s), QStringList { pxh });
    QCOMPARE(EntryFixture::column(u"select id from \"d.db\""_s), QStringList { id });
}

void TestEntryForm::mergeSuspension_data()
{
    QTest::addColumn<int>("suspend");
    QTest::addColumn<bool>("checkOn");
    QTest::addColumn<bool>("emptied"); // the emptying question answered Yes (the table reopens)
    QTest::newRow("always, switch on") << int(EntryPolicy::Suspend::Always) << true << false;
    QTest::newRow("always, switch off") << int(EntryPolicy::Suspend::Always) << false << true;
    QTest::newRow("when on, switch on") << int(EntryPolicy::Suspend::WhenCheckOn) << true << true;
    QTest::newRow("when on, switch off") << int(EntryPolicy::Suspend::WhenCheckOn) << false << false;
    QTest::newRow("when on, switch off, emptied") << int(EntryPolicy::Suspend::WhenCheckOn) << false << true;
}

void TestEntryForm::mergeSuspension()
{
    QFETCH(int, suspend);
    QFETCH(bool, checkOn);
    QFETCH(bool, emptied);
    EntryDefinition def = definition(false);
    def.policy.mergeSuspends = EntryPolicy::Suspend(suspend);
    store::Table::copyToNative(u"m.db"_s, u"in_m.db"_s);
    EntryFixture::sql(u"insert into \"in_m.db\" (id, code, amount) values ('1','A',-5)"_s);
    open(std::move(def));
    if (!checkOn) w->ComboBox1->setCurrentIndex(1);
    fx->fake.setNextFileName(u"in_m.db"_s);
    fx->fake.setNextAnswer(emptied);
    w->button(Action::Merge)->click();
    // The row breaking a rule goes in either way: a delivery is taken as it is.
    QCOMPARE(EntryFixture::column(u"select code from \"m.db\""_s), QStringList { u"A"_s });
    // Afterwards the constraints are as the switch says, however the merge treated them.
    QCOMPARE(w->Table1.constraintsActive(), checkOn);
    w->ComboBox1->setCurrentIndex(0);
    QVERIFY(w->Table1.constraintsActive());
}

void TestEntryForm::emptyMaster_data()
{
    QTest::addColumn<bool>("collapse");
    QTest::newRow("pages hidden") << true;
    QTest::newRow("pages stay") << false;
}

void TestEntryForm::emptyMaster()
{
    QFETCH(bool, collapse);
    EntryDefinition def = definition();
    def.policy.collapseWhenEmpty = collapse;
    open(std::move(def));
    QCOMPARE(w->isCollapsed(), collapse);
    QCOMPARE(w->PageControl1->isTabVisible(1), !collapse);
    w->button(Action::Insert)->click();
    QVERIFY(w->PageControl1->isTabVisible(1));
    w->Table1.fieldByName(u"code"_s).setValue(u"A"_s);
    w->button(Action::Save)->click();
    fx->fake.setNextAnswer(true);
    w->button(Action::Delete)->click();
    QCOMPARE(w->PageControl1->isTabVisible(2), !collapse);
}

void TestEntryForm::pageSwitch_data()
{
    QTest::addColumn<bool>("switches");
    QTest::addColumn<bool>("readOnlyLabel");
    QTest::newRow("zone-enterprise style") << true << true;
    QTest::newRow("incubator style") << false << false;
}

void TestEntryForm::pageSwitch()
{
    QFETCH(bool, switches);
    QFETCH(bool, readOnlyLabel);
    EntryDefinition def = definition();
    def.policy.pageSwitchesButtons = switches;
    def.policy.readOnlyLabel = readOnlyLabel;
    addMaster(u"A"_s);
    open(std::move(def));
    w->PageControl1->setCurrentIndex(1);
    QCOMPARE(w->button(Action::Insert)->isEnabled(), !switches);
    QCOMPARE(w->button(Action::Merge)->isEnabled(), !switches);
    showDetailPage();
    QVERIFY(w->button(Action::Insert)->isEnabled());
    QCOMPARE(w->button(Action::Merge)->isEnabled(), !switches);
    w->button(Action::Insert)->click();
    w->showFirstPage();
    w->syncPage();
    QCOMPARE(w->coverLabel->text(), readOnlyLabel ? u"报表编号(只读)"_s : u"报表编号"_s);
    QVERIFY(!w->coverNumber->isEnabled());
}

void TestEntryForm::deleteWhileInserting_data()
{
    QTest::addColumn<bool>("cancelFirst");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("the new row only is discarded") << false << QStringList { u"A"_s, u"B"_s };
    QTest::newRow("the row current before is deleted") << true << QStringList { u"A"_s };
}

void TestEntryForm::deleteWhileInserting()
{
    QFETCH(bool, cancelFirst);
    QFETCH(QStringList, left);
    EntryDefinition def = definition(false);
    def.layout = EntryDefinition::Layout::Panel;
    def.policy.cancelBeforeDelete = cancelFirst;
    addMaster(u"A"_s);
    addMaster(u"B"_s);
    open(std::move(def));
    w->button(Action::Last)->click();
    w->button(Action::Insert)->click();
    w->Table1.fieldByName(u"code"_s).setValue(u"C"_s);
    fx->fake.setNextAnswer(true);
    w->button(Action::Delete)->click();
    QCOMPARE(EntryFixture::column(u"select code from \"m.db\" order by code"_s), left);
    QVERIFY(!w->Table1.isEditing());
}

void TestEntryForm::locatedOpening_data()
{
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("value2");
    QTest::addColumn<int>("page"); // shown afterwards
    QTest::addColumn<QString>("detailRow"); // code2 of the detail's current row
    QTest::newRow("id order, master only") << QString() << QString() << 0 << u"1"_s;
    QTest::newRow("code order, master only") << u"code"_s << QString() << 0 << u"1"_s;
    QTest::newRow("second key shows the detail") << QString() << u"2"_s << 2 << u"2"_s;
    QTest::newRow("second key not found") << QString() << u"9"_s << 2 << u"1"_s;
}

void TestEntryForm::locatedOpening()
{
    QFETCH(QString, order);
    QFETCH(QString, value2);
    QFETCH(int, page);
    QFETCH(QString, detailRow);
    EntryDefinition def = definition();
    def.policy.orderAfterLocate = order;
    def.policy.locateDetail = 0;
    // Identifiers that sort against the numbers: the order shows in the row number.
    EntryFixture::sql(u"insert into \"m.db\" (id, code, m_one) values ('9','A',1), ('1','B',1)"_s);
    addDetail(u"A"_s, u"1"_s, u"A_1"_s);
    addDetail(u"A"_s, u"2"_s, u"A_2"_s);
    LocateOnOpen = true;
    LocateField = u"code"_s;
    LocateValue = u"A"_s;
    LocateValue2 = value2;
    open(std::move(def));
    QCOMPARE(w->Table1.fieldByName(u"code"_s).asString(), u"A"_s);
    QCOMPARE(w->Table1.recNo(), order.isEmpty() ? 2 : 1);
    QCOMPARE(w->PageControl1->currentIndex(), page);
    QCOMPARE(w->detailTable(0).fieldByName(u"code2"_s).asString(), detailRow);
    QCOMPARE(w->ActiveTable == &w->Table1, page == 0);
    QVERIFY(LocateValue2.isEmpty());
}

void TestEntryForm::bulkSuffix_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("zone-enterprise") << u",请退出系统查检查重复记录"_s;
    QTest::newRow("none") << QString();
}

void TestEntryForm::bulkSuffix()
{
    QFETCH(QString, suffix);
    EntryDefinition def = definition(false);
    def.policy.bulkSuffix = suffix;
    // A stored row holds the identifier that the delivered number will get.
    EntryFixture::sql(u"insert into \"m.db\" (id, code, m_one) values ('A','X',1)"_s);
    store::Table::copyToNative(u"m.db"_s, u"in_m.db"_s);
    EntryFixture::sql(u"delete from \"in_m.db\""_s);
    EntryFixture::sql(u"insert into \"in_m.db\" (id, code) values ('1','A')"_s);
    open(std::move(def));
    fx->fake.setNextFileName(u"in_m.db"_s);
    fx->fake.setNextAnswer(false);
    w->button(Action::Merge)->click();
    QCOMPARE(fx->fake.exceptions(), QStringList { u"数据错误:编号重复"_s + suffix });
}

void TestEntryForm::failedOpeningClosesOnce()
{
    EntryDefinition def = definition();
    def.details[0].ruleTable = u"missing_chk"_s;
    open(std::move(def));
    QCOMPARE(fx->fake.exceptions().size(), 1);
    QVERIFY(w->openFailed());
    QVERIFY(!w->Table1.isOpen());
    // Closing the message box activates the window again: nothing is tried or shown again.
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(w.get(), &activation);
    QCoreApplication::processEvents();
    QVERIFY(!w->isVisible());
    QCOMPARE(fx->fake.exceptions().size(), 1);
    // Shown again (the table there now) it opens.
    store::Table::copyToNative(u"d_chk.db"_s, u"missing_chk.db"_s);
    w->show();
    QVERIFY(w->Table1.isOpen());
    QCOMPARE(fx->fake.exceptions().size(), 1);
}

void TestEntryForm::failingCleanupKeepsWindowWorking()
{
    EntryDefinition def = definition();
    // Ordering by a field the table lacks fails while the failed merge cleans up.
    def.policy.orderAfterMerge = u"nosuchfield"_s;
    addMaster(u"A"_s);
    open(std::move(def));
    // A delivered file without the key field stops the merge at once.
    store::TableSchema noKey;
    noKey.fields = { { u"name"_s, store::FieldType::Text, 20 } };
    store::Table::createTable(u"in_nokey.db"_s, noKey);
    fx->fake.setNextFileName(u"in_nokey.db"_s);
    fx->fake.setNextAnswer(false);
    w->button(Action::Merge)->click();
    QCOMPARE(fx->fake.exceptions().size(), 1);
    QVERIFY(fx->fake.exceptions()[0].contains(u"code"_s));
    QVERIFY(!w->BulkMode);
    QVERIFY(w->Table1.constraintsActive());
    QVERIFY(!w->StatusBar1->isProgressShown());
    QCOMPARE(w->detailTable(0).master(), &w->Table1);
    QCOMPARE(w->DataSource1.dataSet(), &w->Table1);
    // And it keeps working.
    w->button(Action::Insert)->click();
    w->Table1.fieldByName(u"code"_s).setValue(u"D"_s);
    w->button(Action::Save)->click();
    QVERIFY(EntryFixture::column(u"select code from \"m.db\""_s).contains(u"D"_s));
}

void TestEntryForm::formDetailPage()
{
    EntryDefinition def = definition(true, entry::DetailView::Form);
    def.policy.pageSwitchesButtons = false;
    addMaster(u"A"_s);
    open(std::move(def));
    QVERIFY(!w->detail(0).grid1);
    showDetailPage();
    QCOMPARE(w->ActiveTable, &w->detailTable(0));
    keyDetail(u"7"_s);
    QCOMPARE(EntryFixture::column(u"select id from \"d.db\""_s), QStringList { u"A_7"_s });
    // An empty number is refused with the table's message.
    w->button(Action::Insert)->click();
    w->button(Action::Save)->click();
    QCOMPARE(fx->fake.messages().last(), u"明细编号不能为空"_s);
    QVERIFY(w->detailTable(0).isEditing());
}

// A window that is one grid over its table: no rules, no stamps, no wording of its own.
void TestEntryForm::gridWindow()
{
    EntryDefinition def = definition(false);
    def.layout = EntryDefinition::Layout::Grid;
    def.cover = false;
    def.master.ruleTable.clear();
    def.master.counterField.clear();
    def.master.idField.clear();
    def.master.errorPrefix.clear();
    def.master.duplicateMessage.clear();
    def.master.grid1
        = { { u"code"_s, u"编号"_s, 0, true }, { u"name"_s, u"名称"_s, 0 }, { u"amount"_s, u"金额"_s, 0 } };
    def.toolbar = { Action::Delete, Action::Save, Action::Cancel, Action::Close };
    def.checkSwitch = false;
    def.statusForm = entry::StatusForm::None;
    def.policy.collapseWhenEmpty = false;
    def.policy.pageSwitchesButtons = false;
    def.policy.cancelAsks = false;
    def.policy.packOnClose = false;
    addMaster(u"A"_s);
    addMaster(u"B"_s);
    w = std::make_unique<Form>(std::move(def));
    int made = 0;
    QToolButton* own = w->insertToolButtonForTest(0, u"生成清单"_s, &made);
    w->show();
    QVERIFY(w->DBGrid1);
    QVERIFY(!w->PageControl1);
    QCOMPARE(w->findChild<QWidget*>(u"ToolBar1"_s)->layout()->itemAt(0)->widget(), own);
    own->click();
    QCOMPARE(made, 1);

    // Enter walks the grid's columns.
    w->DBGrid1->setFocus();
    w->DBGrid1->setSelectedColumn(0);
    QTest::keyClick(w->DBGrid1, Qt::Key_Return);
    QCOMPARE(w->DBGrid1->selectedColumn(), 1);

    // "取消修改" asks nothing here.
    w->Table1.edit();
    w->Table1.fieldByName(u"name"_s).setValue(u"改"_s);
    w->button(Action::Cancel)->click();
    QVERIFY(!w->Table1.isEditing());
    QVERIFY(fx->fake.events().isEmpty());

    // The store's own message for a duplicate, and nothing stamped.
    w->Table1.edit();
    w->Table1.fieldByName(u"id"_s).setValue(u"B"_s);
    w->button(Action::Save)->click();
    QCOMPARE(fx->fake.exceptions(), QStringList { u"Key violation."_s });
    w->Table1.cancel();
    QVERIFY(EntryFixture::column(u"select m_one from \"m.db\" where code='A'"_s) == QStringList { u"1"_s });

    // A deletion does not lead to a pack on closing.
    fx->fake.setNextAnswer(true);
    w->button(Action::Delete)->click();
    QVERIFY(RecordsDeleted);
    QVERIFY(w->close());
    QVERIFY(!w->Table1.isOpen());
}

// A window that fills its table when it is opened empty: the request to locate finds the row.
void TestEntryForm::tablesOpenedBeforeLocating()
{
    struct Filling : Form
    {
        using Form::Form;
        void tablesOpened() override
        {
            if (Table1.isEmpty())
                EntryFixture::sql(
                    u"insert into \"m.db\" (id, code, m_one) values ('A','A',1), ('B','B',1)"_s);
            Table1.refresh();
        }
    };
    LocateOnOpen = true;
    LocateField = u"code"_s;
    LocateValue = u"B"_s;
    auto f = std::make_unique<Filling>(definition(false));
    f->show();
    QCOMPARE(f->Table1.fieldByName(u"code"_s).asString(), u"B"_s);
    QVERIFY(!f->isCollapsed());
}

QTEST_MAIN(TestEntryForm)
#include "tst_EntryForm.moc"
