// The national-project window, the unreported-project reasons and the zone comprehensive
// return on a laid-out working directory with the shipped tables and rules.
#include "EntryFixture.h"
#include "entry/TF_gjwsb.h"
#include "entry/TF_gjxm.h"
#include "entry/TF_kfqzh.h"
#include "store/Table.h"
#include "widgets/DbEdit.h"
#include "widgets/DbStatusBar.h"

#include <QTabWidget>
#include <QToolButton>

#include <memory>

using entry::Action;

namespace {

// An issued list as the national office sends it: dBase, a few of gjxm.db's fields.
void writeList(const QString& file, const QList<QStringList>& rows, bool withState = false)
{
    using store::FieldType;
    store::TableSchema s;
    s.fields = { { u"JB00"_s, FieldType::Text, 9 }, { u"JB01"_s, FieldType::Text, 100 },
        { u"JB02"_s, FieldType::Text, 14 }, { u"JB21"_s, FieldType::Text, 100 },
        { u"JC100"_s, FieldType::Float, 0, 2 } };
    if (withState) s.fields.append({ u"IS_CHGE"_s, FieldType::Text, 1 });
    const bool dbf = file.endsWith(u".dbf"_s);
    store::Table::createTable(file, s, dbf ? store::TableType::Dbase : store::TableType::Default);
    store::Table t;
    t.setTableName(file);
    if (dbf) t.setTableType(store::TableType::Dbase);
    t.open();
    for (const QStringList& r : rows) {
        t.append();
        for (int i = 0; i < r.size(); ++i) {
            if (r[i].isNull()) continue;
            const int f = i < 4 ? i : (i == 4 ? 5 : -1);
            if (f >= 0) t.setValue(f, r[i]);
        }
        t.post();
    }
    t.close();
}

const QList<QStringList> threeProjects = {
    { u"320120001"_s, u"苏州高速光纤通信模块"_s, u"2011AA100001"_s, u"苏州电子有限公司"_s },
    { u"320120002"_s, u"南京智能电网配电终端"_s, u"2011AA100002"_s, QString() },
    { u"320120003"_s, u"无锡碳纤维复合材料构件"_s, u"2011BA100003"_s, u"无锡新材料研究院"_s },
};

QString status(EntryForm& w)
{
    return w.StatusBar1->simpleText();
}

} // namespace

class TestTF_gjxm : public QObject
{
    Q_OBJECT

    std::unique_ptr<EntryFixture> fx;
    std::unique_ptr<TF_gjxm> w;

    TF_gjxm& open()
    {
        w = std::make_unique<TF_gjxm>();
        w->show();
        return *w;
    }
    static QString state(const QString& jb00)
    {
        return EntryFixture::scalar(u"select is_chge from \"gjxm.db\" where jb00='%1'"_s.arg(jb00))
            .toString();
    }

private Q_SLOTS:
    void init() { fx = std::make_unique<EntryFixture>(); }
    void cleanup()
    {
        if (QTest::currentTestFailed()) qInfo() << fx->fake.messages();
        w.reset();
        fx.reset();
    }

    void issuedListLoadsIntoEmptyTable();
    void listLeftAloneWhenTableHasRows();
    void editMarksEntered();
    void clearingListedRow();
    void insertedRowIsAddedAndDeletable();
    void typingIntoEmptyTableAddsRow();
    void duplicates_data();
    void duplicates();
    void mergeTakesEnteredRowsOnly();
    void locatesOnNumber();
    void unreportedList();
    void unreportedReasonRule_data();
    void unreportedReasonRule();
    void unreportedListNeedsProjectTable();
    void zoneReturnKeyedIn();
    void zoneReturnRuleRefusesStore();
};

void TestTF_gjxm::issuedListLoadsIntoEmptyTable()
{
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    open();
    QCOMPARE(w->Table1.recordCount(), 3);
    QCOMPARE(EntryFixture::column(u"select id from \"gjxm.db\" order by id"_s),
        (QStringList { u"320120001"_s, u"320120002"_s, u"320120003"_s }));
    QCOMPARE(EntryFixture::column(
                 u"select count(*) from \"gjxm.db\" where is_chge is null and gj_one=1 and jc100=0"_s),
        QStringList { u"3"_s });
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(status(*w).endsWith(u"  未修改  下发清单记录，未录入"_s), qPrintable(status(*w)));
        w->button(Action::Next)->click();
    }
    QVERIFY(status(*w).startsWith(u"项目编号:320120003  当前记录:3  总记录:3"_s));
    // The issued identification is not retyped on a listed project.
    QVERIFY(w->editOf(u"JB01"_s)->isReadOnly());
    QVERIFY(!w->editOf(u"JB21"_s)->isReadOnly());
    // Also while the project is being keyed in.
    w->Table1.edit();
    QVERIFY(w->editOf(u"JB02"_s)->isReadOnly());
    w->Table1.cancel();
    QVERIFY(fx->fake.messages().isEmpty());
}

