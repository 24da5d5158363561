#include "WorkDir.h"
#include "entry/EntryOps.h"
#include "shell/DemoInstitutions.h"
#include "shell/WorkDirSetup.h"
#include "store/Table.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The rule tables of the single-table institution returns as the entry windows load them:
// their "错误" rows refuse a store with the rule's message, their masks name fields of the
// table, and a made-up return without mistakes is stored under all of them.
class TestInstitutionRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blockingRules_data();
    void blockingRules();
};

void TestInstitutionRules::blockingRules_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("message"); // empty: the store goes through

    const QString f = u"tzjg.db"_s, fr = u"tzjg_chk"_s;
    QTest::newRow("fund number of three digits")
        << f << fr << u"CODE"_s << QVariant(u"123"_s) << u"编号必须是4位数字"_s;
    QTest::newRow("fund number with a letter")
        << f << fr << u"CODE"_s << QVariant(u"12a4"_s) << u"编号必须是4位数字"_s;
    QTest::newRow("fund without number") << f << fr << u"CODE"_s << QVariant() << u"编号不能为空"_s;
    QTest::newRow("fund without name") << f << fr << u"KZ00"_s << QVariant(u"  "_s) << u"机构名称不能为空"_s;
    QTest::newRow("fund postal code short")
        << f << fr << u"KZ02"_s << QVariant(u"10008"_s) << u"邮政编码必须是6位数字"_s;
    QTest::newRow("fund negative capital")
        << f << fr << u"KZ10"_s << QVariant(-1.0) << u"机构注册资本不能为负数"_s;
    QTest::newRow("guidance fund code")
        << f << fr << u"KZ40"_s << QVariant(u"3"_s) << u"是否设立引导基金只能填1(是)或2(否)"_s;
    // A part above its total is only a warning: the store goes through.
    QTest::newRow("fund part above total") << f << fr << u"KZ15"_s << QVariant(1e6) << QString();

    const QString b = u"tsjd.db"_s, br = u"tsjd_chk"_s;
    QTest::newRow("base number of six characters")
        << b << br << u"CODE"_s << QVariant(u"123456"_s) << QString();
    QTest::newRow("base number of five")
        << b << br << u"CODE"_s << QVariant(u"12345"_s) << u"编号必须是6位数字"_s;
    QTest::newRow("base without name") << b << br << u"TDF911"_s << QVariant() << u"产业基地名称不能为空"_s;
    QTest::newRow("base negative output")
        << b << br << u"TDF9D00"_s << QVariant(-5.0) << u"工业总产值不能为负数"_s;
    QTest::newRow("base net loss") << b << br << u"TDF9D08"_s << QVariant(-5.0) << QString();

    const QString z = u"sjgxq.db"_s, zr = u"sjgxq_chk"_s;
    QTest::newRow("zone number with a blank")
        << z << zr << u"Code"_s << QVariant(u"12 4"_s) << u"编号必须是4位数字"_s;
    QTest::newRow("zone without name") << z << zr << u"Mc"_s << QVariant(u""_s) << u"高新区名称不能为空"_s;
    QTest::newRow("zone postal code")
        << z << zr << u"Yb"_s << QVariant(u"1000a1"_s) << u"邮编必须是6位数字"_s;
    QTest::newRow("zone negative staff") << z << zr << u"S12"_s << QVariant(-1.0) << u"从业人员不能为负数"_s;
    QTest::newRow("zone net loss") << z << zr << u"S07"_s << QVariant(-100.0) << QString();
}

void TestInstitutionRules::blockingRules()
{
    QFETCH(QString, table);
    QFETCH(QString, rules);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, message);
    WorkDir dir;
    WorkDirSetup().run();
    DemoInstitutions({ .ventureFunds = 1, .industryBases = 1, .provincialZones = 1, .mistakePercent = 0 })
        .run();

    store::Table report;
    report.setTableName(table);
    store::Table ruleTable;
    entry::loadFieldChecks(report, ruleTable, rules);
    report.first();
    report.edit();
    report.post(); // the made-up return passes every blocking rule
    report.edit();
    report.fieldByName(field).setValue(value);
    if (message.isEmpty()) {
        report.post();
        QCOMPARE(report.fieldByName(field).value(), value);
        return;
    }
    try {
        report.post();
        QFAIL("stored");
    } catch (const store::StoreError& e) {
        QCOMPARE(e.message(), message);
    }
}

QTEST_MAIN(TestInstitutionRules)
#include "tst_InstitutionRules.moc"
