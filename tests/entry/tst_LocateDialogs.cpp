#include "EntryFixture.h"
#include "entry/LocateDialogs.h"
#include "store/Table.h"
#include "widgets/DbGrid.h"
#include "widgets/RadioGroup.h"

#include <QLineEdit>

class TestLocateDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void byRecordNumber_data();
    void byRecordNumber();
    void byKeyOptions_data();
    void byKeyOptions();
    void notAWholeNumber();
    void columnDialog();
};

namespace {

void threeReturns()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲"_s, u"10000000-1"_s);
    EntryFixture::addEnterprise(u"000002"_s, u"乙"_s, u"20000000-2"_s);
    EntryFixture::addEnterprise(u"000003"_s, u"丙"_s, u"30000000-3"_s);
}

} // namespace

void TestLocateDialogs::byRecordNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("recNo");
    QTest::newRow("1") << u"1"_s << 1;
    QTest::newRow("2") << u"2"_s << 2;
    QTest::newRow("0") << u"0"_s << 1;
    QTest::newRow("negative") << u"-4"_s << 1;
    QTest::newRow("beyond the end") << u"99"_s << 3;
    QTest::newRow("empty: nothing happens") << QString() << 3;
}

void TestLocateDialogs::byRecordNumber()
{
    QFETCH(QString, typed);
    QFETCH(int, recNo);
    EntryFixture fx;
    threeReturns();
    store::Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    t.last();
    LocateTable = &t;
    TF_change_r2 dialog;
    dialog.show();
    dialog.Edit1->setText(typed);
    dialog.Button1Click();
    QCOMPARE(t.recNo(), recNo);
    QCOMPARE(dialog.isVisible(), typed.isEmpty());
}

void TestLocateDialogs::byKeyOptions_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("report number") << 1 << u"000002"_s << u"000002"_s;
    QTest::newRow("legal-person code") << 2 << u"30000000-3"_s << u"000003"_s;
    QTest::newRow("missing key stays") << 1 << u"000009"_s << u"000001"_s;
}

void TestLocateDialogs::byKeyOptions()
{
    QFETCH(int, option);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    EntryFixture fx;
    threeReturns();
    store::Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    LocateTable = &t;
    TF_change_r2 dialog;
    dialog.RadioGroup1->setItemIndex(option);
    dialog.show();
    dialog.Edit1->setText(typed);
    dialog.Button1Click();
    QCOMPARE(t.fieldByName(u"qa01"_s).asString(), expected);
    QCOMPARE(t.indexName(), QString());
    // The option stays and the field starts empty at the next showing.
    dialog.show();
    QCOMPARE(dialog.RadioGroup1->itemIndex(), option);
    QVERIFY(dialog.Edit1->text().isEmpty());

    // The generic dialog works on LocateField through LocateIndex.
    t.first();
    LocateField = u"qa01"_s;
    LocateIndex = u"kfq_1"_s;
    TF_change_r plain;
    plain.RadioGroup1->setItemIndex(1);
    plain.show();
    plain.Edit1->setText(u"000003"_s);
    plain.Button1Click();
    QCOMPARE(t.fieldByName(u"qa01"_s).asString(), u"000003"_s);
}

void TestLocateDialogs::notAWholeNumber()
{
    EntryFixture fx;
    threeReturns();
    store::Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    LocateTable = &t;
    TF_change_r dialog;
    dialog.show();
    dialog.Edit1->setText(u"abc"_s);
    QVERIFY(!guarded([&] { dialog.Button1Click(); }));
    QCOMPARE(fx.fake.exceptions().size(), 1);
    QVERIFY(dialog.isVisible());
}

void TestLocateDialogs::columnDialog()
{
    EntryFixture fx;
    threeReturns();
    store::Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    DataSource source;
    source.setDataSet(&t);
    DbGrid grid;
    grid.setDataSource(&source);
    grid.setColumnPixelWidth(1, 100);
    GridCharWidth = 7.5f;
    TF_change_c dialog;
    dialog.setColumn(&grid, 1);
    dialog.show();
    QCOMPARE(dialog.Edit1->text(), grid.columnTitle(1));
    QCOMPARE(dialog.Edit2->text(), u"13"_s);
    dialog.Edit1->setText(u"编号"_s);
    dialog.Button1Click();
    QCOMPARE(grid.columnPixelWidth(1), 97);
    QCOMPARE(grid.columnTitle(1), u"编号"_s);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestLocateDialogs)
#include "tst_LocateDialogs.moc"
