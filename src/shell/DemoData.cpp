#include "DemoData.h"

#include "DemoSupport.h"
#include "WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"
#include "store/TablePath.h"

#include <QDate>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using namespace demo;

const QString enterpriseTable = u"kfq_1.db"_s;
const QString productTable = u"kfq_2.db"_s;
const QString projectTable = u"kfq_5.db"_s;

// Rows are handed to the store in chunks: one transaction per table and chunk, and a
// bounded scratch database.
constexpr int chunkSize = 5000;

// --- Code lists ------------------------------------------------------------------------

struct IndustryClass
{
    QString code; // four digits
    QString name;
    int division; // the first two digits
};

const QList<IndustryClass>& industryClasses()
{
    static const QList<IndustryClass> list = [] {
        QList<IndustryClass> classes;
        for (const QStringList& row : readCodeList(u":/codes/gbt4754-2011.tsv"_s))
            if (row.size() >= 3 && row[2] == "class"_L1 && row[0].size() == 4)
                classes.append({ row[0], row[1], row[0].left(2).toInt() });
        return classes;
    }();
    return list;
}

// --- Survey vocabulary -----------------------------------------------------------------

// 企业登记注册类型与代码, with a rough share of zone enterprises.
struct Registration
{
    const char16_t* code;
    double weight;
};

const Registration registrations[] = {
    { u"110", 2 },
    { u"120", 1 },
    { u"130", 1 },
    { u"141", 0.2 },
    { u"142", 0.1 },
    { u"143", 0.1 },
    { u"149", 0.1 },
    { u"151", 3 },
    { u"159", 20 },
    { u"160", 8 },
    { u"171", 2 },
    { u"172", 1 },
    { u"173", 35 },
    { u"174", 3 },
    { u"190", 1 },
    { u"210", 2 },
    { u"220", 0.5 },
    { u"230", 3 },
    { u"240", 0.5 },
    { u"290", 0.3 },
    { u"310", 5 },
    { u"320", 1 },
    { u"330", 7 },
    { u"340", 1 },
    { u"390", 0.5 },
};

const QStringList adjectives
    = u"高性能 智能 新型 高精度 节能型 便携式 大功率 低功耗 环保型 多功能 数字化"_s.split(u' ');
const QStringList technologies
    = u"物联网 云计算 大数据 纳米技术 激光 基因工程 新材料 移动互联网 智能控制 北斗导航"_s.split(u' ');

// What an enterprise of an industry division calls itself and makes.
struct Trade
{
    int fromDivision;
    int toDivision;
    QStringList words; // the trade word of a company name
    QStringList products;
};

const QList<Trade>& trades()
{
    static const QList<Trade> list = {
        { 1, 5, u"农业 生物 种业"_s.split(u' '),
            u"杂交水稻种子 有机蔬菜 生物肥料 兽用疫苗 饲料添加剂"_s.split(u' ') },
        { 6, 12, u"矿业 能源"_s.split(u' '), u"精选矿粉 煤层气 矿山安全监测系统"_s.split(u' ') },
        { 13, 16, u"食品 饮品"_s.split(u' '),
            u"功能性食品 保健饮品 婴幼儿配方奶粉 速冻食品 植物提取物"_s.split(u' ') },
        { 17, 24, u"纺织 材料 印务"_s.split(u' '),
            u"功能性面料 无纺布 环保包装材料 防护服 数码印刷品"_s.split(u' ') },
        { 25, 26, u"化工 新材料"_s.split(u' '),
            u"功能涂料 电子化学品 催化剂 水处理剂 改性树脂"_s.split(u' ') },
        { 27, 27, u"医药 制药 生物"_s.split(u' '),
            u"原料药 中成药 生物试剂 诊断试剂盒 化学制剂 医用敷料"_s.split(u' ') },
        { 28, 30, u"新材料 塑胶 建材"_s.split(u' '),
            u"特种纤维 改性塑料 光伏玻璃 陶瓷基板 碳纤维复合材料"_s.split(u' ') },
        { 31, 33, u"金属 合金 材料"_s.split(u' '),
            u"特种钢材 铝合金型材 稀土永磁材料 精密铸件 钛合金管材"_s.split(u' ') },
        { 34, 35, u"机械 装备 精工"_s.split(u' '),
            u"数控机床 工业机器人 精密减速机 液压泵 环保设备 自动化生产线"_s.split(u' ') },
        { 36, 37, u"汽车 动力 装备"_s.split(u' '),
            u"汽车电子控制器 新能源汽车电机 轨道交通制动系统 无人机 船用导航设备"_s.split(u' ') },
        { 38, 38, u"电气 电力 能源"_s.split(u' '),
            u"变频器 伺服电机 智能电表 锂离子电池 光伏逆变器 电力电容器"_s.split(u' ') },
        { 39, 39, u"电子 微电子 光电 通信"_s.split(u' '),
            u"集成电路芯片 LED照明模组 传感器 液晶显示模组 射频模块 光纤连接器"_s.split(u' ') },
        { 40, 43, u"仪器 测控"_s.split(u' '),
            u"分析仪器 工业控制仪表 环境监测仪 医疗影像设备 光学镜头"_s.split(u' ') },
        { 44, 46, u"能源 电力 环境"_s.split(u' '),
            u"光伏发电 风力发电 余热发电 燃气供应 再生水"_s.split(u' ') },
        { 47, 50, u"建设 工程"_s.split(u' '), u"节能建筑工程 钢结构工程 智能化工程"_s.split(u' ') },
        { 51, 52, u"贸易 商贸"_s.split(u' '), u"医疗器械代理 电子元器件分销 进口仪器销售"_s.split(u' ') },
        { 53, 62, u"物流 供应链"_s.split(u' '), u"冷链物流服务 智能仓储服务 货运代理服务"_s.split(u' ') },
        { 63, 63, u"通信 网络"_s.split(u' '), u"移动通信增值服务 宽带接入服务 卫星通信服务"_s.split(u' ') },
        { 64, 64, u"网络 信息 互联网"_s.split(u' '),
            u"电子商务平台 网络游戏 在线教育平台 搜索引擎服务"_s.split(u' ') },
        { 65, 65, u"软件 信息 数据"_s.split(u' '),
            u"企业管理软件 嵌入式软件 信息安全系统 云计算平台 移动应用软件 数据分析系统 电子政务系统 物联网平台"_s
                .split(u' ') },
        { 66, 72, u"投资 商务 咨询"_s.split(u' '), u"科技金融服务 知识产权代理 管理咨询服务"_s.split(u' ') },
        { 73, 75, u"科技 技术 检测"_s.split(u' '),
            u"技术开发服务 检测认证服务 工程设计服务 技术转移服务 科技成果转化服务"_s.split(u' ') },
        { 76, 81, u"环保 环境 服务"_s.split(u' '), u"污水处理服务 固废处置服务 环境监测服务"_s.split(u' ') },
        { 82, 96, u"文化 传媒 健康"_s.split(u' '),
            u"数字出版物 动漫作品 影视后期制作 健康管理服务"_s.split(u' ') },
    };
    return list;
}

