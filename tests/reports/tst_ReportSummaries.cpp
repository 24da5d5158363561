#include "ReportFixture.h"
#include "WorkDir.h"
#include "reports/ReportSummaries.h"
#include "shell/WorkDirSetup.h"
#include "store/Table.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace reportSummaries;

namespace {

// Every row of a table, values by column name.
QList<QHash<QString, QVariant>> rowsOf(const QString& name)
{
    store::Table t;
    t.setTableName(name);
    t.open();
    QList<QHash<QString, QVariant>> rows;
    for (int r = 0; r < t.recordCount(); ++r) {
        const QVariantList v = t.rowAt(r);
        QHash<QString, QVariant> row;
        for (int f = 0; f < t.fieldCount(); ++f)
            row.insert(t.fieldDefs()[f].name, v[f]);
        rows.append(row);
    }
    return rows;
}

QStringList columnsOf(const QString& name)
{
    store::Table t;
    t.setTableName(name);
    t.open();
    QStringList names;
    for (const store::FieldDef& f : t.fieldDefs())
        names.append(f.name);
    return names;
}

// The service industries of the list, written out here as the survey gives them.
const QStringList serviceCodes
    = u"6311 6312 6319 6321 6322 6330 6410 6420 6490 6510 6520 6530 6540 6550 6591 6592 "
      u"7250 7251 7252 7253 7254 7255 7256 7310 7320 7330 7340 7350 7410 7420 7430 7440 "
      u"7450 7461 7462 7471 7472 7473 7474 7475 7511 7512 7513 7514 7519 7481 7482 7483 "
      u"7491 7520 7590"_s.split(u' ');

// The report numbers of the fixture's enterprises that `keep` selects, by descending revenue.
QStringList selected(const std::function<bool(const fixture::Enterprise&)>& keep)
{
    QList<fixture::Enterprise> list;
    for (const fixture::Enterprise& e : fixture::enterprises())
        if (keep(e)) list.append(e);
    std::stable_sort(list.begin(), list.end(),
        [](const auto& a, const auto& b) { return a.qc05.toDouble() > b.qc05.toDouble(); });
    QStringList numbers;
    for (const auto& e : list)
        numbers.append(e.qa01);
    return numbers;
}

QStringList numbersOf(const QString& table)
{
    QStringList numbers;
    for (const auto& row : rowsOf(table))
        numbers.append(row.value(u"报表编号"_s).toString());
    return numbers;
}

} // namespace

class TestReportSummaries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void serviceList();
    void enterpriseLists_data();
    void enterpriseLists();
    void enterpriseSummary();
    void emptyEnterprisesGiveZeroCounts();
    void nationalSummaryCountsEnteredProjectsOnly();
    void missingTablesStopWithTheStoreError_data();
    void missingTablesStopWithTheStoreError();

private:
    std::unique_ptr<WorkDir> m_dir;
};

void TestReportSummaries::init()
{
    m_dir = std::make_unique<WorkDir>();
    WorkDirSetup().run();
    fixture::makeEnterprises();
    fixture::makeDetails();
}

void TestReportSummaries::cleanup()
{
    m_dir.reset();
}

void TestReportSummaries::serviceList()
{
    QCOMPARE(serviceIndustryCodes(), serviceCodes);
    fillServiceList();
    QCOMPARE(columnsOf(u"fwqy.db"_s),
        (QStringList { u"报表编号"_s, u"企业名称"_s, u"行业代码"_s, u"总收入"_s, u"净利润"_s,
            u"实际上缴税费"_s, u"人数"_s }));
    const QStringList expected = selected([](const auto& e) { return serviceCodes.contains(e.qb03); });
    QCOMPARE(expected.size(), 4);
    QCOMPARE(numbersOf(u"fwqy.db"_s), expected);
    const auto rows = rowsOf(u"fwqy.db"_s);
    const auto& fields = enterpriseSumFields();
    auto figure = [&](int enterprise, const QString& field) {
        for (int f = 0; f < int(fields.size()); ++f)
            if (fields[f].field.compare(field, Qt::CaseInsensitive) == 0)
                return fixture::enterpriseFigure(enterprise, fields[f].field, f);
        return QVariant();
    };
    for (const auto& row : rows) {
        const int e = int(row.value(u"报表编号"_s).toString().toInt()) - 1;
        QCOMPARE(row.value(u"企业名称"_s).toString(), fixture::enterprises()[e].qa04);
        QCOMPARE(row.value(u"行业代码"_s).toString(), fixture::enterprises()[e].qb03);
        QCOMPARE(row.value(u"总收入"_s), figure(e, u"QC05"_s));
        QCOMPARE(row.value(u"净利润"_s), figure(e, u"QC12"_s));
        QCOMPARE(row.value(u"实际上缴税费"_s), figure(e, u"QC13"_s));
        QCOMPARE(row.value(u"人数"_s), figure(e, u"QD01"_s));
    }
}

