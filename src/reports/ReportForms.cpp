#include "ReportForms.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

struct Pair
{
    QString caption;
    QString field; // empty: the caption names the field
};

// Columns of label/value pairs side by side, each filled from the top. Values come from the
// table's first row.
void layPairs(BandedReport& form, store::Table& table, const QList<QList<Pair>>& pairColumns)
{
    table.first();
    form.columns.clear();
    qsizetype rows = 0;
    for (const QList<Pair>& column : pairColumns) {
        form.columns.append({ QString(), 3, Qt::AlignLeft });
        form.columns.append({ QString(), 2, Qt::AlignRight });
        rows = std::max(rows, column.size());
    }
    QList<QStringList> lines(rows);
    for (const QList<Pair>& column : pairColumns) {
        for (qsizetype r = 0; r < column.size(); ++r) {
            const Pair& p = column[r];
            const store::Field field = table.fieldByName(p.field.isEmpty() ? p.caption : p.field);
            lines[r] << p.caption << (table.isEmpty() ? QString() : summaryText(field.value()));
        }
    }
    form.setRows(std::move(lines));
}

} // namespace

QString summaryText(const QVariant& value)
{
    if (value.isNull()) return {};
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok) return value.toString();
    const double rounded = std::round(v); // halves away from zero
    return QString::number(rounded == 0 ? 0.0 : rounded, 'f', 0);
}

ReportForm::ReportForm(const QString& tableName)
{
    Table1.setTableName(tableName);
    paddingMm = 1.2;
}

ReportForm::~ReportForm() = default;

void ReportForm::open()
{
    Table1.close();
    Table1.open();
    try {
        fill();
    } catch (...) {
        Table1.close();
        throw;
    }
}

void ReportForm::listFields(const QStringList& fields)
{
    QList<int> indexes;
    for (const QString& f : fields)
        indexes.append(Table1.fieldByName(f).index());
    setRows(Table1.recordCount(), [this, indexes](int row) {
        const QVariantList values = Table1.rowAt(row);
        QStringList texts;
        texts.reserve(indexes.size());
        for (int i : indexes)
            texts.append(store::displayText(values.value(i)));
        return texts;
    });
}

TF_dqy_p::TF_dqy_p()
    : ReportForm(u"dqy.db"_s)
{
    pageHeader = u"企业清单"_s;
    head = Head::FirstPage;
    columns = { { u"报表编号"_s, 16, Qt::AlignLeft }, { u"企业名称"_s, 74, Qt::AlignLeft },
        { u"总收入"_s, 25, Qt::AlignRight }, { u"净利润"_s, 25, Qt::AlignRight },
        { u"上缴税费"_s, 25, Qt::AlignRight }, { u"出口创汇"_s, 25, Qt::AlignRight } };
}

void TF_dqy_p::fill()
{
    listFields(
        { u"报表编号"_s, u"企业名称"_s, u"总收入"_s, u"净利润"_s, u"实际上缴税费"_s, u"出口创汇总额"_s });
}

TF_fwqy_p::TF_fwqy_p()
    : ReportForm(u"fwqy.db"_s)
{
    pageHeader = u"高技术服务业企业"_s;
    head = Head::FirstPage;
    columns = { { u"报表编号"_s, 16, Qt::AlignLeft }, { u"企业名称"_s, 66, Qt::AlignLeft },
        { u"行业代码"_s, 16, Qt::AlignHCenter }, { u"总收入"_s, 22, Qt::AlignRight },
        { u"净利润"_s, 22, Qt::AlignRight }, { u"上缴税费"_s, 22, Qt::AlignRight },
        { u"人数"_s, 16, Qt::AlignRight } };
}

void TF_fwqy_p::fill()
{
    listFields({ u"报表编号"_s, u"企业名称"_s, u"行业代码"_s, u"总收入"_s, u"净利润"_s, u"实际上缴税费"_s,
        u"人数"_s });
}

TF_gjwsb_p::TF_gjwsb_p()
    : ReportForm(u"gj_wsb.db"_s)
{
    orientation = QPageLayout::Landscape;
    titleText = u"2012年国家级Velto计划项目未统计上报原因调查表"_s;
    head = Head::EveryPage;
    columns = { { u"项目编号"_s, 24, Qt::AlignLeft }, { u"计划编号"_s, 30, Qt::AlignLeft },
        { u"项目名称"_s, 119, Qt::AlignLeft }, { u"验收、结题过\n早或已经撤项"_s, 26, Qt::AlignHCenter },
        { u"项目承担\n单位拒报"_s, 26, Qt::AlignHCenter },
        { u"单位迁扯或项\n目负责人调动"_s, 26, Qt::AlignHCenter }, { u"其它原因"_s, 26, Qt::AlignHCenter } };
    groups = { { 3, 4, u"未上报原因"_s } };
}