const Trade& tradeOf(int division)
{
    for (const Trade& t : trades())
        if (division >= t.fromDivision && division <= t.toDivision) return t;
    return trades().last();
}

bool isIndustrial(int division)
{
    return division >= 6 && division <= 46;
}

// GB 11714 organisation code: eight digits or capitals, a dash and the check character.
QString organisationCode(Random& r)
{
    static const QString alphabet = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s;
    static const int weights[8] = { 3, 7, 9, 10, 5, 8, 4, 2 };
    QString body;
    int sum = 0;
    for (int i = 0; i < 8; ++i) {
        // Mostly digits, as the codes of the time were.
        const int v = r.chance(0.97) ? int(r.between(i == 0 ? 1 : 0, 9)) : int(r.between(10, 35));
        body += alphabet[v];
        sum += weights[i] * v;
    }
    const int c = 11 - sum % 11;
    return body + u'-' + (c == 10 ? u'X' : c == 11 ? u'0' : QChar(u'0' + c));
}

// --- The generator ---------------------------------------------------------------------

class Generator
{
public:
    Generator(const DemoData::Options& options, const store::TableSchema& enterprises,
        const store::TableSchema& products, const store::TableSchema& projects)
        : m_options(options)
        , m_random(options.seed)
        , m_enterprise(enterprises)
        , m_product(products)
        , m_project(projects)
    {
        for (const Province& p : provinces()) {
            if (!countiesByProvince().contains(QString::fromUtf16(p.code))) continue;
            m_provinces.append(&p);
            m_provinceWeights.append(p.weight);
        }
        for (const Registration& reg : registrations) {
            m_registrations.append(QString::fromUtf16(reg.code));
            m_registrationWeights.append(reg.weight);
        }
        // Zone enterprises are mostly manufacturers and IT and technical-service firms.
        for (const IndustryClass& c : industryClasses()) {
            double w = 0.2;
            if (c.division >= 13 && c.division <= 43) w = 1.0;
            if (c.division >= 26 && c.division <= 27) w = 2.0;
            if (c.division >= 34 && c.division <= 40) w = 2.5;
            if (c.division >= 63 && c.division <= 65) w = 8.0;
            if (c.division >= 73 && c.division <= 75) w = 4.0;
            if (c.division == 90) w = 0; // party and state bodies are no enterprises
            m_industries.append(&c);
            m_industryWeights.append(w);
        }
    }

    void avoid(const QString& organisationCode, const QString& name)
    {
        if (!organisationCode.isEmpty()) m_codes.insert(organisationCode.toUpper());
        if (!name.isEmpty()) m_names.insert(name.toLower());
    }

    // Makes one return into the three rows buffers; `mistake` plants one mistake.
    void make(const QString& number, const DemoData::Mistake* mistake, ScratchRows& enterprises,
        ScratchRows& products, ScratchRows& projects, DemoData::Result& result);

private:
    QString uniqueName(const County& county, const Trade& trade, const QString& registration);
    QString uniqueCode();
    void economy(int division, bool industrial, int productCount);
    void people();
    void science(
        int division, int projectCount, QList<double>& projectSpending, QList<double>& projectPeople);

    const DemoData::Options& m_options;
    Random m_random;
    Row m_enterprise;
    Row m_product;
    Row m_project;
    QList<const Province*> m_provinces;
    QList<double> m_provinceWeights;
    QStringList m_registrations;
    QList<double> m_registrationWeights;
    QList<const IndustryClass*> m_industries;
    QList<double> m_industryWeights;
    QSet<QString> m_codes;
    QSet<QString> m_names;
};

QString Generator::uniqueName(const County& county, const Trade& trade, const QString& registration)
{
    Random& r = m_random;
    const bool shares = registration == u"160"_s || registration == u"174"_s || registration == u"240"_s
        || registration == u"340"_s;
    const bool state = registration.startsWith(u'1') && registration < u"150"_s;
    const QString form = shares ? u"股份有限公司"_s : state ? u"公司"_s : u"有限公司"_s;
    for (int attempt = 0;; ++attempt) {
        QString brand = r.pick(nameSyllables);
        QString second;
        do {
            second = r.pick(nameSyllables);
        } while (second == brand);
        brand += second;
        if (attempt >= 10) brand += r.pick(nameSyllables); // a crowded place and trade
        QString name = county.place + brand + r.pick(trade.words);
        if (r.chance(0.4) && !name.endsWith(u"科技"_s)) name += u"科技"_s;
        name += form;
        if (attempt >= 40) name += u"（%1）"_s.arg(attempt);
        if (!m_names.contains(name.toLower())) {
            m_names.insert(name.toLower());
            return name;
        }
    }
}

QString Generator::uniqueCode()
{
    for (;;) {
        const QString code = organisationCode(m_random);
        if (!m_codes.contains(code)) {
            m_codes.insert(code);
            return code;
        }
    }
}