void TestReportSummaries::enterpriseLists_data()
{
    QTest::addColumn<int>("selection");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("revenue of at least 100000, the threshold included") << int(
        EnterpriseList::Revenue) << selected([](const auto& e) { return e.qc05.toDouble() >= 100000; });
    QTest::newRow("listed companies")
        << int(EnterpriseList::Listed) << selected([](const auto& e) { return !e.qb15.isEmpty(); });
}

void TestReportSummaries::enterpriseLists()
{
    QFETCH(int, selection);
    QFETCH(QStringList, numbers);
    QVERIFY(numbers.size() >= 2);
    fillEnterpriseList(EnterpriseList(selection));
    QCOMPARE(columnsOf(u"dqy.db"_s),
        (QStringList { u"报表编号"_s, u"企业名称"_s, u"开业时间"_s, u"认定"_s, u"进区"_s, u"企业组织机构"_s,
            u"年末从业人员数"_s, u"总收入"_s, u"净利润"_s, u"实际上缴税费"_s, u"出口创汇总额"_s,
            u"年末资产总计"_s, u"年末负债合计"_s }));
    QCOMPARE(numbersOf(u"dqy.db"_s), numbers);
    // The other selection replaces the table.
    fillEnterpriseList(EnterpriseList(1 - selection));
    QVERIFY(numbersOf(u"dqy.db"_s) != numbers);
}

void TestReportSummaries::enterpriseSummary()
{
    fillEnterpriseSummary();
    const auto& fields = enterpriseSumFields();
    QCOMPARE(fields.size(), 76);
    QHash<QString, QVariant> expected;
    for (int f = 0; f < int(fields.size()); ++f) {
        double sum = 0;
        for (int r = 0; r < int(fixture::enterprises().size()); ++r)
            sum += fixture::enterpriseFigure(r, fields[f].field, f).toDouble();
        expected.insert(fields[f].label, sum);
    }
    double a = 0, b = 0, c = 0, spent = 0;
    for (const auto& p : fixture::products())
        a += p.a, b += p.b, c += p.c;
    for (const auto& p : fixture::projects())
        spent += p.a;
    expected.insert(u"产品数"_s, double(fixture::products().size()));
    expected.insert(u"产品全年工业总产值"_s, a);
    expected.insert(u"产品全年销售收入"_s, b);
    expected.insert(u"产品创汇"_s, c);
    expected.insert(u"项目数"_s, double(fixture::projects().size()));
    expected.insert(u"项目经费内部支出"_s, spent);
    int outside = 0, recognised = 0, large = 0, listed = 0;
    for (const auto& e : fixture::enterprises()) {
        outside += e.qb07 == u"2"_s || e.qb07.isEmpty();
        recognised += e.qb11 == u"1"_s;
        large += e.qc05.toDouble() >= 100000;
        listed += !e.qb15.isEmpty();
    }
    expected.insert(u"区外企业数"_s, double(outside));
    expected.insert(u"认定数"_s, double(recognised));
    expected.insert(u"上亿企业数"_s, double(large));
    expected.insert(u"上市企业数"_s, double(listed));

    const auto rows = rowsOf(u"qyhz.db"_s);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].size(), 86);
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QVERIFY2(rows[0].value(it.key()).toDouble() == it.value().toDouble(),
            qPrintable(u"%1: %2 instead of %3"_s.arg(
                it.key(), rows[0].value(it.key()).toString(), it.value().toString())));
    // The parts hold one row each, with the part's columns.
    QCOMPARE(columnsOf(u"kfq1hz.db"_s).size(), 76);
    QCOMPARE(columnsOf(u"kfq2hz.db"_s),
        (QStringList { u"产品数"_s, u"产品全年工业总产值"_s, u"产品全年销售收入"_s, u"产品创汇"_s }));
    QCOMPARE(columnsOf(u"kfq3hz.db"_s), (QStringList { u"项目数"_s, u"项目经费内部支出"_s }));
    for (const QString& part : { u"kfq1hz.db"_s, u"kfq2hz.db"_s, u"kfq3hz.db"_s, u"kfq4hz.db"_s })
        QCOMPARE(rowsOf(part).size(), 1);
    // A second run replaces the counts instead of adding a row.
    fillEnterpriseSummary();
    QCOMPARE(rowsOf(u"kfq4hz.db"_s).size(), 1);
    QCOMPARE(rowsOf(u"qyhz.db"_s).size(), 1);
}

