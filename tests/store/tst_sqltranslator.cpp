#include "store/Collation.h"
#include "store/SqlTranslator.h"
#include "store/StoreError.h"

#include <QHash>
#include <QRandomGenerator>
#include <QtTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;
using namespace store;

Q_DECLARE_METATYPE(store::SqlStatementKind)

namespace {

// Readable schema names for the expected texts: "tmp\kfq_1.db" is attached as tmp_kfq_1.
QString schemaFor(const QString& fileName)
{
    QString key = sqlTableKey(fileName);
    if (key.endsWith(".db"_L1)) key.chop(3);
    key.replace(u'/', u'_');
    key.replace(u'.', u'_');
    return key;
}

// Field / caption pairs of the enterprise summary's first part.
const QList<std::pair<QString, QString>>& enterpriseSums()
{
    static const QList<std::pair<QString, QString>> pairs = [] {
        const QString text
            = u"qa_one 企业数; QC02 工业总产值; QC05 总收入; qc04 工业销售产值; qc55 主营业务收入; "
              "qc120 营业利润; QC06 技术收入; QC07 产品销售收入; QC09 高新技术产品; QC10 商品销售收入; "
              "QC49 其他收入; QC11 出口创汇总额; QC12 净利润; QC13 实际上缴税费总额; QC14 上缴增值税; "
              "QC15 上缴营业税; QC16 上缴所得税; QC17 减免税总额; QC18 减免增值税; QC19 减免营业税; "
              "QC20 减免所得税; QC62 应交增值税; QC51 应付职工薪酬; QC22 总成本与费用; QC23 利息支出; "
              "QC24 年末资产总计; QC25 流动资产; QC26 长期投资; QC27 固定资产; QC28 固定资产原价; "
              "QC30 无形资产; QC31 年末负债; QC32 银行科技开发贷款; QC33 年末所有者权益股东权益; "
              "QC34 实收入资本; QC35 国家资本; QC45 集体资本; QC46 法人资本; QC47 个人资本; "
              "QC48 港澳台资本; QC36 外商资本; QC40 本年完成固定资产投资额; QC41 工业能源消费量; "
              "QD01 年末从业人员数; QD03 留学归国人数; QD04 留学归国硕士以上; QD23 工程技术人员; "
              "QD21 引进外籍专家; QD14 吸纳毕业生; QD05 从业人员年平均数; QD18 研究生; QD06 博士; "
              "QD07 硕士; QD08 大学; QD09 大专; QD10 中专; QD11 高级; QD12 中级; QD13 初级; "
              "QJ09 科技活动人员合计; QJ09_1 全时; QJ11 参加科技项目人员; QJ12 高中级职称1; "
              "QJ13 无高中级职称1; QJ23 内部支出合计; QJ33 外部支出合计; QI09 全部科技项目数; "
              "Qj53 科技项目内部支出; QI01 企业办科技机构数; QI07 机构科技活动人员; QJ70 新产品产值; "
              "QJ71 新产品销售收入; QJ73 拥有发明专利数; QJ55 专利申请数; QJ74 专利授权数; "
              "QJ58 技术改造经费支出"_s;
        QList<std::pair<QString, QString>> result;
        for (const QString& pair : text.split(u';')) {
            const QStringList parts = pair.simplified().split(u' ');
            result.append({ parts[0], parts[1] });
        }
        return result;
    }();
    return pairs;
}

const QStringList& serviceIndustryCodes()
{
    static const QStringList codes
        = u"6311 6312 6319 6321 6322 6330 6410 6420 6490 6510 6520 6530 6540 6550 6591 "
          "6592 7250 7251 7252 7253 7254 7255 7256 7310 7320 7330 7340 7350 7410 7420 "
          "7430 7440 7450 7461 7462 7471 7472 7473 7474 7475 7511 7512 7513 7514 7519 "
          "7481 7482 7483 7491 7520 7590"_s.split(u' ');
    return codes;
}

struct FixtureTable
{
    QString columns;
    QStringList rows; // INSERT statements; %1 is the schema
};

// Small versions of the survey, scratch and summary tables, keyed like the translator keys names.
const QHash<QString, FixtureTable>& fixtureTables()
{
    static const QHash<QString, FixtureTable> tables = [] {
        QHash<QString, FixtureTable> t;
        // Enterprises: the columns the statements name; every other summed column holds 1.
        const QStringList explicitColumns
            = u"qa01,qa03,qa04,qb03,qb04,qb07,qb09,qb11,qb15,qc05,qc11,qc12,qc13,"
              "qc24,qc31,qd01"_s.split(u',');
        QStringList columns = explicitColumns;
        for (const auto& [field, caption] : enterpriseSums())
            if (!columns.contains(field, Qt::CaseInsensitive)) columns.append(field + u" DEFAULT 1"_s);
        const QString insert = u"INSERT INTO %1.data ("_s + explicitColumns.join(u',') + u") VALUES "_s;
        t.insert(u"kfq_1.db"_s,
            { columns.join(u','),
                { insert
                        + u"('0001','L1','甲公司','6311','2001-05-01','1','A','1','600001',120000,10,300,40,900,500,50)"_s,
                    insert
                        + u"('0002','L2','乙公司','3711','2005-03-02','2','B','0',NULL,5000,0,20,3,100,60,12)"_s,
                    insert
                        + u"('0003','L3','丙公司','7590','2010-07-15',NULL,'C','1',NULL,80000,5,100,9,400,200,30)"_s } });
        t.insert(u"kfq_2.db"_s,
            { u"qa01,qe01,qe02,qe_one DEFAULT 1,QE14,QE15,QE16"_s,
                { u"INSERT INTO %1.data (qa01,qe01,qe02,QE14,QE15,QE16) VALUES ('0001','1','产品A',100,90,1),"
                  "('0001','2','产品B',200,150,2),('0003','1','产品C',50,40,0)"_s } });
        t.insert(u"kfq_5.db"_s,
            { u"qa01,qh00,qh_one DEFAULT 1,Qh51"_s,
                { u"INSERT INTO %1.data (qa01,qh00,Qh51) VALUES ('0001','1',30),('0002','1',5)"_s } });
        t.insert(u"gjxm.db"_s,
            { u"JB00,JB02,is_chge,gj_one DEFAULT 1,JC100,JC130 DEFAULT 1,JC150 DEFAULT 1,JF100_2 DEFAULT 1,"
              "JG10_2 DEFAULT 1,JG20_2 DEFAULT 1,JG21_2 DEFAULT 1,JG30_2 DEFAULT 1,JG40_2 DEFAULT 1"_s,
                { u"INSERT INTO %1.data (JB00,JB02,is_chge,JC100) VALUES "
                  u"('P1','c1','1',100),('P2','c9','2',500),"
                  "('P3','c9','3',1000)"_s } });
        t.insert(u"tmp/kfq_1.db"_s,
            { u"qa01,qa03,qa04"_s,
                { u"INSERT INTO %1.data VALUES ('0001','L1','甲公司'),('0002','L9','丁公司'),"
                  "('0007','L3','丙公司分部'),('0008','L8','戊公司')"_s } });
        t.insert(u"tmp/kfq_2.db"_s,
            { u"qa01,qe01"_s, { u"INSERT INTO %1.data VALUES ('0002','1'),('0002','2'),('0001','1')"_s } });
        t.insert(u"tmp_r.db"_s,
            { u"编号,字段值"_s, { u"INSERT INTO %1.data VALUES ('0002','3711'),('0005','9999')"_s } });
        t.insert(u"kfq1_res.db"_s,
            { u"编号,字段值,字段名,错误信息,状态,序号"_s,
                { u"INSERT INTO %1.data VALUES ('0001','x','qa04','名称为空','警告',NULL),"
                  "('0002','3711','qb03','不在代码表中','错误',NULL),(NULL,'0','qj25','合计不符','错误',NULL)"
                  ","
                  "('0003','5','qc05','总收入为负','错误',NULL),('0004','9',NULL,NULL,NULL,NULL)"_s } });
        t.insert(
            u"tmp.db"_s, { u"编号,产品数"_s, { u"INSERT INTO %1.data VALUES ('0001',2),('0002',0)"_s } });
        t.insert(u"sendname.db"_s,
            { u"id,name,text"_s,
                { u"INSERT INTO %1.data VALUES "
                  u"(1,'kfq1_res.db','企业校验结果'),(2,'kfq_1.db','企业基本情况'),"
                  "(2,'kfq_2.db','产品')"_s } });
        t.insert(u"kfq1hz.db"_s, { u"企业数,总收入"_s, { u"INSERT INTO %1.data VALUES (3,205000)"_s } });
        t.insert(u"kfq2hz.db"_s, { u"产品数"_s, { u"INSERT INTO %1.data VALUES (3)"_s } });
        t.insert(u"kfq3hz.db"_s, { u"项目数"_s, { u"INSERT INTO %1.data VALUES (2)"_s } });
        t.insert(u"kfq4hz.db"_s,
            { u"区外企业数,认定数,上亿企业数,上市企业数"_s, { u"INSERT INTO %1.data VALUES (2,2,1,1)"_s } });
        return t;
    }();
    return tables;
}

// An in-memory SQLite connection that attaches a fixture table the first time a statement
// names it, the way the store attaches table files.
class Fixture
{
public:
    Fixture()
    {
        sqlite3_open(":memory:", &m_db);
        store::registerCollations(m_db);
    }
    ~Fixture() { sqlite3_close(m_db); }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    QString schemaOf(const QString& fileName)
    {
        const QString schema = schemaFor(fileName);
        if (m_attached.contains(schema)) return schema;
        m_attached.append(schema);
        exec(u"ATTACH ':memory:' AS "_s + sqlIdentifier(schema));
        const auto it = fixtureTables().constFind(sqlTableKey(fileName));
        if (it == fixtureTables().constEnd()) return schema; // the statement then fails on "no such table"
        exec(u"CREATE TABLE %1.data (%2)"_s.arg(sqlIdentifier(schema), it->columns));
        for (const QString& row : it->rows)
            exec(row.arg(sqlIdentifier(schema)));
        return schema;
    }