// The economic page. Every "其中" part is cut from what its total leaves, so parts never
// exceed totals however the draws fall.
void Generator::economy(int division, bool industrial, int productCount)
{
    Random& r = m_random;
    Row& e = m_enterprise;
    const double employees = e.number(u"qd05"_s);
    const bool software = division == 65;
    const bool services = !industrial;
    double income = std::max(50.0, std::round(employees * r.logNormal(industrial ? 800 : 500, 0.6)));

    // 总收入 = 技术收入 + 产品销售收入 + 商品销售收入 + 其它收入
    double tech = std::floor(income * (services ? r.uniform(0.3, 0.7) : r.uniform(0, 0.08)));
    double productSales
        = std::floor((income - tech) * (services ? r.uniform(0.3, 0.8) : r.uniform(0.8, 0.95)));
    productSales = std::max(productSales, double(productCount)); // each product sold something
    income = std::max(income, tech + productSales);
    double goods = std::floor((income - tech - productSales) * r.uniform(0, 0.5));
    double other = income - tech - productSales - goods;
    e.set(u"qc05"_s, income);
    e.set(u"qc55"_s, part(r, income, 0.85, 1.0));
    e.set(u"qc06"_s, tech);
    e.set(u"qc07"_s, productSales);
    e.set(u"qc10"_s, goods);
    e.set(u"qc49"_s, other);
    const QList<double> techParts = split(r, tech, 4);
    e.set(u"qc06_1"_s, techParts[0]);
    e.set(u"qc06_2"_s, techParts[1]);
    e.set(u"qc06_3"_s, techParts[2]);
    e.set(u"qc06_4"_s, techParts[3]);
    const bool certified = e.text(u"qb11"_s) == u"1"_s;
    e.set(u"qc09"_s, part(r, productSales, certified ? 0.5 : 0, certified ? 1.0 : 0.3));
    e.set(u"qc42"_s,
        software             ? part(r, productSales, 0.5, 1.0)
            : division == 64 ? part(r, productSales, 0, 0.2)
                             : 0.0);
    if (industrial) {
        const double output = std::floor(productSales * r.uniform(1.0, 1.15));
        e.set(u"qc02"_s, output);
        e.set(u"qc04"_s, std::floor(output * r.uniform(0.92, 1.0)));
    }

    // Foreign trade in thousands of US dollars.
    if (r.chance(0.3)) {
        const double exports = std::floor(income * r.uniform(0.05, 0.6) / 6.3);
        e.set(u"qc11"_s, exports);
        e.set(u"qc52"_s, exports + std::floor(income * r.uniform(0, 0.2) / 6.3));
        const double highTech = part(r, exports, certified ? 0.3 : 0, certified ? 0.9 : 0.2);
        e.set(u"qc38"_s, highTech);
        e.set(u"qc11_1"_s, services ? part(r, exports - highTech, 0, 0.8) : 0.0);
    }

    const double operating = std::round(income * r.uniform(-0.05, 0.15));
    e.set(u"qc120"_s, operating);
    e.set(u"qc12"_s,
        operating > 0 ? std::floor(operating * r.uniform(0.7, 0.9))
                      : operating - std::floor(income * r.uniform(0, 0.02)));
    const double cost = std::max(0.0, income - operating);
    e.set(u"qc22"_s, cost);
    e.set(u"qc23"_s, part(r, cost, 0, 0.03));

    const double taxes = part(r, income, 0.02, 0.08);
    e.set(u"qc13"_s, taxes);
    const double vat = industrial ? part(r, taxes, 0.3, 0.5) : part(r, taxes, 0, 0.2);
    const double business = services ? part(r, taxes, 0.1, 0.3) : 0.0;
    e.set(u"qc14"_s, vat);
    e.set(u"qc15"_s, business);
    e.set(u"qc16"_s, operating > 0 ? part(r, taxes - vat - business, 0.1, 0.6) : 0.0);
    e.set(u"qc62"_s, std::floor(vat * r.uniform(0.9, 1.1)));
    if (certified || software) {
        const double relief = part(r, taxes, 0.05, 0.3);
        const double reliefVat = part(r, relief, 0, 0.3);
        const double reliefBusiness = part(r, relief - reliefVat, 0, 0.1);
        const double reliefIncome = relief - reliefVat - reliefBusiness;
        e.set(u"qc17"_s, relief);
        e.set(u"qc18"_s, reliefVat);
        e.set(u"qc19"_s, reliefBusiness);
        e.set(u"qc20"_s, reliefIncome);
        const double highTechRelief = certified ? part(r, reliefIncome, 0.4, 0.8) : 0.0;
        const double research = part(r, reliefIncome - highTechRelief, 0, 0.8);
        e.set(u"qc20_1"_s, highTechRelief);
        e.set(u"qc20_2"_s, research);
        e.set(u"qc20_3"_s, part(r, reliefIncome - highTechRelief - research, 0, 0.3));
    }
    if (r.chance(0.3)) e.set(u"qc60"_s, part(r, income, 0, 0.02));
    e.set(u"qc51"_s, std::round(employees * r.uniform(40, 150)));

    // Balance sheet.
    const double assets = std::max(10.0, std::round(income * r.uniform(0.5, 1.8)));
    e.set(u"qc24"_s, assets);
    double left = assets;
    auto take = [&](double lo, double hi) {
        const double v = part(r, left, lo, hi);
        left -= v;
        return v;
    };
    e.set(u"qc25"_s, take(0.4, 0.7));
    e.set(u"qc26"_s, take(0, 0.2));
    const double fixed = take(0.2, 0.8);
    e.set(u"qc27"_s, fixed);
    e.set(u"qc30"_s, take(0, 0.5));
    const double original = std::floor(fixed * r.uniform(1.2, 1.8));
    e.set(u"qc28"_s, original);
    e.set(u"qc65"_s, original - fixed);
    e.set(u"qc61"_s, part(r, original - fixed, 0.1, 0.4));
    const double debts = part(r, assets, 0.2, 0.7);
    e.set(u"qc31"_s, debts);
    e.set(u"qc32"_s, part(r, debts, 0, 0.5));
    e.set(u"qc33"_s, assets - debts);
    const double capital = part(r, assets - debts, 0.3, 0.9);
    e.set(u"qc34"_s, capital);
    // Paid-in capital by investor, after the registration type.
    const QString reg = e.text(u"qb06"_s);
    QList<double> w = { 0, 0, 0, 0, 0, 0 }; // state, collective, legal persons, persons, HK/MO/TW, foreign
    if (reg == u"110"_s || reg == u"151"_s || reg.startsWith(u"14"_s))
        w = { 8, 0, 2, 0, 0, 0 };
    else if (reg == u"120"_s || reg == u"130"_s)
        w = { 0, 8, 1, 1, 0, 0 };
    else if (reg.startsWith(u"17"_s))
        w = { 0, 0, 1, 9, 0, 0 };
    else if (reg.startsWith(u'2'))
        w = { 0, 0, 3, 0, 7, 0 };
    else if (reg.startsWith(u'3'))
        w = { 0, 0, 3, 0, 0, 7 };
    else
        w = { 1, 0, 5, 4, 0, 0 };
    const char16_t* investors[] = { u"qc35", u"qc45", u"qc46", u"qc47", u"qc48", u"qc36" };
    double given = 0;
    int lastShare = 0;
    for (int i = 0; i < 6; ++i)
        if (w[i] > 0) lastShare = i;
    double weightSum = 0;
    for (double x : w)
        weightSum += x;
    for (int i = 0; i < 6; ++i) {
        double v = 0;
        if (w[i] > 0)
            v = i == lastShare ? capital - given
                               : std::floor(capital * w[i] / weightSum * r.uniform(0.8, 1.0));
        given += v;
        e.set(QString::fromUtf16(investors[i]), v);
    }
    e.set(u"qb04_1"_s, capital > 5000 ? u"1"_s : u"2"_s);
    if (!e.text(u"qb15"_s).isEmpty()) {
        const double listed = part(r, capital, 0.2, 0.6);
        e.set(u"qc63"_s, listed);
        const int market = e.text(u"qb15"_s).toInt();
        if (market >= 3 && market <= 9) e.set(u"qc50"_s, part(r, listed, 0.5, 1.0));
    }
    if (r.chance(0.05)) e.set(u"qc39"_s, part(r, income, 0, 0.05));
    e.set(u"qc40"_s, part(r, income, 0, 0.1));
    if (industrial && income >= 20000) e.set(u"qc41"_s, std::round(income * r.uniform(0.001, 0.05)));

    // 营业税改增值税: the pilot covered transport and modern services.
    if (services && r.chance(0.3)) {
        e.set(u"qc70"_s, u"1"_s);
        e.set(u"qc70_1"_s, r.chance(0.8) ? 5.0 : 3.0);
        e.set(u"qc70_2"_s, r.chance(0.7) ? 6.0 : r.chance(0.5) ? 11.0 : 17.0);
        const double change = part(r, taxes, 0.01, 0.1) + 1;
        if (r.chance(0.6)) {
            e.set(u"qc71"_s, u"2"_s);
            e.set(u"qc71_2"_s, change);
        } else {
            e.set(u"qc71"_s, u"1"_s);
            e.set(u"qc71_1"_s, change);
        }
    } else {
        e.set(u"qc70"_s, u"2"_s);
    }
}