void TestTF_gjxm::listLeftAloneWhenTableHasRows()
{
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    EntryFixture::sql(
        u"insert into \"gjxm.db\" (id, jb00, jb01, is_chge, gj_one) values ('320990001','320990001','新增项目','2',1)"_s);
    open();
    QCOMPARE(w->Table1.recordCount(), 1);
    QVERIFY(status(*w).endsWith(u"  新增加记录"_s));
}

void TestTF_gjxm::editMarksEntered()
{
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    open();
    w->button(Action::Next)->click();
    w->Table1.edit();
    w->Table1.fieldByName(u"JB21"_s).setValue(u"南京电网技术有限公司"_s);
    QVERIFY(status(*w).contains(u"  已修改"_s));
    w->button(Action::Save)->click();
    QCOMPARE(state(u"320120002"_s), u"1"_s);
    QVERIFY(status(*w).endsWith(u"  未修改  下发清单记录，已录入"_s));
    QVERIFY(state(u"320120001"_s).isEmpty());
}

void TestTF_gjxm::clearingListedRow()
{
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    open();
    w->Table1.edit();
    w->Table1.fieldByName(u"JB21"_s).setValue(u"苏州光电有限公司"_s);
    w->Table1.fieldByName(u"JC100"_s).setValue(300);
    w->Table1.fieldByName(u"JD01"_s).setValue(u"1"_s);
    w->button(Action::Save)->click();
    QCOMPARE(state(u"320120001"_s), u"1"_s);

    fx->fake.setNextAnswer(false);
    w->button(Action::Delete)->click();
    QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::Question).last().text, u"是否清空当前记录"_s);
    QCOMPARE(state(u"320120001"_s), u"1"_s);

    // Even with a rule that the empty row breaks, the row is cleared.
    w->Table1.edit();
    w->Table1.fieldByName(u"JB10"_s).setValue(u"1"_s);
    fx->fake.setNextAnswer(true);
    w->button(Action::Delete)->click();
    QCOMPARE(w->Table1.recordCount(), 3);
    QCOMPARE(
        EntryFixture::column(
            u"select jb00 || '|' || jb01 || '|' || jb02 || '|' || id || '|' || gj_one from \"gjxm.db\" "
            u"where jb00='320120001' and is_chge is null and jb21 is null and jd01 is null and jc100=0"_s),
        QStringList { u"320120001|苏州高速光纤通信模块|2011AA100001|320120001|1"_s });
    QVERIFY(status(*w).endsWith(u"  下发清单记录，未录入"_s));
    QVERIFY(!RecordsDeleted);
    QVERIFY(w->Table1.constraintsActive());
}

void TestTF_gjxm::insertedRowIsAddedAndDeletable()
{
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    open();
    w->button(Action::Insert)->click();
    QVERIFY(!w->editOf(u"JB00"_s)->isReadOnly());
    QVERIFY(!w->editOf(u"JB01"_s)->isReadOnly());
    QVERIFY(status(*w).endsWith(u"  已修改  新增加记录"_s));
    w->Table1.fieldByName(u"JB00"_s).setValue(u"320990001"_s);
    w->Table1.fieldByName(u"JB01"_s).setValue(u"常州新增项目"_s);
    w->button(Action::Save)->click();
    QCOMPARE(state(u"320990001"_s), u"2"_s);
    QCOMPARE(EntryFixture::scalar(u"select id from \"gjxm.db\" where jb00='320990001'"_s).toString(),
        u"320990001"_s);

    fx->fake.setNextAnswer(true);
    w->button(Action::Delete)->click();
    QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::Question).last().text, u"是否删除当前记录"_s);
    QCOMPARE(w->Table1.recordCount(), 3);
    QVERIFY(RecordsDeleted);
}

