#include "check/QuickCondition.h"
#include "store/Connection.h"

#include <QTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// The columns of the one-row table every case runs on, as the data tables declare them.
const QList<QuickCondition::Column> tableColumns = {
    { u"f"_s, u"FLOAT"_s },
    { u"g"_s, u"FLOAT"_s },
    { u"s"_s, u"SMALLINT"_s },
    { u"c"_s, u"CHAR(10)"_s },
    { u"e"_s, u"CHAR(10)"_s },
    { u"d"_s, u"DATE"_s },
};

} // namespace

// Each case puts one row into a table declared like a data table and asks SQLite whether
// `not (<condition>)` is true for it. A row SQLite reports must never be left out; where
// the shape is one QuickCondition is sure of, its answer must be SQLite's.
class TestQuickCondition : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void agreesWithTheEngine_data();
    void agreesWithTheEngine();
};

void TestQuickCondition::agreesWithTheEngine_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("row"); // values of f, g, s, c, e, d as SQL
    QTest::addColumn<bool>("recognised");
    QTest::addColumn<bool>("sure"); // the answer must be exactly SQLite's

    const QString nulls = u"null,null,null,null,null,null"_s;
    // Numbers
    QTest::newRow(">= passes") << u"f>=0"_s << u"1.5,null,null,null,null,null"_s << true << true;
    QTest::newRow(">= equal") << u"f>=0"_s << u"0,null,null,null,null,null"_s << true << true;
    QTest::newRow(">= negative fails") << u"f>=0"_s << u"-0.5,null,null,null,null,null"_s << true << true;
    QTest::newRow(">= null") << u"f>=0"_s << nulls << true << true;
    QTest::newRow(">= text in a float column")
        << u"f>=0"_s << u"'abc',null,null,null,null,null"_s << true << false;
    QTest::newRow(">= negative literal") << u"f>=-9"_s << u"-9,null,null,null,null,null"_s << true << true;
    QTest::newRow(">= below negative literal")
        << u"f>=-9"_s << u"-9.5,null,null,null,null,null"_s << true << true;
    QTest::newRow("> zero fails") << u"s>0"_s << u"null,null,0,null,null,null"_s << true << true;
    QTest::newRow("smallint text") << u"s>0"_s << u"null,null,'x',null,null,null"_s << true << false;
    QTest::newRow("= decimal literal") << u"f=0.1"_s << u"0.1,null,null,null,null,null"_s << true << true;
    QTest::newRow("<> passes") << u"f<>0"_s << u"2,null,null,null,null,null"_s << true << true;
    QTest::newRow("column <= column") << u"f<=g"_s << u"3,2,null,null,null,null"_s << true << true;
    QTest::newRow("column <= null column") << u"f<=g"_s << u"3,null,null,null,null,null"_s << true << true;
    QTest::newRow("sum within tolerance")
        << u"f+g<=s+0.001"_s << u"0.1,0.2,0,null,null,null"_s << true << true;
    QTest::newRow("sum over tolerance") << u"f+g<=s+0.001"_s << u"0.7,0.4,1,null,null,null"_s << true << true;
    QTest::newRow("sum with null") << u"f+g<=s+0.001"_s << u"5,null,1,null,null,null"_s << true << true;
    QTest::newRow("product") << u"f<=s*12+1"_s << u"26,null,2,null,null,null"_s << true << true;
    QTest::newRow("integer overflow")
        << u"s+1>0"_s << u"null,null,9223372036854775807,null,null,null"_s << true << false;
    QTest::newRow("numeric affinity date text")
        << u"d>=0"_s << u"null,null,null,null,null,'2012-01-01'"_s << true << false;
    // Null tests and blanks
    QTest::newRow("not null fails") << u"c is not null"_s << nulls << true << true;
    QTest::newRow("not null empty text")
        << u"c is not null"_s << u"null,null,null,'',null,null"_s << true << true;
    QTest::newRow("not blank spaces")
        << u"c is not null and trim(c)<>''"_s << u"null,null,null,'   ',null,null"_s << true << true;
    QTest::newRow("not blank text") << u"c is not null and trim(c)<>''"_s
                                    << u"null,null,null,' a ',null,null"_s << true << true;
    QTest::newRow("not blank null") << u"c is not null and trim(c)<>''"_s << nulls << true << true;
    QTest::newRow("not blank number")
        << u"f is not null and trim(f)<>''"_s << u"0,null,null,null,null,null"_s << true << true;
    // Texts
    QTest::newRow("in listed") << u"c in ('1','2')"_s << u"null,null,null,'1',null,null"_s << true << true;
    QTest::newRow("in unlisted") << u"c in ('1','2')"_s << u"null,null,null,'3',null,null"_s << true << true;
    QTest::newRow("in number stored as text")
        << u"c in ('1','2')"_s << u"null,null,null,2,null,null"_s << true << true;
    QTest::newRow("in null") << u"c in ('1','2')"_s << nulls << true << true;
    QTest::newRow("in quote") << u"c in ('a''b')"_s << u"null,null,null,'a''b',null,null"_s << true << true;
    QTest::newRow("text compare") << u"c<='2012'"_s << u"null,null,null,'2013',null,null"_s << true << true;
    QTest::newRow("text columns") << u"c<>e"_s << u"null,null,null,'x','x',null"_s << true << true;
    QTest::newRow("text between") << u"c between 'a' and 'c'"_s << u"null,null,null,'d',null,null"_s << true
                                  << true;
    QTest::newRow("text between inside")
        << u"c between 'a' and 'c'"_s << u"null,null,null,'b',null,null"_s << true << true;
    QTest::newRow("glob match") << u"c glob '[0-9][0-9]'"_s << u"null,null,null,'12',null,null"_s << true
                                << true;
    QTest::newRow("glob too long") << u"c glob '[0-9][0-9]'"_s << u"null,null,null,'123',null,null"_s << true
                                   << true;
    QTest::newRow("glob letter") << u"c glob '[0-9][0-9]'"_s << u"null,null,null,'1a',null,null"_s << true
                                 << true;
    QTest::newRow("glob wide") << u"c glob '[12]?'"_s << u"null,null,null,'1中',null,null"_s << true << true;
    QTest::newRow("glob inverted set")
        << u"not (c glob '*[^0-9()+ ,/转-]*')"_s << u"null,null,null,'(010)转5',null,null"_s << true << true;
    QTest::newRow("glob inverted set fails")
        << u"not (c glob '*[^0-9()+ ,/转-]*')"_s << u"null,null,null,'12a',null,null"_s << true << true;
    QTest::newRow("glob null") << u"c glob '[0-9]'"_s << nulls << true << true;
    QTest::newRow("glob number") << u"f glob '[0-9]'"_s << u"1,null,null,null,null,null"_s << true << false;
    // Joined
    QTest::newRow("and with null") << u"not (c='1' and f is null)"_s << u"null,null,null,'1',null,null"_s
                                   << true << true;
    QTest::newRow("and unknown is null") << u"not (c='1' and f is null)"_s << nulls << true << true;
    QTest::newRow("or with null") << u"not (s=0 and (f>0 or g>0))"_s << u"null,1,0,null,null,null"_s << true
                                  << true;
    QTest::newRow("or all null") << u"not (s=0 and (f>0 or g>0))"_s << u"null,null,0,null,null,null"_s << true
                                 << true;
    // Left to the engine
    QTest::newRow("text column with a number")
        << u"c>=0"_s << u"null,null,null,'5',null,null"_s << false << false;
    QTest::newRow("numeric column in texts")
        << u"f in ('1','2')"_s << u"1,null,null,null,null,null"_s << false << false;
    QTest::newRow("date between texts")
        << u"d between '2012-01-01' and '2013-12-31'"_s << nulls << false << false;
    QTest::newRow("function") << u"substr(c,1,2)='12'"_s << nulls << false << false;
    QTest::newRow("comment") << u"f>=0 --x"_s << nulls << false << false;
    QTest::newRow("unknown name") << u"qx01>=0"_s << nulls << false << false;
}