    // The answer as text rows, column names first; cells joined by '|', null as NULL.
    QStringList run(const QString& sql)
    {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &st, nullptr) != SQLITE_OK) {
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return {};
        }
        QStringList rows;
        QStringList header;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            header.append(QString::fromUtf8(sqlite3_column_name(st, i)));
        rows.append(header.join(u'|'));
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QStringList cells;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                cells.append(sqlite3_column_type(st, i) == SQLITE_NULL
                        ? u"NULL"_s
                        : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
            rows.append(cells.join(u'|'));
        }
        if (rc != SQLITE_DONE) m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(st);
        return rows;
    }

    QString error() const { return m_error; }

private:
    void exec(const QString& sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK)
            m_error = QString::fromUtf8(message) + u" in "_s + sql;
        sqlite3_free(message);
    }

    sqlite3* m_db = nullptr;
    QStringList m_attached;
    QString m_error;
};

QString lines(std::initializer_list<QString> parts)
{
    return QStringList(parts).join(u'\n');
}

QString queryExample()
{
    return lines(
        { u"select a.QA04 企业详细名称"_s, u",b.QE02 产品名称"_s, u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
            u" where(a.QA01=b.QA01)"_s, u" and (a.QC05 >= 5000)"_s, u" order by 企业详细名称"_s });
}

QString statisticsExample()
{
    return lines({ u"select a.QB03 行业代码"_s, u",sum("_s, u"a.QC05) 总收入合计"_s,
        u",sum(b.QE14) 全年产品产值合计"_s, u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
        u" where(a.QA01=b.QA01)"_s, u" group by a.QB03"_s });
}

QString clashCheck()
{
    return lines(
        { u"select b.qa01 原报表编号,b.qa01 修改后编号,b.qa03 法人代码,b.qa04 企业名称 from \"kfq_1.db\" a,tmp\\kfq_1.db b"_s,
            u"where ((a.qa03=b.qa03) and (a.qa01!=b.qa01)) or ((a.qa03!=b.qa03) and (a.qa01=b.qa01))"_s });
}

QString serviceEnterprises()
{
    QStringList condition;
    for (const QString& code : serviceIndustryCodes())
        condition.append(u"qb03=\"%1\""_s.arg(code));
    return lines({ u"select qa01 报表编号"_s, u",qa04 企业名称"_s, u",qb03 行业代码"_s, u",qc05 总收入"_s,
        u",qc12 净利润"_s, u",qc13 实际上缴税费"_s, u",qd01 人数"_s,
        u"from \"kfq_1.db\" where "_s + condition.join(u" or "_s) + u" order by qc05 desc"_s });
}

QString enterpriseList(const QString& tail)
{
    return lines({ u"select qa01 报表编号"_s, u",qa04 企业名称"_s, u",qb04 开业时间"_s, u",qb11 认定"_s,
        u",qb07 进区"_s, u",qb09 企业组织机构"_s, u",qd01 年末从业人员数"_s, u",qc05 总收入"_s,
        u",qc12 净利润"_s, u",qc13 实际上缴税费"_s, u",qc11 出口创汇总额"_s, u",qc24 年末资产总计"_s,
        u",qc31 年末负债合计"_s, tail });
}

QString enterpriseSummary()
{
    QStringList parts;
    for (const auto& [field, caption] : enterpriseSums())
        parts.append((parts.isEmpty() ? u"select "_s : u","_s) + u"sum(a.%1) %2"_s.arg(field, caption));
    parts.append(u"from \"kfq_1.db\" a"_s);
    return parts.join(u'\n');
}

QStringList sorted(QStringList rows)
{
    if (rows.size() > 2) std::sort(rows.begin() + 1, rows.end());
    return rows;
}

} // namespace

class TestSqlTranslator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void translation_data();
    void translation();
    void runsOnSqlite_data();
    void runsOnSqlite();
    void expression_data();
    void expression();
    void ddl_data();
    void ddl();
    void errors_data();
    void errors();
    void quoting();
    void arbitraryInputNeverCrashes();
};