void Generator::people()
{
    Random& r = m_random;
    Row& e = m_enterprise;
    const double yearEnd = e.number(u"qd01"_s);
    const double average = e.number(u"qd05"_s);
    // Breakdowns fit both head counts.
    const double base = std::min(yearEnd, average);
    const double postgraduates = part(r, base, 0, 0.15);
    const double doctors = part(r, postgraduates, 0, 0.3);
    e.set(u"qd18"_s, postgraduates);
    e.set(u"qd06"_s, doctors);
    e.set(u"qd07"_s, postgraduates - doctors);
    double left = base - postgraduates;
    const double bachelors = part(r, left, 0.2, 0.6);
    left -= bachelors;
    const double college = part(r, left, 0.2, 0.6);
    left -= college;
    e.set(u"qd08"_s, bachelors);
    e.set(u"qd09"_s, college);
    e.set(u"qd10"_s, part(r, left, 0, 0.5));
    e.set(u"qd01_1"_s, part(r, postgraduates + bachelors, 0.5, 0.95));
    const double senior = part(r, base, 0, 0.1);
    const double middle = part(r, base - senior, 0, 0.25);
    e.set(u"qd11"_s, senior);
    e.set(u"qd12"_s, middle);
    e.set(u"qd13"_s, part(r, base - senior - middle, 0, 0.25));
    const double returned = r.chance(0.3) ? part(r, yearEnd, 0, 0.05) : 0.0;
    e.set(u"qd03"_s, returned);
    e.set(u"qd04"_s, part(r, returned, 0.3, 1.0));
    e.set(u"qd23"_s, part(r, yearEnd, 0.1, 0.5));
    const double foreigners = r.chance(0.1) ? part(r, yearEnd, 0, 0.03) : 0.0;
    e.set(u"qd25"_s, foreigners);
    e.set(u"qd21"_s, part(r, foreigners, 0, 1.0));
    e.set(u"qd14"_s, part(r, yearEnd, 0, 0.1));
    e.set(u"qd24"_s, part(r, yearEnd, 0.8, 1.0));
    e.set(u"qd19"_s, r.chance(0.85) ? u"1"_s : u"2"_s);
    e.set(u"qd20"_s, year(r.between(1950, 1985)));
    e.set(u"qd22"_s, QString::number(r.weighted({ 25, 45, 20, 10 }) + 1));
}

