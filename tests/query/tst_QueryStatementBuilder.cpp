#include "QueryFixture.h"
#include "WorkDir.h"
#include "query/QueryFields.h"
#include "query/QueryStatementBuilder.h"
#include "shell/DemoData.h"
#include "shell/DemoInstitutions.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The dictionary of the worked example: three fields of kfq_1.db, two of kfq_2.db.
QueryFields exampleFields()
{
    QueryFields f;
    const QList<QStringList> rows = {
        { u"kfq_1.db a"_s, u"a.QA01"_s, u"C"_s, u"报表编号"_s },
        { u"kfq_1.db a"_s, u"a.QA04"_s, u"C"_s, u"企业详细名称"_s },
        { u"kfq_1.db a"_s, u"a.QB03"_s, u"C"_s, u"行业代码"_s },
        { u"kfq_1.db a"_s, u"a.QC05"_s, u"N"_s, u"总收入"_s },
        { u"kfq_2.db b"_s, u"b.QE02"_s, u"C"_s, u"产品名称"_s },
        { u"kfq_2.db b"_s, u"b.QE14"_s, u"N"_s, u"全年产品产值"_s },
    };
    for (const QStringList& r : rows)
        f.append({ r[3], r[1], r[2], tableReference(r[0]) });
    return f;
}

// A dictionary of one table without aliases, as the national-project kind has.
QueryFields singleTableFields()
{
    QueryFields f;
    f.append({ u"项目编号"_s, u"JB00"_s, u"C"_s, tableReference(u"gjxm.db"_s) });
    f.append({ u"项目名称"_s, u"JB01"_s, u"C"_s, tableReference(u"gjxm.db"_s) });
    f.append({ u"项目经费"_s, u"JB10"_s, u"N"_s, tableReference(u"gjxm.db"_s) });
    return f;
}

QueryCondition cond(const QString& text, const QString& table)
{
    return { text, table };
}

const QString A = u"\"kfq_1.db\" a"_s;
const QString B = u"\"kfq_2.db\" b"_s;
const QString G = u"\"gjxm.db\""_s;

} // namespace

class TestQueryStatementBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableReferences_data();
    void tableReferences();
    void dictionaryLists();
    void queryStatement_data();
    void queryStatement();
    void statisticsStatement_data();
    void statisticsStatement();
    void readsCatalogueAndDictionary();
    void valueMode();
    void shippedDictionaryCoversTheTables_data();
    void shippedDictionaryCoversTheTables();
    void shippedDictionaryRunsOnDemoData_data();
    void shippedDictionaryRunsOnDemoData();
};

void TestQueryStatementBuilder::tableReferences_data()
{
    QTest::addColumn<QString>("dbName");
    QTest::addColumn<QString>("reference");
    QTest::newRow("alias") << u"kfq_1.db a"_s << u"\"kfq_1.db\" a"_s;
    QTest::newRow("plain") << u"gjxm.db"_s << u"\"gjxm.db\""_s;
    QTest::newRow("one character") << u"x"_s << u"\"x\""_s;
}

void TestQueryStatementBuilder::tableReferences()
{
    QFETCH(QString, dbName);
    QTEST(tableReference(dbName), "reference");
}

void TestQueryStatementBuilder::dictionaryLists()
{
    QueryFields f = exampleFields();
    f.append({ u"企业数"_s, u"a.Qa_one"_s, u"0"_s, A });
    QStringList conditions, sums, groups;
    for (const auto& d : f.conditionFields)
        conditions << d.caption;
    for (const auto& d : f.statisticsFields)
        sums << d.caption;
    for (const auto& d : f.classificationFields)
        groups << d.caption;
    QCOMPARE(conditions,
        QStringList({ u"报表编号"_s, u"企业详细名称"_s, u"行业代码"_s, u"总收入"_s, u"产品名称"_s,
            u"全年产品产值"_s }));
    QCOMPARE(sums, QStringList({ u"总收入"_s, u"全年产品产值"_s, u"企业数"_s }));
    QCOMPARE(groups, QStringList({ u"报表编号"_s, u"企业详细名称"_s, u"行业代码"_s, u"产品名称"_s }));
    QCOMPARE(f.tables, QStringList({ A, B }));
    QCOMPARE(f.joinKey(), u"a.QA01"_s);
}