void TestSqlTranslator::translation_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("tables"); // file name and written alias of each distinct table
    QTest::addColumn<int>("target");
    QTest::addColumn<SqlStatementKind>("kind");

    const auto select = SqlStatementKind::Select;

    QTest::newRow("query builder: lines, comma join, where(")
        << queryExample()
        << uR"(select a.QA04 企业详细名称 ,b.QE02 产品名称 from "kfq_1"."data" a,"kfq_2"."data" b where(a.QA01=b.QA01) and (a.QC05 >= 5000) order by 企业详细名称 COLLATE GBK)"_s
        << QStringList { u"kfq_1.db a"_s, u"kfq_2.db b"_s } << -1 << select;
    QTest::newRow("bare names get their base name as alias")
        << u"select * from kfq1hz.db,kfq2hz.db,kfq3hz.db,kfq4hz.db"_s
        << uR"(select * from "kfq1hz"."data" kfq1hz,"kfq2hz"."data" kfq2hz,"kfq3hz"."data" kfq3hz,"kfq4hz"."data" kfq4hz)"_s
        << QStringList { u"kfq1hz.db"_s, u"kfq2hz.db"_s, u"kfq3hz.db"_s, u"kfq4hz.db"_s } << -1 << select;
    QTest::newRow("directory and no extension")
        << u"select qa01 原报表编号,kfq_1.qa03 from tmp\\kfq_1 where kfq_1.qa01>'0'"_s
        << uR"(select qa01 原报表编号,kfq_1.qa03 from "tmp_kfq_1"."data" kfq_1 where kfq_1.qa01>'0')"_s
        << QStringList { u"tmp\\kfq_1"_s } << -1 << select;
    QTest::newRow("same base name twice: no alias added")
        << u"select * from \"kfq_1.db\",\"tmp\\kfq_1.db\""_s
        << uR"(select * from "kfq_1"."data","tmp_kfq_1"."data")"_s
        << QStringList { u"kfq_1.db"_s, u"tmp\\kfq_1.db"_s } << -1 << select;
    QTest::newRow("written alias takes the base name")
        << u"select * from \"kfq_2.db\" kfq_1,\"kfq_1.db\""_s
        << uR"(select * from "kfq_2"."data" kfq_1,"kfq_1"."data")"_s
        << QStringList { u"kfq_2.db kfq_1"_s, u"kfq_1.db"_s } << -1 << select;
    QTest::newRow("one table in two spellings")
        << u"select a.qa01 from \"KFQ_1.DB\" a, kfq_1 b, \"./kfq_1.db\" c where a.qa01=b.qa01"_s
        << uR"(select a.qa01 from "kfq_1"."data" a, "kfq_1"."data" b, "kfq_1"."data" c where a.qa01=b.qa01)"_s
        << QStringList { u"KFQ_1.DB a"_s } << -1 << select;
    QTest::newRow("keyword as base name: no alias") << u"select * from \"group.db\" where qa01='1'"_s
                                                    << uR"(select * from "group"."data" where qa01='1')"_s
                                                    << QStringList { u"group.db"_s } << -1 << select;
    QTest::newRow("AS alias, Chinese alias")
        << u"select x.qa01 from \"kfq_1.db\" as x, \"kfq_2.db\" 产品"_s
        << uR"(select x.qa01 from "kfq_1"."data" x, "kfq_2"."data" 产品)"_s
        << QStringList { u"kfq_1.db x"_s, u"kfq_2.db 产品"_s } << -1 << select;
    QTest::newRow("double-quoted constants")
        << u"select * from \"kfq_1.db\" where qb03=\"6311\" or qa04=\"it's\" or qa04=\"a\"\"b\" or qa04=\"\""_s
        << uR"(select * from "kfq_1"."data" kfq_1 where qb03='6311' or qa04='it''s' or qa04='a"b' or qa04='')"_s
        << QStringList { u"kfq_1.db"_s } << -1 << select;
    QTest::newRow("single-quoted constants stay")
        << u"select * from \"kfq_1.db\" where qa04='O''Neil \"x\"' and qb15<>' '"_s
        << uR"(select * from "kfq_1"."data" kfq_1 where qa04='O''Neil "x"' and qb15<>' ')"_s
        << QStringList { u"kfq_1.db"_s } << -1 << select;
    QTest::newRow("quoted table qualifier and quoted column")
        << u"select \"kfq_1.db\".qa01,a.\"QA04\",\"KFQ_1\".* from \"kfq_1.db\" a"_s
        << uR"(select a.qa01,a."QA04",a.* from "kfq_1"."data" a)"_s << QStringList { u"kfq_1.db a"_s } << -1
        << select;
    QTest::newRow("quoted names after order by and group by")
        << u"select qb03 行业,count(*) from \"kfq_1.db\" group by \"qb03\" having count(*)>\"1\" order by \"行业\" desc,\"qb03\""_s
        << uR"(select qb03 行业,count(*) from "kfq_1"."data" kfq_1 group by "qb03" COLLATE GBK having count(*)>'1' order by "行业" COLLATE GBK desc,"qb03" COLLATE GBK)"_s
        << QStringList { u"kfq_1.db"_s } << -1 << select;
    QTest::newRow("qualifier of a table without alias")
        << u"select \"tmp\\kfq_1.db\".qa01 from \"kfq_1.db\",\"tmp\\kfq_1.db\""_s
        << uR"(select "tmp_kfq_1"."data".qa01 from "kfq_1"."data","tmp_kfq_1"."data")"_s
        << QStringList { u"kfq_1.db"_s, u"tmp\\kfq_1.db"_s } << -1 << select;
    QTest::newRow("joins")
        << u"select a.qa01 from \"kfq_1.db\" a left outer join \"kfq_2.db\" b on a.qa01=b.qa01 inner join kfq_5.db c on c.qa01=a.qa01 join \"gjxm.db\" on 1=1,\"tmp.db\" t"_s
        << uR"(select a.qa01 from "kfq_1"."data" a left outer join "kfq_2"."data" b on a.qa01=b.qa01 inner join "kfq_5"."data" c on c.qa01=a.qa01 join "gjxm"."data" gjxm on 1=1,"tmp"."data" t)"_s
        << QStringList { u"kfq_1.db a"_s, u"kfq_2.db b"_s, u"kfq_5.db c"_s, u"gjxm.db"_s, u"tmp.db t"_s }
        << -1 << select;
    QTest::newRow("subqueries")
        << u"select n from (select count(*) n from \"kfq_1.db\") t,\"kfq_2.db\" where qa01 in (select qa01 from kfq_5)"_s
        << uR"(select n from (select count(*) n from "kfq_1"."data" kfq_1) t,"kfq_2"."data" kfq_2 where qa01 in (select qa01 from "kfq_5"."data" kfq_5))"_s
        << QStringList { u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5"_s } << -1 << select;
    QTest::newRow("operators and numbers")
        << u"select * from \"kfq_1.db\" where qa01!=\"1\" and qa01<>'2' and not (qa04 like '%公司%') and qb15 IS NOT NULL and qc05>=1e3 and qc05<=.5 and -qc05<2.5"_s
        << uR"(select * from "kfq_1"."data" kfq_1 where qa01!='1' and qa01<>'2' and not (qa04 like '%公司%') and qb15 IS NOT NULL and qc05>=1e3 and qc05<=.5 and -qc05<2.5)"_s
        << QStringList { u"kfq_1.db"_s } << -1 << select;
    QTest::newRow("substring and trim")
        << u"select SUBSTRING(TRIM(qb03) FROM 1 FOR 2),substring(qa04 from 2),trim(leading '0' from qa01),"
           "TRIM(BOTH FROM qa04),trim(trailing from qa04),upper(qa04)||lower(qa04) from \"kfq_1.db\""_s
        << uR"(select substr(trim(qb03),1,2),substr(qa04,2),ltrim(qa01,'0'),trim(qa04),rtrim(qa04),)"
           uR"(upper(qa04)||lower(qa04) from "kfq_1"."data" kfq_1)"_s
        << QStringList { u"kfq_1.db"_s } << -1 << select;
    QTest::newRow("cast and extract")
        << u"select cast(qc05 as char(10)),CAST(qa01 AS INTEGER),cast(qb04 as date),extract(year from qb04) "
           "from \"kfq_1.db\""_s
        << uR"(select cast(qc05 as TEXT),cast(qa01 as INTEGER),cast(qb04 as TEXT),)"
           uR"(cast(strftime('%Y',qb04) as integer) from "kfq_1"."data" kfq_1)"_s
        << QStringList { u"kfq_1.db"_s } << -1 << select;
    QTest::newRow("comments, blanks and a closing semicolon")
        << u"select qa01 -- the \"number\n /* it's */ from\tkfq_1.db\u3000 ;  "_s
        << uR"(select qa01 from "kfq_1"."data" kfq_1)"_s << QStringList { u"kfq_1.db"_s } << -1 << select;
    QTest::newRow("update of a scratch copy")
        << u"update \"tmp\\kfq_1.db\" set qa01=\"0009\" where qa01=\"0002\""_s
        << uR"(update "tmp_kfq_1"."data" AS kfq_1 set qa01='0009' where qa01='0002')"_s
        << QStringList { u"tmp\\kfq_1.db"_s } << 0 << SqlStatementKind::Update;
    QTest::newRow("update with Chinese and quoted column names")
        << u"update kfq1_res.db set \"字段名\"='qb03',状态=\"错误\", 错误信息 = \"x\" where 字段名 IS NULL"_s
        << uR"(update "kfq1_res"."data" AS kfq1_res set "字段名"='qb03',状态='错误', 错误信息 = 'x' where 字段名 IS NULL)"_s
        << QStringList { u"kfq1_res.db"_s } << 0 << SqlStatementKind::Update;
    QTest::newRow("insert values")
        << u"insert into sendname.db (id,name,text) values (2,\"kfq_1.db\",'企业')"_s
        << uR"(insert into "sendname"."data" (id,name,text) values (2,'kfq_1.db','企业'))"_s
        << QStringList { u"sendname.db"_s } << 0 << SqlStatementKind::Insert;
    QTest::newRow("insert with quoted column names")
        << u"insert into \"bhcl.DB\" (\"原报表编号\",修改后编号) values (\"0001\",\"0002\")"_s
        << uR"(insert into "bhcl"."data" ("原报表编号",修改后编号) values ('0001','0002'))"_s
        << QStringList { u"bhcl.DB"_s } << 0 << SqlStatementKind::Insert;
    QTest::newRow("insert select: target is the first table")
        << u"insert into tmp_r.DB select 编号,字段值 from kfq1_res.db where 状态=\"错误\""_s
        << uR"(insert into "tmp_r"."data" select 编号,字段值 from "kfq1_res"."data" kfq1_res where 状态='错误')"_s
        << QStringList { u"tmp_r.DB"_s, u"kfq1_res.db"_s } << 0 << SqlStatementKind::Insert;
    QTest::newRow("delete")
        << u"delete from sendname.db where id=2 and name=\"kfq_1.db\""_s
        << uR"(delete from "sendname"."data" AS sendname where id=2 and name='kfq_1.db')"_s
        << QStringList { u"sendname.db"_s } << 0 << SqlStatementKind::Delete;
    QTest::newRow("delete with a subquery on another table")
        << u"delete from \"kfq_2.db\" where qa01 not in (select qa01 from \"kfq_1.db\")"_s
        << uR"(delete from "kfq_2"."data" AS kfq_2 where qa01 not in (select qa01 from "kfq_1"."data" kfq_1))"_s
        << QStringList { u"kfq_2.db"_s, u"kfq_1.db"_s } << 0 << SqlStatementKind::Delete;
}

