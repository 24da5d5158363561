#include "StoreFixture.h"

#include "store/Query.h"
#include "store/Table.h"

#include <QFile>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using store::FieldType;
using store::StoreError;
using store::Table;

class TestTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nameResolution_data();
    void nameResolution();
    void createOpenAndTypedValues();
    void emptyTextIsNullAndTextSizeCountsGbkBytes();
    void navigationAndRowNumbers();
    void editCancelAndPostStates();
    void duplicateKeys_data();
    void duplicateKeys();
    void postErrorHookRewritesAndBeforePostAborts();
    void orderingByIndexAndFieldList();
    void keySearch();
    void masterDetailLinkFollowsMaster();
    void filterDropsRowsThatStopMatching();
    void constraintsAndCountedSuspension();
    void deleteKeepsPosition();
    void batchAppendStopsAtFirstBadRow_data();
    void batchAppendStopsAtFirstBadRow();
    void emptyPackAndReplace();
    void badFiles_data();
    void badFiles();
    void openTableCannotBeReplaced();
};

void TestTable::nameResolution_data()
{
    QTest::addColumn<QString>("created");
    QTest::addColumn<QString>("opened");
    QTest::newRow("no extension means .db") << u"kfq1_chk.db"_s << u"kfq1_chk"_s;
    QTest::newRow("letter case ignored") << u"tmp_r.db"_s << u"tmp_r.DB"_s;
    QTest::newRow("backslash directory") << u"tmp/kfq_1.db"_s << u"tmp\\kfq_1.db"_s;
    QTest::newRow("directory case ignored") << u"tmp/bhcl.DB"_s << u"TMP\\BHCL.db"_s;
}

void TestTable::nameResolution()
{
    QFETCH(QString, created);
    QFETCH(QString, opened);
    WorkDirFixture wd;
    Table::createTable(created, detailSchema());
    Table t;
    t.setTableName(opened);
    t.open();
    QCOMPARE(QFileInfo(t.filePath()).canonicalFilePath(), QFileInfo(wd.path(created)).canonicalFilePath());
    QCOMPARE(t.fieldCount(), 5);
}

void TestTable::createOpenAndTypedValues()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_1.db"_s, masterSchema());
    {
        Table t;
        t.setTableName(u"kfq_1.db"_s);
        t.open();
        QCOMPARE(t.state(), store::DatasetState::Browse);
        QCOMPARE(t.recordCount(), 0);
        QCOMPARE(t.recNo(), 0);
        appendRow(t, { u"0001"_s, u"0001"_s, u"北京测试科技有限公司"_s, 1, u"12345.67"_s, 250, u"2012-03-04"_s });
    }
    Table t;
    t.setTableName(u"KFQ_1"_s);
    t.open();
    QCOMPARE(t.recordCount(), 1);
    QCOMPARE(t.fieldByName(u"qa04"_s).asString(), u"北京测试科技有限公司"_s);
    QCOMPARE(t.fieldByName(u"QC05"_s).asFloat(), 12345.67);
    QCOMPARE(t.fieldByName(u"QD01"_s).asInteger(), 250);
    QCOMPARE(t.fieldByName(u"QB04"_s).asDate(), QDate(2012, 3, 4));
    QCOMPARE(t.fieldByName(u"qa_one"_s).type(), FieldType::SmallInt);
    QCOMPARE(t.fieldByName(u"QA01"_s).size(), 25);
    QCOMPARE(t.schema().indexes.size(), 3);
    QVERIFY(t.schema().indexes[0].primary);
    QVERIFY(t.schema().findIndex(u"KFQ_13"_s)->caseInsensitive);
    QVERIFY_THROWS_EXCEPTION(StoreError, t.fieldByName(u"nosuch"_s));
}

void TestTable::emptyTextIsNullAndTextSizeCountsGbkBytes()
{
    WorkDirFixture wd;
    store::TableSchema s;
    s.fields = { textField(u"name"_s, 4), field(u"n"_s, FieldType::Float) };
    Table::createTable(u"t.db"_s, s);
    Table t;
    t.setTableName(u"t.db"_s);
    t.open();
    t.append();
    t.field(0).setValue(u""_s);
    QVERIFY(t.field(0).isNull());
    t.field(0).setValue(u"中文"_s); // four GBK bytes fit
    QVERIFY_THROWS_EXCEPTION(StoreError, t.field(0).setValue(u"中文字"_s));
    QVERIFY_THROWS_EXCEPTION(StoreError, t.field(1).setValue(u"abc"_s));
    t.post();
    QCOMPARE(t.field(0).asString(), u"中文"_s);
    QVERIFY(t.field(1).isNull());
    QVERIFY_THROWS_EXCEPTION(StoreError, t.field(0).setValue(u"x"_s)); // not editing
}

