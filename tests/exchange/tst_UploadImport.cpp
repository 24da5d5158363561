#include "ExchangeFixture.h"

#include "store/TablePath.h"

#include <memory>

using exchange::ListRow;
using exchange::UploadImport;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QByteArray> scratchBytes()
{
    QList<QByteArray> out;
    for (const QString& t : UploadImport::scratchTables())
        out << bytesOf(store::resolveTablePath(t));
    return out;
}

QList<ListRow> listRows()
{
    store::Table list;
    list.setTableName(UploadImport::listTable());
    list.open();
    return UploadImport::readList(list);
}

// The list as the stage filled it, with edits "row=number" applied.
QList<ListRow> edited(const QStringList& edits)
{
    QList<ListRow> rows = listRows();
    for (const QString& e : edits) {
        const qsizetype eq = e.indexOf(u'=');
        rows[e.left(eq).toInt()].renumbered = e.mid(eq + 1);
    }
    return rows;
}

} // namespace

class TestUploadImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<ExchangeFixture> fx;

    // Delivered: 000001 with products 1, 2 and project 1; 000002 with product 1.
    void twoDelivered()
    {
        ExchangeFixture::deliverEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
        ExchangeFixture::deliverEnterprise(u"000002"_s, u"乙公司"_s, u"20000000-2"_s);
        ExchangeFixture::deliverProduct(u"000001"_s, u"1"_s);
        ExchangeFixture::deliverProduct(u"000001"_s, u"2"_s);
        ExchangeFixture::deliverProject(u"000001"_s, u"1"_s);
        ExchangeFixture::deliverProduct(u"000002"_s, u"1"_s);
    }
    void staged()
    {
        const auto r = UploadImport::stage(u"in"_s);
        QVERIFY2(r.complete, qPrintable(r.file + u' ' + r.reason));
        UploadImport::fillListFromStage();
    }

private Q_SLOTS:
    void init() { fx = std::make_unique<ExchangeFixture>(); }
    void cleanup() { fx.reset(); }

    void stageCopiesByteForByte();
    void stageStops_data();
    void stageStops();
    void stageNeedsTmp();
    void stageParadox();
    void listInDeliveredOrder();
    void renumber_data();
    void renumber();
    void renumberRefused_data();
    void renumberRefused();
    void check_data();
    void check();
    void removeStage();
};

void TestUploadImport::stageCopiesByteForByte()
{
    twoDelivered();
    // An earlier import's leftover is replaced.
    QFile stale(u"tmp/kfq_2.db"_s);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("left over");
    stale.close();
    const auto r = UploadImport::stage(fx->dir.filePath(u"in"_s));
    QVERIFY(r.complete);
    for (const QString& t : UploadImport::deliveredFiles())
        QCOMPARE(bytesOf(u"tmp/"_s + t), bytesOf(u"in/"_s + t));
}

void TestUploadImport::stageStops_data()
{
    QTest::addColumn<QString>("broken"); // file of the delivery
    QTest::addColumn<bool>("missing"); // removed, else overwritten with rubbish
    QTest::addColumn<QStringList>("copied"); // what tmp holds afterwards
    QTest::newRow("enterprises missing") << u"kfq_1.db"_s << true << QStringList {};
    QTest::newRow("products missing") << u"kfq_2.db"_s << true << QStringList { u"kfq_1.db"_s };
    QTest::newRow("projects not a table")
        << u"kfq_5.db"_s << false << QStringList { u"kfq_1.db"_s, u"kfq_2.db"_s };
}

void TestUploadImport::stageStops()
{
    QFETCH(QString, broken);
    QFETCH(bool, missing);
    QFETCH(QStringList, copied);
    twoDelivered();
    QFile f(u"in/"_s + broken);
    if (missing) {
        QVERIFY(f.remove());
    } else {
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(4096, 'x'));
        f.close();
    }
    const auto r = UploadImport::stage(u"in"_s);
    QVERIFY(!r.complete);
    QCOMPARE(r.file, broken);
    QVERIFY(!r.reason.isEmpty());
    QStringList inTmp = QDir(u"tmp"_s).entryList(QDir::Files, QDir::Name);
    QCOMPARE(inTmp, copied);
}

void TestUploadImport::stageNeedsTmp()
{
    twoDelivered();
    QVERIFY(QDir(u"tmp"_s).removeRecursively());
    QVERIFY_THROWS_EXCEPTION(store::StoreError, UploadImport::stage(u"in"_s));
}

