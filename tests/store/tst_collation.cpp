#include "StoreFixture.h"
#include "store/Collation.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace store;

namespace {

// Offices read place names in the order of the GBK code page (pinyin for common characters).
const QStringList places { u"三明"_s, u"上海"_s, u"临夏"_s, u"丽水"_s, u"云浮"_s, u"伊春"_s, u"佛山"_s,
    u"保定"_s };
const QStringList placesInGbkOrder { u"保定"_s, u"佛山"_s, u"丽水"_s, u"临夏"_s, u"三明"_s, u"上海"_s,
    u"伊春"_s, u"云浮"_s };

TableSchema placeSchema()
{
    TableSchema s;
    s.fields = { textField(u"id"_s, 10), textField(u"name"_s, 20), field(u"n"_s, FieldType::Integer) };
    s.indexes = { { QString(), { u"id"_s }, true, true, false },
        { u"byname"_s, { u"name"_s }, false, false, false },
        { u"bynamenocase"_s, { u"name"_s }, false, false, true } };
    return s;
}

void makePlaces(const QStringList& names)
{
    Table::createTable(u"places.db"_s, placeSchema());
    Table t;
    t.setTableName(u"places.db"_s);
    t.open();
    int i = 0;
    for (const QString& name : names)
        appendRow(t, { QString::number(++i), name, i });
}

QStringList column(Dataset& d, int field)
{
    QStringList out;
    for (d.first(); !d.eof(); d.next())
        out.append(d.value(field).toString());
    return out;
}

QStringList answer(const QString& sql, int field = 0)
{
    Query q;
    q.setSql(sql);
    q.open();
    return column(q, field);
}

// What the plain sqlite3 shell prints for the statements, with its exit status.
QPair<int, QString> shell(const QString& file, const QString& statements)
{
    QProcess p;
    p.start(u"sqlite3"_s, { u"-bail"_s, file, statements });
    if (!p.waitForFinished(30000)) return { -1, QString() };
    return { p.exitCode(),
        QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed() };
}

} // namespace

class TestCollation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compareFollowsGbkBytes_data();
    void compareFollowsGbkBytes();
    void placeNamesInGbkOrder();
    void localSqlOrdersAndGroupsInGbkOrder();
    void indexOrderAndNewRows_data();
    void indexOrderAndNewRows();
    void shellReadsAndWritesTheFile();
};

void TestCollation::compareFollowsGbkBytes_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<int>("expected");
    QTest::newRow("pinyin, not code point") << u"三明"_s << u"保定"_s << false << 1;
    QTest::newRow("ASCII before Chinese") << u"z"_s << u"中"_s << false << -1;
    QTest::newRow("prefix first") << u"上海"_s << u"上海市"_s << false << -1;
    QTest::newRow("same text") << u"上海A"_s << u"上海A"_s << false << 0;
    QTest::newRow("upper before lower") << u"B"_s << u"a"_s << false << -1;
    QTest::newRow("case folded") << u"QA01"_s << u"qa01"_s << true << 0;
    QTest::newRow("folding keeps order") << u"b"_s << u"A"_s << true << 1;
    QTest::newRow("euro sign of code page 936") << u"€"_s << u"啊"_s << false << -1;
    QTest::newRow("outside GBK: after every GBK character") << u"\U0001F600"_s << u"齄"_s << false << 1;
    QTest::newRow("outside GBK, distinct texts stay distinct")
        << u"\u3400"_s << u"\U0001F600"_s << false << -1;
}

void TestCollation::compareFollowsGbkBytes()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, noCase);
    QFETCH(int, expected);
    QCOMPARE(compareGbk(a, b, noCase), expected);
    QCOMPARE(compareGbk(b, a, noCase), -expected);
    // The collation SQLite calls gives the same answer.
    const QStringList sorted
        = answer(u"select x from (select '%1' x union all select '%2' x) order by x%3"_s.arg(
            a, b, noCase ? u" collate gbk_nocase"_s : QString()));
    if (expected < 0) QCOMPARE(sorted, (QStringList { a, b }));
    if (expected > 0) QCOMPARE(sorted, (QStringList { b, a }));
}