void TestTable::navigationAndRowNumbers()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_2.db"_s, detailSchema());
    Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    for (int i = 1; i <= 5; ++i)
        appendRow(t, { u"A_%1"_s.arg(i), u"A"_s, QString::number(i) });
    t.first();
    QCOMPARE(t.recNo(), 1);
    QVERIFY(t.bof());
    t.next();
    t.next();
    QCOMPARE(t.recNo(), 3);
    QCOMPARE(t.moveBy(10), 2);
    QVERIFY(t.eof());
    QCOMPARE(t.recNo(), 5);
    t.prior();
    QCOMPARE(t.fieldByName(u"QE01"_s).asString(), u"4"_s);
    t.setRecNo(2);
    QCOMPARE(t.fieldByName(u"id"_s).asString(), u"A_2"_s);
    t.last();
    QCOMPARE(t.recordCount(), 5);
    QCOMPARE(t.valueAt(0, 0).toString(), u"A_1"_s);
}

void TestTable::editCancelAndPostStates()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_2.db"_s, detailSchema());
    Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    QSignalSpy states(&t, &store::Dataset::stateChanged);
    t.edit(); // no rows: a new row starts
    QCOMPARE(t.state(), store::DatasetState::Insert);
    QCOMPARE(t.recNo(), 1);
    t.fieldByName(u"id"_s).setValue(u"A_1"_s);
    t.post();
    QCOMPARE(t.state(), store::DatasetState::Browse);
    t.edit();
    QCOMPARE(t.state(), store::DatasetState::Edit);
    t.fieldByName(u"QE02"_s).setValue(u"芯片"_s);
    t.cancel();
    QVERIFY(t.fieldByName(u"QE02"_s).isNull());
    // A move while editing stores the row, as a form expects.
    t.edit();
    t.fieldByName(u"QE02"_s).setValue(u"芯片"_s);
    t.next();
    QCOMPARE(t.state(), store::DatasetState::Browse);
    Table again;
    again.setTableName(u"kfq_2.db"_s);
    again.open();
    QCOMPARE(again.fieldByName(u"QE02"_s).asString(), u"芯片"_s);
    QVERIFY(states.count() >= 6);
}

void TestTable::duplicateKeys_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("qa01");
    QTest::addColumn<QString>("qa04");
    QTest::addColumn<QString>("message");
    QTest::newRow("primary") << u"0001"_s << u"0009"_s << u"其他公司"_s << u"Key violation."_s;
    QTest::newRow("blank primary twice") << QString() << u"0009"_s << u"其他公司"_s << u"Key violation."_s;
    QTest::newRow("unique secondary names its index") << u"0002"_s << u"0001"_s << u"其他公司"_s << u"kfq_1"_s;
    QTest::newRow("case-insensitive unique index") << u"0002"_s << u"0002"_s << u"ACME 公司"_s << u"kfq_13"_s;
}

void TestTable::duplicateKeys()
{
    QFETCH(QString, id);
    QFETCH(QString, qa01);
    QFETCH(QString, qa04);
    QFETCH(QString, message);
    WorkDirFixture wd;
    Table::createTable(u"kfq_1.db"_s, masterSchema());
    Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    appendRow(t, { u"0001"_s, u"0001"_s, u"acme 公司"_s });
    appendRow(t, { QVariant(), u"0003"_s, u"无编号公司"_s });
    try {
        appendRow(t, { id.isEmpty() ? QVariant() : QVariant(id), qa01, qa04 });
        QFAIL("the duplicate was stored");
    } catch (const StoreError& e) {
        if (message == "Key violation."_L1) QCOMPARE(e.message(), message);
        else QVERIFY2(e.message().contains(message) && e.message() != "Key violation."_L1, qPrintable(e.message()));
    }
    QCOMPARE(t.state(), store::DatasetState::Insert); // the row stays for correction
    t.cancel();
    QCOMPARE(t.recordCount(), 2);
}

