#include "ReportSummaries.h"

#include "query/ExportResult.h"
#include "store/Query.h"
#include "store/Table.h"

using namespace Qt::StringLiterals;

namespace reportSummaries {

const QList<SumField>& enterpriseSumFields()
{
    static const QList<SumField> fields = {
        { u"qa_one"_s, u"企业数"_s },
        { u"QC02"_s, u"工业总产值"_s },
        { u"QC05"_s, u"总收入"_s },
        { u"qc04"_s, u"工业销售产值"_s },
        { u"qc55"_s, u"主营业务收入"_s },
        { u"qc120"_s, u"营业利润"_s },
        { u"QC06"_s, u"技术收入"_s },
        { u"QC07"_s, u"产品销售收入"_s },
        { u"QC09"_s, u"高新技术产品"_s },
        { u"QC10"_s, u"商品销售收入"_s },
        { u"QC49"_s, u"其他收入"_s },
        { u"QC11"_s, u"出口创汇总额"_s },
        { u"QC12"_s, u"净利润"_s },
        { u"QC13"_s, u"实际上缴税费总额"_s },
        { u"QC14"_s, u"上缴增值税"_s },
        { u"QC15"_s, u"上缴营业税"_s },
        { u"QC16"_s, u"上缴所得税"_s },
        { u"QC17"_s, u"减免税总额"_s },
        { u"QC18"_s, u"减免增值税"_s },
        { u"QC19"_s, u"减免营业税"_s },
        { u"QC20"_s, u"减免所得税"_s },
        { u"QC62"_s, u"应交增值税"_s },
        { u"QC51"_s, u"应付职工薪酬"_s },
        { u"QC22"_s, u"总成本与费用"_s },
        { u"QC23"_s, u"利息支出"_s },
        { u"QC24"_s, u"年末资产总计"_s },
        { u"QC25"_s, u"流动资产"_s },
        { u"QC26"_s, u"长期投资"_s },
        { u"QC27"_s, u"固定资产"_s },
        { u"QC28"_s, u"固定资产原价"_s },
        { u"QC30"_s, u"无形资产"_s },
        { u"QC31"_s, u"年末负债"_s },
        { u"QC32"_s, u"银行科技开发贷款"_s },
        { u"QC33"_s, u"年末所有者权益股东权益"_s },
        { u"QC34"_s, u"实收入资本"_s },
        { u"QC35"_s, u"国家资本"_s },
        { u"QC45"_s, u"集体资本"_s },
        { u"QC46"_s, u"法人资本"_s },
        { u"QC47"_s, u"个人资本"_s },
        { u"QC48"_s, u"港澳台资本"_s },
        { u"QC36"_s, u"外商资本"_s },
        { u"QC40"_s, u"本年完成固定资产投资额"_s },
        { u"QC41"_s, u"工业能源消费量"_s },
        { u"QD01"_s, u"年末从业人员数"_s },
        { u"QD03"_s, u"留学归国人数"_s },
        { u"QD04"_s, u"留学归国硕士以上"_s },
        { u"QD23"_s, u"工程技术人员"_s },
        { u"QD21"_s, u"引进外籍专家"_s },
        { u"QD14"_s, u"吸纳毕业生"_s },
        { u"QD05"_s, u"从业人员年平均数"_s },
        { u"QD18"_s, u"研究生"_s },
        { u"QD06"_s, u"博士"_s },
        { u"QD07"_s, u"硕士"_s },
        { u"QD08"_s, u"大学"_s },
        { u"QD09"_s, u"大专"_s },
        { u"QD10"_s, u"中专"_s },
        { u"QD11"_s, u"高级"_s },
        { u"QD12"_s, u"中级"_s },
        { u"QD13"_s, u"初级"_s },
        { u"QJ09"_s, u"科技活动人员合计"_s },
        { u"QJ09_1"_s, u"全时"_s },
        { u"QJ11"_s, u"参加科技项目人员"_s },
        { u"QJ12"_s, u"高中级职称1"_s },
        { u"QJ13"_s, u"无高中级职称1"_s },
        { u"QJ23"_s, u"内部支出合计"_s },
        { u"QJ33"_s, u"外部支出合计"_s },
        { u"QI09"_s, u"全部科技项目数"_s },
        { u"Qj53"_s, u"科技项目内部支出"_s },
        { u"QI01"_s, u"企业办科技机构数"_s },
        { u"QI07"_s, u"机构科技活动人员"_s },
        { u"QJ70"_s, u"新产品产值"_s },
        { u"QJ71"_s, u"新产品销售收入"_s },
        { u"QJ73"_s, u"拥有发明专利数"_s },
        { u"QJ55"_s, u"专利申请数"_s },
        { u"QJ74"_s, u"专利授权数"_s },
        { u"QJ58"_s, u"技术改造经费支出"_s },
    };
    return fields;
}

const QStringList& serviceIndustryCodes()
{
    static const QStringList codes = {
        u"6311"_s,
        u"6312"_s,
        u"6319"_s,
        u"6321"_s,
        u"6322"_s,
        u"6330"_s,
        u"6410"_s,
        u"6420"_s,
        u"6490"_s,
        u"6510"_s,
        u"6520"_s,
        u"6530"_s,
        u"6540"_s,
        u"6550"_s,
        u"6591"_s,
        u"6592"_s,
        u"7250"_s,
        u"7251"_s,
        u"7252"_s,
        u"7253"_s,
        u"7254"_s,
        u"7255"_s,
        u"7256"_s,
        u"7310"_s,
        u"7320"_s,
        u"7330"_s,
        u"7340"_s,
        u"7350"_s,
        u"7410"_s,
        u"7420"_s,
        u"7430"_s,
        u"7440"_s,
        u"7450"_s,
        u"7461"_s,
        u"7462"_s,
        u"7471"_s,
        u"7472"_s,
        u"7473"_s,
        u"7474"_s,
        u"7475"_s,
        u"7511"_s,
        u"7512"_s,
        u"7513"_s,
        u"7514"_s,
        u"7519"_s,
        u"7481"_s,
        u"7482"_s,
        u"7483"_s,
        u"7491"_s,
        u"7520"_s,
        u"7590"_s,
    };
    return codes;
}

QStringList serviceListSql()
{
    QStringList conditions;
    for (const QString& code : serviceIndustryCodes())
        conditions.append(u"qb03=\"%1\""_s.arg(code));
    return { u"select qa01 报表编号"_s, u",qa04 企业名称"_s, u",qb03 行业代码"_s, u",qc05 总收入"_s,
        u",qc12 净利润"_s, u",qc13 实际上缴税费"_s, u",qd01 人数"_s,
        u"from \"kfq_1.db\" where "_s + conditions.join(u" or "_s) + u" order by qc05 desc"_s };
}

QStringList enterpriseListSql(EnterpriseList selection)
{
    return { u"select qa01 报表编号"_s, u",qa04 企业名称"_s, u",qb04 开业时间"_s, u",qb11 认定"_s,
        u",qb07 进区"_s, u",qb09 企业组织机构"_s, u",qd01 年末从业人员数"_s, u",qc05 总收入"_s,
        u",qc12 净利润"_s, u",qc13 实际上缴税费"_s, u",qc11 出口创汇总额"_s, u",qc24 年末资产总计"_s,
        u",qc31 年末负债合计"_s,
        selection == EnterpriseList::Revenue ? u"from \"kfq_1.db\" where qc05>=100000 order by qc05 desc"_s
                                             : u"from \"kfq_1.db\" where qb15<>' ' order by qc05 desc"_s };
}

QStringList nationalSummarySql()
{
    return { u"select sum(gj_one) 国家级项目数"_s, u",sum(JC100) 计划总投资"_s, u",sum(JC130) 贷款"_s,
        u",sum(JC150) 自有资金"_s, u",sum(JF100_2) 落实资金"_s, u",sum(JG10_2) 产值"_s,
        u",sum(JG20_2) 产品销售收入"_s, u",sum(JG21_2) 出口创汇"_s, u",sum(JG30_2) 净利润额"_s,
        u",sum(JG40_2) 交税总额"_s, u"from \"gjxm.db\""_s, u"where  (is_chge='1' or is_chge='2')"_s };
}

QStringList enterpriseSumsSql()
{
    QStringList lines;
    for (const SumField& f : enterpriseSumFields())
        lines.append(u"%1sum(a.%2) %3"_s.arg(lines.isEmpty() ? u"select "_s : u","_s, f.field, f.label));
    lines.append(u"from \"kfq_1.db\" a"_s);
    return lines;
}

QStringList productSumsSql()
{
    return { u"select sum(b.qe_one) 产品数"_s, u",sum(b.QE14) 产品全年工业总产值"_s,
        u",sum(b.QE15) 产品全年销售收入"_s, u",sum(b.QE16) 产品创汇"_s, u"from \"kfq_2.db\" b"_s };
}

QStringList projectSumsSql()
{
    return { u"select sum(c.qh_one) 项目数"_s, u",sum(c.Qh51) 项目经费内部支出"_s, u"from \"kfq_5.db\" c"_s };
}

QStringList countColumns()
{
    return { u"区外企业数"_s, u"认定数"_s, u"上亿企业数"_s, u"上市企业数"_s };
}

QStringList countSql(const QString& column)
{
    static const QStringList conditions
        = { u"qb07='2' or qb07 is null"_s, u"qb11='1'"_s, u"qc05>=100000"_s, u"qb15 is not null"_s };
    const qsizetype i = countColumns().indexOf(column);
    return { u"select count(*) %1 from \"kfq_1.db\" where %2"_s.arg(column, conditions.value(i)) };
}

QStringList enterpriseSummarySql()
{
    return { u"select * from kfq1hz.db,kfq2hz.db,kfq3hz.db,kfq4hz.db"_s };
}

namespace {

void fill(const QStringList& sql, const QString& table)
{
    store::Query answer;
    answer.setSql(sql);
    answer.open();
    ExportResult(answer, nullptr, table);
}

} // namespace

void fillServiceList()
{
    fill(serviceListSql(), u"fwqy.db"_s);
}

void fillEnterpriseList(EnterpriseList selection)
{
    fill(enterpriseListSql(selection), u"dqy.db"_s);
}

void fillNationalSummary()
{
    fill(nationalSummarySql(), u"gjhz.db"_s);
}

void fillEnterpriseSummary()
{
    fill(enterpriseSumsSql(), u"kfq1hz.db"_s);
    fill(productSumsSql(), u"kfq2hz.db"_s);
    fill(projectSumsSql(), u"kfq3hz.db"_s);

    store::Table counts;
    counts.setTableName(u"kfq4hz.db"_s);
    counts.emptyTable();
    counts.open();
    counts.append();
    for (const QString& column : countColumns()) {
        store::Query count;
        count.setSql(countSql(column));
        count.open();
        counts.fieldByName(column).setValue(count.field(0).asInteger());
    }
    counts.post();
    counts.close();

    fill(enterpriseSummarySql(), u"qyhz.db"_s);
}

} // namespace reportSummaries
