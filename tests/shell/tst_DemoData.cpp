#include "WorkDir.h"
#include "shell/DemoData.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList dump(const QString& table)
{
    store::Table t;
    t.setTableName(table);
    t.open();
    QStringList rows;
    for (t.first(); !t.eof(); t.next()) {
        QStringList row;
        for (const QVariant& v : t.rowAt(t.recNo() - 1)) row << store::displayText(v);
        rows << row.join(u'|');
    }
    return rows;
}

DemoData::Result generate(int enterprises, double mistakes, quint64 seed)
{
    DemoData::Options o;
    o.enterprises = enterprises;
    o.mistakePercent = mistakes;
    o.seed = seed;
    return DemoData(o).run();
}

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameSeedSameRows();
    void cleanDataPassesBlockingRules();
    void mistakesAreCountedAndPlanted();
    void continuesAfterStoredReturns();
};

void TestDemoData::sameSeedSameRows()
{
    QStringList first;
    {
        WorkDir dir;
        generate(30, 10, 7);
        first = dump(u"kfq_1.db"_s) + dump(u"kfq_2.db"_s) + dump(u"kfq_5.db"_s);
    }
    WorkDir dir;
    generate(30, 10, 7);
    QCOMPARE(dump(u"kfq_1.db"_s) + dump(u"kfq_2.db"_s) + dump(u"kfq_5.db"_s), first);
    WorkDir other;
    generate(30, 10, 8);
    QVERIFY(dump(u"kfq_1.db"_s) != first.mid(0, 30));
}

void TestDemoData::cleanDataPassesBlockingRules()
{
    // Without planted mistakes every return can be stored under the entry window's rules.
    WorkDir dir;
    const DemoData::Result r = generate(300, 0, 1);
    QCOMPARE(r.enterprises, 300);
    QVERIFY(r.mistakes.isEmpty());
    const QList<QPair<QString, QString>> pairs = { { u"kfq_1.db"_s, u"kfq1_chk.db"_s },
                                                   { u"kfq_2.db"_s, u"kfq2_chk.db"_s },
                                                   { u"kfq_5.db"_s, u"kfq5_chk.db"_s } };
    for (const auto& [table, rules] : pairs) {
        store::Table t;
        t.setTableName(rules);
        t.open();
        for (t.first(); !t.eof(); t.next()) {
            if (t.fieldByName(u"status"_s).asString() != u"错误"_s) continue;
            const QString rule = t.fieldByName(u"field_value"_s).asString();
            store::Query q;
            q.setSql(u"select count(*) from \"%1\" where not (%2)"_s.arg(table, rule));
            q.open();
            QVERIFY2(q.value(0).toInt() == 0, qPrintable(table + u": "_s + rule));
        }
    }
}

void TestDemoData::mistakesAreCountedAndPlanted()
{
    WorkDir dir;
    const DemoData::Result r = generate(200, 10, 3);
    QCOMPARE(r.mistakes.size(), 20);
    QStringList numbers;
    for (const auto& m : r.mistakes) numbers << m.reportNumber;
    QCOMPARE(QSet<QString>(numbers.begin(), numbers.end()).size(), 20); // one mistake per return
}

void TestDemoData::continuesAfterStoredReturns()
{
    WorkDir dir;
    generate(5, 0, 1);
    const DemoData::Result r = generate(5, 0, 1);
    QCOMPARE(r.firstNumber, u"000006"_s);
    QCOMPARE(r.lastNumber, u"000010"_s);
    // Names and organisation codes stay unique over both runs.
    store::Query q;
    q.setSql(u"select count(distinct qa03), count(distinct qa04) from \"kfq_1.db\""_s);
    q.open();
    QCOMPARE(q.rowAt(0), (QVariantList { 10, 10 }));
}

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_DemoData.moc"
