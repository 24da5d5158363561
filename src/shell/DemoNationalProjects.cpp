#include "DemoNationalProjects.h"

#include "DemoSupport.h"

#include "store/StoreError.h"
#include "store/Table.h"
#include "store/TablePath.h"

#include <QDate>
#include <QFileInfo>

#include <cmath>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

const QString listFile = u"gjxm_s.dbf"_s;
const QString tableFile = u"gjxm.db"_s;

struct Region
{
    const char16_t* division; // 行政区划代码 of a county-level district
    const char16_t* city;
    const char16_t* post;
};
const Region regions[] = {
    { u"320102", u"南京", u"210018" },
    { u"320505", u"苏州", u"215011" },
    { u"320211", u"无锡", u"214028" },
    { u"320411", u"常州", u"213022" },
    { u"321012", u"扬州", u"225009" },
    { u"320602", u"南通", u"226001" },
};

const char16_t* const topics[] = {
    u"高性能锂离子动力电池产业化",
    u"新型抗肿瘤靶向药物研制",
    u"工业机器人伺服控制系统",
    u"大尺寸蓝宝石衬底材料",
    u"农作物病虫害生物防治制剂",
    u"智能电网配电终端",
    u"高速光纤通信模块",
    u"城市污水深度处理成套装备",
    u"北斗导航高精度定位终端",
    u"稀土永磁电机节能改造",
    u"医用可降解心血管支架",
    u"云计算数据中心节能系统",
    u"碳纤维复合材料构件",
    u"物联网冷链监测平台",
    u"高效晶硅太阳能电池",
    u"重大疾病快速诊断试剂",
};
const char16_t* const firms[] = { u"科技股份有限公司", u"高新技术有限公司", u"电子有限公司",
    u"生物医药有限公司", u"新材料研究院", u"大学" };
const char16_t* const plans[] = { u"国家科技支撑计划", u"863计划", u"国家火炬计划",
    u"科技型中小企业技术创新基金", u"国家重点新产品计划" };
const char16_t* const programmes[] = { u"13", u"14", u"17", u"19", u"21" };
const char16_t* const fields[] = { u"102", u"105", u"202", u"303", u"404", u"501", u"603" };
const char16_t* const natures[] = { u"BB", u"BD", u"BE", u"AB", u"AA" };

// The demo's random source with the draws these rows need.
class Draw
{
public:
    explicit Draw(quint64 seed)
        : m_rng(seed)
    {
    }
    int below(int n) { return int(m_rng.between(0, n - 1)); }
    int between(int lo, int hi) { return int(m_rng.between(lo, hi)); }
    bool chance(double percent) { return m_rng.chance(percent / 100); }
    template <typename T, size_t N> QString pick(T (&list)[N])
    {
        return QString::fromUtf16(list[below(int(N))]);
    }
    demo::Random& random() { return m_rng; }

private:
    demo::Random m_rng;
};

QString person(Draw& d)
{
    return demo::personName(d.random());
}

// The projects the list names, numbered as the national office numbers them.
struct Listed
{
    QString jb00, jb01, jb02, jbmc, jb21, jb16, jb57;
    double jc100 = 0;
};

Listed listed(Draw& d, int i, const QString& prefix)
{
    Listed p;
    const Region& r = regions[size_t(i) % std::size(regions)];
    p.jb00 = prefix + u"%1"_s.arg(i + 1, 9 - int(prefix.size()), 10, QLatin1Char('0'));
    // Names are unique in the table: the number's tail keeps them apart.
    p.jb01 = QString::fromUtf16(r.city) + QString::fromUtf16(topics[size_t(i) % std::size(topics)])
        + u"（%1）"_s.arg(i + 1);
    p.jb02 = u"2011%1%2"_s.arg(QChar(u'A' + d.below(3))).arg(100000 + i, 6, 10, QLatin1Char('0'));
    p.jbmc = d.pick(plans);
    p.jb21 = QString::fromUtf16(r.city) + d.pick(firms);
    p.jb16 = QString::fromUtf16(r.division);
    p.jb57 = d.pick(programmes);
    p.jc100 = 10.0 * d.between(20, 500);
    return p;
}

