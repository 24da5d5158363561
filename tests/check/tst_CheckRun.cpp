#include "WorkDir.h"
#include "check/CheckRun.h"
#include "shell/DemoData.h"
#include "shell/DemoInstitutions.h"
#include "shell/ReportKinds.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CheckRun::Path)
Q_DECLARE_METATYPE(DemoInstitutions::Kind)

namespace {

// Makes a table from its text definition (the format of data/tables).
void table(const QString& name, const QString& definition)
{
    WorkDirSetup::createTable(TableDefinition::parse(definition, name, name));
}

const QString catalogueHead = u"field\tkind\tsmallint\n"
                              "field\tcheck_name\ttext\t20\n"
                              "field\tdb_name\ttext\t60\n"
                              "field\tfield_name\ttext\t40\n"
                              "field\tfield_name2\ttext\t80\n"
                              "field\tcheck_result\ttext\t40\n"
                              "field\ttext1\ttext\t80\n"
                              "field\ttext3\ttext\t80\n"
                              "field\tText2\ttext\t80\n"
                              "rows\n"_s;

const QString ruleHead = u"field\tstatus\ttext\t10\n"
                         "field\tfield_value\tmemo\n"
                         "field\tfield_text\ttext\t80\n"
                         "field\tfield_name\ttext\t80\n"
                         "field\tfield_mask\ttext\t30\n"
                         "field\tlink\ttext\t80\n"
                         "field\tgroup\ttext\t80\n"
                         "field\tdisp_field\ttext\t80\n"
                         "rows\n"_s;

const QString resultHead = u"field\t编号\ttext\t10\n"
                           "field\t字段值\ttext\t10\n"
                           "field\t字段名\ttext\t10\n"
                           "field\t错误信息\ttext\t80\n"
                           "field\t状态\ttext\t4\n"
                           "field\t序号\ttext\t10\n"
                           "rows\n"_s;

// The tables every run needs, and one enterprise table with a product table beside it.
void baseFixture(const QString& catalogueRows)
{
    table(u"check_db.DB"_s, catalogueHead + catalogueRows);
    table(u"res.db"_s, resultHead);
    table(u"tmp_r.DB"_s, u"field\t编号\ttext\t10\nfield\t字段值\ttext\t10\nrows\n"_s);
    table(u"sendname.db"_s, u"field\tid\tinteger\nfield\tname\ttext\t40\nfield\ttext\ttext\t120\nrows\n"_s);
    table(u"ent.db"_s,
        u"field\tqa01\ttext\t6\nfield\tqc05\tfloat\nfield\tqc55\tfloat\nfield\tqb03\ttext\t4\n"
        "field\tqa13\ttext\t40\nrows\n"
        "000001\t100\t90\t0111\tok@example.com\n"
        "000002\t100\t120\t0112\tok@example.com\n"
        "000003\t50\t60\t9999\tok@example.com\n"
        "000004\t10\t5\t\tnone\n"_s);
    table(u"prd.db"_s,
        u"field\tqa01\ttext\t6\nfield\tqe01\ttext\t4\nfield\tqe15\tfloat\nrows\n"
        "000001\t1\t50\n000001\t2\t60\n000002\t1\t10\n000003\t1\t-1\n"_s);
}

QList<QStringList> rowsOf(const QString& name)
{
    store::Table t;
    t.setTableName(name);
    t.open();
    QList<QStringList> out;
    for (int r = 0; r < t.recordCount(); ++r) {
        QStringList row;
        for (const QVariant& v : t.rowAt(r))
            row.append(store::displayText(v));
        out.append(row);
    }
    return out;
}

QStringList column(const QList<QStringList>& rows, int c)
{
    QStringList out;
    for (const QStringList& r : rows)
        out.append(r.value(c));
    return out;
}

void run(int kind, CheckRun::Path path)
{
    CheckRun check;
    check.prepare(kind);
    check.run(path);
}

void addBothPaths()
{
    QTest::addColumn<CheckRun::Path>("path");
    QTest::newRow("reference") << CheckRun::Path::Reference;
    QTest::newRow("fast") << CheckRun::Path::Fast;
}

const QString plainRow = u"1\trules.db\tent.db\"\tqa01\t\tres.db\t企业校验\t企业校验结果\t企业表\n"_s;

} // namespace

class TestCheckRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_dir = std::make_unique<WorkDir>(); }
    void cleanup() { m_dir.reset(); }

    void prepareReadsFirstRowOfKind();
    void kindWithoutRowFails();
    void cleanRunLeavesOneOkRow_data() { addBothPaths(); }
    void cleanRunLeavesOneOkRow();
    void plainRulesOrderedAndNumbered_data() { addBothPaths(); }
    void plainRulesOrderedAndNumbered();
    void aggregateRulesReportGroupsWhereConditionHolds_data() { addBothPaths(); }
    void aggregateRulesReportGroupsWhereConditionHolds();
    void unnumberedQjRowsAreDropped_data() { addBothPaths(); }
    void unnumberedQjRowsAreDropped();
    void codeLists_data();
    void codeLists();
    void nationalProjectsCheckOnlyChangedOnPlainRules_data() { addBothPaths(); }
    void nationalProjectsCheckOnlyChangedOnPlainRules();
    void repeatedRunsRegisterOnce_data() { addBothPaths(); }
    void repeatedRunsRegisterOnce();
    void textsWithQuotesRun_data() { addBothPaths(); }
    void textsWithQuotesRun();
    void longValuesAreCutToTheColumn_data() { addBothPaths(); }
    void longValuesAreCutToTheColumn();
    void faultyRuleStopsWithRowsSoFar_data() { addBothPaths(); }
    void faultyRuleStopsWithRowsSoFar();
    void fastPathEqualsReferenceOnDemoData();
    void institutionsFastPathEqualsReferenceOnDemoData_data();
    void institutionsFastPathEqualsReferenceOnDemoData();
    void shippedLabelsFitTheResultsTable();
    void shippedCatalogueAgreesWithReportKinds();
    void shippedCodeListsAgreeWithEntryRules_data();
    void shippedCodeListsAgreeWithEntryRules();

private:
    std::unique_ptr<WorkDir> m_dir;
};

void TestCheckRun::prepareReadsFirstRowOfKind()
{
    baseFixture(u"4\trules.db\tent.db\"\tqa01\t\tother.db\t别的\t别的结果\t\n"_s + plainRow
        + u"1\trules.db\tprd.db\"\tqa01\t\tnot_this.db\t不是这个\t\t\n"_s);
    CheckRun check;
    check.prepare(1);
    QCOMPARE(check.resultTable(), u"res.db"_s);
    QCOMPARE(check.caption(), u"企业校验"_s);
    QCOMPARE(check.resultText(), u"企业校验结果"_s);
    QVERIFY(check.extraColumn().isEmpty());
    QVERIFY(check.extraCondition().isEmpty());
    check.prepare(4);
    QCOMPARE(check.resultTable(), u"other.db"_s);
    QCOMPARE(check.extraColumn(), u",is_chge"_s);
    QCOMPARE(check.extraCondition(), u" and (is_chge=\"1\" or is_chge=\"2\")"_s);
}

void TestCheckRun::kindWithoutRowFails()
{
    baseFixture(plainRow);
    table(u"rules.db"_s, ruleHead);
    CheckRun check;
    check.prepare(9);
    QVERIFY(check.resultTable().isEmpty());
    QVERIFY_THROWS_EXCEPTION(store::StoreError, check.run());
}

