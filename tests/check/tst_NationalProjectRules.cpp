// The shipped rules of the national projects on the demo projects: the validation of kind 4
// finds the planted mistakes, and only in entered and added projects.
#include "WorkDir.h"
#include "check/CheckRun.h"
#include "shell/DemoNationalProjects.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CheckRun::Path)

class TestNationalProjectRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void demoMistakesAreFoundExactly_data();
    void demoMistakesAreFoundExactly();
};

void TestNationalProjectRules::demoMistakesAreFoundExactly_data()
{
    QTest::addColumn<CheckRun::Path>("path");
    QTest::newRow("fast") << CheckRun::Path::Fast;
    QTest::newRow("reference") << CheckRun::Path::Reference;
}

void TestNationalProjectRules::demoMistakesAreFoundExactly()
{
    QFETCH(CheckRun::Path, path);
    WorkDir dir;
    WorkDirSetup().run();
    DemoNationalProjects::Options o;
    o.listed = 120;
    o.added = 10;
    o.mistakePercent = 30;
    o.seed = 11;
    const DemoNationalProjects::Result demo = DemoNationalProjects(o).run();
    QCOMPARE(demo.listed, 120);
    QCOMPARE(demo.loaded, 120);
    QVERIFY(demo.entered > 0 && demo.entered < 120);
    QVERIFY(demo.mistakes.size() >= 5);

    // A not entered project with the same mistakes is never reported.
    store::Query q;
    q.setSql(u"update \"gjxm.db\" set jd01='6', jbsj='2011-01-01' where is_chge is null"_s);
    QVERIFY(q.execSql() > 0);

    CheckRun check;
    check.prepare(4);
    QCOMPARE(check.resultTable(), u"gjxm_r.db"_s);
    check.run(path);
    QStringList planted, found;
    for (const auto& m : demo.mistakes)
        planted.append(m.number + u' ' + m.field);
    q.setSql(u"select 编号, 字段名, is_chge from \"gjxm_r.db\""_s);
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        found.append(q.value(0).toString() + u' ' + q.value(1).toString());
        const QString state = q.value(2).toString();
        QVERIFY2(state == u"1"_s || state == u"2"_s, qPrintable(found.last()));
    }
    planted.sort();
    found.sort();
    QCOMPARE(found, planted);
}

QTEST_GUILESS_MAIN(TestNationalProjectRules)
#include "tst_NationalProjectRules.moc"