store::TableSchema listSchema()
{
    store::Table t;
    t.setTableName(tableFile);
    t.open();
    store::TableSchema s;
    for (store::FieldDef f : t.fieldDefs()) {
        if (f.type == store::FieldType::Float) f.decimals = 2;
        s.fields.append(f);
    }
    t.close();
    return s;
}

void setListed(store::Dataset& t, const Listed& p)
{
    t.fieldByName(u"JB00"_s).setValue(p.jb00);
    t.fieldByName(u"JB01"_s).setValue(p.jb01);
    t.fieldByName(u"JB02"_s).setValue(p.jb02);
    t.fieldByName(u"JBMC"_s).setValue(p.jbmc);
    t.fieldByName(u"JB21"_s).setValue(p.jb21);
    t.fieldByName(u"JB16"_s).setValue(p.jb16);
    t.fieldByName(u"JB57"_s).setValue(p.jb57);
    t.fieldByName(u"JC100"_s).setValue(p.jc100);
}

// Everything a careful office keys in; every part within its total, funds adding up.
void fillEntered(store::Dataset& t, Draw& d, const Listed& p, int i)
{
    const Region& r = regions[size_t(i) % std::size(regions)];
    auto set
        = [&t](const char16_t* f, const QVariant& v) { t.fieldByName(QString::fromUtf16(f)).setValue(v); };
    set(u"JBFZR", person(d));
    set(u"JBTBR", person(d));
    set(u"JBDH", u"025-8%1"_s.arg(d.between(1000000, 9999999)));
    set(u"JBSJ", QDate(2013, 1, 1).addDays(d.below(80)));
    set(u"JB10", u"%1"_s.arg(d.between(10, 99)));
    set(u"JB11", u"%1"_s.arg(d.between(1, 3)));
    set(u"JB14", u"39%1"_s.arg(d.between(1, 9)));
    set(u"JB15", u"%1"_s.arg(d.between(1, 4)));
    set(u"JB18", u"1"_s);
    set(u"JB23", QString::fromUtf16(r.city) + u"市高新区创新路%1号"_s.arg(d.between(1, 300)));
    set(u"JB24", QString::fromUtf16(r.post));
    set(u"JB25", u"025-8%1"_s.arg(d.between(1000000, 9999999)));
    set(u"JB26", u"%1-%2"_s.arg(d.between(10000000, 99999999)).arg(d.below(10)));
    set(u"JB27", d.pick(natures));
    set(u"JB29", QString::fromUtf16(r.city) + u"市科学技术局"_s);
    set(u"Jb30", u"320"_s);
    set(u"JB41_1", QString::fromUtf16(regions[size_t(i + 1) % std::size(regions)].city) + d.pick(firms));
    set(u"JB42_1", QString::fromUtf16(regions[size_t(i + 1) % std::size(regions)].division));
    set(u"JB40_1", d.pick(natures));
    set(u"JB43_1", person(d));
    set(u"JB44_1", u"%1"_s.arg(d.between(1, 2)));
    set(u"JB45_1", u"%1"_s.arg(d.between(1955, 1980)));
    set(u"JB46_1", u"%1"_s.arg(d.between(1, 3)));
    set(u"JB47_1", u"%1"_s.arg(d.between(1, 3)));
    set(u"JB48_1", u"%1"_s.arg(d.between(1, 3)));
    set(u"JB56", u"32"_s);
    set(u"JB58", d.pick(fields));
    set(u"JB72", u"0"_s);
    set(u"JB73", u"%1"_s.arg(d.between(1, 7)));

    const double total = p.jc100;
    const double gov = std::floor(total * 0.3), loan = std::floor(total * 0.2),
                 other = std::floor(total * 0.1);
    set(u"JC110", gov);
    set(u"JC111", std::floor(gov * 0.5));
    set(u"JC130", loan);
    set(u"JC150", total - gov - loan - other);
    set(u"Jc151", total - gov - loan - other);
    set(u"JC160", other);
    set(u"JC200", total * d.between(3, 8));

    const bool late = d.chance(15);
    set(u"JD01", late ? u"3"_s : u"%1"_s.arg(d.between(1, 2)));
    if (late) set(u"JD02", u"%1"_s.arg(d.between(1, 9)));
    const bool accepted = d.chance(40);
    set(u"JD03", accepted ? u"1"_s : u"2"_s);
    set(u"JD04",
        accepted ? QDate(2012, 3, 1).addDays(d.below(270)) : QDate(2013, 6, 30).addDays(d.below(365)));
    set(u"JD09", u"%1"_s.arg(d.between(1, 5)));
    const int people = d.between(6, 40);
    set(u"JL00", people);
    set(u"JL01", people / 4);
    set(u"JL02", people / 3);

    const double placed = std::floor(total * d.between(50, 100) / 100.0);
    const double pGov = std::floor(placed * 0.3), pLoan = std::floor(placed * 0.2),
                 pOther = std::floor(placed * 0.1);
    set(u"JF100_2", placed);
    set(u"JF110_2", pGov);
    set(u"JF111_2", std::floor(pGov * 0.5));
    set(u"JF130_2", pLoan);
    set(u"JF150_2", placed - pGov - pLoan - pOther);
    set(u"Jf151_2", placed - pGov - pLoan - pOther);
    set(u"JF160_2", pOther);
    const double spent = std::floor(placed * 0.9);
    set(u"JF200_2", spent);
    set(u"JF210_2", std::floor(spent * 0.4));
    set(u"JF300_2", std::floor(pLoan * 0.5));

    const double sales = 10.0 * d.between(0, 3000);
    set(u"JG10_2", sales * 1.1);
    set(u"JG20_2", sales);
    set(u"JG21_2", std::floor(sales * 0.1));
    set(u"JG30_2", std::floor(sales * 0.08));
    set(u"JG40_2", std::floor(sales * 0.05));
    set(u"JG50_2", std::floor(sales * 0.01));
    const int applied = d.between(0, 12);
    set(u"JG900", applied);
    set(u"JG910", applied / 2);
    set(u"JG920", applied / 6);
    set(u"JG90_2", applied / 2);
    set(u"JG91_2", applied / 4);
    set(u"JG92_2", 0);
}