void TestCheckRun::cleanRunLeavesOneOkRow()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(plainRow);
    table(u"rules.db"_s, ruleHead + u"错误\tqc05>=0\t总收入不能为负数\tqc05\n"_s);
    // A previous run's rows go first.
    store::Query q;
    q.setSql(u"insert into res.db (编号,状态) values ('x','错误')"_s);
    q.execSql();
    run(1, path);
    const QList<QStringList> rows = rowsOf(u"res.db"_s);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0], (QStringList { {}, {}, {}, u"无任何错误及警告"_s, u"OK"_s, {} }));
}

void TestCheckRun::plainRulesOrderedAndNumbered()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(plainRow);
    table(u"rules.db"_s,
        ruleHead
            + u"警告\tqc55<=qc05\t主营业务收入大于总收入\tqc55\n"
              "错误\tqb03 is not null\t行业代码不能为空\tqb03\n"
              "错误\tqc55>qc05/2\t主营业务收入太少\tqc55\n"_s);
    run(1, path);
    const QList<QStringList> rows = rowsOf(u"res.db"_s);
    // 状态 descending in GBK order (警告 after 错误, as the old engine sorted), then 编号;
    // rows of one record keep the order of their rules.
    QCOMPARE(column(rows, 4), (QStringList { u"警告"_s, u"警告"_s, u"错误"_s, u"错误"_s }));
    QCOMPARE(column(rows, 0), (QStringList { u"000002"_s, u"000003"_s, u"000004"_s, u"000004"_s }));
    QCOMPARE(column(rows, 2), (QStringList { u"qc55"_s, u"qc55"_s, u"qb03"_s, u"qc55"_s }));
    QCOMPARE(column(rows, 1), (QStringList { u"120"_s, u"60"_s, QString(), u"5"_s }));
    QCOMPARE(column(rows, 3).first(), u"主营业务收入大于总收入"_s);
    QCOMPARE(column(rows, 5), (QStringList { u"1"_s, u"2"_s, u"3"_s, u"4"_s }));
}

void TestCheckRun::aggregateRulesReportGroupsWhereConditionHolds()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(plainRow + u"1\tagg.db\tent.db\" a,prd.db\" b\ta.qa01\t\t\t\t\t\n"_s);
    table(u"rules.db"_s, ruleHead);
    table(u"agg.db"_s,
        ruleHead
            + u"警告\tqe15>qc05\t产品销售收入合计大于总收入\tmax(a.qc05) qc05,sum(b.qe15) "
              u"qe15\t\ta.qa01=b.qa01\ta.qa01\tqe15\n"
              "错误\tn>1\t产品多于一个\tcount(b.qa01) n\t\ta.qa01=b.qa01\ta.qa01\tn\n"_s);
    run(1, path);
    const QList<QStringList> rows = rowsOf(u"res.db"_s);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0],
        (QStringList {
            u"000001"_s, u"110"_s, u"qe15"_s, u"产品销售收入合计大于总收入"_s, u"警告"_s, u"1"_s }));
    QCOMPARE(rows[1], (QStringList { u"000001"_s, u"2"_s, u"n"_s, u"产品多于一个"_s, u"错误"_s, u"2"_s }));
    // A join is no data table of its own: only the plain catalogue row is registered.
    QCOMPARE(rowsOf(u"sendname.db"_s).size(), 2);
}

void TestCheckRun::unnumberedQjRowsAreDropped()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(u"1\trules.db\tent.db\"\tnull\t\tres.db\t企业校验\t\t\n"
                "1\trules2.db\tent.db\"\tqa01\t\t\t\t\t\n"_s);
    // Without a report number: qj25 and qj01 rows go, others stay; with one, qj25 stays.
    table(u"rules.db"_s,
        ruleHead
            + u"警告\tqc55<=qc05\t甲\tqj25\n"
              "警告\tqc55<=qc05\t乙\tqj01\n"
              "警告\tqc55<=qc05\t丙\tqj28\n"_s);
    table(u"rules2.db"_s, ruleHead + u"警告\tqc55<=qc05\t丁\tqj25\n"_s);
    table(u"ent.db"_s,
        u"field\tqa01\ttext\t6\nfield\tqc05\tfloat\nfield\tqc55\tfloat\nfield\tqj25\tfloat\n"
        "field\tqj01\tfloat\nfield\tqj28\tfloat\nrows\n000002\t100\t120\t1\t2\t3\n"_s);
    run(1, path);
    const QList<QStringList> rows = rowsOf(u"res.db"_s);
    QCOMPARE(column(rows, 3), (QStringList { u"丙"_s, u"丁"_s }));
    QCOMPARE(column(rows, 0), (QStringList { QString(), u"000002"_s }));
}