void TestSqlTranslator::translation()
{
    QFETCH(QString, statement);
    QFETCH(QString, sql);
    QFETCH(QStringList, tables);
    QFETCH(int, target);
    QFETCH(SqlStatementKind, kind);

    QStringList asked;
    const SqlTranslation t = translateSql(statement, [&](const QString& fileName) {
        asked.append(fileName);
        return schemaFor(fileName);
    });
    QCOMPARE(t.sql, sql);
    QStringList written;
    for (const SqlTableRef& ref : t.tables)
        written.append((ref.fileName + u' ' + ref.alias).trimmed());
    QCOMPARE(written, tables);
    QCOMPARE(asked.size(), t.tables.size());
    QCOMPARE(t.targetTable, target);
    QCOMPARE(t.kind, kind);
}

void TestSqlTranslator::runsOnSqlite_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>(
        "check"); // SQLite query read after the statement; empty: the statement's answer
    QTest::addColumn<QStringList>("expected"); // column names, then rows
    QTest::addColumn<bool>("ordered");

    // Validation run.
    QTest::newRow("code list, first statement")
        << u"select qa01 编号,qb03 字段值 from \"kfq_1.db\" where not (qb03='6311' or qb03='7590')"_s
        << QString() << QStringList { u"编号|字段值"_s, u"0002|3711"_s } << false;
    QTest::newRow("code list with the project condition")
        << u"select JB00 编号,JB02 字段值,is_chge from \"gjxm.db\" where not (JB02='c1' or JB02='c2') and (is_chge=\"1\" or is_chge=\"2\")"_s
        << QString() << QStringList { u"编号|字段值|is_chge"_s, u"P2|c9|2"_s } << false;
    {
        QStringList codes;
        for (int i = 0; i < 201; ++i)
            codes.append(u"qb03='x%1'"_s.arg(i));
        codes.append(u"qb03='6311'"_s);
        QTest::newRow("code list of 202 codes")
            << u"select qa01 编号,qb03 字段值 from \"kfq_1.db\" where not ("_s + codes.join(u" or "_s) + u')'
            << QString() << QStringList { u"编号|字段值"_s, u"0002|3711"_s, u"0003|7590"_s } << false;
    }
    QTest::newRow("code list, later statement over the survivors")
        << u"select 编号,字段值 from tmp_r.db where not (字段值='3711')"_s << QString()
        << QStringList { u"编号|字段值"_s, u"0005|9999"_s } << false;
    QTest::newRow("labelling the appended rows")
        << u"update kfq1_res.db set 字段名='qb03',错误信息='行业代码不在代码表中',状态='错误' where 字段名 IS NULL"_s
        << u"select 编号,字段名,状态 from kfq1_res.data where 编号 is not null order by 编号"_s
        << QStringList { u"编号|字段名|状态"_s, u"0001|qa04|警告"_s, u"0002|qb03|错误"_s, u"0003|qc05|错误"_s,
               u"0004|qb03|错误"_s }
        << true;
    QTest::newRow("plain rule") << u"select qa01 编号,qc05 字段值 from \"kfq_1.db\" where not (qc05>=10000)"_s
                                << QString() << QStringList { u"编号|字段值"_s, u"0002|5000"_s } << false;
    QTest::newRow("plain rule with the project condition")
        << u"select JB00 编号,JC100 字段值,is_chge from \"gjxm.db\" where not (JC100<=100) and (is_chge=\"1\" or is_chge=\"2\")"_s
        << QString() << QStringList { u"编号|字段值|is_chge"_s, u"P2|500|2"_s } << false;
    QTest::newRow("aggregate rule, grouped answer")
        << u"select a.qa01 编号,count(b.qa01) 产品数 from \"kfq_1.db\" a left join \"kfq_2.db\" b on a.qa01=b.qa01 group by a.qa01"_s
        << QString() << QStringList { u"编号|产品数"_s, u"0001|2"_s, u"0002|0"_s, u"0003|1"_s } << false;
    QTest::newRow("aggregate rule, failing groups")
        << u"select 编号,产品数 from tmp.db where (产品数=0)"_s << QString()
        << QStringList { u"编号|产品数"_s, u"0002|0"_s } << false;
    QTest::newRow("unregistering a data table")
        << u"delete from sendname.db where id=2 and name=\"kfq_1.db\""_s
        << u"select id,name from sendname.data order by id,name"_s
        << QStringList { u"id|name"_s, u"1|kfq1_res.db"_s, u"2|kfq_2.db"_s } << true;
    QTest::newRow("registering a data table")
        << u"insert into sendname.db (id,name,text) values (2,\"kfq_1.db\",'企业基本情况')"_s
        << u"select id,name,text from sendname.data where id=2 order by name"_s
        << QStringList { u"id|name|text"_s, u"2|kfq_1.db|企业基本情况"_s, u"2|kfq_1.db|企业基本情况"_s,
               u"2|kfq_2.db|产品"_s }
        << true;
    QTest::newRow("dropping total rows without a number")
        << u"delete from kfq1_res.db where 编号 is null and (字段名='qj25' or 字段名='qj26' or 字段名='qj27' or 字段名='qj01')"_s
        << u"select count(*) n,sum(编号 is null) 无编号 from kfq1_res.data"_s
        << QStringList { u"n|无编号"_s, u"4|0"_s } << true;
    QTest::newRow("reordering the results")
        << u"select * from kfq1_res.db order by 状态 desc,编号"_s << QString()
        << QStringList { u"编号|字段值|字段名|错误信息|状态|序号"_s, u"0001|x|qa04|名称为空|警告|NULL"_s,
               u"NULL|0|qj25|合计不符|错误|NULL"_s, u"0002|3711|qb03|不在代码表中|错误|NULL"_s,
               u"0003|5|qc05|总收入为负|错误|NULL"_s, u"0004|9|NULL|NULL|NULL|NULL"_s }
        << true;
    QTest::newRow("unregistering the results table")
        << u"delete from sendname.db where id=1 and name='kfq1_res.db'"_s
        << u"select count(*) n from sendname.data where id=1"_s << QStringList { u"n"_s, u"0"_s } << true;

    QTest::newRow("quoted qualifiers, with and without alias")
        << u"select \"kfq_1.db\".qa01,\"tmp\\kfq_1.db\".qa04 from \"kfq_1.db\",\"tmp\\kfq_1.db\" where \"kfq_1.db\".qa01=\"0001\" and \"tmp\\kfq_1.db\".qa03=\"L3\""_s
        << QString() << QStringList { u"qa01|qa04"_s, u"0001|丙公司分部"_s } << false;
    QTest::newRow("functions")
        << u"select substring(qa04 from 2 for 1) a,trim(leading '0' from qa01) b,extract(year from qb04) c,cast(qc05 as char(10)) d,qa01||trim(' x ') e from \"kfq_1.db\" where qa01='0001'"_s
        << QString() << QStringList { u"a|b|c|d|e"_s, u"公|1|2001|120000|0001x"_s } << false;

    // Query builder.
    QTest::newRow("query example") << queryExample() << QString()
                                   << QStringList { u"企业详细名称|产品名称"_s, u"丙公司|产品C"_s,
                                          u"甲公司|产品A"_s, u"甲公司|产品B"_s }
                                   << false;
    QTest::newRow("statistics example")
        << statisticsExample() << QString()
        << QStringList { u"行业代码|总收入合计|全年产品产值合计"_s, u"6311|240000|300"_s, u"7590|80000|50"_s }
        << false;
    QTest::newRow("totals of one table with the project condition")
        << lines({ u"select sum("_s, u"JC100) 计划总投资合计"_s, u" from \"gjxm.db\""_s,
               u" where  (is_chge=\"1\" or is_chge=\"2\")"_s })
        << QString() << QStringList { u"计划总投资合计"_s, u"600"_s } << false;

    // Report printing.
    QTest::newRow("service enterprises")
        << serviceEnterprises() << QString()
        << QStringList { u"报表编号|企业名称|行业代码|总收入|净利润|实际上缴税费|人数"_s,
               u"0001|甲公司|6311|120000|300|40|50"_s, u"0003|丙公司|7590|80000|100|9|30"_s }
        << true;
    const QString listHeader
        = u"报表编号|企业名称|开业时间|认定|进区|企业组织机构|年末从业人员数|总收入|净利润|"
          "实际上缴税费|出口创汇总额|年末资产总计|年末负债合计"_s;
    const QString bigEnterprise = u"0001|甲公司|2001-05-01|1|1|A|50|120000|300|40|10|900|500"_s;
    QTest::newRow("enterprises above the revenue threshold")
        << enterpriseList(u"from \"kfq_1.db\" where qc05>=100000 order by qc05 desc"_s) << QString()
        << QStringList { listHeader, bigEnterprise } << true;
    QTest::newRow("listed enterprises")
        << enterpriseList(u"from \"kfq_1.db\" where qb15<>' ' order by qc05 desc"_s) << QString()
        << QStringList { listHeader, bigEnterprise } << true;
    QTest::newRow("national-project summary")
        << lines({ u"select sum(gj_one) 国家级项目数"_s, u",sum(JC100) 计划总投资"_s, u",sum(JC130) 贷款"_s,
               u",sum(JC150) 自有资金"_s, u",sum(JF100_2) 落实资金"_s, u",sum(JG10_2) 产值"_s,
               u",sum(JG20_2) 产品销售收入"_s, u",sum(JG21_2) 出口创汇"_s, u",sum(JG30_2) 净利润额"_s,
               u",sum(JG40_2) 交税总额"_s, u"from \"gjxm.db\""_s, u"where  (is_chge='1' or is_chge='2')"_s })
        << QString()
        << QStringList { u"国家级项目数|计划总投资|贷款|自有资金|落实资金|产值|产品销售收入|出口创汇|净利润额|交税总额"_s,
               u"2|600|2|2|2|2|2|2|2|2"_s }
        << false;
    {
        const QHash<QString, QString> given { { u"qa_one"_s, u"3"_s }, { u"QC05"_s, u"205000"_s },
            { u"QC11"_s, u"15"_s }, { u"QC12"_s, u"420"_s }, { u"QC13"_s, u"52"_s }, { u"QC24"_s, u"1400"_s },
            { u"QC31"_s, u"760"_s }, { u"QD01"_s, u"92"_s } };
        QStringList captions, sums;
        for (const auto& [field, caption] : enterpriseSums()) {
            captions.append(caption);
            sums.append(given.value(field, u"3"_s));
        }
        QTest::newRow("enterprise summary, enterprises")
            << enterpriseSummary() << QString() << QStringList { captions.join(u'|'), sums.join(u'|') }
            << false;
    }
    QTest::newRow("enterprise summary, products")
        << lines({ u"select sum(b.qe_one) 产品数"_s, u",sum(b.QE14) 产品全年工业总产值"_s,
               u",sum(b.QE15) 产品全年销售收入"_s, u",sum(b.QE16) 产品创汇"_s, u"from \"kfq_2.db\" b"_s })
        << QString()
        << QStringList { u"产品数|产品全年工业总产值|产品全年销售收入|产品创汇"_s, u"3|350|280|3"_s }
        << false;
    QTest::newRow("enterprise summary, projects")
        << lines({ u"select sum(c.qh_one) 项目数"_s, u",sum(c.Qh51) 项目经费内部支出"_s,
               u"from \"kfq_5.db\" c"_s })
        << QString() << QStringList { u"项目数|项目经费内部支出"_s, u"2|35"_s } << false;
    QTest::newRow("count outside the zone")
        << u"select count(*) 区外企业数 from \"kfq_1.db\" where qb07='2' or qb07 is null"_s << QString()
        << QStringList { u"区外企业数"_s, u"2"_s } << false;
    QTest::newRow("count recognised") << u"select count(*) 认定数 from \"kfq_1.db\" where qb11='1'"_s
                                      << QString() << QStringList { u"认定数"_s, u"2"_s } << false;
    QTest::newRow("count above the threshold")
        << u"select count(*) 上亿企业数 from \"kfq_1.db\" where qc05>=100000"_s << QString()
        << QStringList { u"上亿企业数"_s, u"1"_s } << false;
    QTest::newRow("count listed") << u"select count(*) 上市企业数 from \"kfq_1.db\" where qb15 is not null"_s
                                  << QString() << QStringList { u"上市企业数"_s, u"1"_s } << false;
    QTest::newRow("enterprise summary, the four parts")
        << u"select * from kfq1hz.db,kfq2hz.db,kfq3hz.db,kfq4hz.db"_s << QString()
        << QStringList { u"企业数|总收入|产品数|项目数|区外企业数|认定数|上亿企业数|上市企业数"_s,
               u"3|205000|3|2|2|2|1|1"_s }
        << false;

    // Upload import.
    QTest::newRow("delivered enterprises")
        << u"select qa01 原报表编号,qa01 修改后编号,qa03 法人代码,qa04 企业名称 from tmp\\kfq_1"_s
        << QString()
        << QStringList { u"原报表编号|修改后编号|法人代码|企业名称"_s, u"0001|0001|L1|甲公司"_s,
               u"0002|0002|L9|丁公司"_s, u"0007|0007|L3|丙公司分部"_s, u"0008|0008|L8|戊公司"_s }
        << false;
    QTest::newRow("renumbering the delivered enterprises")
        << u"update \"tmp\\kfq_1.db\" set qa01=\"0009\" where qa01=\"0002\""_s
        << u"select qa01,qa03 from tmp_kfq_1.data order by qa01"_s
        << QStringList { u"qa01|qa03"_s, u"0001|L1"_s, u"0007|L3"_s, u"0008|L8"_s, u"0009|L9"_s } << true;
    QTest::newRow("renumbering the delivered products")
        << u"update \"tmp\\kfq_2.db\" set qa01=\"0009\" where qa01=\"0002\""_s
        << u"select qa01,qe01 from tmp_kfq_2.data order by qa01,qe01"_s
        << QStringList { u"qa01|qe01"_s, u"0001|1"_s, u"0009|1"_s, u"0009|2"_s } << true;
    QTest::newRow("clash check") << clashCheck() << QString()
                                 << QStringList { u"原报表编号|修改后编号|法人代码|企业名称"_s,
                                        u"0002|0002|L9|丁公司"_s, u"0007|0007|L3|丙公司分部"_s }
                                 << false;
}

