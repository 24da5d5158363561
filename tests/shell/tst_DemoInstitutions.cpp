#include "WorkDir.h"
#include "shell/DemoInstitutions.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList tables = { u"tzjg.db"_s, u"tsjd.db"_s, u"sjgxq.db"_s };

QStringList dump()
{
    QStringList rows;
    for (const QString& table : tables) {
        store::Table t;
        t.setTableName(table);
        t.open();
        for (t.first(); !t.eof(); t.next()) {
            QStringList row;
            for (const QVariant& v : t.rowAt(t.recNo() - 1))
                row << store::displayText(v);
            rows << row.join(u'|');
        }
    }
    return rows;
}

DemoInstitutions::Result generate(int each, double mistakes, quint64 seed)
{
    DemoInstitutions::Options o;
    o.ventureFunds = o.industryBases = o.provincialZones = each;
    o.mistakePercent = mistakes;
    o.seed = seed;
    return DemoInstitutions(o).run();
}

} // namespace

class TestDemoInstitutions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameSeedSameRows();
    void oneKindLeavesTheOthersAlone();
    void continuesAfterStoredReturns();
    void mistakesAreSharedOutAmongKinds();
};

void TestDemoInstitutions::sameSeedSameRows()
{
    QStringList first;
    {
        WorkDir dir;
        generate(20, 20, 7);
        first = dump();
    }
    QCOMPARE(first.size(), 60);
    WorkDir dir;
    generate(20, 20, 7);
    QCOMPARE(dump(), first);
    WorkDir other;
    generate(20, 20, 8);
    QVERIFY(dump() != first);
}

// Each kind draws its own numbers: more bases leave the funds and zones as they were.
void TestDemoInstitutions::oneKindLeavesTheOthersAlone()
{
    auto fundsAndZones = [](int bases) {
        WorkDir dir;
        DemoInstitutions::Options o;
        o.ventureFunds = o.provincialZones = 10;
        o.industryBases = bases;
        DemoInstitutions(o).run();
        QStringList rows = dump();
        return rows.mid(0, 10) + rows.mid(10 + bases);
    };
    QCOMPARE(fundsAndZones(30), fundsAndZones(0));
}

void TestDemoInstitutions::continuesAfterStoredReturns()
{
    WorkDir dir;
    generate(5, 0, 1);
    const DemoInstitutions::Result r = generate(5, 0, 1);
    QCOMPARE(r.made[0].firstNumber, u"0006"_s);
    QCOMPARE(r.made[0].lastNumber, u"0010"_s);
    QCOMPARE(r.made[1].firstNumber, u"000006"_s); // six-character numbers of the bases
    QCOMPARE(r.made[2].lastNumber, u"0010"_s);
    // Numbers are the row identifiers, and names stay unique over both runs.
    for (const auto& [table, key, name] : { std::tuple { "tzjg.db", "code", "kz00" },
             std::tuple { "tsjd.db", "code", "tdf911" }, std::tuple { "sjgxq.db", "code", "mc" } }) {
        store::Query q;
        q.setSql(u"select count(distinct %1), count(distinct %2), sum(id=%1) from \"%3\""_s.arg(
            QLatin1StringView(key), QLatin1StringView(name), QLatin1StringView(table)));
        q.open();
        QCOMPARE(q.rowAt(0), (QVariantList { 10, 10, 10 }));
    }
}

void TestDemoInstitutions::mistakesAreSharedOutAmongKinds()
{
    WorkDir dir;
    const DemoInstitutions::Result r = generate(50, 10, 3);
    QCOMPARE(r.mistakes.size(), 15);
    QSet<QString> seen;
    for (const auto& m : r.mistakes) {
        QVERIFY(!seen.contains(m.ruleTable + m.reportNumber)); // one mistake per return
        seen.insert(m.ruleTable + m.reportNumber);
        QCOMPARE(m.ruleTable, DemoInstitutions::ruleTable(m.kind));
    }
}

QTEST_GUILESS_MAIN(TestDemoInstitutions)
#include "tst_DemoInstitutions.moc"