void TestTF_gjxm::typingIntoEmptyTableAddsRow()
{
    open();
    QVERIFY(w->isCollapsed());
    w->Table1.edit();
    QVERIFY(!w->isCollapsed());
    w->Table1.fieldByName(u"JB00"_s).setValue(u"320990002"_s);
    w->Table1.fieldByName(u"JB01"_s).setValue(u"扬州新增项目"_s);
    w->button(Action::Save)->click();
    QCOMPARE(state(u"320990002"_s), u"2"_s);
}

void TestTF_gjxm::duplicates_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::newRow("统计编号") << u"JB00"_s << u"320120001"_s;
    QTest::newRow("项目名称") << u"JB01"_s << u"苏州高速光纤通信模块"_s;
}

void TestTF_gjxm::duplicates()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    open();
    w->button(Action::Insert)->click();
    w->Table1.fieldByName(u"JB00"_s).setValue(u"320990003"_s);
    w->Table1.fieldByName(u"JB01"_s).setValue(u"另一个项目"_s);
    w->Table1.fieldByName(field).setValue(value);
    w->button(Action::Save)->click();
    QCOMPARE(fx->fake.exceptions(), QStringList { u"数据错误:统计编号重复"_s });
    QVERIFY(w->Table1.isEditing());
}

void TestTF_gjxm::mergeTakesEnteredRowsOnly()
{
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    // Another office's table: one listed project entered, one added, one not entered.
    writeList(u"in_gjxm.db"_s,
        { { u"320120002"_s, u"南京智能电网配电终端"_s, u"2011AA100002"_s, u"南京电网公司"_s, u"1"_s },
            { u"320990009"_s, u"镇江新增项目"_s, u"2012AA1"_s, u"镇江公司"_s, u"2"_s },
            { u"320120003"_s, u"无锡碳纤维复合材料构件"_s, u"2011BA100003"_s, u"别人写的"_s, QString() } },
        true);
    open();
    const QString all = u"select jb00 || '|' || coalesce(jb21,'') || '|' || coalesce(is_chge,'') || '|' || "
                        u"id || '|' || gj_one "
                        u"|| '|' || coalesce(pxh,'') from \"gjxm.db\" order by jb00"_s;
    const QStringList expected
        = { u"320120001|苏州电子有限公司||320120001|1|"_s, u"320120002|南京电网公司|1|320120002|1|"_s,
              u"320120003|无锡新材料研究院||320120003|1|"_s, u"320990009|镇江公司|2|320990009|1|"_s };
    for (int pass = 0; pass < 2; ++pass) {
        fx->fake.setNextFileName(u"in_gjxm.db"_s);
        fx->fake.setNextAnswer(false);
        w->button(Action::Merge)->click();
        QCOMPARE(EntryFixture::column(all), expected);
    }
    QCOMPARE(fx->fake.exceptions(), QStringList());
    QVERIFY(w->Table1.constraintsActive());
    QVERIFY(!w->KeepChangeMark);
}

void TestTF_gjxm::locatesOnNumber()
{
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    LocateOnOpen = true;
    LocateField = u"jb00"_s;
    LocateValue = u"320120002"_s;
    open();
    QCOMPARE(w->Table1.fieldByName(u"JB00"_s).asString(), u"320120002"_s);
    QCOMPARE(w->Table1.recNo(), 2);
}

void TestTF_gjxm::unreportedList()
{
    writeList(u"gjxm_s.dbf"_s, threeProjects);
    open();
    w->Table1.edit();
    w->Table1.fieldByName(u"JB21"_s).setValue(u"苏州光电有限公司"_s);
    w->button(Action::Save)->click();
    w->close();

    TF_gjwsb reasons;
    reasons.show();
    QCOMPARE(reasons.DBGrid1->columnCount(), 4);
    reasons.ToolButton1->click();
    QCOMPARE(EntryFixture::column(u"select jb00 from \"gj_wsb.db\" order by jb00"_s),
        (QStringList { u"320120002"_s, u"320120003"_s }));
    reasons.Table1.first();
    reasons.Table1.edit();
    reasons.Table1.fieldByName(u"YY"_s).setValue(u"2"_s);
    reasons.button(Action::Save)->click();
    QCOMPARE(EntryFixture::column(u"select yy from \"gj_wsb.db\" where jb00='320120002'"_s),
        QStringList { u"2"_s });

    // One more project entered: its row and every reason go.
    EntryFixture::sql(u"update \"gjxm.db\" set is_chge='1' where jb00='320120003'"_s);
    reasons.ToolButton1->click();
    QCOMPARE(EntryFixture::column(u"select jb00 || '|' || coalesce(yy,'') from \"gj_wsb.db\""_s),
        QStringList { u"320120002|"_s });
    EntryFixture::sql(u"update \"gjxm.db\" set is_chge='1'"_s);
    reasons.ToolButton1->click();
    QVERIFY(reasons.Table1.isEmpty());
    QVERIFY(fx->fake.messages().isEmpty());
}