void TestSqlTranslator::runsOnSqlite()
{
    QFETCH(QString, statement);
    QFETCH(QString, check);
    QFETCH(QStringList, expected);
    QFETCH(bool, ordered);

    Fixture db;
    const SqlTranslation t = translateSql(statement, [&](const QString& f) { return db.schemaOf(f); });
    QStringList answer = db.run(t.sql);
    QVERIFY2(db.error().isEmpty(), qPrintable(db.error() + u"\n"_s + t.sql));
    if (!check.isEmpty()) {
        answer = db.run(check);
        QVERIFY2(db.error().isEmpty(), qPrintable(db.error()));
    }
    QCOMPARE(ordered ? answer : sorted(answer), ordered ? expected : sorted(expected));
}

void TestSqlTranslator::expression_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>(
        "holds"); // on the row qa01='0001', qb03='6311', qc05=5, qd01=10, qd03=3, qa04='某某公司'

    QTest::newRow("comparison") << u"qc05>=0"_s << u"qc05>=0"_s << 1;
    QTest::newRow("not null") << u"qa01 is not null"_s << u"qa01 is not null"_s << 1;
    QTest::newRow("two columns") << u"qd01>=qd03"_s << u"qd01>=qd03"_s << 1;
    QTest::newRow("single-quoted filter") << u"qa01='0001'"_s << u"qa01='0001'"_s << 1;
    QTest::newRow("double-quoted constant") << u"qb03=\"6312\""_s << u"qb03='6312'"_s << 0;
    QTest::newRow("like") << u"qa04 like \"%公司\" and not qc05<>5"_s
                          << u"qa04 like '%公司' and not qc05<>5"_s << 1;
    QTest::newRow("substring") << u"SUBSTRING(qb03 FROM 1 FOR 2)=\"63\""_s << u"substr(qb03,1,2)='63'"_s << 1;
    QTest::newRow("or with parentheses")
        << u"(qc05<0 or qc05>100) or(qd01=10)"_s << u"(qc05<0 or qc05>100) or(qd01=10)"_s << 1;
}