void TestCheckRun::codeLists_data()
{
    QTest::addColumn<CheckRun::Path>("path");
    QTest::addColumn<int>("codes");
    // Codes are "c0001", "c0002", …; the data holds the first, the last and one outside.
    for (int n : { 1, 202, 203, 405 }) {
        QTest::addRow("reference %d", n) << CheckRun::Path::Reference << n;
        QTest::addRow("fast %d", n) << CheckRun::Path::Fast << n;
    }
}

void TestCheckRun::codeLists()
{
    QFETCH(CheckRun::Path, path);
    QFETCH(int, codes);
    baseFixture(plainRow + u"1\tcodes.db\tval.db\";\tqa01\t\tqb03\t代码不在代码表中\t\t\n"_s);
    table(u"rules.db"_s, ruleHead);
    QString list = u"field\tcode\ttext\t10\nrows\n"_s;
    for (int i = 1; i <= codes; ++i)
        list += u"c%1\n"_s.arg(i, 4, 10, QChar(u'0'));
    table(u"codes.db"_s, list);
    const QString last = u"c%1"_s.arg(codes, 4, 10, QChar(u'0'));
    table(u"val.db"_s,
        u"field\tqa01\ttext\t6\nfield\tqb03\ttext\t8\nrows\n"
        "000001\tc0001\n000002\t"_s
            + last + u"\n000003\tx9\n000004\n000005\tc0202\n000006\tc0203\n"_s);
    run(1, path);
    QStringList expected { u"000003"_s };
    if (codes < 202) expected.append(u"000005"_s);
    if (codes < 203) expected.append(u"000006"_s);
    const QList<QStringList> rows = rowsOf(u"res.db"_s);
    QCOMPARE(column(rows, 0), expected);
    QCOMPARE(
        rows[0], (QStringList { u"000003"_s, u"x9"_s, u"qb03"_s, u"代码不在代码表中"_s, u"错误"_s, u"1"_s }));
}

void TestCheckRun::nationalProjectsCheckOnlyChangedOnPlainRules()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(u"4\trules.db\tgj.db\"\tjb00\t\tgjres.db\t项目校验\t\t\n"
                "4\tagg.db\tgj.db\" a,gjmx.db\" b\ta.jb00\t\t\t\t\t\n"_s);
    table(u"gjres.db"_s,
        u"field\t编号\ttext\t10\nfield\t字段值\ttext\t10\nfield\tis_chge\ttext\t1\n"
        "field\t字段名\ttext\t10\nfield\t错误信息\ttext\t80\nfield\t状态\ttext\t4\n"
        "field\t序号\ttext\t10\nrows\n"_s);
    table(u"gj.db"_s,
        u"field\tjb00\ttext\t10\nfield\tamount\tfloat\nfield\tis_chge\ttext\t1\nrows\n"
        "p1\t-1\t1\np2\t-1\t2\np3\t-1\t0\np4\t-1\n"_s);
    table(
        u"gjmx.db"_s, u"field\tjb00\ttext\t10\nfield\tpart\tfloat\nrows\np1\t-1\np2\t-1\np3\t-1\np4\t-1\n"_s);
    table(u"rules.db"_s, ruleHead + u"错误\tamount>=0\t金额不能为负数\tamount\n"_s);
    table(u"agg.db"_s, ruleHead + u"警告\ts<0\t合计为负数\tsum(b.part) s\t\ta.jb00=b.jb00\ta.jb00\ts\n"_s);
    run(4, path);
    const QList<QStringList> rows = rowsOf(u"gjres.db"_s);
    QStringList plain, aggregate;
    for (const QStringList& r : rows)
        (r[3] == "amount"_L1 ? plain : aggregate).append(r[0] + u'/' + r[2]);
    QCOMPARE(plain, (QStringList { u"p1/1"_s, u"p2/2"_s }));
    QCOMPARE(aggregate, (QStringList { u"p1/1"_s, u"p2/2"_s, u"p3/0"_s, u"p4/"_s }));
}