void TestQueryStatementBuilder::queryStatement_data()
{
    QTest::addColumn<bool>("singleTable");
    QTest::addColumn<QueryChoices>("choices");
    QTest::addColumn<QStringList>("lines");

    QueryChoices example;
    example.selectedFields = { 1, 4 };
    example.andGroup = { cond(u"a.QC05 >= 5000"_s, A) };
    example.sort = { { u"企业详细名称"_s, false } };
    QTest::newRow("worked example") << false << example
                                    << QStringList { u"select a.QA04 企业详细名称"_s, u",b.QE02 产品名称"_s,
                                           u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
                                           u" where(a.QA01=b.QA01)"_s, u" and (a.QC05 >= 5000)"_s,
                                           u" order by 企业详细名称"_s };

    QTest::newRow("nothing ticked: every condition field's table")
        << false << QueryChoices {}
        << QStringList { u"select *"_s, u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
               u" where(a.QA01=b.QA01)"_s };

    QueryChoices oneTable;
    oneTable.selectedFields = { 0, 3 };
    QTest::newRow("fields of one table: no join")
        << false << oneTable
        << QStringList { u"select a.QA01 报表编号"_s, u",a.QC05 总收入"_s, u" from \"kfq_1.db\" a"_s };

    QueryChoices andOnly = oneTable;
    andOnly.andGroup = { cond(u"a.QC05 > 1"_s, A), cond(u"a.QB03 = \"6311\""_s, A) };
    QTest::newRow("and-group opens the where clause")
        << false << andOnly
        << QStringList { u"select a.QA01 报表编号"_s, u",a.QC05 总收入"_s, u" from \"kfq_1.db\" a"_s,
               u" where (a.QC05 > 1 and a.QB03 = \"6311\")"_s };

    QueryChoices orOnly = oneTable;
    orOnly.orGroup = { cond(u"a.QC05 > 1"_s, A), cond(u"a.QC05 < 0"_s, A) };
    orOnly.combineWithOr = true;
    QTest::newRow("or-group alone, no join")
        << false << orOnly
        << QStringList { u"select a.QA01 报表编号"_s, u",a.QC05 总收入"_s, u" from \"kfq_1.db\" a"_s,
               u" where (a.QC05 > 1 or a.QC05 < 0)"_s };

    QueryChoices orJoined = orOnly;
    orJoined.orGroup.append(cond(u"b.QE14 > 0"_s, B));
    QTest::newRow("or-group after a join line, its table joined")
        << false << orJoined
        << QStringList { u"select a.QA01 报表编号"_s, u",a.QC05 总收入"_s,
               u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s, u" where(a.QA01=b.QA01)"_s,
               u" and (a.QC05 > 1 or a.QC05 < 0 or b.QE14 > 0)"_s };

    QueryChoices both = oneTable;
    both.andGroup = { cond(u"a.QC05 > 1"_s, A) };
    both.orGroup = { cond(u"a.QB03 = \"1\""_s, A), cond(u"a.QB03 = \"2\""_s, A) };
    QTest::newRow("both groups, no where yet, 与")
        << false << both
        << QStringList { u"select a.QA01 报表编号"_s, u",a.QC05 总收入"_s, u" from \"kfq_1.db\" a"_s,
               u" where (a.QC05 > 1)"_s, u" and "_s, u"(a.QB03 = \"1\" or a.QB03 = \"2\")"_s };

    QueryChoices bothJoined = both;
    bothJoined.combineWithOr = true;
    bothJoined.selectedFields = { 4 };
    QTest::newRow("both groups after a join, 或")
        << false << bothJoined
        << QStringList { u"select b.QE02 产品名称"_s, u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
               u" where(a.QA01=b.QA01)"_s, u" and ((a.QC05 > 1)"_s, u" or "_s,
               u"(a.QB03 = \"1\" or a.QB03 = \"2\"))"_s };

    QueryChoices ticked;
    ticked.selectedFields = { 0 };
    ticked.tables = { 1 };
    QTest::newRow("ticked table forced into the from clause")
        << false << ticked
        << QStringList { u"select a.QA01 报表编号"_s, u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
               u" where(a.QA01=b.QA01)"_s };

    QueryChoices sorted;
    sorted.selectedFields = { 1, 3 };
    sorted.sort = { { u"总收入"_s, true }, { u"企业详细名称"_s, false }, { u"总收入"_s, true } };
    QTest::newRow("sort list with descending entries and a repeat")
        << false << sorted
        << QStringList { u"select a.QA04 企业详细名称"_s, u",a.QC05 总收入"_s, u" from \"kfq_1.db\" a"_s,
               u" order by 总收入"_s, u" desc"_s, u",企业详细名称"_s, u",总收入"_s, u" desc"_s };

    QueryChoices untabled = oneTable;
    untabled.andGroup = { cond(u"1=1"_s, QString()) };
    QTest::newRow("a typed condition without a table joins nothing")
        << false << untabled
        << QStringList { u"select a.QA01 报表编号"_s, u",a.QC05 总收入"_s, u" from \"kfq_1.db\" a"_s,
               u" where (1=1)"_s };

    QueryChoices national;
    national.extraCondition = extraConditionFor(4);
    QTest::newRow("national projects, one table, no conditions: two blanks after where")
        << true << national
        << QStringList { u"select *"_s, u" from \"gjxm.db\""_s,
               u" where  (is_chge=\"1\" or is_chge=\"2\")"_s };

    QueryChoices nationalAnd = national;
    nationalAnd.andGroup = { cond(u"JB10 > 5"_s, G) };
    QTest::newRow("extra condition then the and-group")
        << true << nationalAnd
        << QStringList { u"select *"_s, u" from \"gjxm.db\""_s, u" where  (is_chge=\"1\" or is_chge=\"2\")"_s,
               u" and (JB10 > 5)"_s };
}