void TestSqlTranslator::expression()
{
    QFETCH(QString, expression);
    QFETCH(QString, sql);
    QFETCH(int, holds);

    const QString translated = translateSqlExpression(expression);
    QCOMPARE(translated, sql);
    Fixture db;
    const QStringList answer = db.run(u"SELECT (("_s + translated
        + u")<>0) AS r FROM (SELECT '0001' AS qa01,'6311' AS qb03,5 AS qc05,"
          "10 AS qd01,3 AS qd03,'某某公司' AS qa04)"_s);
    QVERIFY2(db.error().isEmpty(), qPrintable(db.error()));
    QCOMPARE(answer, (QStringList { u"r"_s, QString::number(holds) }));
}

void TestSqlTranslator::ddl_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<SqlStatementKind>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("fields"); // name type size decimals
    QTest::addColumn<QStringList>("indexes"); // name (empty for primary): fields, unique

    QTest::newRow("create table with every type and a primary key")
        << u"CREATE TABLE \"tmp.db\" (qa01 CHAR(10), qa04 varchar (60), n SMALLINT, m INTEGER, l long, i "
           u"int,\n"
           "f FLOAT, y NUMERIC(12,2), z money, w double precision, d DATE, b BOOLEAN, g logical, memo MEMO,\n"
           "备注 BLOB, t text, x ALPHA(5), PRIMARY KEY (QA01, n))"_s
        << SqlStatementKind::CreateTable << u"tmp.db"_s
        << QStringList { u"qa01 Text 10 0"_s, u"qa04 Text 60 0"_s, u"n SmallInt 0 0"_s, u"m Integer 0 0"_s,
               u"l Integer 0 0"_s, u"i Integer 0 0"_s, u"f Float 0 0"_s, u"y Float 0 2"_s, u"z Float 0 0"_s,
               u"w Float 0 0"_s, u"d Date 0 0"_s, u"b Logical 0 0"_s, u"g Logical 0 0"_s, u"memo Memo 0 0"_s,
               u"备注 Memo 0 0"_s, u"t Memo 0 0"_s, u"x Text 5 0"_s }
        << QStringList { u": qa01,n unique"_s };
    QTest::newRow("create table, quoted names, column key")
        << u"create table bhcl.DB(\"原报表编号\" char(10) not null primary key, 企业名称 char(60) null);"_s
        << SqlStatementKind::CreateTable << u"bhcl.DB"_s
        << QStringList { u"原报表编号 Text 10 0"_s, u"企业名称 Text 60 0"_s }
        << QStringList { u": 原报表编号 unique"_s };
    QTest::newRow("create table, named key constraint")
        << u"create table \"t.db\" (a char(2), b int, constraint pk primary key (B, a))"_s
        << SqlStatementKind::CreateTable << u"t.db"_s << QStringList { u"a Text 2 0"_s, u"b Integer 0 0"_s }
        << QStringList { u": b,a unique"_s };
    QTest::newRow("create table without key")
        << u"create table \"tmp\\x\" (a char(1))"_s << SqlStatementKind::CreateTable << u"tmp\\x"_s
        << QStringList { u"a Text 1 0"_s } << QStringList();
    QTest::newRow("create index") << u"create index byCode on \"kfq_1.db\" (qa03)"_s
                                  << SqlStatementKind::CreateIndex << u"kfq_1.db"_s << QStringList()
                                  << QStringList { u"byCode: qa03"_s };
    QTest::newRow("create unique index")
        << u"CREATE UNIQUE INDEX 名称 ON kfq_1(\"qa04\", qa03)"_s << SqlStatementKind::CreateIndex
        << u"kfq_1"_s << QStringList() << QStringList { u"名称: qa04,qa03 unique"_s };
    QTest::newRow("drop table") << u"drop table \"tmp.db\""_s << SqlStatementKind::DropTable << u"tmp.db"_s
                                << QStringList() << QStringList { u":"_s };
    QTest::newRow("drop primary index") << u"DROP INDEX \"kfq_1.db\".PRIMARY"_s << SqlStatementKind::DropIndex
                                        << u"kfq_1.db"_s << QStringList() << QStringList { u": unique"_s };
    QTest::newRow("drop index, quoted table")
        << u"drop index \"tmp\\kfq_1.db\".byCode"_s << SqlStatementKind::DropIndex << u"tmp\\kfq_1.db"_s
        << QStringList() << QStringList { u"byCode:"_s };
    QTest::newRow("drop index, bare table") << u"drop index kfq_1.db.byCode"_s << SqlStatementKind::DropIndex
                                            << u"kfq_1.db"_s << QStringList() << QStringList { u"byCode:"_s };
    QTest::newRow("drop index on") << u"drop index byCode on \"kfq_1.db\""_s << SqlStatementKind::DropIndex
                                   << u"kfq_1.db"_s << QStringList() << QStringList { u"byCode:"_s };
}