void plant(store::Dataset& t, DemoNationalProjects::Mistake kind)
{
    using M = DemoNationalProjects::Mistake;
    auto field = [&t](const char16_t* f) { return t.fieldByName(QString::fromUtf16(f)); };
    switch (kind) {
    case M::PartAboveTotal:
        field(u"JG21_2").setValue(field(u"JG20_2").asFloat() + 120);
        break;
    case M::FundsDontAddUp:
        field(u"JF160_2").setValue(field(u"JF160_2").asFloat() + 50);
        break;
    case M::CodeOutsideList:
        field(u"JD01").setValue(u"6"_s);
        field(u"JD02").clear();
        break;
    case M::DateOutsideYear:
        field(u"JBSJ").setValue(QDate(2011, 12, 28));
        break;
    case M::DelayWithoutReason:
        field(u"JD01").setValue(u"4"_s);
        field(u"JD02").clear();
        break;
    }
}

QString ruleField(DemoNationalProjects::Mistake kind)
{
    using M = DemoNationalProjects::Mistake;
    switch (kind) {
    case M::PartAboveTotal:
        return u"jg21_2"_s;
    case M::FundsDontAddUp:
        return u"jf100_2"_s;
    case M::CodeOutsideList:
        return u"jd01"_s;
    case M::DateOutsideYear:
        return u"jbsj"_s;
    case M::DelayWithoutReason:
        return u"jd02"_s;
    }
    return {};
}

void zeroNumbers(store::Dataset& t)
{
    for (int f = 0; f < t.fieldCount(); ++f)
        if (store::isNumeric(t.fieldDefs()[f].type) && t.value(f).isNull()) t.setValue(f, 0);
}

} // namespace

DemoNationalProjects::DemoNationalProjects(Options options)
    : m_options(options)
{
}