void TestQueryStatementBuilder::queryStatement()
{
    QFETCH(bool, singleTable);
    QFETCH(QueryChoices, choices);
    const QueryFields fields = singleTable ? singleTableFields() : exampleFields();
    const QStringList actual = QueryStatementBuilder(fields, choices).queryStatement();
    QTEST(actual, "lines");
}

void TestQueryStatementBuilder::statisticsStatement_data()
{
    QTest::addColumn<QueryChoices>("choices");
    QTest::addColumn<QStringList>("lines");

    QueryChoices example;
    example.statisticsFields = { 0, 1 };
    example.classificationFields = { 2 };
    QTest::newRow("worked example") << example
                                    << QStringList { u"select a.QB03 行业代码"_s, u",sum("_s,
                                           u"a.QC05) 总收入合计"_s, u",sum(b.QE14) 全年产品产值合计"_s,
                                           u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
                                           u" where(a.QA01=b.QA01)"_s, u" group by a.QB03"_s };

    QueryChoices totals;
    totals.statisticsFields = { 0 };
    QTest::newRow("no classification: one row of totals")
        << totals << QStringList { u"select sum("_s, u"a.QC05) 总收入合计"_s, u" from \"kfq_1.db\" a"_s };

    QueryChoices order;
    order.statisticsFields = { 1, 0 };
    order.classificationFields = { 3, 1 };
    order.andGroup = { cond(u"a.QC05 > 0"_s, A) };
    QTest::newRow("tables: first sum, classes, further sums; sorts never")
        << order
        << QStringList { u"select b.QE02 产品名称"_s, u",a.QA04 企业详细名称"_s, u",sum("_s,
               u"b.QE14) 全年产品产值合计"_s, u",sum(a.QC05) 总收入合计"_s,
               u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s, u" where(a.QA01=b.QA01)"_s, u" and (a.QC05 > 0)"_s,
               u" group by b.QE02"_s, u",a.QA04"_s };

    QueryChoices none;
    none.classificationFields = { 0 };
    none.sort = { { u"报表编号"_s, false } };
    QTest::newRow("no statistics field: nothing") << none << QStringList {};
}

void TestQueryStatementBuilder::statisticsStatement()
{
    QFETCH(QueryChoices, choices);
    const QueryFields fields = exampleFields();
    QTEST(QueryStatementBuilder(fields, choices).statisticsStatement(), "lines");
}