void TestSqlTranslator::ddl()
{
    QFETCH(QString, statement);
    QFETCH(SqlStatementKind, kind);
    QFETCH(QString, table);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, indexes);

    QStringList asked;
    const SqlTranslation t = translateSql(statement, [&](const QString& f) {
        asked.append(f);
        return schemaFor(f);
    });
    QCOMPARE(t.kind, kind);
    QCOMPARE(asked, QStringList { table });
    QCOMPARE(t.targetTable, 0);
    QCOMPARE(t.tables.value(0).fileName, table);

    static const char* const types[] = { "Text", "SmallInt", "Integer", "Float", "Date", "Logical", "Memo" };
    QStringList gotFields;
    for (const FieldDef& f : t.schema.fields)
        gotFields.append(
            u"%1 %2 %3 %4"_s.arg(f.name, QLatin1StringView(types[int(f.type)])).arg(f.size).arg(f.decimals));
    QCOMPARE(gotFields, fields);

    auto describe = [](const IndexDef& index) {
        QStringList parts { index.name + u':' };
        if (!index.fields.isEmpty()) parts.append(index.fields.join(u','));
        if (index.unique) parts.append(u"unique"_s);
        return parts.join(u' ');
    };
    QStringList gotIndexes;
    for (const IndexDef& index : t.schema.indexes) {
        QVERIFY(index.primary);
        gotIndexes.append(describe(index));
    }
    if (kind != SqlStatementKind::CreateTable) {
        QCOMPARE(t.index.primary, t.index.name.isEmpty() && kind == SqlStatementKind::DropIndex);
        gotIndexes.append(describe(t.index));
    }
    QCOMPARE(gotIndexes, indexes);
}

