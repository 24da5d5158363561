#include "StoreFixture.h"

#include "store/Query.h"
#include "store/Table.h"

#include <QProcess>

using namespace Qt::StringLiterals;
using store::FieldType;
using store::Query;
using store::StoreError;
using store::Table;

namespace {

// Enterprises, products and the scratch and register tables the statements use.
void makeSurvey()
{
    store::TableSchema e;
    e.fields = { textField(u"id"_s, 25), textField(u"QA01"_s, 25), textField(u"QA03"_s, 20),
        textField(u"QA04"_s, 60), field(u"qa_one"_s, FieldType::SmallInt), textField(u"QB03"_s, 4),
        textField(u"QB07"_s, 1), textField(u"QB15"_s, 6), field(u"QC05"_s, FieldType::Float),
        field(u"QB04"_s, FieldType::Date) };
    e.indexes = { { QString(), { u"id"_s }, true, true, false } };
    Table::createTable(u"kfq_1.db"_s, e);
    Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    appendRow(t,
        { u"A1"_s, u"A1"_s, u"L1"_s, u"甲公司"_s, 1, u"6311"_s, u"1"_s, QVariant(), 150000.0,
            u"2001-05-06"_s });
    appendRow(t, { u"A2"_s, u"A2"_s, u"L2"_s, u"乙公司"_s, 1, u"6510"_s, u"2"_s, u"600001"_s, 800.5 });
    appendRow(t, { u"A3"_s, u"A3"_s, u"L3"_s, u"丙公司"_s, 1, u"9999"_s, QVariant(), QVariant(), 100000.0 });
    t.close();

    store::TableSchema p;
    p.fields = { textField(u"id"_s, 30), textField(u"QA01"_s, 25), textField(u"QE01"_s, 4),
        field(u"qe_one"_s, FieldType::SmallInt), field(u"QE14"_s, FieldType::Float) };
    p.indexes = { { QString(), { u"id"_s }, true, true, false } };
    Table::createTable(u"kfq_2.db"_s, p);
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    appendRow(t, { u"A1_1"_s, u"A1"_s, u"1"_s, 1, 10.0 });
    appendRow(t, { u"A1_2"_s, u"A1"_s, u"2"_s, 1, 20.0 });
    appendRow(t, { u"A2_1"_s, u"A2"_s, u"1"_s, 1, 5.0 });
    t.close();

    store::TableSchema reg;
    reg.fields = { field(u"id"_s, FieldType::Integer), textField(u"name"_s, 20), textField(u"text"_s, 80) };
    Table::createTable(u"sendname.db"_s, reg);

    store::TableSchema res;
    res.fields = { textField(u"编号"_s, 10), textField(u"字段值"_s, 10), textField(u"字段名"_s, 10),
        textField(u"错误信息"_s, 80), textField(u"状态"_s, 4), textField(u"序号"_s, 10) };
    Table::createTable(u"kfq_jg.db"_s, res);
    store::TableSchema tmpr;
    tmpr.fields = { textField(u"编号"_s, 10), textField(u"字段值"_s, 10) };
    Table::createTable(u"tmp_r.DB"_s, tmpr);
}

QStringList answer(const QStringList& lines)
{
    Query q;
    q.setSql(lines);
    q.open();
    QStringList out;
    QStringList header;
    for (const auto& f : q.fieldDefs())
        header.append(f.name);
    out.append(header.join(u'|'));
    for (int r = 0; r < q.recordCount(); ++r) {
        QStringList row;
        for (const QVariant& v : q.rowAt(r))
            row.append(store::displayText(v));
        out.append(row.join(u'|'));
    }
    return out;
}

int exec(const QString& text)
{
    Query q;
    q.setSql(text);
    return q.execSql();
}

} // namespace

class TestSql : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validationStatements();
    void aggregateRuleThroughScratchTable();
    void queryBuilderStatements_data();
    void queryBuilderStatements();
    void printSummaryStatements();
    void renumberingStatements();
    void answerColumnTypes();
    void definitionStatements();
    void errorsNameTheTable_data();
    void errorsNameTheTable();
    void commandLineTool();
};