void TestTable::postErrorHookRewritesAndBeforePostAborts()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_1.db"_s, masterSchema());
    Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    t.beforePost = [](store::Dataset& d) {
        d.fieldByName(u"qa_one"_s).setValue(1);
        d.fieldByName(u"id"_s).setValue(d.fieldByName(u"QA01"_s).value());
        if (d.fieldByName(u"QA01"_s).isNull()) throw store::Abort();
    };
    t.onPostError = [](store::Dataset&, StoreError& e) {
        if (e.message() == "Key violation."_L1) e.setMessage(u"企业报表编号重复"_s);
        e.setMessage(u"企业数据错误:"_s + e.message());
    };
    appendRow(t, { QVariant(), u"0001"_s });
    QCOMPARE(t.fieldByName(u"id"_s).asString(), u"0001"_s);
    QCOMPARE(t.fieldByName(u"qa_one"_s).asInteger(), 1);
    t.append();
    QVERIFY_THROWS_EXCEPTION(store::Abort, t.post());
    QCOMPARE(t.state(), store::DatasetState::Insert);
    t.fieldByName(u"QA01"_s).setValue(u"0001"_s);
    try {
        t.post();
        QFAIL("stored a duplicate");
    } catch (const StoreError& e) {
        QCOMPARE(e.message(), u"企业数据错误:企业报表编号重复"_s);
    }
}

void TestTable::orderingByIndexAndFieldList()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_1.db"_s, masterSchema());
    Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    appendRow(t, { u"3"_s, u"c"_s, u"b公司"_s });
    appendRow(t, { u"1"_s, u"a"_s, u"C公司"_s });
    appendRow(t, { u"2"_s, u"b"_s, u"a公司"_s });
    auto column = [&](int field) {
        QStringList out;
        for (int r = 0; r < t.recordCount(); ++r)
            out.append(t.valueAt(r, field).toString());
        return out;
    };
    QCOMPARE(column(0), (QStringList { u"1"_s, u"2"_s, u"3"_s })); // primary index by default
    t.setIndexName(u"kfq_13"_s);
    QCOMPARE(column(2), (QStringList { u"a公司"_s, u"b公司"_s, u"C公司"_s })); // case-insensitive
    t.setIndexFieldNames(u"QA04"_s);
    QCOMPARE(t.indexName(), QString());
    t.setIndexFieldNames(QString());
    // A stored row moves to its place in the order without a reload.
    t.setIndexName(u"kfq_1"_s);
    t.first();
    t.edit();
    t.fieldByName(u"QA01"_s).setValue(u"z"_s);
    t.post();
    QCOMPARE(t.recNo(), 3);
    QCOMPARE(column(1), (QStringList { u"b"_s, u"c"_s, u"z"_s }));
    QVERIFY_THROWS_EXCEPTION(StoreError, t.setIndexName(u"nosuch"_s));
}

void TestTable::keySearch()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_2.db"_s, detailSchema());
    Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    appendRow(t, { u"A_1"_s, u"A"_s, u"1"_s });
    appendRow(t, { u"B_1"_s, u"B"_s, u"1"_s });
    appendRow(t, { u"B_2"_s, u"B"_s, u"2"_s });
    t.setIndexName(u"kfq_2"_s);
    t.setKey();
    t.setKeyValue(0, u"B"_s);
    t.setKeyValue(1, u"2"_s);
    QVERIFY(t.gotoKey());
    QCOMPARE(t.fieldByName(u"id"_s).asString(), u"B_2"_s);
    t.setKey();
    t.setKeyValue(u"QA01"_s, u"C"_s);
    QVERIFY(!t.gotoKey());
    QCOMPARE(t.fieldByName(u"id"_s).asString(), u"B_2"_s); // a miss does not move
    QVERIFY(t.findKey({ u"A"_s }));
    QCOMPARE(t.recNo(), 1);
    QVERIFY(t.locate({ u"QE01"_s, u"QA01"_s }, { u"1"_s, u"b"_s }, true));
    QCOMPARE(t.fieldByName(u"id"_s).asString(), u"B_1"_s);
}

void TestTable::masterDetailLinkFollowsMaster()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_1.db"_s, masterSchema());
    Table::createTable(u"kfq_2.db"_s, detailSchema());
    Table master, detail;
    master.setTableName(u"kfq_1.db"_s);
    detail.setTableName(u"kfq_2.db"_s);
    master.open();
    detail.open();
    appendRow(master, { u"A"_s, u"A"_s, u"甲"_s });
    appendRow(master, { u"B"_s, u"B"_s, u"乙"_s });
    appendRow(detail, { u"A_1"_s, u"A"_s, u"1"_s });
    appendRow(detail, { u"B_1"_s, u"B"_s, u"1"_s });
    appendRow(detail, { u"B_2"_s, u"B"_s, u"2"_s });
    detail.setIndexName(u"kfq_2"_s);
    detail.setMaster(&master, u"QA01"_s);
    master.first();
    QCOMPARE(detail.recordCount(), 1);
    master.next();
    QCOMPARE(detail.recordCount(), 2);
    // A new detail row takes the master's key.
    detail.append();
    QCOMPARE(detail.fieldByName(u"QA01"_s).asString(), u"B"_s);
    detail.fieldByName(u"id"_s).setValue(u"B_3"_s);
    detail.fieldByName(u"QE01"_s).setValue(u"3"_s);
    detail.post();
    QCOMPARE(detail.recordCount(), 3);
    // A master row being inserted shows no detail rows.
    master.append();
    QCOMPARE(detail.recordCount(), 0);
    master.cancel();
    QCOMPARE(detail.recordCount(), 3);
    detail.setMasterFields(QString());
    QCOMPARE(detail.recordCount(), 4);
}