void TestQueryStatementBuilder::readsCatalogueAndDictionary()
{
    WorkDir dir;
    fixture::makeTable(u"query_db.db"_s,
        { { u"id"_s, store::FieldType::Integer, 0, 0 }, fixture::text(u"db_name"_s, 20),
            fixture::text(u"text"_s, 60) },
        { { 4, u"gjxm_q.db"_s, u"国家级项目查询"_s }, { 1, u"kfq_q.db"_s, u"企业查询"_s },
            { 1, u"other.db"_s, u"second row of the same kind"_s } });
    const QueryCatalogEntry first = QueryCatalogEntry::read(1);
    QCOMPARE(first.caption, u"企业查询"_s);
    QCOMPARE(first.dictionary, u"kfq_q.db"_s);
    const QueryCatalogEntry missing = QueryCatalogEntry::read(9);
    QVERIFY(missing.dictionary.isEmpty());
    QVERIFY_THROWS_EXCEPTION(store::StoreError, QueryFields::read(missing.dictionary));

    fixture::makeDictionary(u"kfq_q.db"_s,
        { { u"kfq_1.db a"_s, u"a.QA01"_s, u"C"_s, u"报表编号"_s },
            { u"kfq_1.db a"_s, u"a.Qa_one"_s, u"0"_s, u"企业数"_s },
            { u"kfq_2.db b"_s, u"b.QE14"_s, u"N"_s, u"产值"_s } });
    const QueryFields f = QueryFields::read(u"kfq_q.db"_s);
    QCOMPARE(f.conditionFields.size(), 2);
    QCOMPARE(f.conditionFields[1].table, B);
    QCOMPARE(f.statisticsFields.size(), 2);
    QCOMPARE(f.statisticsFields[0].name, u"a.Qa_one"_s);
    QCOMPARE(f.classificationFields.size(), 1);
    QCOMPARE(f.tables, QStringList({ A, B }));
}

void TestQueryStatementBuilder::valueMode()
{
    WorkDir dir;
    fixture::makeTable(u"kfq_1.db"_s,
        { fixture::text(u"QA01"_s, 6), fixture::text(u"QB03"_s, 4), fixture::number(u"QC05"_s) },
        { { u"000002"_s, u"6311"_s, 12.5 }, { u"000001"_s, u"6311"_s, 3.0 },
            { u"000003"_s, QVariant(), QVariant() } });
    const QString key = u"a.QA01"_s;
    QCOMPARE(fieldValues({ u"行业代码"_s, u"a.QB03"_s, u"C"_s, A }, key),
        QStringList({ u"\"6311\""_s, u"\"6311\""_s, u"\"\""_s }));
    QCOMPARE(fieldValues({ u"总收入"_s, u"a.QC05"_s, u"N"_s, A }, key),
        QStringList({ u"12.5"_s, u"3"_s, QString() }));
    // Without aliases the field name is the column and the reference only loses its quotes.
    fixture::makeTable(u"gjxm.db"_s, { fixture::text(u"JB00"_s, 6) }, { { u"x1"_s } });
    QCOMPARE(fieldValues({ u"项目编号"_s, u"JB00"_s, u"C"_s, G }, u"JB00"_s), QStringList({ u"\"x1\""_s }));
    QVERIFY_THROWS_EXCEPTION(store::StoreError, fieldValues({ u"无"_s, u"a.QZ99"_s, u"C"_s, A }, key));
}

void TestQueryStatementBuilder::shippedDictionaryCoversTheTables_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("joinKey");
    QTest::addColumn<QStringList>("tables"); // as the dictionary names them, alias and all
    const QStringList enterprise = { u"kfq_1.db a"_s, u"kfq_2.db b"_s, u"kfq_5.db c"_s };
    QTest::newRow("zone enterprises") << 1 << u"a.QA01"_s << enterprise;
    QTest::newRow("out-of-zone enterprises") << 3 << u"a.QA01"_s << enterprise;
    QTest::newRow("venture-investment institutions") << 6 << u"CODE"_s << QStringList { u"tzjg.db"_s };
    QTest::newRow("industry bases") << 10 << u"CODE"_s << QStringList { u"tsjd.db"_s };
    QTest::newRow("provincial zones") << 11 << u"Code"_s << QStringList { u"sjgxq.db"_s };
    QTest::newRow("science parks") << 8 << u"a.CODE"_s
                                   << QStringList { u"dx.db a"_s, u"dxzfqy.db b"_s, u"dxxm.db c"_s };
    QTest::newRow("incubators") << 9 << u"a.CODE"_s << QStringList { u"fhq.db a"_s, u"fhqzfqy.db b"_s };
}