void TestSql::validationStatements()
{
    WorkDirFixture wd;
    makeSurvey();
    // Code list: the values outside the listed codes fail.
    Query q;
    q.setSql(QStringList {
        u"select QA01 编号,QB03 字段值 from \"kfq_1.db\" where not (QB03='6311' or QB03='6510'"_s, u")"_s });
    q.open();
    Table tmpr;
    tmpr.setTableName(u"tmp_r.DB"_s);
    tmpr.emptyTable();
    QCOMPARE(tmpr.batchAppend(q), 1);
    QCOMPARE(answer({ u"select 编号,字段值 from tmp_r.db where not (字段值='6311')"_s }),
        (QStringList { u"编号|字段值"_s, u"A3|9999"_s }));
    Table res;
    res.setTableName(u"kfq_jg.db"_s);
    Query survivors;
    survivors.setSql(u"select * from tmp_r.db"_s);
    survivors.open();
    res.batchAppend(survivors);
    QCOMPARE(
        exec(
            u"update kfq_jg.db set 字段名='qb03',错误信息='行业代码不在代码表中',状态='错误' where 字段名 IS NULL"_s),
        1);
    // A plain rule: rows where the condition does not hold.
    Query plain;
    plain.setSql(u"select QA01 编号,QC05 字段值 from \"kfq_1.db\" where not (QC05>=1000)"_s);
    plain.open();
    res.batchAppend(plain);
    exec(u"update kfq_jg.db set 字段名='QC05',错误信息='总收入偏小',状态='警告' where 字段名 IS NULL"_s);
    exec(u"insert into kfq_jg.db (字段名,状态) values ('qj25','错误')"_s);
    QCOMPARE(
        exec(
            u"delete from kfq_jg.db where 编号 is null and (字段名='qj25' or 字段名='qj26' or 字段名='qj27' or 字段名='qj01')"_s),
        1);
    QCOMPARE(answer({ u"select 编号,字段值,字段名,状态 from kfq_jg.db order by 状态 desc,编号"_s }),
        (QStringList { u"编号|字段值|字段名|状态"_s, u"A2|800.5|QC05|警告"_s, u"A3|9999|qb03|错误"_s }));
    // Registering: a double-quoted file name is a text where a value is expected.
    for (int run = 0; run < 2; ++run) {
        exec(u"delete from sendname.db where id=2 and name=\"kfq_1.db\""_s);
        exec(u"insert into sendname.db (id,name,text) values (2,\"kfq_1.db\",'企业基本情况')"_s);
    }
    QCOMPARE(answer({ u"select id,name,text from sendname.db"_s }),
        (QStringList { u"id|name|text"_s, u"2|kfq_1.db|企业基本情况"_s }));
}

void TestSql::aggregateRuleThroughScratchTable()
{
    WorkDirFixture wd;
    makeSurvey();
    QCOMPARE(
        answer(
            { u"select a.QA01 编号,sum(b.QE14) 产品产值,count(b.QE01) 产品数 from \"kfq_1.db\" a left join \"kfq_2.db\" b on a.QA01=b.QA01 group by a.QA01"_s }),
        (QStringList { u"编号|产品产值|产品数"_s, u"A1|30|2"_s, u"A2|5|1"_s, u"A3||0"_s }));
}

void TestSql::queryBuilderStatements_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("worked query") << QStringList { u"select a.QA04 企业详细名称"_s, u",b.QE01 产品编号"_s,
        u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s, u" where(a.QA01=b.QA01)"_s, u" and (a.QC05 >= 5000)"_s,
        u" order by 企业详细名称"_s, u" desc"_s, u",产品编号"_s }
                                  << QStringList { u"企业详细名称|产品编号"_s, u"甲公司|1"_s, u"甲公司|2"_s };
    QTest::newRow("worked statistics") << QStringList {
        u"select a.QB03 行业代码"_s, u",sum("_s, u"a.QC05) 总收入合计"_s, u",sum(b.QE14) 全年产品产值合计"_s,
        u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s, u" where(a.QA01=b.QA01)"_s, u" group by a.QB03"_s
    } << QStringList { u"行业代码|总收入合计|全年产品产值合计"_s, u"6311|300000|30"_s, u"6510|800.5|5"_s };
    QTest::newRow("select star over all tables")
        << QStringList { u"select *"_s, u" from \"kfq_1.db\" a"_s, u" where  (a.QB03=\"6311\")"_s }
        << QStringList { u"id|QA01|QA03|QA04|qa_one|QB03|QB07|QB15|QC05|QB04"_s,
               u"A1|A1|L1|甲公司|1|6311|1||150000|2001-05-06"_s };
    QTest::newRow("or-group with like") << QStringList { u"select a.QA01 报表编号"_s,
        u" from \"kfq_1.db\" a"_s, u" where ((a.QA04 like '%乙%') or (a.QB03 <> '6311'))"_s }
                                        << QStringList { u"报表编号"_s, u"A2"_s, u"A3"_s };
}

void TestSql::queryBuilderStatements()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, expected);
    WorkDirFixture wd;
    makeSurvey();
    QCOMPARE(answer(lines), expected);
}