void TestCheckRun::repeatedRunsRegisterOnce()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(plainRow
        + u"1\trules2.db\tprd.db\"\tqa01\t\t\t\t\t产品表\n"
          "1\tcodes.db\tent.db\";\tqa01\t\tqb03\t代码错\t\t\n"_s);
    table(u"rules.db"_s, ruleHead + u"警告\tqc55<=qc05\t主营业务收入大于总收入\tqc55\n"_s);
    table(u"rules2.db"_s, ruleHead + u"错误\tqe15>=0\t销售收入不能为负数\tqe15\n"_s);
    table(u"codes.db"_s, u"field\tcode\ttext\t4\nrows\n0111\n"_s);
    CheckRun check;
    check.prepare(1);
    for (int i = 0; i < 3; ++i)
        check.run(path);
    QList<QStringList> registered = rowsOf(u"sendname.db"_s);
    std::sort(registered.begin(), registered.end());
    QCOMPARE(registered,
        (QList<QStringList> { { u"1"_s, u"res.db"_s, u"企业校验结果"_s },
            { u"2"_s, u"ent.db"_s, u"企业表"_s }, { u"2"_s, u"prd.db"_s, u"产品表"_s } }));
    QCOMPARE(rowsOf(u"res.db"_s).size(), 5);
}

void TestCheckRun::textsWithQuotesRun()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(u"1\trules.db\tent.db\"\tqa01\t\tres.db\t企业'校验\t结果 'a'\t企业's表\n"
                "1\tcodes.db\tent.db\";\tqa01\t\tqb03\t代码'错\t\t\n"_s);
    table(u"rules.db"_s, ruleHead + u"W'\tqc55<=qc05\t主营业务收入'大于'总收入\tqc55\n"_s);
    table(u"codes.db"_s, u"field\tcode\ttext\t4\nrows\n0111\n0'12\n"_s);
    run(1, path);
    const QList<QStringList> rows = rowsOf(u"res.db"_s);
    QCOMPARE(column(rows, 3),
        (QStringList {
            u"代码'错"_s, u"代码'错"_s, u"主营业务收入'大于'总收入"_s, u"主营业务收入'大于'总收入"_s }));
    QCOMPARE(column(rows, 4), (QStringList { u"错误"_s, u"错误"_s, u"W'"_s, u"W'"_s }));
    QList<QStringList> registered = rowsOf(u"sendname.db"_s);
    std::sort(registered.begin(), registered.end());
    QCOMPARE(registered,
        (QList<QStringList> {
            { u"1"_s, u"res.db"_s, u"结果 'a'"_s }, { u"2"_s, u"ent.db"_s, u"企业's表"_s } }));
}

void TestCheckRun::longValuesAreCutToTheColumn()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(plainRow);
    table(u"rules.db"_s,
        ruleHead
            + u"警告\tqa13 like '%@%'\tE-mail地址格式不正确\tqa13\n"
              "警告\tqc05>20\t总收入太少\t'总收入合计'||qa01\n"_s);
    table(u"ent.db"_s,
        u"field\tqa01\ttext\t6\nfield\tqc05\tfloat\nfield\tqa13\ttext\t40\nrows\n"
        "000001\t10\tzhang.san.example.com\n"_s);
    run(1, path);
    const QList<QStringList> rows = rowsOf(u"res.db"_s);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].mid(0, 3), (QStringList { u"000001"_s, u"zhang.san."_s, u"qa13"_s }));
    // Ten GBK bytes: five Chinese characters.
    QCOMPARE(rows[1].mid(0, 3), (QStringList { u"000001"_s, u"总收入合计"_s, u"'总收入合"_s }));
}