void TestTF_gjxm::unreportedReasonRule_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("stored");
    QTest::newRow("1") << u"1"_s << true;
    QTest::newRow("4") << u"4"_s << true;
    QTest::newRow("5") << u"5"_s << false;
    QTest::newRow("0") << u"0"_s << false;
}

void TestTF_gjxm::unreportedReasonRule()
{
    QFETCH(QString, reason);
    QFETCH(bool, stored);
    EntryFixture::sql(
        u"insert into \"gj_wsb.db\" (jb00, jb01, jb02) values ('320120002','南京项目','2011AA100002')"_s);
    TF_gjwsb reasons;
    reasons.show();
    reasons.Table1.edit();
    reasons.Table1.fieldByName(u"YY"_s).setValue(reason);
    reasons.button(Action::Save)->click();
    QCOMPARE(EntryFixture::scalar(u"select yy from \"gj_wsb.db\""_s).toString(), stored ? reason : QString());
    QCOMPARE(fx->fake.exceptions().size(), stored ? 0 : 1);
    if (!stored) {
        QVERIFY(fx->fake.exceptions().first().startsWith(u"原因只能填1"_s));
        // "取消修改" drops the typing at once.
        reasons.button(Action::Cancel)->click();
        QVERIFY(!reasons.Table1.isEditing());
        QVERIFY(fx->fake.eventsOf(FakeServices::Kind::Question).isEmpty());
    }
    QVERIFY(reasons.findChild<QWidget*>(u"Label1"_s));
}

void TestTF_gjxm::unreportedListNeedsProjectTable()
{
    EntryFixture::sql(u"insert into \"gj_wsb.db\" (jb00, yy) values ('320120002','3')"_s);
    QVERIFY(store::removeTableFiles(store::resolveTablePath(u"gjxm.db"_s)));
    TF_gjwsb reasons;
    reasons.show();
    reasons.ToolButton1->click();
    QCOMPARE(fx->fake.exceptions().size(), 1);
    QCOMPARE(EntryFixture::column(u"select yy from \"gj_wsb.db\""_s), QStringList { u"3"_s });
    QVERIFY(reasons.Table1.isOpen());
}

void TestTF_gjxm::zoneReturnKeyedIn()
{
    TF_kfqzh zone;
    zone.show();
    QVERIFY(zone.Table1.isEmpty());
    QCOMPARE(zone.PageControl1->count(), 4);
    QVERIFY(zone.PageControl1->isTabVisible(3));
    zone.editOf(u"KA01"_s)->setFocus();
    QTest::keyClicks(zone.editOf(u"KA01"_s), u"SND"_s);
    zone.button(Action::Save)->click();
    QCOMPARE(EntryFixture::column(
                 u"select ka01 || '|' || coalesce(kb16,'-') from \"kfqzh.db\" where kb00=0 and kd35=0"_s),
        QStringList { u"SND|-"_s });
    QCOMPARE(status(zone), u"当前记录:1  总记录:1  未修改"_s);

    fx->fake.setNextAnswer(true);
    zone.button(Action::Delete)->click();
    QVERIFY(zone.Table1.isEmpty());
    QVERIFY(zone.close());
    QVERIFY(fx->fake.exceptions().isEmpty());
}

void TestTF_gjxm::zoneReturnRuleRefusesStore()
{
    TF_kfqzh zone;
    zone.show();
    zone.Table1.edit();
    zone.Table1.fieldByName(u"KA01"_s).setValue(u"无锡高新区"_s);
    zone.Table1.fieldByName(u"KB16"_s).setValue(u"3"_s);
    zone.button(Action::Save)->click();
    QCOMPARE(fx->fake.exceptions(), QStringList { u"数据错误:通过ISO14000环境认证只能填1(是)或2(否)"_s });
    QVERIFY(zone.Table1.isEditing());
}

QTEST_MAIN(TestTF_gjxm)
#include "tst_TF_gjxm.moc"