void TestUploadImport::stageParadox()
{
#ifdef PX_FIXTURE_GEN
    fx->deliverParadox({ u"000007|丙公司|30000000-3"_s, u"000008|丁公司|40000000-4"_s });
    if (QTest::currentTestFailed()) return;
    staged();
    for (const QString& t : UploadImport::scratchTables())
        QCOMPARE(store::formatOf(store::resolveTablePath(t)), store::TableFormat::Native);
    const QList<ListRow> rows = listRows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].name, u"丁公司"_s);
    // The native copy takes the renumbering like a delivered native table.
    QCOMPARE(UploadImport::renumber(edited({ u"0=000017"_s })), 1);
    QCOMPARE(ExchangeFixture::column(u"select qa01 from \"tmp\\kfq_2.db\" order by id"_s),
        (QStringList { u"000017"_s, u"000008"_s }));
#else
    QSKIP("pxlib fixture generator not built");
#endif
}

void TestUploadImport::listInDeliveredOrder()
{
    ExchangeFixture::deliverEnterprise(u"000009"_s, u"壬公司"_s, u"90000000-9"_s);
    ExchangeFixture::deliverEnterprise(u"000003"_s, u"丙公司"_s, u"30000000-3"_s);
    staged();
    const QList<ListRow> rows = listRows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].original, u"000009"_s);
    QCOMPARE(rows[0].renumbered, u"000009"_s);
    QCOMPARE(rows[0].orgCode, u"90000000-9"_s);
    QCOMPARE(rows[0].name, u"壬公司"_s);
    QCOMPARE(rows[1].original, u"000003"_s);
}

void TestUploadImport::renumber_data()
{
    // Each enterprise, product and project is named by its delivered id; the expected
    // lists give each one's report number afterwards, ordered by id.
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<int>("renumbered");
    QTest::addColumn<QStringList>("enterprises"); // 000001, 000002
    QTest::addColumn<QStringList>("products"); // 000001_1, 000001_2, 000002_1
    QTest::addColumn<QStringList>("projects"); // 000001_1
    QTest::newRow("none changed") << QStringList {} << 0 << QStringList { u"000001"_s, u"000002"_s }
                                  << QStringList { u"000001"_s, u"000001"_s, u"000002"_s }
                                  << QStringList { u"000001"_s };
    QTest::newRow("one, with its details")
        << QStringList { u"0=000101"_s } << 1 << QStringList { u"000101"_s, u"000002"_s }
        << QStringList { u"000101"_s, u"000101"_s, u"000002"_s } << QStringList { u"000101"_s };
    // Typed text is a value, never part of the statement.
    QTest::newRow("quotes and Chinese")
        << QStringList { u"0=\"中'x"_s, u"1=a\"\"b"_s } << 2 << QStringList { u"\"中'x"_s, u"a\"\"b"_s }
        << QStringList { u"\"中'x"_s, u"\"中'x"_s, u"a\"\"b"_s } << QStringList { u"\"中'x"_s };
    QTest::newRow("statement text") << QStringList { u"1=1\"or\""_s } << 1
                                    << QStringList { u"000001"_s, u"1\"or\""_s }
                                    << QStringList { u"000001"_s, u"000001"_s, u"1\"or\""_s }
                                    << QStringList { u"000001"_s };
    // All renumberings apply together: the number passed along a chain is not taken twice.
    QTest::newRow("chain") << QStringList { u"0=000002"_s, u"1=000003"_s } << 2
                           << QStringList { u"000002"_s, u"000003"_s }
                           << QStringList { u"000002"_s, u"000002"_s, u"000003"_s }
                           << QStringList { u"000002"_s };
    QTest::newRow("swap") << QStringList { u"0=000002"_s, u"1=000001"_s } << 2
                          << QStringList { u"000002"_s, u"000001"_s }
                          << QStringList { u"000002"_s, u"000002"_s, u"000001"_s }
                          << QStringList { u"000002"_s };
}

void TestUploadImport::renumber()
{
    QFETCH(QStringList, edits);
    QFETCH(int, renumbered);
    QFETCH(QStringList, enterprises);
    QFETCH(QStringList, products);
    QFETCH(QStringList, projects);
    twoDelivered();
    staged();
    const QList<QByteArray> before = scratchBytes();
    QList<int> progress;
    QCOMPARE(UploadImport::renumber(edited(edits), [&](int row) { progress << row; }), renumbered);
    QCOMPARE(progress, (QList<int> { 1, 2 }));
    if (renumbered == 0) QCOMPARE(scratchBytes(), before);
    QCOMPARE(ExchangeFixture::column(u"select qa01 from \"tmp\\kfq_1.db\" order by id"_s), enterprises);
    QCOMPARE(ExchangeFixture::column(u"select qa01 from \"tmp\\kfq_2.db\" order by id"_s), products);
    QCOMPARE(ExchangeFixture::column(u"select qa01 from \"tmp\\kfq_5.db\" order by id"_s), projects);
    // Only the staged copies change.
    QCOMPARE(ExchangeFixture::column(u"select qa01 from \"in\\kfq_2.db\" order by id"_s),
        (QStringList { u"000001"_s, u"000001"_s, u"000002"_s }));
}