void TestCheckRun::faultyRuleStopsWithRowsSoFar()
{
    QFETCH(CheckRun::Path, path);
    baseFixture(plainRow);
    table(u"rules.db"_s,
        ruleHead
            + u"警告\tqc55<=qc05\t主营业务收入大于总收入\tqc55\n"
              "警告\tno_such_field>0\t坏规则\tqc55\n"
              "警告\tqc05>1000\t不会到这里\tqc05\n"_s);
    CheckRun check;
    check.prepare(1);
    QVERIFY_THROWS_EXCEPTION(store::StoreError, check.run(path));
    const QList<QStringList> rows = rowsOf(u"res.db"_s);
    QCOMPARE(column(rows, 0), (QStringList { u"000002"_s, u"000003"_s }));
    QCOMPARE(column(rows, 2), (QStringList { u"qc55"_s, u"qc55"_s }));
}

void TestCheckRun::fastPathEqualsReferenceOnDemoData()
{
    DemoData::Options options;
    options.enterprises = 600;
    options.mistakePercent = 20;
    options.seed = 7;
    const DemoData::Result demo = DemoData(options).run();

    run(1, CheckRun::Path::Reference);
    const QList<QStringList> reference = rowsOf(u"kfq_r.db"_s);
    QList<QStringList> referenceRegister = rowsOf(u"sendname.db"_s);
    run(1, CheckRun::Path::Fast);
    const QList<QStringList> fast = rowsOf(u"kfq_r.db"_s);
    QCOMPARE(fast.size(), reference.size());
    for (qsizetype i = 0; i < fast.size(); ++i)
        QCOMPARE(fast[i], reference[i]);
    QList<QStringList> fastRegister = rowsOf(u"sendname.db"_s);
    std::sort(referenceRegister.begin(), referenceRegister.end());
    std::sort(fastRegister.begin(), fastRegister.end());
    QCOMPARE(fastRegister, referenceRegister);

    // The shipped rules find the planted mistakes and nothing else.
    QStringList planted, found;
    for (const DemoData::PlantedMistake& m : demo.mistakes)
        planted.append(m.reportNumber + u' ' + m.field);
    for (const QStringList& r : fast)
        found.append(r[0] + u' ' + r[2]);
    planted.sort();
    found.sort();
    QCOMPARE(found, planted);
}

void TestCheckRun::institutionsFastPathEqualsReferenceOnDemoData_data()
{
    QTest::addColumn<DemoInstitutions::Kind>("kind");
    QTest::addColumn<QString>("results");
    QTest::addColumn<QString>("dataTable");
    QTest::newRow("venture-investment institutions")
        << DemoInstitutions::Kind::VentureFunds << u"kfqzh3_r.db"_s << u"tzjg.db"_s;
    QTest::newRow("industry bases") << DemoInstitutions::Kind::IndustryBases << u"tsjd_r.db"_s
                                    << u"tsjd.db"_s;
    QTest::newRow("provincial zones")
        << DemoInstitutions::Kind::ProvincialZones << u"kfqzh3_r.db"_s << u"sjgxq.db"_s;
}