void Generator::science(
    int division, int projectCount, QList<double>& projectSpending, QList<double>& projectPeople)
{
    Random& r = m_random;
    Row& e = m_enterprise;
    const double yearEnd = e.number(u"qd01"_s);
    const double income = e.number(u"qc05"_s);
    const double staff = std::max(1.0, part(r, yearEnd, 0.05, 0.4));
    const double onProjects = std::max(1.0, part(r, staff, 0.5, 0.9));
    e.set(u"qj09"_s, staff);
    e.set(u"qj11"_s, onProjects);
    e.set(u"qj67"_s, staff - onProjects);
    e.set(u"qj66"_s, part(r, staff, 0.1, 0.4));
    const double titled = part(r, staff, 0.1, 0.5);
    e.set(u"qj12"_s, titled);
    e.set(u"qj13"_s, part(r, staff - titled, 0, 0.05));
    e.set(u"qj09_1"_s, part(r, staff, 0.5, 1.0));

    // Internal S&T spending: non-government money by kind, plus government money.
    const double spending = std::max(1.0, part(r, income, 0.01, 0.08));
    const double government = r.chance(0.3) ? part(r, spending, 0, 0.2) : 0.0;
    const double own = spending - government;
    e.set(u"qj23"_s, own);
    e.set(u"qj252"_s, government);
    QList<double> kinds = { 0, 0, 0, 0, 0 };
    double left = own;
    const double shares[4][2] = { { 0.4, 0.6 }, { 0.2, 0.6 }, { 0.1, 0.5 }, { 0, 0.3 } };
    for (int i = 0; i < 4; ++i) {
        kinds[i] = part(r, left, shares[i][0], shares[i][1]);
        left -= kinds[i];
    }
    kinds[4] = left;
    for (int i = 0; i < 5; ++i)
        e.set(u"qj23_%1"_s.arg(i + 1), kinds[i]);
    if (r.chance(0.3)) {
        const double outside = part(r, spending, 0, 0.2);
        e.set(u"qj33"_s, outside);
        const double institutes = part(r, outside, 0, 0.6);
        const double universities = part(r, outside - institutes, 0, 0.8);
        e.set(u"qj33_1"_s, institutes);
        e.set(u"qj33_2"_s, universities);
        e.set(u"qj33_3"_s, part(r, outside - institutes - universities, 0, 0.5));
    }
    const double fixedAssets = part(r, spending, 0, 0.3);
    e.set(u"qj250"_s, fixedAssets);
    e.set(u"qj251"_s, part(r, fixedAssets, 0.3, 0.9));

    // Projects: their spending comes out of all projects' spending, which comes out of the
    // internal S&T spending.
    const double projectTotal = projectCount + (r.chance(0.5) ? double(r.between(0, 3)) : 0.0);
    e.set(u"qi09"_s, projectTotal);
    const double allProjects = projectTotal > 0 ? part(r, spending, 0.3, 0.9) : 0.0;
    e.set(u"qj53"_s, allProjects);
    projectSpending = split(r, part(r, allProjects, 0.5, 1.0), projectCount);
    projectPeople.clear();
    for (int i = 0; i < projectCount; ++i)
        projectPeople.append(double(r.between(1, qint64(std::min(onProjects, 30.0)))));

    if (r.chance(0.4)) {
        e.set(u"qi01"_s, double(r.between(1, 3)));
        const double members = std::max(1.0, part(r, staff, 0.2, 0.8));
        e.set(u"qi07"_s, members);
        const double phd = part(r, members, 0, 0.1);
        const double masters = part(r, members - phd, 0, 0.3);
        e.set(u"qi10"_s, phd);
        e.set(u"qi11"_s, masters);
        e.set(u"qi20"_s, part(r, members - phd - masters, 0, 0.6));
        e.set(u"qi14"_s, part(r, spending, 0.1, 0.5));
        const double instruments = part(r, fixedAssets, 0, 1.0);
        e.set(u"qi17"_s, instruments);
        e.set(u"qi21"_s, part(r, instruments, 0, 0.4));
    }

    // Patents and other output.
    const double applied = r.chance(0.6) ? double(r.between(1, qint64(staff / 2) + 1)) : 0.0;
    e.set(u"qj55"_s, applied);
    e.set(u"qj56"_s, part(r, applied, 0, 0.6));
    e.set(u"qj55_1"_s, part(r, applied, 0, 0.1));
    const double granted = part(r, applied, 0.3, 1.0);
    e.set(u"qj74"_s, granted);
    e.set(u"qj57"_s, part(r, granted, 0, 0.4));
    e.set(u"qj75"_s, part(r, granted, 0, 0.05));
    const double valid = granted + (applied > 0 ? double(r.between(0, 20)) : 0.0);
    e.set(u"qj83"_s, valid);
    const double inventions = part(r, valid, 0, 0.4);
    e.set(u"qj73"_s, inventions);
    e.set(u"qj73_1"_s, part(r, inventions, 0, 0.1));
    const double abroad = part(r, valid, 0, 0.1);
    e.set(u"qj83_1"_s, abroad);
    e.set(u"qj82"_s, part(r, abroad, 0, 1.0));
    if (r.chance(0.1)) {
        e.set(u"qi23"_s, double(r.between(1, 3)));
        e.set(u"qi24"_s, double(r.between(10, 2000)));
    }
    const double newSales = part(r, e.number(u"qc07"_s), 0, 0.6);
    e.set(u"qj71"_s, newSales);
    e.set(u"qj70"_s, std::floor(newSales * r.uniform(0.9, 1.1)));
    e.set(u"qj72"_s, e.number(u"qc11"_s) > 0 ? part(r, newSales, 0, 0.3) : 0.0);
    if (r.chance(0.05)) e.set(u"qj99"_s, double(r.between(1, 3)));
    if (r.chance(0.03)) {
        const double centres = double(r.between(1, 3));
        e.set(u"qj90"_s, centres);
        const QList<double> sites = split(r, centres, 4);
        for (int i = 0; i < 4; ++i)
            e.set(u"qi19_%1"_s.arg(i + 1), sites[i]);
    }
    if (r.chance(0.03)) e.set(u"qj92"_s, double(r.between(1, 2)));
    if (r.chance(0.3)) e.set(u"qi25"_s, double(r.between(1, 10)));
    const double marks = double(r.between(0, 20));
    e.set(u"qj79"_s, marks);
    e.set(u"qj77"_s, part(r, marks, 0, 0.3));
    e.set(u"qj79_1"_s, part(r, marks, 0, 0.1));
    const double copyrights
        = division >= 63 && division <= 65 ? double(r.between(1, 30)) : double(r.between(0, 2));
    e.set(u"qj85"_s, copyrights);
    e.set(u"qj85_1"_s, part(r, copyrights, 0, 0.5));
    if (division == 39 && r.chance(0.3)) {
        const double layouts = double(r.between(1, 5));
        e.set(u"qj86"_s, layouts);
        e.set(u"qj86_1"_s, part(r, layouts, 0, 0.5));
    }
    if (division <= 5 && r.chance(0.3)) {
        const double varieties = double(r.between(1, 4));
        e.set(u"qj87"_s, varieties);
        e.set(u"qj87_1"_s, part(r, varieties, 0, 0.5));
    }
    if (r.chance(0.01)) e.set(u"qj98"_s, 1.0);
    if (r.chance(0.05)) e.set(u"qi27"_s, double(r.between(1, 3)));
    if (r.chance(0.01)) e.set(u"qi28_1"_s, 1.0);
    e.set(u"qj58"_s, part(r, income, 0, 0.02));
    if (r.chance(0.05)) {
        const double imported = part(r, income, 0, 0.01);
        e.set(u"qj59"_s, imported);
        e.set(u"qj61"_s, part(r, imported, 0, 0.5));
    }
    if (r.chance(0.1)) e.set(u"qj62"_s, part(r, income, 0, 0.01));
    if (r.chance(0.2)) e.set(u"qj80"_s, part(r, income, 0, 0.05));
    // Ways the enterprise obtained its intellectual property, one code per box.
    if (valid > 0 || copyrights > 0) {
        QStringList ways = { u"1"_s };
        if (r.chance(0.2)) ways << u"2"_s;
        if (r.chance(0.05)) ways << u"4"_s;
        if (r.chance(0.05)) ways << u"5"_s;
        for (qsizetype i = 0; i < ways.size(); ++i)
            e.set(u"qj88_%1"_s.arg(i + 1), ways[i]);
    }
}