void TestQueryStatementBuilder::shippedDictionaryCoversTheTables()
{
    QFETCH(int, kind);
    QFETCH(QStringList, tables);
    WorkDir dir;
    WorkDirSetup().run();
    const QueryCatalogEntry entry = QueryCatalogEntry::read(kind);
    QVERIFY(!entry.caption.isEmpty());
    const QueryFields f = QueryFields::read(entry.dictionary);
    QTEST(f.joinKey(), "joinKey");
    QStringList references;
    for (const QString& t : tables)
        references.append(tableReference(t));
    QCOMPARE(f.tables, references);

    QSet<QString> offered, captions;
    for (const DictionaryField& d : f.conditionFields + f.statisticsFields) {
        offered.insert(d.name.toLower());
        captions.insert(d.caption);
    }
    QCOMPARE(captions.size(), offered.size()); // every heading names one column
    for (const QString& t : tables) {
        const QStringList parts = t.split(u' ');
        const QString prefix = parts.size() > 1 ? parts[1] + u'.' : QString();
        store::Table table;
        table.setTableName(parts[0]);
        table.open();
        for (const store::FieldDef& def : table.fieldDefs()) {
            const QString name = prefix + def.name.toLower();
            QVERIFY2(offered.contains(name), qPrintable(name));
        }
    }
    for (const DictionaryField& d : f.statisticsFields)
        QVERIFY2(d.type == "N"_L1 || d.name.endsWith("_one"_L1, Qt::CaseInsensitive), qPrintable(d.name));
}

void TestQueryStatementBuilder::shippedDictionaryRunsOnDemoData_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("classification"); // a field to total by
    QTest::addColumn<QString>("heading"); // its caption
    QTest::addColumn<int>("minimumRows"); // of the query of every field
    // The enterprise query joins products and projects: a row per pair.
    QTest::newRow("zone enterprises") << 1 << u"a.QB03"_s << u"行业代码"_s << 21;
    QTest::newRow("venture-investment institutions") << 6 << u"KZ40"_s << u"是否设立引导基金"_s << 20;
    QTest::newRow("industry bases") << 10 << u"TDF912"_s << u"填报时间"_s << 20;
    QTest::newRow("provincial zones") << 11 << u"Cs"_s << u"所在城市"_s << 20;
}

void TestQueryStatementBuilder::shippedDictionaryRunsOnDemoData()
{
    // Every caption must work as a column alias and every field in a sum or a group.
    QFETCH(int, kind);
    QFETCH(QString, classification);
    QFETCH(int, minimumRows);
    WorkDir dir;
    WorkDirSetup().run();
    DemoData({ .enterprises = 20, .mistakePercent = 0 }).run();
    DemoInstitutions({ .ventureFunds = 20, .industryBases = 20, .provincialZones = 20, .mistakePercent = 0 })
        .run();
    const QueryFields f = QueryFields::read(QueryCatalogEntry::read(kind).dictionary);

    QueryChoices all;
    for (int i = 0; i < f.conditionFields.size(); ++i)
        all.selectedFields.append(i);
    all.sort = { { f.conditionFields[5].caption, true } };
    store::Query query;
    query.setSql(QueryStatementBuilder(f, all).queryStatement());
    query.open();
    QCOMPARE(query.fieldCount(), f.conditionFields.size());
    QCOMPARE(query.fieldDefs()[3].name, f.conditionFields[3].caption);
    QVERIFY(query.recordCount() >= minimumRows);

    QueryChoices sums;
    for (int i = 0; i < f.statisticsFields.size(); ++i)
        sums.statisticsFields.append(i);
    const int group = int(std::find_if(f.classificationFields.begin(), f.classificationFields.end(),
                              [&](const DictionaryField& d) { return d.name == classification; })
        - f.classificationFields.begin());
    QVERIFY(group < f.classificationFields.size());
    sums.classificationFields = { group };
    query.setSql(QueryStatementBuilder(f, sums).statisticsStatement());
    query.open();
    QTEST(query.fieldDefs()[0].name, "heading");
    QCOMPARE(query.fieldDefs()[1].name, f.statisticsFields[0].caption + u"合计"_s);
    QVERIFY(query.recordCount() >= 1);
}

QTEST_GUILESS_MAIN(TestQueryStatementBuilder)
#include "tst_QueryStatementBuilder.moc"