// The single-table institution returns: both paths give the same rows, the shipped rules
// find the planted mistakes and nothing else, and the run registers the kind's tables.
void TestCheckRun::institutionsFastPathEqualsReferenceOnDemoData()
{
    QFETCH(DemoInstitutions::Kind, kind);
    QFETCH(QString, results);
    QFETCH(QString, dataTable);
    DemoInstitutions::Options options;
    options.ventureFunds = options.industryBases = options.provincialZones = 150;
    options.mistakePercent = 20;
    options.seed = 11;
    const DemoInstitutions::Result demo = DemoInstitutions(options).run();
    const int code = DemoInstitutions::reportKind(kind);

    CheckRun check;
    check.prepare(code);
    QCOMPARE(check.resultTable(), results);
    check.run(CheckRun::Path::Reference);
    const QList<QStringList> reference = rowsOf(results);
    check.run(CheckRun::Path::Fast);
    const QList<QStringList> fast = rowsOf(results);
    QCOMPARE(fast, reference);

    QStringList planted, found;
    for (const DemoInstitutions::PlantedMistake& m : demo.mistakes)
        if (m.kind == kind) planted.append(m.reportNumber + u' ' + m.field);
    for (const QStringList& r : fast)
        found.append(r[0] + u' ' + r[2]);
    planted.sort();
    found.sort();
    QCOMPARE(planted.size(), 30);
    QCOMPARE(found, planted);

    QList<QStringList> registered = rowsOf(u"sendname.db"_s);
    std::sort(registered.begin(), registered.end());
    QCOMPARE(registered.size(), 2);
    QCOMPARE(registered[0].mid(0, 2), (QStringList { u"1"_s, results }));
    QCOMPARE(registered[1].mid(0, 2), (QStringList { u"2"_s, dataTable }));
}

// A label longer than its column of the results table would be cut in every result.
void TestCheckRun::shippedLabelsFitTheResultsTable()
{
    WorkDirSetup().run();
    store::Table catalogue;
    catalogue.setTableName(u"check_db.DB"_s);
    catalogue.open();
    QVERIFY(!catalogue.isEmpty());
    for (catalogue.first(); !catalogue.eof(); catalogue.next()) {
        const QString ruleTable = catalogue.fieldByName(u"check_name"_s).asString();
        const bool codeList = catalogue.fieldByName(u"db_name"_s).asString().endsWith(u';');
        const bool aggregate = catalogue.fieldByName(u"db_name"_s).asString().contains(u',');
        if (codeList) {
            QVERIFY2(store::gbkLength(catalogue.fieldByName(u"check_result"_s).asString()) <= 10,
                qPrintable(ruleTable));
            QVERIFY2(
                store::gbkLength(catalogue.fieldByName(u"text1"_s).asString()) <= 80, qPrintable(ruleTable));
            continue;
        }
        store::Table rules;
        rules.setTableName(ruleTable);
        rules.open();
        for (rules.first(); !rules.eof(); rules.next()) {
            const QString label = rules.fieldByName(aggregate ? u"disp_field"_s : u"field_name"_s).asString();
            const QString where = ruleTable + u": "_s + label;
            QVERIFY2(store::gbkLength(label) <= 10, qPrintable(where));
            QVERIFY2(
                store::gbkLength(rules.fieldByName(u"field_text"_s).asString()) <= 80, qPrintable(where));
            QVERIFY2(store::gbkLength(rules.fieldByName(u"status"_s).asString()) <= 4, qPrintable(where));
        }
    }
}

// The entry windows clear the registrations the run writes: both must name the same
// results table and data tables, or the register would list changed tables as validated.
void TestCheckRun::shippedCatalogueAgreesWithReportKinds()
{
    WorkDirSetup().run();
    QSet<int> validated;
    for (const ReportKindInfo& kind : reportKinds()) {
        CheckRun check;
        check.prepare(kind.code);
        if (check.resultTable().isEmpty()) continue; // not validated
        validated.insert(kind.code);
        const QString where = QString::number(kind.code);
        QVERIFY2(check.resultTable().compare(kind.resultTable, Qt::CaseInsensitive) == 0, qPrintable(where));
        QVERIFY2(kind.sentMarkerSql.contains(u"name='"_s + kind.resultTable + u'\''), qPrintable(where));
        store::Table catalogue;
        catalogue.setTableName(u"check_db.DB"_s);
        catalogue.open();
        for (catalogue.first(); !catalogue.eof(); catalogue.next()) {
            const QString db = catalogue.fieldByName(u"db_name"_s).asString();
            if (catalogue.field(0).asInteger() != kind.code || db.contains(u',') || db.endsWith(u';'))
                continue;
            const QString table = db.chopped(1);
            QVERIFY2(
                kind.sentMarkerSql.contains(u"name='"_s + table + u'\''), qPrintable(where + u' ' + table));
        }
    }
    for (int code : { 1, 3, 6, 10, 11 })
        QVERIFY(validated.contains(code));
}