void TestUploadImport::renumberRefused_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<int>("row"); // the list row the message is about
    QTest::addColumn<QString>("says");
    QTest::newRow("empty") << QStringList { u"1="_s } << 1 << u"为空"_s;
    QTest::newRow("too long") << QStringList { u"0=1234567"_s } << 0 << u"最多 6 个字节"_s;
    QTest::newRow("too long in GBK") << QStringList { u"0=000101"_s, u"1=高新企业"_s } << 1
                                     << u"“高新企业”太长"_s;
    QTest::newRow("number another keeps") << QStringList { u"0=000002"_s } << 0 << u"另一企业"_s;
    QTest::newRow("letter case only") << QStringList { u"0=a1"_s, u"1=A1"_s } << 0 << u"另一企业"_s;
    QTest::newRow("two for one") << QStringList { u"0=000101"_s, u"2=000102"_s } << 2
                                 << u"两个不同的修改后编号"_s;
}

void TestUploadImport::renumberRefused()
{
    QFETCH(QStringList, edits);
    QFETCH(int, row);
    QFETCH(QString, says);
    twoDelivered();
    staged();
    QList<ListRow> rows = edited({});
    rows.append(rows[0]); // a clash list can name one enterprise twice
    for (const QString& e : edits) {
        const qsizetype eq = e.indexOf(u'=');
        rows[e.left(eq).toInt()].renumbered = e.mid(eq + 1);
    }
    const QList<QByteArray> before = scratchBytes();
    try {
        UploadImport::renumber(rows);
        QFAIL("renumbering went through");
    } catch (const exchange::RenumberRefused& e) {
        QCOMPARE(e.row(), row);
        QVERIFY2(e.message().contains(says), qPrintable(e.message()));
    }
    QCOMPARE(scratchBytes(), before);
}

void TestUploadImport::check_data()
{
    // Stored: 000001 甲 10000000-1 and 000002 乙 20000000-2. Delivered rows
    // "number|name|code"; the clashes as "number|code" of the delivered side.
    QTest::addColumn<QStringList>("delivery");
    QTest::addColumn<QStringList>("clashes");
    QTest::newRow("all new") << QStringList { u"000003|丙|30000000-3"_s, u"000004|丁|40000000-4"_s }
                             << QStringList {};
    QTest::newRow("same number and code") << QStringList { u"000001|甲新名|10000000-x"_s } << QStringList {};
    QTest::newRow("code under another number") << QStringList { u"000003|丙|30000000-3"_s,
        u"000009|戊|20000000-2"_s } << QStringList { u"000009|20000000-2"_s };
    QTest::newRow("number with another code")
        << QStringList { u"000002|己|60000000-6"_s } << QStringList { u"000002|60000000-6"_s };
    QTest::newRow("one against two stored") << QStringList { u"000001|庚|20000000-2"_s }
                                            << QStringList { u"000001|20000000-2"_s, u"000001|20000000-2"_s };
    // The enterprise table's indexes ignore letter case; so does the check.
    QTest::newRow("code in other case, same number")
        << QStringList { u"000001|甲|10000000-X"_s } << QStringList {};
    QTest::newRow("code in other case, other number")
        << QStringList { u"000005|辛|10000000-X"_s } << QStringList { u"000005|10000000-X"_s };
}

void TestUploadImport::check()
{
    QFETCH(QStringList, delivery);
    QFETCH(QStringList, clashes);
    EntryFixture::addEnterprise(u"000001"_s, u"甲"_s, u"10000000-x"_s);
    EntryFixture::addEnterprise(u"000002"_s, u"乙"_s, u"20000000-2"_s);
    for (const QString& d : delivery) {
        const QStringList f = d.split(u'|');
        ExchangeFixture::deliverEnterprise(f[0], f[1], f[2]);
    }
    staged();
    QCOMPARE(UploadImport::checkClashes(), int(clashes.size()));
    QStringList listed;
    for (const ListRow& r : listRows()) {
        QCOMPARE(r.renumbered, r.original);
        listed << r.original + u'|' + r.orgCode;
    }
    if (clashes.isEmpty()) {
        QCOMPARE(listed.size(), delivery.size()); // the list stays as it was
    } else {
        QCOMPARE(listed, clashes);
    }
}

void TestUploadImport::removeStage()
{
    twoDelivered();
    staged();
    QVERIFY(ExchangeFixture::anyUploadLeft());
    QCOMPARE(UploadImport::removeStage(), QStringList());
    QVERIFY(!ExchangeFixture::anyUploadLeft());
}

QTEST_GUILESS_MAIN(TestUploadImport)
#include "tst_UploadImport.moc"