void TestReportSummaries::emptyEnterprisesGiveZeroCounts()
{
    for (const QString& t : { u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5.db"_s }) {
        store::Table table;
        table.setTableName(t);
        table.emptyTable();
    }
    fillEnterpriseSummary();
    const auto rows = rowsOf(u"qyhz.db"_s);
    QCOMPARE(rows.size(), 1);
    for (const QString& count : countColumns())
        QCOMPARE(rows[0].value(count).toInt(), 0);
    QVERIFY(rows[0].value(u"企业数"_s).isNull());
    QVERIFY(rows[0].value(u"总收入"_s).isNull());
    QVERIFY(rows[0].value(u"产品数"_s).isNull());
}

void TestReportSummaries::nationalSummaryCountsEnteredProjectsOnly()
{
    fixture::makeNationalProjects();
    fillNationalSummary();
    const auto rows = rowsOf(u"gjhz.db"_s);
    QCOMPARE(rows.size(), 1);
    const QStringList labels { u"计划总投资"_s, u"贷款"_s, u"自有资金"_s, u"落实资金"_s, u"产值"_s,
        u"产品销售收入"_s, u"出口创汇"_s, u"净利润额"_s, u"交税总额"_s };
    int counted = 0;
    QList<double> sums(labels.size());
    for (int r = 0; r < int(fixture::nationalProjects().size()); ++r) {
        const QString state = fixture::nationalProjects()[r].isChge;
        if (state != u"1"_s && state != u"2"_s) continue;
        ++counted;
        for (int f = 0; f < int(labels.size()); ++f)
            sums[f] += fixture::nationalFigure(r, f);
    }
    QCOMPARE(counted, 2);
    QCOMPARE(rows[0].value(u"国家级项目数"_s).toInt(), counted);
    for (int f = 0; f < int(labels.size()); ++f)
        QCOMPARE(rows[0].value(labels[f]).toDouble(), sums[f]);
}

void TestReportSummaries::missingTablesStopWithTheStoreError_data()
{
    QTest::addColumn<QString>("removed");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("named");
    QTest::newRow("national projects") << u"gjxm.db"_s << 0 << u"gjxm.db"_s;
    QTest::newRow("counts table") << u"kfq4hz.db"_s << 1 << u"kfq4hz.db"_s;
    QTest::newRow("products") << u"kfq_2.db"_s << 1 << u"kfq_2.db"_s;
}

void TestReportSummaries::missingTablesStopWithTheStoreError()
{
    QFETCH(QString, removed);
    QFETCH(int, step);
    QFETCH(QString, named);
    QFile::remove(removed);
    try {
        if (step == 0)
            fillNationalSummary();
        else
            fillEnterpriseSummary();
        QFAIL("no error");
    } catch (const store::StoreError& e) {
        QVERIFY2(e.message().contains(named, Qt::CaseInsensitive), qPrintable(e.message()));
    }
    QVERIFY(!QFile::exists(u"qyhz.db"_s));
}

QTEST_GUILESS_MAIN(TestReportSummaries)
#include "tst_ReportSummaries.moc"