void TestSql::printSummaryStatements()
{
    WorkDirFixture wd;
    makeSurvey();
    QCOMPARE(answer({ u"select count(*) 区外企业数 from \"kfq_1.db\" where qb07='2' or qb07 is null"_s }),
        (QStringList { u"区外企业数"_s, u"2"_s }));
    QCOMPARE(answer({ u"select count(*) 上亿企业数 from \"kfq_1.db\" where qc05>=100000"_s }),
        (QStringList { u"上亿企业数"_s, u"2"_s }));
    QCOMPARE(answer({ u"select qa01 报表编号"_s, u",qa04 企业名称"_s,
                 u"from \"kfq_1.db\" where qb15<>' ' order by qc05 desc"_s }),
        (QStringList { u"报表编号|企业名称"_s, u"A2|乙公司"_s }));
    QCOMPARE(
        answer(
            { u"select qa01 报表编号,qc05 总收入 from \"kfq_1.db\" where qb03=\"6311\" or qb03=\"6510\" order by qc05 desc"_s }),
        (QStringList { u"报表编号|总收入"_s, u"A1|150000"_s, u"A2|800.5"_s }));
    // One-row part tables joined without a condition.
    Query part;
    part.setSql(
        QStringList { u"select sum(a.qa_one) 企业数"_s, u",sum(a.QC05) 总收入"_s, u"from \"kfq_1.db\" a"_s });
    part.open();
    store::TableSchema s1;
    s1.fields = part.fieldDefs();
    Table::createTable(u"kfq1hz.db"_s, s1);
    Table hz;
    hz.setTableName(u"kfq1hz.db"_s);
    hz.batchAppend(part);
    Query part2;
    part2.setSql(QStringList { u"select sum(b.qe_one) 产品数"_s, u"from \"kfq_2.db\" b"_s });
    part2.open();
    store::TableSchema s2;
    s2.fields = part2.fieldDefs();
    Table::createTable(u"kfq2hz.db"_s, s2);
    hz.setTableName(u"kfq2hz.db"_s);
    hz.batchAppend(part2);
    QCOMPARE(answer({ u"select * from kfq1hz.db,kfq2hz.db"_s }),
        (QStringList { u"企业数|总收入|产品数"_s, u"3|250800.5|3"_s }));
}

void TestSql::renumberingStatements()
{
    WorkDirFixture wd;
    makeSurvey();
    QVERIFY(QFile::copy(u"kfq_1.db"_s, u"tmp/kfq_1.db"_s));
    exec(u"update \"tmp\\kfq_1.db\" set qa03=\"L9\" where qa01=\"A2\""_s);
    QCOMPARE(exec(u"update \"tmp\\kfq_1.db\" set qa01=\"B3\" where qa01=\"A3\""_s), 1);
    QCOMPARE(answer({ u"select qa01 原报表编号,qa01 修改后编号,qa03 法人代码 from tmp\\kfq_1"_s }),
        (QStringList { u"原报表编号|修改后编号|法人代码"_s, u"A1|A1|L1"_s, u"A2|A2|L9"_s, u"B3|B3|L3"_s }));
    QCOMPARE(
        answer(
            { u"select b.qa01 原报表编号,b.qa01 修改后编号,b.qa03 法人代码,b.qa04 企业名称 from \"kfq_1.db\" a,tmp\\kfq_1.db b"_s,
                u"where ((a.qa03=b.qa03) and (a.qa01!=b.qa01)) or ((a.qa03!=b.qa03) and (a.qa01=b.qa01))"_s }),
        (QStringList {
            u"原报表编号|修改后编号|法人代码|企业名称"_s, u"A2|A2|L9|乙公司"_s, u"B3|B3|L3|丙公司"_s }));
}

void TestSql::answerColumnTypes()
{
    WorkDirFixture wd;
    makeSurvey();
    Query q;
    q.setSql(
        u"select qa01, qa01, qc05, qb04, count(*) n, sum(qc05) s, qa04 || '!' x from \"kfq_1.db\" group by qa01"_s);
    q.open();
    const auto& f = q.fieldDefs();
    QCOMPARE(f.size(), 7);
    QCOMPARE(f[0].name, u"QA01"_s);
    QCOMPARE(f[1].name, u"QA01_1"_s);
    QCOMPARE(f[0].type, FieldType::Text);
    QCOMPARE(f[0].size, 25);
    QCOMPARE(f[2].type, FieldType::Float);
    QCOMPARE(f[3].type, FieldType::Date);
    QCOMPARE(f[4].type, FieldType::Integer);
    QCOMPARE(f[5].type, FieldType::Float);
    QCOMPARE(f[6].type, FieldType::Text);
    QCOMPARE(f[6].size, 7); // 甲公司! is seven GBK bytes
    QCOMPARE(q.recordCount(), 3);
    QCOMPARE(q.fieldByName(u"qb04"_s).asDate(), QDate(2001, 5, 6));
    QVERIFY(q.isReadOnly());
    QVERIFY_THROWS_EXCEPTION(StoreError, q.edit());
}