void TestQuickCondition::agreesWithTheEngine()
{
    QFETCH(QString, condition);
    QFETCH(QString, row);
    QFETCH(bool, recognised);
    QFETCH(bool, sure);

    std::shared_ptr<store::Connection> db = store::Connection::scratch();
    QString create = u"CREATE TABLE t ("_s;
    for (qsizetype i = 0; i < tableColumns.size(); ++i)
        create += (i ? u", "_s : QString()) + tableColumns[i].name + u' ' + tableColumns[i].declared;
    db->exec(create + u')');
    db->exec(u"INSERT INTO t VALUES ("_s + row + u')');

    const std::optional<QuickCondition> q = QuickCondition::recognise(condition, tableColumns, *db);
    QCOMPARE(q.has_value(), recognised);
    if (!q) return;

    store::Statement st = db->prepare(
        u"SELECT f, g, s, c, e, d, CASE WHEN NOT ("_s + condition + u") THEN 1 ELSE 0 END FROM t"_s);
    QVERIFY(st.step());
    std::vector<QuickCondition::Value> values;
    for (int i = 0; i < tableColumns.size(); ++i)
        values.push_back(QuickCondition::read(sqlite3_column_value(st.handle(), i)));
    const bool engineFails = sqlite3_column_int(st.handle(), int(tableColumns.size())) == 1;
    const bool mayFail = q->mayFail(values.data());
    if (engineFails) QVERIFY2(mayFail, "a failing row would be left out");
    if (sure) QCOMPARE(mayFail, engineFails);
}

QTEST_GUILESS_MAIN(TestQuickCondition)
#include "tst_QuickCondition.moc"