void TestTable::filterDropsRowsThatStopMatching()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_2.db"_s, detailSchema());
    Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    appendRow(t, { u"A_1"_s, u"A"_s, u"1"_s });
    appendRow(t, { u"A_2"_s, u"A"_s, u"2"_s });
    appendRow(t, { u"B_1"_s, u"B"_s, u"1"_s });
    t.setFilter(u"qa01='A'"_s);
    t.setFiltered(true);
    QCOMPARE(t.recordCount(), 2);
    // The cascade of a changed report number walks a filter until no old row is left.
    int guard = 0;
    while (!t.isEmpty() && guard++ < 10) {
        t.edit();
        t.fieldByName(u"QA01"_s).setValue(u"C"_s);
        t.fieldByName(u"id"_s).setValue(u"C_"_s + t.fieldByName(u"QE01"_s).asString());
        t.post();
    }
    QCOMPARE(guard, 2);
    t.setFiltered(false);
    QCOMPARE(t.recordCount(), 3);
    t.setFilter(u"qa01=\"C\""_s);
    t.setFiltered(true);
    QCOMPARE(t.recordCount(), 2);
}

void TestTable::constraintsAndCountedSuspension()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_1.db"_s, masterSchema());
    Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.setConstraints({ { u"QC05>=0"_s, u"总收入不能为负"_s }, { u"qa04 is not null"_s, u"企业名称不能为空"_s },
                       { u"QD01 is null or QD01<100000"_s, u"从业人员过多"_s } });
    t.open();
    auto tryStore = [&](const QVariantList& row) -> QString {
        try {
            appendRow(t, row);
            return {};
        } catch (const StoreError& e) {
            t.cancel();
            return e.message();
        }
    };
    QCOMPARE(tryStore({ u"1"_s, u"1"_s, u"甲"_s, 1, -5.0 }), u"总收入不能为负"_s);
    QCOMPARE(tryStore({ u"1"_s, u"1"_s, QVariant(), 1, 5.0 }), u"企业名称不能为空"_s);
    QCOMPARE(tryStore({ u"1"_s, u"1"_s, u"甲"_s, 1, 5.0 }), QString());
    t.disableConstraints();
    t.disableConstraints();
    t.enableConstraints();
    QVERIFY(!t.constraintsActive());
    QCOMPARE(tryStore({ u"2"_s, u"2"_s, u"乙"_s, 1, -1.0 }), QString());
    t.enableConstraints();
    QCOMPARE(tryStore({ u"3"_s, u"3"_s, u"丙"_s, 1, -1.0 }), u"总收入不能为负"_s);

    Table bad;
    bad.setTableName(u"kfq_1.db"_s);
    bad.setConstraints({ { u"nosuch > 0"_s, u"x"_s } });
    try {
        bad.open();
        QFAIL("a rule on a missing field opened");
    } catch (const StoreError& e) {
        QVERIFY2(e.message().contains(u"kfq_1.db"_s) && e.message().contains(u"nosuch"_s), qPrintable(e.message()));
    }
    QVERIFY(!bad.isOpen());
}

void TestTable::deleteKeepsPosition()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_2.db"_s, detailSchema());
    Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    for (int i = 1; i <= 3; ++i)
        appendRow(t, { u"A_%1"_s.arg(i), u"A"_s, QString::number(i) });
    t.setRecNo(2);
    t.deleteRecord();
    QCOMPARE(t.fieldByName(u"id"_s).asString(), u"A_3"_s);
    t.deleteRecord();
    QCOMPARE(t.fieldByName(u"id"_s).asString(), u"A_1"_s);
    t.deleteRecord();
    QVERIFY(t.isEmpty());
    QVERIFY_THROWS_EXCEPTION(StoreError, t.deleteRecord());
}

void TestTable::batchAppendStopsAtFirstBadRow_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("appended");
    QTest::newRow("all fit") << QStringList { u"a"_s, u"b"_s, u"c"_s } << 3;
    QTest::newRow("value that would be cut") << QStringList { u"a"_s, u"too long"_s, u"c"_s } << 1;
    QTest::newRow("key violation") << QStringList { u"a"_s, u"b"_s, u"k"_s } << 2;
}