QString DemoNationalProjects::mistakeText(Mistake kind)
{
    switch (kind) {
    case Mistake::PartAboveTotal:
        return u"出口创汇额大于产品销售收入"_s;
    case Mistake::FundsDontAddUp:
        return u"到位资金各项之和不等于合计"_s;
    case Mistake::CodeOutsideList:
        return u"项目进展情况代码不在代码表中"_s;
    case Mistake::DateOutsideYear:
        return u"填报时间不在统计年度"_s;
    case Mistake::DelayWithoutReason:
        return u"项目停顿而未填原因"_s;
    }
    return {};
}

void DemoNationalProjects::writeIssuedList(const QString& path, int projects, quint64 seed)
{
    store::Table::createTable(path, listSchema(), store::TableType::Dbase);
    store::Table list;
    list.setTableName(path);
    list.setTableType(store::TableType::Dbase);
    list.open();
    Draw d(seed);
    list.beginWriteGroup(qMax(1, projects));
    try {
        for (int i = 0; i < projects; ++i) {
            list.append();
            setListed(list, listed(d, i, u"3201"_s));
            list.post();
        }
    } catch (...) {
        list.endWriteGroup();
        throw;
    }
    list.endWriteGroup();
    list.close();
}

DemoNationalProjects::Result DemoNationalProjects::run()
{
    Result result;
    const Options& o = m_options;
    if (!QFileInfo::exists(store::resolveFilePath(listFile))) {
        writeIssuedList(listFile, o.listed, o.seed);
        result.listed = o.listed;
    }

    store::Table t;
    t.setTableName(tableFile);
    t.open();
    if (!t.isEmpty()) return result;

    store::Table list;
    list.setTableName(listFile);
    list.setTableType(store::TableType::Dbase);
    list.open();
    Draw d(o.seed + 1);
    QList<Mistake> kinds = { Mistake::PartAboveTotal, Mistake::FundsDontAddUp, Mistake::CodeOutsideList,
        Mistake::DateOutsideYear, Mistake::DelayWithoutReason };
    int planted = 0;
    auto maybePlant = [&](const QString& number) {
        if (!d.chance(o.mistakePercent)) return;
        const Mistake kind = kinds[planted++ % kinds.size()];
        plant(t, kind);
        result.mistakes.append({ number, kind, ruleField(kind) });
    };

    t.beginWriteGroup(list.recordCount() + o.added);
    try {
        int i = 0;
        for (list.first(); !list.eof(); list.next(), ++i) {
            t.append();
            for (int f = 0; f < list.fieldCount(); ++f) {
                const int to = t.fieldIndex(list.fieldDefs()[f].name);
                if (to >= 0) t.setValue(to, list.value(f));
            }
            const QString number = t.fieldByName(u"JB00"_s).asString();
            Listed p;
            p.jc100 = t.fieldByName(u"JC100"_s).asFloat();
            if (d.chance(o.enteredPercent)) {
                fillEntered(t, d, p, i);
                t.fieldByName(u"IS_CHGE"_s).setValue(u"1"_s);
                maybePlant(number);
                ++result.entered;
            }
            zeroNumbers(t);
            t.fieldByName(u"Id"_s).setValue(number);
            t.fieldByName(u"GJ_ONE"_s).setValue(1);
            t.post();
            ++result.loaded;
        }
        for (int a = 0; a < o.added; ++a) {
            const Listed p = listed(d, 90000 + a, u"3209"_s);
            t.append();
            setListed(t, p);
            fillEntered(t, d, p, a);
            t.fieldByName(u"IS_CHGE"_s).setValue(u"2"_s);
            maybePlant(p.jb00);
            zeroNumbers(t);
            t.fieldByName(u"Id"_s).setValue(p.jb00);
            t.fieldByName(u"GJ_ONE"_s).setValue(1);
            t.post();
            ++result.added;
        }
    } catch (...) {
        t.endWriteGroup();
        throw;
    }
    t.endWriteGroup();
    t.close();
    list.close();
    std::sort(result.mistakes.begin(), result.mistakes.end(),
        [](const PlantedMistake& a, const PlantedMistake& b) { return a.number < b.number; });
    return result;
}