void Generator::make(const QString& number, const DemoData::Mistake* mistake, ScratchRows& enterprises,
    ScratchRows& products, ScratchRows& projects, DemoData::Result& result)
{
    Random& r = m_random;
    Row& e = m_enterprise;
    e.reset();

    const Province& province = *m_provinces[r.weighted(m_provinceWeights)];
    const QList<County>& counties = countiesByProvince()[QString::fromUtf16(province.code)];
    const County& county = counties[qsizetype(r.between(0, counties.size() - 1))];
    const IndustryClass& industry = *m_industries[r.weighted(m_industryWeights)];
    const Trade& trade = tradeOf(industry.division);
    const bool industrial = isIndustrial(industry.division);
    const QString registration = m_registrations[r.weighted(m_registrationWeights)];
    const int productCount = int(r.between(m_options.products.min, m_options.products.max));
    const int projectCount = int(r.between(m_options.projects.min, m_options.projects.max));

    // Cover page.
    const QString code = uniqueCode();
    const QString name = uniqueName(county, trade, registration);
    const QString domain = word(r, 4, 8);
    const QString area = QString::fromUtf16(province.area);
    e.set(u"id"_s, number);
    e.set(u"qa01"_s, number);
    e.set(u"qa18"_s, r.chance(0.4) ? u"1"_s : u"2"_s);
    e.set(u"qa03"_s, code);
    e.set(u"qa19"_s, county.code);
    e.set(u"qa04"_s, name);
    const QString address = county.address + r.pick(roads) + QString::number(r.between(1, 999)) + u"号"_s;
    e.set(u"qa05"_s, address);
    e.set(u"qa06"_s, QString::fromUtf16(province.postal) + digits(r, 4));
    e.set(u"qa07"_s,
        r.chance(0.85) ? address
                       : county.address + r.pick(roads) + QString::number(r.between(1, 999)) + u"号"_s);
    e.set(u"qa13"_s, word(r, 2, 6) + u'@' + domain + (r.chance(0.5) ? u".com.cn"_s : u".com"_s));
    e.set(u"qa10"_s, area + u'-' + digits(r, 8));
    e.set(u"qa08"_s, personName(r));
    e.set(u"qa11"_s, personName(r));
    e.set(u"qa09"_s, area + u'-' + digits(r, 8));
    e.set(u"qa12"_s, QDate(2013, 1, 5).addDays(r.between(0, 85)));
    e.set(u"qa14"_s, u"www."_s + domain + u".com"_s);
    e.set(u"qa17"_s, u"1"_s + QString::number(r.between(3, 8)) + digits(r, 9));

    // General page.
    static const QStringList affiliations
        = { u"90"_s, u"50"_s, u"40"_s, u"20"_s, u"10"_s, u"61"_s, u"62"_s, u"71"_s };
    e.set(u"qb101"_s, affiliations[r.weighted({ 60, 10, 10, 8, 4, 3, 2, 3 })]);
    e.set(u"qb101_1"_s, r.chance(0.15) ? u"1"_s : u"2"_s);
    e.set(u"qb02"_s, industry.name);
    e.set(u"qb03"_s, industry.code);
    const qint64 founded = std::clamp<qint64>(2012 - qint64(std::fabs(r.normal()) * 7), 1980, 2012);
    e.set(u"qb04"_s, year(founded));
    e.set(u"qb06"_s, registration);
    const QChar kind = registration[0];
    QString control;
    if (registration == u"110"_s || registration == u"151"_s || registration == u"141"_s)
        control = u"1"_s;
    else if (registration == u"120"_s || registration == u"142"_s)
        control = u"2"_s;
    else if (registration.startsWith(u"17"_s) || registration == u"130"_s)
        control = u"3"_s;
    else if (kind == u'2')
        control = u"4"_s;
    else if (kind == u'3')
        control = u"5"_s;
    else
        control = QString::number(QList<int> { 1, 3, 6 }[r.weighted({ 20, 70, 10 })]);
    e.set(u"qb18"_s, control);
    if (r.chance(0.9)) {
        e.set(u"qb07"_s, u"1"_s);
        e.set(u"qb08"_s, year(r.between(std::max<qint64>(founded, 1991), 2012)));
    } else {
        e.set(u"qb07"_s, u"2"_s);
    }
    const double group = r.uniform();
    if (group < 0.15) {
        e.set(u"qb09"_s, u"2"_s);
        e.set(u"qb10"_s, uniqueCode());
    } else if (group < 0.2) {
        e.set(u"qb09"_s, u"1"_s);
    }
    if (r.chance(0.55)) {
        const bool review = r.chance(0.4);
        const qint64 since = r.between(std::max<qint64>(founded, 2008), 2012);
        e.set(u"qb11"_s, u"1"_s);
        e.set(u"qb19"_s, review ? u"2"_s : u"1"_s);
        e.set(u"qb12"_s, year(since));
        e.set(u"qb13"_s, (review ? u"GF"_s : u"GR"_s) + year(since) + county.province + digits(r, 6));
    } else {
        e.set(u"qb11"_s, u"2"_s);
    }
    const double incubator = r.uniform();
    if (incubator < 0.08) {
        e.set(u"qb14"_s, u"1"_s);
        e.set(u"qb14_1"_s, year(r.between(std::max<qint64>(founded, 2005), 2012)));
    } else if (incubator < 0.13 && founded <= 2010) {
        const qint64 in = r.between(founded, 2010);
        e.set(u"qb14"_s, u"2"_s);
        e.set(u"qb14_1"_s, year(in));
        e.set(u"qb14_2"_s, year(r.between(in, 2012)));
    }
    if (r.chance(0.04)) {
        static const QStringList markets
            = { u"1"_s, u"2"_s, u"10"_s, u"12"_s, u"11"_s, u"4"_s, u"5"_s, u"6"_s };
        const QString market = markets[r.weighted({ 15, 20, 20, 25, 10, 5, 3, 2 })];
        QString stock;
        if (market == u"1"_s)
            stock = u"000"_s + digits(r, 3);
        else if (market == u"2"_s)
            stock = u"600"_s + digits(r, 3);
        else if (market == u"10"_s)
            stock = u"300"_s + digits(r, 3);
        else if (market == u"12"_s)
            stock = u"002"_s + digits(r, 3);
        else if (market == u"11"_s)
            stock = u"43"_s + digits(r, 4);
        else if (market == u"4"_s)
            stock = u"0"_s + digits(r, 4);
        else
            stock = word(r, 3, 4).toUpper();
        e.set(u"qb15"_s, market);
        e.set(u"qb15_1"_s, stock);
        e.set(u"qb15_2"_s, year(r.between(std::max<qint64>(founded, 2000), 2012)));
    }

    // Staff first: the money follows the head count.
    const double employees = std::clamp(std::round(r.logNormal(60, 1.2)), 3.0, 30000.0);
    e.set(u"qd01"_s, employees);
    e.set(u"qd05"_s, std::max(1.0, std::round(employees * r.uniform(0.85, 1.05))));
    economy(industry.division, industrial, productCount);
    people();
    QList<double> projectSpending;
    QList<double> projectPeople;
    science(industry.division, projectCount, projectSpending, projectPeople);
    e.set(u"qa_one"_s, 1.0);

    // Products share out part of the product sales.
    const double productSales = e.number(u"qc07"_s);
    QList<double> sales;
    if (productCount > 0) {
        const double budget = std::max(double(productCount), part(r, productSales, 0.4, 0.95));
        sales = split(r, budget - productCount, productCount);
        for (double& s : sales)
            s += 1;
    }
    // Output follows sales closely; the margin keeps the products within the enterprise's
    // industrial output, which is at least its product sales.
    const bool exports = e.number(u"qc11"_s) > 0;
    QList<double> outputs;
    QList<double> earnings;
    for (double s : sales) {
        outputs.append(industrial ? std::floor(s * r.uniform(0.95, 1.05)) : 0.0);
        earnings.append(exports ? part(r, s, 0, 0.5) : 0.0);
    }

    DemoData::Mistake planted = mistake ? *mistake : DemoData::Mistake::PartAboveTotal;
    if (mistake && planted == DemoData::Mistake::ProductsAboveEnterprise && productCount == 0)
        planted = DemoData::Mistake::PartAboveTotal;
    if (mistake && planted == DemoData::Mistake::ProjectsAboveEnterprise && projectCount == 0)
        planted = DemoData::Mistake::PartAboveTotal;
    if (mistake) {
        DemoData::PlantedMistake m { number, planted, u"kfq1_chk.db"_s, QString() };
        switch (planted) {
        case DemoData::Mistake::PartAboveTotal: {
            switch (r.between(0, 5)) {
            case 0:
                e.set(u"qc55"_s, e.number(u"qc05"_s) + double(r.between(1, 500)));
                m.field = u"qc55"_s;
                break;
            case 1:
                e.set(u"qc09"_s, e.number(u"qc07"_s) + double(r.between(1, 500)));
                m.field = u"qc09"_s;
                break;
            case 2:
                e.set(u"qd06"_s, e.number(u"qd18"_s) - e.number(u"qd07"_s) + double(r.between(1, 5)));
                m.field = u"qd18"_s;
                break;
            case 3:
                e.set(u"qj251"_s, e.number(u"qj250"_s) + double(r.between(1, 100)));
                m.field = u"qj251"_s;
                break;
            case 4:
                e.set(u"qc32"_s, e.number(u"qc31"_s) + double(r.between(1, 1000)));
                m.field = u"qc32"_s;
                break;
            default:
                e.set(u"qj56"_s, e.number(u"qj55"_s) + double(r.between(1, 3)));
                m.field = u"qj56"_s;
                break;
            }
            break;
        }
        case DemoData::Mistake::CodeOutsideList: {
            static const QList<std::pair<QString, QString>> codes = {
                { u"qb101"_s, u"30"_s },
                { u"qd19"_s, u"3"_s },
                { u"qd22"_s, u"5"_s },
                { u"qb18"_s, u"7"_s },
                { u"qb04_1"_s, u"3"_s },
            };
            const auto& [field, value] = r.pick(codes);
            e.set(field, value);
            m.field = field;
            break;
        }
        case DemoData::Mistake::MissingName:
            e.set(u"qa04"_s, QVariant());
            m.field = u"qa04"_s;
            break;
        case DemoData::Mistake::WrongFormat:
            e.set(u"qa06"_s, e.text(u"qa06"_s).left(5));
            m.field = u"qa06"_s;
            break;
        case DemoData::Mistake::ProductsAboveEnterprise: {
            double total = 0;
            for (double s : sales)
                total += s;
            sales[qsizetype(r.between(0, sales.size() - 1))]
                += productSales - total + double(r.between(1, 1 + qint64(productSales / 5)));
            m.ruleTable = u"kfq12_chk.db"_s;
            m.field = u"qe15"_s;
            break;
        }
        case DemoData::Mistake::ProjectsAboveEnterprise: {
            double total = 0;
            for (double s : projectSpending)
                total += s;
            const double all = e.number(u"qj53"_s);
            projectSpending[qsizetype(r.between(0, projectSpending.size() - 1))]
                += all - total + double(r.between(1, 1 + qint64(all / 5)));
            m.ruleTable = u"kfq15_chk.db"_s;
            m.field = u"qh51"_s;
            break;
        }
        }
        result.mistakes.append(m);
    }
    enterprises.add(e.values());
    ++result.enterprises;

    const qint64 firstYear = std::max<qint64>(founded, 1995);
    QStringList names;
    for (int i = 0; i < productCount; ++i) {
        Row& p = m_product;
        p.reset();
        const QString seq = QString::number(i + 1);
        QString productName;
        do {
            productName = (r.chance(0.5) ? r.pick(adjectives) : QString()) + r.pick(trade.products);
        } while (names.contains(productName) && names.size() < 30);
        names << productName;
        p.set(u"id"_s, number + u'_' + seq);
        p.set(u"qa01"_s, number);
        p.set(u"qe01"_s, seq);
        p.set(u"qe02"_s, productName);
        p.set(u"qe11"_s, QString::number(r.between(firstYear, 2012) % 100).rightJustified(2, u'0'));
        p.set(u"qe14"_s, outputs[i]);
        p.set(u"qe15"_s, sales[i]);
        p.set(u"qe16"_s, earnings[i]);
        p.set(u"qe_one"_s, 1.0);
        products.add(p.values());
        ++result.products;
    }

    for (int i = 0; i < projectCount; ++i) {
        Row& p = m_project;
        p.reset();
        const QString seq = QString::number(i + 1);
        const QString subject = r.pick(trade.products);
        QString title;
        switch (r.between(0, 4)) {
        case 0:
            title = subject + u"关键技术研究"_s;
            break;
        case 1:
            title = subject + u"研发及产业化"_s;
            break;
        case 2:
            title = u"新一代"_s + subject + u"开发"_s;
            break;
        case 3:
            title = subject + u"工艺改进"_s;
            break;
        default:
            title = u"基于"_s + r.pick(technologies) + u"的"_s + subject + u"研制"_s;
            break;
        }
        if (store::gbkLength(title) > 40) title = subject + u"研发"_s;
        const qint64 start = r.between(2009, 2012) * 100 + r.between(1, 12);
        const qint64 from = std::max<qint64>(start, 201201);
        qint64 end = r.between(from / 100, 2015) * 100 + r.between(1, 12);
        if (end < from) end = from;
        const double people = projectPeople[i];
        p.set(u"id"_s, number + u'_' + seq);
        p.set(u"qa01"_s, number);
        p.set(u"qh00"_s, seq);
        p.set(u"xmmc"_s, title);
        p.set(u"qh34"_s, QString::number(start));
        p.set(u"qh35"_s, QString::number(end));
        p.set(u"qh44"_s, people);
        p.set(u"qh40"_s, std::round(people * r.uniform(1, 12)));
        p.set(u"qh51"_s, projectSpending[i]);
        p.set(u"qh_one"_s, 1.0);
        projects.add(p.values());
        ++result.projects;
    }
}

} // namespace