void TestCollation::placeNamesInGbkOrder()
{
    QStringList sorted = places;
    std::sort(sorted.begin(), sorted.end(),
        [](const QString& a, const QString& b) { return compareGbk(a, b) < 0; });
    QCOMPARE(sorted, placesInGbkOrder);
    // The same as the byte order of the names written in GBK.
    QStringEncoder gbk("GBK");
    std::sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
        return QByteArray(gbk.encode(a)) < QByteArray(gbk.encode(b));
    });
    QCOMPARE(sorted, placesInGbkOrder);
}

void TestCollation::localSqlOrdersAndGroupsInGbkOrder()
{
    WorkDirFixture wd;
    makePlaces(places + QStringList { u"上海"_s });
    QStringList twice = placesInGbkOrder;
    twice.insert(twice.indexOf(u"上海"_s), u"上海"_s);
    QCOMPARE(answer(u"select name from \"places.db\" order by name"_s), twice);
    QStringList descending = twice;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(answer(u"select name 地区 from \"places.db\" order by 地区 desc"_s), descending);
    QCOMPARE(answer(u"select name from \"places.db\" order by 1"_s), twice);
    // Grouping keeps equal names together and lists the groups in the same order.
    QCOMPARE(answer(u"select name, count(*) from \"places.db\" group by name"_s), placesInGbkOrder);
    QCOMPARE(answer(u"select name, count(*) from \"places.db\" group by name"_s, 1).at(5), u"2"_s);
}

void TestCollation::indexOrderAndNewRows_data()
{
    QTest::addColumn<QString>("index");
    QTest::newRow("named index") << u"byname"_s;
    QTest::newRow("case-insensitive index") << u"bynamenocase"_s;
    QTest::newRow("field list") << QString();
}

void TestCollation::indexOrderAndNewRows()
{
    QFETCH(QString, index);
    WorkDirFixture wd;
    makePlaces(places.mid(1));
    Table t;
    t.setTableName(u"places.db"_s);
    t.open();
    if (index.isEmpty())
        t.setIndexFieldNames(u"name"_s);
    else
        t.setIndexName(index);
    QStringList expected = placesInGbkOrder;
    expected.removeOne(places.first());
    QCOMPARE(column(t, 1), expected);
    // A row stored later takes its place in that order, without a reload.
    appendRow(t, { u"99"_s, places.first(), 99 });
    QCOMPARE(t.recNo(), int(placesInGbkOrder.indexOf(places.first())) + 1);
    QCOMPARE(column(t, 1), placesInGbkOrder);
    t.setKey();
    t.setKeyValue(0, u"丽水"_s);
    QVERIFY(t.gotoKey());
    QCOMPARE(t.recNo(), 3);
}

void TestCollation::shellReadsAndWritesTheFile()
{
    // The order lives in the program's statements, not in the file: the plain sqlite3
    // shell, which knows no GBK collation, still checks, reads, sorts and writes it.
    WorkDirFixture wd;
    makePlaces(places);
    const QString file = wd.path(u"places.db"_s);
    const auto schema = shell(file, u"select count(*) from sqlite_master where sql like '%gbk%';"_s);
    QCOMPARE(schema, qMakePair(0, u"0"_s));
    const auto check = shell(file,
        u"pragma integrity_check; select count(*) from data where name='上海';"
        "insert into data (id, name, n) values ('9', '南京', 9);"
        "select name from data order by name limit 1;"_s);
    QCOMPARE(check.first, 0);
    QCOMPARE(check.second, u"ok\n1\n三明"_s);
    // And the program reads what the shell wrote.
    Table t;
    t.setTableName(u"places.db"_s);
    t.open();
    t.setIndexName(u"byname"_s);
    QCOMPARE(t.recordCount(), 9);
    t.first();
    QCOMPARE(t.value(1).toString(), u"保定"_s);
}

QTEST_GUILESS_MAIN(TestCollation)
#include "tst_collation.moc"
