#include "EntryFixture.h"
#include "entry/EntryOps.h"
#include "store/Table.h"

namespace {

// A delivered product table in2.db merged into kfq_2.db by report number and sequence.
void openProductMerge(store::Table& source, store::Table& target)
{
    source.setTableName(u"in2.db"_s);
    source.open();
    target.setTableName(u"kfq_2.db"_s);
    target.setIndexName(u"kfq_2"_s);
    target.open();
}

entry::MergeKeys productKeys()
{
    entry::MergeKeys keys;
    keys.keyField = u"qa01"_s;
    keys.subKeyField = u"qe01"_s;
    keys.counterField = u"qe_one"_s;
    return keys;
}

} // namespace

class TestEntryOps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { resetAppState(); }
    void loadFieldChecks();
    void loadFieldChecksUnknownField();
    void zeroFill();
    void statusLine_data();
    void statusLine();
    void mergeDetailRows();
    void mergeNeedsKeyFields();
};

void TestEntryOps::loadFieldChecks()
{
    EntryFixture fx;
    EntryFixture::sql(u"delete from \"kfq1_chk.db\""_s);
    EntryFixture::sql(u"insert into \"kfq1_chk.db\" (status, field_value, field_text, field_name, field_mask) values "
                      u"('错误', 'qa04 is not null', '名称不能为空', 'qa04', ''), "
                      u"('警告', 'qa05 is not null', '地址不能为空', 'qa05', '000000;1;_'), "
                      u"('错误 ', 'qa06 is not null', '不是错误', 'qa06', '')"_s);
    store::Table t;
    t.setTableName(u"kfq_1.db"_s);
    entry::loadFieldChecks(t, fx.shared.Table1, u"kfq1_chk"_s);
    QVERIFY(t.isOpen());
    QVERIFY(!fx.shared.Table1.isOpen());
    // Only rows whose status is exactly 错误 become constraints; masks come from every row.
    QCOMPARE(t.constraints().size(), 1);
    QCOMPARE(t.constraints()[0].message, u"名称不能为空"_s);
    QCOMPARE(t.fieldByName(u"qa05"_s).editMask(), u"000000;1;_"_s);
    t.append();
    t.fieldByName(u"id"_s).setValue(u"1"_s);
    t.fieldByName(u"qa01"_s).setValue(u"000001"_s);
    try {
        t.post();
        QFAIL("a row breaking the rule was stored");
    } catch (const store::StoreError& e) {
        QCOMPARE(e.message(), u"名称不能为空"_s);
    }
}

void TestEntryOps::loadFieldChecksUnknownField()
{
    EntryFixture fx;
    EntryFixture::sql(u"insert into \"kfq1_chk.db\" (status, field_value, field_text, field_name, field_mask) values "
                      u"('警告', '1', 'x', 'no_such_field', '000')"_s);
    store::Table t;
    t.setTableName(u"kfq_1.db"_s);
    QVERIFY_THROWS_EXCEPTION(store::StoreError, entry::loadFieldChecks(t, fx.shared.Table1, u"kfq1_chk"_s));
    QVERIFY(!fx.shared.Table1.isOpen());
}

void TestEntryOps::zeroFill()
{
    EntryFixture fx;
    store::Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    t.append();
    t.fieldByName(u"qe15"_s).setValue(2.5);
    entry::zeroFillNumericNulls(t);
    QCOMPARE(t.fieldByName(u"qe14"_s).value(), QVariant(0.0));
    QCOMPARE(t.fieldByName(u"qe15"_s).value(), QVariant(2.5));
    QVERIFY(t.fieldByName(u"qe02"_s).isNull());
}

void TestEntryOps::statusLine_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("text");
    QTest::newRow("full") << int(entry::StatusForm::Full) << false << u"报表编号: 000007  当前记录: 3  总记录: 9  未修改"_s;
    QTest::newRow("full editing") << int(entry::StatusForm::Full) << true << u"报表编号: 000007  当前记录: 3  总记录: 9  已修改"_s;
    QTest::newRow("short") << int(entry::StatusForm::Short) << true << u"当前记录:3  总记录:9  已修改"_s;
}

void TestEntryOps::statusLine()
{
    QFETCH(int, form);
    QFETCH(bool, editing);
    QFETCH(QString, text);
    QCOMPARE(entry::statusLineText(entry::StatusForm(form), u"000007"_s, 3, 9, editing), text);
}

void TestEntryOps::mergeDetailRows()
{
    EntryFixture fx;
    EntryFixture::addProduct(u"000001"_s, u"1"_s);
    EntryFixture::sql(u"update \"kfq_2.db\" set qe17='3', qe14=9"_s);
    EntryFixture::sql(u"create table \"in2.db\" (qa01 char(6), qe01 char(4), qe02 char(50), qe14 float, pxh char(3))"_s);
    EntryFixture::sql(u"insert into \"in2.db\" values ('000001','1','新名', null, '110'), ('000002','1','别的', 4, '')"_s);
    store::Table source, target;
    openProductMerge(source, target);
    entry::MergeKeys keys = productKeys();
    QList<int> progress;
    QCOMPARE(entry::mergeRows(source, target, keys, [&](int row) { progress << row; }), 2);
    QCOMPARE(progress, (QList<int> { 1, 2 }));
    store::Query q;
    q.setSql(u"select id, qe02, qe14, qe17, pxh, qe_one from \"kfq_2.db\" order by id"_s);
    q.open();
    QCOMPARE(q.recordCount(), 2);
    QCOMPARE(q.rowAt(0), (QVariantList { u"000001_1"_s, u"新名"_s, 0.0, u"3"_s, QVariant(), 1.0 }));
    QCOMPARE(q.rowAt(1).value(0), QVariant(u"000002_1"_s));
}

void TestEntryOps::mergeNeedsKeyFields()
{
    EntryFixture fx;
    EntryFixture::sql(u"create table \"in2.db\" (qa01 char(6), qe02 char(50))"_s);
    EntryFixture::sql(u"insert into \"in2.db\" values ('000001','x')"_s);
    store::Table source, target;
    openProductMerge(source, target);
    entry::MergeKeys keys = productKeys();
    QVERIFY_THROWS_EXCEPTION(store::StoreError, entry::mergeRows(source, target, keys));
    QCOMPARE(target.recordCount(), 0);
}

QTEST_MAIN(TestEntryOps)
#include "tst_EntryOps.moc"