void TF_gjwsb_p::fill()
{
    const int number = Table1.fieldByName(u"JB00"_s).index();
    const int plan = Table1.fieldByName(u"JB02"_s).index();
    const int name = Table1.fieldByName(u"JB01"_s).index();
    const int reason = Table1.fieldByName(u"YY"_s).index();
    setRows(Table1.recordCount(), [=, this](int row) {
        const QVariantList v = Table1.rowAt(row);
        QStringList texts { store::displayText(v.value(number)), store::displayText(v.value(plan)),
            store::displayText(v.value(name)), QString(), QString(), QString(), QString() };
        // Only the codes 1 to 4 tick a reason; any other value ticks none.
        const QString code = store::displayText(v.value(reason));
        static const QStringList codes = { u"1"_s, u"2"_s, u"3"_s, u"4"_s };
        if (const qsizetype c = codes.indexOf(code); c >= 0) texts[3 + c] = u"√"_s;
        return texts;
    });
}

TF_gjhz_p::TF_gjhz_p()
    : ReportForm(u"gjhz.db"_s)
{
    titleText = u"2012年国家级项目汇总表"_s;
    head = Head::None;
    pageNumbers = false;
    bodyFont = font(u"宋体"_s, 11);
    rowHeightMm = 10;
}

void TF_gjhz_p::fill()
{
    layPairs(*this, Table1,
        { { { u"国家级项目数"_s, {} }, { u"落实资金合计"_s, u"落实资金"_s }, { u"自有资金"_s, {} },
              { u"产品销售收入"_s, {} }, { u"净利润"_s, u"净利润额"_s } },
            { { u"计划总投资"_s, {} }, { u"贷款"_s, {} }, { u"产值"_s, {} }, { u"出口创汇"_s, {} },
                { u"交税总额"_s, {} } } });
}

TF_qyhz_p::TF_qyhz_p()
    : ReportForm(u"qyhz.db"_s)
{
    titleText = u"2012年高新技术产业开发区（区外）企业汇总表"_s;
    head = Head::None;
    pageNumbers = false;
    rowHeightMm = 10;
}

void TF_qyhz_p::fill()
{
    layPairs(*this, Table1,
        { { { u"企业数"_s, {} }, { u"认定数"_s, {} }, { u"区外企业数"_s, {} }, { u"上亿企业数"_s, {} },
              { u"上市企业数"_s, {} }, { u"产品数"_s, {} }, { u"项目数"_s, {} }, { u"工业总产值"_s, {} },
              { u"工业销售产值"_s, {} }, { u"总收入"_s, {} }, { u"主营业务收入"_s, {} },
              { u"技术收入"_s, {} }, { u"产品销售收入"_s, {} }, { u"商品销售收入"_s, {} },
              { u"出口创汇总额"_s, {} }, { u"营业利润"_s, {} }, { u"净利润"_s, {} },
              { u"实际上缴税"_s, u"实际上缴税费总额"_s }, { u"减免税总额"_s, {} }, { u"应交增值税"_s, {} },
              { u"应付职工薪酬"_s, {} }, { u"总成本与费用"_s, {} }, { u"年末资产总计"_s, {} } },
            { { u"流动资产"_s, {} }, { u"固定资产合计"_s, u"固定资产"_s }, { u"年末负债"_s, {} },
                { u"年末所有者权益"_s, u"年末所有者权益股东权益"_s }, { u"实收入资本"_s, {} },
                { u"本年固定投资额"_s, u"本年完成固定资产投资额"_s }, { u"工业能源消费量"_s, {} },
                { u"年末从业人员数"_s, {} }, { u"从业人员平均数"_s, u"从业人员年平均数"_s },
                { u"研究生"_s, {} }, { u"博士"_s, {} }, { u"硕士"_s, {} }, { u"大学"_s, {} },
                { u"大专"_s, {} }, { u"中专"_s, {} }, { u"高级"_s, {} }, { u"中级"_s, {} }, { u"初级"_s, {} },
                { u"科技活动人员合计"_s, {} }, { u"全时"_s, {} }, { u"参加科技项目人员"_s, {} },
                { u"内部支出合计"_s, {} }, { u"全部科技项目数"_s, {} } },
            { { u"科技项目内部支出"_s, {} }, { u"企业办机构数"_s, u"企业办科技机构数"_s },
                { u"机构科技活动人员"_s, {} }, { u"新产品产值"_s, {} }, { u"新产品销售收入"_s, {} },
                { u"拥有发明专利数"_s, {} }, { u"专利申请数"_s, {} }, { u"专利授权数"_s, {} },
                { u"技术改造经费支出"_s, {} }, { u"产品工业产值"_s, u"产品全年工业总产值"_s },
                { u"产品销售收入"_s, u"产品全年销售收入"_s }, { u"产品创汇"_s, {} },
                { u"项目经费内部支出"_s, {} } } });
}