void TestSqlTranslator::errors_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("isExpression");
    QTest::addColumn<QString>("message"); // the message begins with it

    auto row
        = [](const char* name, const QString& statement, const QString& message, bool expression = false) {
              QTest::newRow(name) << statement << expression << (u"SQL 语句错误: "_s + message);
          };
    row("empty", QString(), u"语句为空"_s);
    row("blanks and a comment", u"  \n -- nothing\n"_s, u"语句为空"_s);
    row("unterminated double quote", u"select * from \"kfq_1.db where qa01='1'"_s, u"引号不成对"_s);
    row("unterminated single quote", u"select * from kfq_1.db where qa01='1"_s, u"引号不成对"_s);
    row("unterminated constant", u"select * from \"kfq_1.db\" where qa01=\"1"_s, u"引号不成对"_s);
    row("report number with a double quote",
        u"update \"tmp\\kfq_1.db\" set qa01=\"00\"1\" where qa01=\"0002\""_s, u"引号不成对"_s);
    row("nothing after FROM", u"select * from"_s, u"FROM 后缺少表名"_s);
    row("keyword after FROM", u"select * from where qa01='1'"_s, u"FROM 后缺少表名"_s);
    row("nothing after a comma", u"select * from \"kfq_1.db\" a,"_s, u"逗号 后缺少表名"_s);
    row("nothing after JOIN", u"select * from \"kfq_1.db\" a left join on a.qa01=1"_s, u"JOIN 后缺少表名"_s);
    row("empty quoted name", u"select * from \"\""_s, u"FROM 后缺少表名"_s);
    row("nothing after UPDATE", u"update set qa01='1'"_s, u"UPDATE 后缺少表名"_s);
    row("nothing after INTO", u"insert into (id) values (1)"_s, u"INTO 后缺少表名"_s);
    row("INSERT without INTO", u"insert sendname.db values (1)"_s, u"INSERT 后缺少 INTO"_s);
    row("DELETE without FROM", u"delete sendname.db"_s, u"DELETE 后缺少 FROM"_s);
    row("AS without alias", u"select * from \"kfq_1.db\" as where 1"_s, u"AS 后缺少别名"_s);
    row("unknown statement", u"attach 'x.db' as y"_s, u"不支持以“attach”开头的语句"_s);
    row("pragma", u"PRAGMA table_info(data)"_s, u"不支持以“PRAGMA”开头的语句"_s);
    row("not a word", u"(select 1)"_s, u"不支持以“(select”开头的语句"_s);
    row("two statements", u"select 1; drop table \"kfq_1.db\""_s, u"一次只能执行一条语句"_s);
    row("open parenthesis", u"select (qa01 from \"kfq_1.db\""_s, u"括号不成对"_s);
    row("close parenthesis", u"select qa01) from \"kfq_1.db\""_s, u"括号不成对"_s);
    row("qualifier of a table not in the statement", u"select \"kfq_2.db\".qa01 from \"kfq_1.db\""_s,
        u"表 kfq_2.db 不在语句的 FROM 中"_s);
    row("unknown EXTRACT field", u"select extract(week from qb04) from \"kfq_1.db\""_s, u"EXTRACT 只能取"_s);
    row("control character", u"select \u0001 from \"kfq_1.db\""_s, u"语句中有不能识别的控制字符"_s);
    row("NUL character", u"select '\u0000' from \"kfq_1.db\""_s, u"语句中有不能识别的控制字符"_s);
    row("unknown field type", u"create table \"t.db\" (a foo)"_s, u"字段 a 的类型 foo 不认识"_s);
    row("field without type", u"create table \"t.db\" (a, b char(1))"_s, u"字段 a 缺少类型"_s);
    row("field twice", u"create table \"t.db\" (a char(10), A integer)"_s, u"字段 A 重复"_s);
    row("key field not in the table", u"create table \"t.db\" (a char(10), primary key (b))"_s,
        u"主键字段 b 不在表中"_s);
    row("two keys", u"create table \"t.db\" (a char(10) primary key, primary key (a))"_s,
        u"主键定义了两次"_s);
    row("no fields", u"create table \"t.db\" ()"_s, u"缺少字段名"_s);
    row("huge size", u"create table \"t.db\" (a char(99999999999))"_s, u"字段 a 的长度写得不对"_s);
    row("text after DDL", u"create table \"t.db\" (a char(1)) extra"_s, u"CREATE 语句结尾有多余的内容"_s);
    row("index without fields", u"create index i on \"t.db\""_s, u"索引字段 应写在括号中"_s);
    row("index field twice", u"create index i on \"t.db\" (a, A)"_s, u"索引字段 A 重复"_s);
    row("DROP INDEX without table", u"drop index \"kfq_1.db\""_s, u"DROP INDEX 缺少表名"_s);
    row("DROP of something else", u"drop view v"_s, u"DROP 后只能是 TABLE 或 INDEX"_s);
    row("expression: empty", u" "_s, u"表达式为空"_s, true);
    row("expression: unterminated quote", u"qa01='1"_s, u"引号不成对"_s, true);
    row("expression: subquery", u"qa01 in (select qa01 from \"kfq_1.db\")"_s, u"表达式中不能引用表"_s, true);
    row("expression: table qualifier", u"\"kfq_1.db\".qa01=1"_s, u"表达式中不能指明表"_s, true);
    row("expression: semicolon", u"qa01=1; delete"_s, u"表达式中不能有分号"_s, true);
}

void TestSqlTranslator::errors()
{
    QFETCH(QString, statement);
    QFETCH(bool, isExpression);
    QFETCH(QString, message);

    int asked = 0;
    try {
        if (isExpression)
            translateSqlExpression(statement);
        else
            translateSql(statement, [&](const QString& f) {
                ++asked;
                return schemaFor(f);
            });
        QFAIL("no error");
    } catch (const StoreError& e) {
        QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
    }
    // A statement that cannot be read attaches nothing.
    QCOMPARE(asked, 0);
}

void TestSqlTranslator::quoting()
{
    QCOMPARE(sqlQuote(u"it's"_s), u"'it''s'"_s);
    QCOMPARE(sqlQuote(QString()), u"''"_s);
    QCOMPARE(sqlIdentifier(u"a\"b"_s), u"\"a\"\"b\""_s);
    QCOMPARE(sqlIdentifier(u"编号"_s), u"\"编号\""_s);
    QCOMPARE(sqlTableKey(u"Tmp\\KFQ_1"_s), u"tmp/kfq_1.db"_s);
    QCOMPARE(sqlTableKey(u"tmp_r.DB"_s), u"tmp_r.db"_s);
    QCOMPARE(sqlTableKey(u"kfq.dbf"_s), u"kfq.dbf"_s);
}

// Broken and random statements end in a StoreError, never in a crash or another exception.
void TestSqlTranslator::arbitraryInputNeverCrashes()
{
    const QStringList samples {
        queryExample(),
        statisticsExample(),
        clashCheck(),
        u"update \"tmp\\kfq_1.db\" set \"qa01\"=\"0009\" where qa01=\"0002\";"_s,
        u"insert into sendname.db (id,name,text) values (2,\"kfq_1.db\",'企''业')"_s,
        u"select substring(trim(leading '0' from qa01) from 1 for 2), cast(qc05 as numeric(10,2)), extract(day from qb04) from (select * from kfq_1) t /* c */ -- d"_s,
        u"create table \"t.db\" (\"a\" char(10) not null, b numeric(5,1), primary key (a))"_s,
        u"drop index \"kfq_1.db\".PRIMARY"_s,
        u"create unique index i on kfq_1.db (a, b)"_s,
    };
    const auto schemaOf = [](const QString& f) { return schemaFor(f); };
    auto attempt = [&](const QString& text) {
        try {
            translateSql(text, schemaOf);
        } catch (const StoreError&) {
        }
        try {
            translateSqlExpression(text);
        } catch (const StoreError&) {
        }
    };
    for (const QString& s : samples)
        for (qsizetype n = 0; n <= s.size(); ++n)
            attempt(s.left(n));

    const QString alphabet = u"\"'(),;.\\/*-= \n\tabcFROMfromjoinselect编号\u3000\uFEFF\u0001"_s;
    QRandomGenerator random(20120101);
    for (int round = 0; round < 4000; ++round) {
        QString s = samples[random.bounded(int(samples.size()))];
        const int edits = 1 + random.bounded(4);
        for (int e = 0; e < edits; ++e) {
            const int at = random.bounded(int(s.size()) + 1);
            switch (random.bounded(4)) {
            case 0:
                s.insert(at, alphabet[random.bounded(int(alphabet.size()))]);
                break;
            case 1:
                s.remove(at, 1 + random.bounded(3));
                break;
            case 2:
                s.insert(at, QChar(char16_t(random.bounded(0x10000))));
                break;
            default:
                s.insert(at, s.mid(random.bounded(int(s.size()) + 1), random.bounded(12)));
                break;
            }
        }
        attempt(s);
    }
    QByteArray bytes(64, '\0');
    for (int round = 0; round < 2000; ++round) {
        for (char& b : bytes)
            b = char(random.bounded(256));
        attempt(QString::fromUtf8(bytes.left(random.bounded(65))));
    }
}

QTEST_GUILESS_MAIN(TestSqlTranslator)
#include "tst_sqltranslator.moc"