DemoData::DemoData(Options options)
    : m_options(options)
{
}

QString DemoData::mistakeText(Mistake kind)
{
    switch (kind) {
    case Mistake::PartAboveTotal:
        return u"其中项大于合计"_s;
    case Mistake::CodeOutsideList:
        return u"代码不在代码表中"_s;
    case Mistake::MissingName:
        return u"缺少企业名称"_s;
    case Mistake::WrongFormat:
        return u"邮政编码格式错误"_s;
    case Mistake::ProductsAboveEnterprise:
        return u"产品销售收入合计大于企业产品销售收入"_s;
    case Mistake::ProjectsAboveEnterprise:
        return u"项目经费合计大于全部科技项目经费"_s;
    }
    return {};
}

DemoData::Result DemoData::run()
{
    if (m_options.enterprises < 0 || m_options.products.min < 0
        || m_options.products.max < m_options.products.min || m_options.projects.min < 0
        || m_options.projects.max < m_options.projects.min || m_options.products.max > 9999
        || m_options.projects.max > 9999 || m_options.mistakePercent < 0 || m_options.mistakePercent > 100)
        throw store::StoreError(u"演示数据的参数不合理"_s);
    for (const QString& name : { enterpriseTable, productTable, projectTable })
        if (!QFileInfo::exists(store::resolveTablePath(name))) {
            WorkDirSetup().run();
            break;
        }

    const int first
        = std::max({ largestNumber(enterpriseTable, u"qa01"_s, 6), largestNumber(productTable, u"qa01"_s, 6),
              largestNumber(projectTable, u"qa01"_s, 6) })
        + 1;
    if (qint64(first) + m_options.enterprises - 1 > 999999)
        throw store::StoreError(u"六位报表编号不够 %1 个企业使用"_s.arg(m_options.enterprises));

    store::Table enterprises;
    enterprises.setTableName(enterpriseTable);
    store::Table products;
    products.setTableName(productTable);
    store::Table projects;
    projects.setTableName(projectTable);
    Generator generator(m_options, schemaOf(enterprises), schemaOf(products), schemaOf(projects));
    {
        store::Query existing;
        existing.setSql(u"select qa03,qa04 from \"kfq_1.db\""_s);
        existing.open();
        for (existing.first(); !existing.eof(); existing.next())
            generator.avoid(existing.value(0).toString(), existing.value(1).toString());
        existing.close();
    }

    const int n = m_options.enterprises;
    const std::vector<int> kindOf = plantMistakes(n, m_options.mistakePercent, 6, m_options.seed);

    Result result;
    ScratchRows enterpriseRows(enterprises.schema());
    ScratchRows productRows(products.schema());
    ScratchRows projectRows(projects.schema());
    for (int start = 0; start < n; start += chunkSize) {
        const int end = std::min(n, start + chunkSize);
        enterpriseRows.begin();
        productRows.begin();
        projectRows.begin();
        for (int i = start; i < end; ++i) {
            const QString number = QString::number(first + i).rightJustified(6, u'0');
            const Mistake kind = Mistake(std::max(0, kindOf[size_t(i)]));
            generator.make(number, kindOf[size_t(i)] >= 0 ? &kind : nullptr, enterpriseRows, productRows,
                projectRows, result);
        }
        enterpriseRows.commit();
        productRows.commit();
        projectRows.commit();
        enterprises.batchAppend(enterpriseRows);
        products.batchAppend(productRows);
        projects.batchAppend(projectRows);
        enterpriseRows.clearRows();
        productRows.clearRows();
        projectRows.clearRows();
    }
    enterprises.close();
    products.close();
    projects.close();
    if (n > 0) {
        result.firstNumber = QString::number(first).rightJustified(6, u'0');
        result.lastNumber = QString::number(first + n - 1).rightJustified(6, u'0');
    }
    return result;
}