void TestCheckRun::shippedCodeListsAgreeWithEntryRules_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("zone enterprises") << 1;
    QTest::newRow("out-of-zone enterprises") << 3;
}

// The entry window blocks a wrong code with its rule in kfq1_chk.db; the validation run
// checks that field through a code-list table instead, and takes every other rule of
// kfq1_chk.db from its own rule table. Both must allow the same codes and hold the same
// other rules, or the window and the run would judge a return differently.
void TestCheckRun::shippedCodeListsAgreeWithEntryRules()
{
    QFETCH(int, kind);
    WorkDirSetup().run();
    QString validationRules;
    QHash<QString, QString> codeLists; // checked field -> its code-list table
    store::Table catalogue;
    catalogue.setTableName(u"check_db.DB"_s);
    catalogue.open();
    for (catalogue.first(); !catalogue.eof(); catalogue.next()) {
        if (catalogue.field(0).asInteger() != kind) continue;
        const QString db = catalogue.fieldByName(u"db_name"_s).asString();
        if (db == u"kfq_1.db\""_s) validationRules = catalogue.fieldByName(u"check_name"_s).asString();
        if (db == u"kfq_1.db\";"_s)
            codeLists.insert(catalogue.fieldByName(u"check_result"_s).asString().toLower(),
                catalogue.fieldByName(u"check_name"_s).asString());
    }
    QVERIFY(!validationRules.isEmpty());
    QVERIFY(validationRules.compare(u"kfq1_chk.db"_s, Qt::CaseInsensitive) != 0);

    auto codesOf = [](const QString& name) {
        QStringList codes;
        for (const QStringList& r : rowsOf(name))
            codes.append(r[0]);
        return codes;
    };
    static const QRegularExpression codeRule(u"^(\\w+) in \\(((?:'[^']*',?)+)\\)$"_s);
    static const QRegularExpression quoted(u"'([^']*)'"_s);
    QList<QStringList> expected;
    QSet<QString> listed;
    for (const QStringList& r : rowsOf(u"kfq1_chk.db"_s)) {
        const QRegularExpressionMatch m = codeRule.match(r[1]);
        if (m.hasMatch() && codeLists.contains(m.captured(1).toLower())) {
            QCOMPARE(r[0], u"错误"_s); // still blocks at entry
            QStringList codes;
            for (auto it = quoted.globalMatch(m.captured(2)); it.hasNext();)
                codes.append(it.next().captured(1));
            QCOMPARE(codesOf(codeLists.value(m.captured(1).toLower())), codes);
            listed.insert(m.captured(1).toLower());
            continue;
        }
        expected.append(r);
    }
    QCOMPARE(rowsOf(validationRules), expected);
    // Every short code list shown beside an enterprise field has its table.
    for (const char* field : { "qb101", "qb101_1", "qb04_1", "qb07", "qb09", "qb11", "qb19", "qb14", "qb15",
             "qb18", "qc70", "qc71", "qd19", "qd22", "qj88_1", "qj88_2", "qj88_3", "qj88_4", "qj88_5" })
        QVERIFY2(listed.contains(QString::fromLatin1(field)), field);
}

QTEST_GUILESS_MAIN(TestCheckRun)
#include "tst_CheckRun.moc"