void TestTable::batchAppendStopsAtFirstBadRow()
{
    QFETCH(QStringList, names);
    QFETCH(int, appended);
    WorkDirFixture wd;
    store::TableSchema wide;
    wide.fields = { textField(u"code"_s, 20), field(u"amount"_s, FieldType::Float) };
    Table::createTable(u"src.db"_s, wide);
    store::TableSchema narrow;
    narrow.fields = { textField(u"key"_s, 4), field(u"n"_s, FieldType::Integer) };
    narrow.indexes = { { QString(), { u"key"_s }, true, true, false } };
    Table::createTable(u"dst.db"_s, narrow);
    {
        Table dst;
        dst.setTableName(u"dst.db"_s);
        dst.open();
        appendRow(dst, { u"k"_s, 0 });
    }
    Table src;
    src.setTableName(u"src.db"_s);
    src.open();
    for (const QString& n : names)
        appendRow(src, { n, 2.0 });
    Table dst;
    dst.setTableName(u"dst.db"_s); // closed: the append opens it itself
    if (appended == names.size()) {
        QCOMPARE(dst.batchAppend(src), appended);
    } else {
        QVERIFY_THROWS_EXCEPTION(StoreError, dst.batchAppend(src));
    }
    dst.open();
    QCOMPARE(dst.recordCount(), 1 + appended);
}

void TestTable::emptyPackAndReplace()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_2.db"_s, detailSchema());
    {
        Table t;
        t.setTableName(u"kfq_2.db"_s);
        t.open();
        for (int i = 0; i < 50; ++i)
            appendRow(t, { u"A_%1"_s.arg(i), u"A"_s, QString::number(i), QString(200, u'x').left(40) });
        QVERIFY_THROWS_EXCEPTION(StoreError, t.pack()); // open
        t.emptyTable();
        QCOMPARE(t.recordCount(), 0);
    }
    Table::packTable(u"KFQ_2"_s);
    Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    QCOMPARE(t.recordCount(), 0);
    t.close();
    store::TableSchema other;
    other.fields = { textField(u"x"_s, 3) };
    t.createTable(other);
    t.open();
    QCOMPARE(t.fieldCount(), 1);
}

void TestTable::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QByteArray() << u"missing.db"_s;
    QTest::newRow("not a table") << QByteArray("hello, this is no table at all\n").repeated(10) << u"text.db"_s;
    QTest::newRow("empty file") << QByteArray("") << u"empty.db"_s;
    QTest::newRow("truncated") << QByteArray("TRUNCATE") << u"kfq_1.db"_s;
    QTest::newRow("corrupted") << QByteArray("CORRUPT") << u"kfq_1.db"_s;
}

void TestTable::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    WorkDirFixture wd;
    Table::createTable(u"kfq_1.db"_s, masterSchema());
    {
        Table t;
        t.setTableName(u"kfq_1.db"_s);
        t.open();
        for (int i = 0; i < 300; ++i)
            appendRow(t, { QString::number(i), QString::number(i), u"企业%1"_s.arg(i) });
    }
    if (content == "TRUNCATE") {
        QFile f(wd.path(name));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() / 3));
    } else if (content == "CORRUPT") {
        QFile f(wd.path(name));
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(4096 * 2);
        f.write(QByteArray(8192, '\xA5'));
    } else if (name != "missing.db"_L1) {
        QFile f(wd.path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    try {
        Table t;
        t.setTableName(name);
        t.open();
        for (int i = 0; i < t.recordCount(); ++i)
            t.rowAt(i);
        store::Query q;
        q.setSql(u"select count(*) from \"%1\""_s.arg(name));
        q.open();
        QFAIL("a bad file read as a table");
    } catch (const StoreError& e) {
        QVERIFY2(e.message().contains(name, Qt::CaseInsensitive), qPrintable(e.message()));
    }
}

void TestTable::openTableCannotBeReplaced()
{
    WorkDirFixture wd;
    Table::createTable(u"kfq_2.db"_s, detailSchema());
    Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    QVERIFY_THROWS_EXCEPTION(StoreError, Table::createTable(u"KFQ_2.DB"_s, detailSchema()));
    QVERIFY_THROWS_EXCEPTION(StoreError, Table::packTable(u"kfq_2"_s));
    t.close();
    Table::packTable(u"kfq_2"_s);
}

QTEST_GUILESS_MAIN(TestTable)
#include "tst_table.moc"