void TestSql::definitionStatements()
{
    WorkDirFixture wd;
    exec(
        u"CREATE TABLE \"tmp\\new.db\" (code CHAR(6), name VARCHAR(40), n SMALLINT, amount FLOAT, day DATE, ok BOOLEAN, note MEMO, PRIMARY KEY (code))"_s);
    Table t;
    t.setTableName(u"tmp/new.db"_s);
    t.open();
    QCOMPARE(t.fieldCount(), 7);
    QCOMPARE(t.fieldDefs()[0].size, 6);
    QCOMPARE(t.fieldDefs()[6].type, FieldType::Memo);
    QVERIFY(t.schema().primaryIndex());
    t.close();
    exec(u"CREATE UNIQUE INDEX byname ON \"tmp\\new.db\" (name)"_s);
    exec(u"insert into \"tmp\\new.db\" (code,name,n) values ('1','x',1)"_s);
    QVERIFY_THROWS_EXCEPTION(
        StoreError, exec(u"insert into \"tmp\\new.db\" (code,name,n) values ('2','x',1)"_s));
    exec(u"DROP INDEX \"tmp\\new.db\".byname"_s);
    exec(u"insert into \"tmp\\new.db\" (code,name,n) values ('2','x',1)"_s);
    QCOMPARE(answer({ u"select count(*) n from \"tmp\\new.db\""_s }), (QStringList { u"n"_s, u"2"_s }));
    exec(u"DROP TABLE \"tmp\\new.db\""_s);
    QVERIFY(!QFile::exists(u"tmp/new.db"_s));
}

void TestSql::errorsNameTheTable_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("named");
    QTest::newRow("missing table") << u"select * from \"nosuch.db\""_s << u"nosuch.db"_s;
    QTest::newRow("unknown column") << u"select nocolumn from \"kfq_1.db\""_s << u"nocolumn"_s;
    QTest::newRow("broken statement") << u"select from where"_s << QString();
    QTest::newRow("unterminated text") << u"select * from \"kfq_1.db\" where qa01='x"_s << QString();
    QTest::newRow("rule text with a stray quote")
        << u"update kfq_jg.db set 错误信息='企业's 名称' where 1=1"_s << QString();
}

void TestSql::errorsNameTheTable()
{
    QFETCH(QString, statement);
    QFETCH(QString, named);
    WorkDirFixture wd;
    makeSurvey();
    try {
        Query q;
        q.setSql(statement);
        if (statement.startsWith("select"_L1))
            q.open();
        else
            q.execSql();
        QFAIL("a bad statement ran");
    } catch (const StoreError& e) {
        QVERIFY(!e.message().isEmpty());
        if (!named.isEmpty()) QVERIFY2(e.message().contains(named), qPrintable(e.message()));
    }
    // Nothing stored before is lost.
    QCOMPARE(answer({ u"select count(*) n from \"kfq_1.db\""_s }), (QStringList { u"n"_s, u"3"_s }));
}

void TestSql::commandLineTool()
{
    WorkDirFixture wd;
    makeSurvey();
    QProcess p;
    p.start(QStringLiteral(VELTO_TOOL),
        { u"sql"_s, u"-C"_s, QDir::currentPath(), u"select qa01 编号, qc05, qb04, qb15"_s,
            u"from \"kfq_1.db\" order by qa01"_s });
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
        u"编号\tQC05\tQB04\tQB15\nA1\t150000\t2001-05-06\t\nA2\t800.5\t\t600001\nA3\t100000\t\t\n"_s);
    p.start(
        QStringLiteral(VELTO_TOOL), { u"sql"_s, u"update \"kfq_1.db\" set qc05=qc05/3 where qa01<>'A1'"_s });
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), u"2\n"_s);
    p.start(QStringLiteral(VELTO_TOOL), { u"sql"_s, u"select qc05 from \"kfq_1.db\" where qa01='A3'"_s });
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), u"QC05\n33333.3333333333\n"_s);
    p.start(QStringLiteral(VELTO_TOOL), { u"sql"_s, u"select * from \"missing.db\""_s });
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(u"missing.db"_s));
}

QTEST_GUILESS_MAIN(TestSql)
#include "tst_sql.moc"
