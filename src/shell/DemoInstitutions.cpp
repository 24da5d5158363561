#include "DemoInstitutions.h"

#include "DemoSupport.h"
#include "WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"
#include "store/TablePath.h"

#include <QDate>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

using namespace demo;
using Kind = DemoInstitutions::Kind;
using Mistake = DemoInstitutions::Mistake;

constexpr int chunkSize = 5000;

struct KindFacts
{
    const char16_t* table;
    const char16_t* ruleTable;
    const char16_t* key; // the number field
    const char16_t* nameField;
    int digits; // of the number
    int reportKind;
    const char16_t* text;
    quint64 salt; // each kind draws its own numbers, so one kind's count leaves the others be
    QList<Mistake> mistakes; // the ones its rules can tell
};

const KindFacts& facts(Kind kind)
{
    static const KindFacts all[] = {
        { u"tzjg.db", u"tzjg_chk.db", u"code", u"kz00", 4, 6, u"创业投资机构", 0x747A6A67ULL,
            { Mistake::PartAboveTotal, Mistake::PartsAboveTotal, Mistake::MissingName, Mistake::WrongFormat,
                Mistake::WrongUnit } },
        { u"tsjd.db", u"tsjd_chk.db", u"code", u"tdf911", 6, 10, u"特色产业基地", 0x74736A64ULL,
            { Mistake::PartAboveTotal, Mistake::PartsAboveTotal, Mistake::MissingName, Mistake::WrongFormat,
                Mistake::WrongUnit } },
        // The provincial return has no figure made of several parts.
        { u"sjgxq.db", u"sjgxq_chk.db", u"code", u"mc", 4, 11, u"省级高新区", 0x736A6778ULL,
            { Mistake::PartAboveTotal, Mistake::MissingName, Mistake::WrongFormat, Mistake::WrongUnit } },
    };
    return all[int(kind)];
}

const QStringList industries
    = u"软件 集成电路 新材料 生物医药 光电子 汽车电子 节能环保 新能源 数控装备 纳米技术 "
      "海洋生物 半导体照明 卫星导航 物联网 现代中药 精细化工 电力电子 仪器仪表 数字媒体 "
      "新型电池 轨道交通装备 航空装备 生物农业 稀土材料 光伏 风电装备 医疗器械 工程机械 "
      "智能电网 动漫"_s.split(u' ');

const QStringList zoneRemarks = { u"本年度扩区，新增面积已计入累计开发面积"_s, u"数据含托管园区"_s,
    u"部分企业数据为快报数"_s, u"上年数据已按统计口径调整"_s, u"园区管委会与所在镇合署办公"_s };

// A county's name without its 市, 县, 区 or 旗, as zones and bases are named after it.
QString shortCounty(const QString& name)
{
    for (const QString& suffix : { u"自治县"_s, u"市"_s, u"县"_s, u"区"_s, u"旗"_s })
        if (name.endsWith(suffix) && name.size() > suffix.size() + 1) return name.chopped(suffix.size());
    return name;
}

// One return being made: the draws, the row and the names already given.
class Maker
{
public:
    Maker(Kind kind, quint64 seed, const store::TableSchema& schema)
        : m_kind(kind)
        , m_random(seed ^ facts(kind).salt)
        , m_row(schema)
    {
        for (const Province& p : provinces()) {
            if (!countiesByProvince().contains(QString::fromUtf16(p.code))) continue;
            m_provinces.append(&p);
            m_weights.append(p.weight);
        }
    }

    void avoid(const QString& name) { m_names.insert(name.toLower()); }

    // Makes one row; `mistake` plants one mistake and returns the field its rule names.
    const QVariantList& make(const QString& number, const Mistake* mistake, QString& field)
    {
        m_row.reset();
        m_province = m_provinces[m_random.weighted(m_weights)];
        const QList<County>& counties = countiesByProvince()[QString::fromUtf16(m_province->code)];
        m_county = &counties[qsizetype(m_random.between(0, counties.size() - 1))];
        switch (m_kind) {
        case Kind::VentureFunds:
            ventureFund(number);
            break;
        case Kind::IndustryBases:
            industryBase(number);
            break;
        case Kind::ProvincialZones:
            provincialZone(number);
            break;
        }
        if (mistake) field = plant(*mistake);
        return m_row.values();
    }

private:
    double n(const char* name) const { return m_row.number(QString::fromLatin1(name)); }
    void set(const char* name, double v) { m_row.set(QString::fromLatin1(name), v); }
    void set(const char* name, const QVariant& v) { m_row.set(QString::fromLatin1(name), v); }

    QString postalCode() { return QString::fromUtf16(m_province->postal) + digits(m_random, 4); }
    QString telephone() { return QString::fromUtf16(m_province->area) + u'-' + digits(m_random, 8); }
    QString address(int maxBytes)
    {
        Random& r = m_random;
        const QString rest = r.pick(roads) + QString::number(r.between(1, 999)) + u"号"_s;
        for (const QString& a : { m_county->address + rest, m_county->name + rest })
            if (store::gbkLength(a) <= maxBytes) return a;
        return rest;
    }
    // A name not given yet that fits `maxBytes`: `make` is asked again with a higher attempt
    // until one is free; late attempts are numbered (and cut to fit).
    template <typename Make> QString uniqueName(int maxBytes, Make make)
    {
        for (int attempt = 0;; ++attempt) {
            QString name = make(attempt);
            if (attempt >= 40) {
                const QString suffix = u"（%1）"_s.arg(attempt);
                while (store::gbkLength(name + suffix) > maxBytes)
                    name.chop(1);
                name += suffix;
            }
            if (store::gbkLength(name) <= maxBytes && !m_names.contains(name.toLower())) {
                m_names.insert(name.toLower());
                return name;
            }
        }
    }
    QString brand()
    {
        Random& r = m_random;
        const QString first = r.pick(nameSyllables);
        QString second;
        do {
            second = r.pick(nameSyllables);
        } while (second == first);
        return first + second;
    }

    void ventureFund(const QString& number);
    void industryBase(const QString& number);
    void provincialZone(const QString& number);
    QString plant(Mistake mistake);

    Kind m_kind;
    Random m_random;
    Row m_row;
    QList<const Province*> m_provinces;
    QList<double> m_weights;
    const Province* m_province = nullptr;
    const County* m_county = nullptr;
    QSet<QString> m_names;
};

// Amounts in ten thousands of yuan: a fund of some hundred million yuan that has made a few
// dozen investments of around ten million each since it was set up.
void Maker::ventureFund(const QString& number)
{
    Random& r = m_random;
    set("id", number);
    set("code", number);
    const QString place = m_county->place;
    set("kz00", uniqueName(60, [&](int attempt) {
        static const QStringList forms = { u"创业投资有限公司"_s, u"创业投资管理有限公司"_s,
            u"资本管理有限公司"_s, u"科技投资有限公司"_s, u"股权投资基金合伙企业（有限合伙）"_s };
        return place + brand() + (attempt >= 10 ? r.pick(nameSyllables) : QString())
            + forms[r.weighted({ 40, 20, 15, 15, 10 })];
    }));
    set("kz01", address(60));
    set("kz02", postalCode());
    set("kz04", telephone());
    if (r.chance(0.8)) set("kz05", telephone());
    if (r.chance(0.9)) set("kz06", personName(r));
    set("kz07", personName(r));
    set("kz08", personName(r));
    set("kz09", personName(r));
    const qint64 founded = std::clamp<qint64>(2012 - qint64(std::fabs(r.normal()) * 5), 1986, 2012);
    set("kz03", QDate(int(founded), 1, 1).addDays(r.between(0, 364)));

    const double capital = std::clamp(std::round(r.logNormal(10000, 0.9) / 100) * 100, 1000.0, 500000.0);
    const double managed = std::round(capital * r.uniform(1.0, 4.0) / 100) * 100;
    set("kz10", capital);
    set("kz11", managed);
    const double years = double(2013 - founded);
    const double projects = std::max(1.0, std::round(r.logNormal(6 + 2 * years, 0.6)));
    const double enterprises = std::max(1.0, projects - part(r, projects, 0, 0.2));
    set("kz13", projects);
    set("kz14", enterprises);
    set("kz15", part(r, enterprises, 0.4, 0.9));

    // This year's deals, each between a million and some tens of millions.
    const double deals = r.chance(0.15) ? 0.0 : double(r.between(1, std::min<qint64>(12, qint64(projects))));
    double total = 0, highest = 0, lowest = 0;
    for (int i = 0; i < int(deals); ++i) {
        const double amount = std::clamp(std::round(r.logNormal(1200, 0.7) / 10) * 10, 100.0, 20000.0);
        total += amount;
        highest = std::max(highest, amount);
        lowest = i == 0 ? amount : std::min(lowest, amount);
    }
    set("kz30", deals + std::round(deals * r.uniform(3, 12)) + double(r.between(0, 20)));
    set("kz31", deals);
    set("kz32", total);
    set("kz33", deals > 0 ? std::floor(total / deals) : 0.0);
    set("kz34", highest);
    set("kz35", lowest);
    set("kz36", std::min(enterprises, deals - part(r, deals, 0, 0.2)));
    set("kz12", total + std::round((projects - deals) * r.logNormal(1000, 0.4)));

    const double income = std::max(50.0, std::round(managed * r.uniform(0.01, 0.08)));
    const double taxes = std::max(1.0, part(r, income, 0.05, 0.25));
    set("kz16", income);
    set("kz17", taxes);
    set("kz18", std::max(1.0, part(r, taxes, 0.3, 0.8)));

    const double staff = std::clamp(std::round(r.logNormal(15, 0.6)), 3.0, 150.0);
    const double graduates = staff - part(r, staff, 0, 0.15);
    const double doctors = part(r, graduates, 0, 0.15);
    set("kz20", staff);
    set("kz23", graduates);
    set("kz21", doctors);
    set("kz22", part(r, graduates - doctors, 0.2, 0.6));
    set("kz24", part(r, staff, 0.5, 0.9));
    set("kz25", part(r, staff, 0.1, 0.5));
    set("kz26", std::round(r.uniform(31, 45) * 10) / 10);

    if (r.chance(0.25)) {
        set("kz40", u"1"_s);
        set("kz41", std::round(r.logNormal(3000, 0.7) / 100) * 100 + 100);
    } else {
        set("kz40", u"2"_s);
    }
    set("tzjg_one", 1.0);
}

// A base of a few hundred enterprises with some tens of thousands of staff; amounts in ten
// thousands of yuan, exports in ten thousands of US dollars.
void Maker::industryBase(const QString& number)
{
    Random& r = m_random;
    set("id", number);
    set("code", number);
    const QString industry = r.pick(industries);
    set("tdf911", uniqueName(60, [&](int attempt) {
        const QString place = attempt == 0 ? m_county->place : shortCounty(m_county->name);
        return u"国家Velto计划"_s + place + (attempt >= 10 ? r.pick(industries) : QString()) + industry
            + u"特色产业基地"_s;
    }));
    set("tdf912", QDate(2013, 1, 5).addDays(r.between(0, 85)));
    set("tdf913", address(60));
    set("tdf914", postalCode());
    set("tdf917", personName(r));
    set("tdf918", telephone());

    const double enterprises = std::clamp(std::round(r.logNormal(180, 0.7)), 30.0, 3000.0);
    const double highTech = part(r, enterprises, 0.1, 0.5);
    const double listed = part(r, enterprises, 0, 0.04);
    set("tdf9a00", enterprises);
    set("tdf9a01", highTech);
    set("tdf9a02", part(r, highTech, 0, 0.3));
    set("tdf9a03", std::min(enterprises, double(r.between(5, 40))));
    set("tdf9a04", listed);
    set("tdf9a09", part(r, enterprises - listed, 0, 0.015));
    set("tdf9a05_1", part(r, enterprises, 0, 0.03));
    set("tdf9a06", part(r, enterprises, 0.05, 0.3));
    set("tdf9a07", std::round(r.uniform(0.1, 1.5) * 100) / 100);
    set("tdf9a08", std::round(r.uniform(85, 100) * 10) / 10);

    const double staff = std::round(enterprises * r.logNormal(120, 0.5));
    const double college = part(r, staff, 0.25, 0.7);
    const double doctors = part(r, college, 0, 0.03);
    set("tdf9b21", double(r.between(5, 40)));
    set("tdf9b00", staff);
    set("tdf9b01", college);
    set("tdf9b02", doctors);
    set("tdf9b03", part(r, college - doctors, 0.05, 0.2));
    set("tdf9b05", part(r, staff, 0.2, 0.6));
    const double researchers = part(r, staff, 0.05, 0.2);
    set("tdf9b06", researchers);

    set("tdf9c00", double(r.between(0, 3)));
    set("tdf9c04", double(r.between(0, 2)));
    set("tdf9c01", double(r.between(1, 20)));
    set("tdf9c02", double(r.between(3, 40)));
    set("tdf9c03", double(r.between(0, 6)));
    set("tdf9c05", double(r.between(1, 12)));
    double bodies = double(r.between(10, 80));
    set("tdf9c06", bodies);
    for (const char* f : { "tdf9c07", "tdf9c08", "tdf9c09", "tdf9c10", "tdf9c11" }) {
        const double v = part(r, bodies, 0, 0.3);
        bodies -= v;
        set(f, v);
    }

    const double output = std::round(staff * r.uniform(40, 150));
    const double income = std::round(output * r.uniform(0.9, 1.2));
    const double products = part(r, income, 0.7, 0.9);
    const double technical = part(r, income - products, 0, 0.5);
    set("tdf9d00", output);
    set("tdf9d09", part(r, output, 0.3, 0.7));
    set("tdf9d01", income);
    set("tdf9d02", products);
    set("tdf9d03", technical);
    set("tdf9d04", part(r, income - products - technical, 0, 0.8));
    if (r.chance(0.4)) set("tdf9d05", std::floor(income * r.uniform(0.02, 0.3) / 6.3));
    set("tdf9d07", part(r, income, 0.03, 0.08));
    set("tdf9d08", std::round(income * r.uniform(-0.02, 0.1)));
    set("tdf9d10", std::round(r.uniform(3, 40) * 10) / 10);
    set("tdf9d11", std::round(r.uniform(40, 95) * 10) / 10);

    const double funds = part(r, income, 0.02, 0.12);
    set("tdf9e00", funds);
    set("tdf9e05", part(r, funds, 0.02, 0.3));
    set("tdf9e06", part(r, income, 0.01, 0.05));

    set("tdf9h11", double(r.between(0, 3)));
    set("tdf9h01", double(r.between(0, 8)));
    set("tdf9h02", double(r.between(0, 10)));
    set("tdf9h03", double(r.between(0, 15)));
    set("tdf9h05", double(r.between(0, 30)));
    set("tdf9h07", double(r.between(0, 10)));
    set("tdf9h09", double(r.between(3, 60)));
    set("tdf9h10", double(r.between(5, 120)));

    const double applied = std::max(1.0, part(r, researchers, 0.05, 0.4));
    const double inventions = part(r, applied, 0.2, 0.5);
    set("tdf9k00", applied);
    set("tdf9k01", inventions);
    set("tdf9k02", part(r, applied - inventions, 0.3, 0.8));
    set("tdf9k03", part(r, applied, 0, 0.05));
    set("tdf9k04", double(r.between(0, 200)));
    const double granted = part(r, applied, 0.3, 0.8);
    set("tdf9k05", granted);
    set("tdf9k06", part(r, granted, 0.1, 0.4));
    set("tsjd_one", 1.0);
}

// A zone of some hundred enterprises on ten-odd square kilometres; amounts in ten thousands
// of yuan, exports in ten thousands of US dollars.
void Maker::provincialZone(const QString& number)
{
    Random& r = m_random;
    set("id", number);
    set("code", number);
    set("mc", uniqueName(40, [&](int attempt) {
        if (attempt > 0) {
            const QList<County>& counties = countiesByProvince()[QString::fromUtf16(m_province->code)];
            m_county = &counties[qsizetype(r.between(0, counties.size() - 1))];
        }
        return shortCounty(m_county->name)
            + (r.chance(0.7) ? u"高新技术产业开发区"_s : u"高新技术产业园区"_s);
    }));
    set("cs", m_county->city);
    set("zgdw", (r.chance(0.7) ? m_county->city : m_county->name) + u"人民政府"_s);
    const qint64 approved = std::clamp<qint64>(2012 - qint64(std::fabs(r.normal()) * 7), 1992, 2012);
    set("pzsj", QDate(int(approved), 1, 1).addDays(r.between(0, 364)));
    set("pzdw", m_county->provinceName + u"人民政府"_s);
    set("dz", address(40));
    set("yb", postalCode());
    set("dh", telephone());
    if (r.chance(0.7)) set("cz", telephone());
    const QString domain = word(r, 4, 8);
    set("wz", u"www."_s + domain + u".gov.cn"_s);
    set("em", (r.chance(0.6) ? u"gxq@"_s + domain + u".gov.cn"_s : word(r, 4, 8) + u"@163.com"_s));

    const double area = std::round(r.logNormal(12, 0.6) * 10) / 10;
    const double enterprises = std::clamp(std::round(r.logNormal(300, 0.8)), 20.0, 5000.0);
    const double staff = std::round(enterprises * r.logNormal(90, 0.4));
    const double college = part(r, staff, 0.2, 0.5);
    const double output = std::round(enterprises * r.logNormal(8000, 0.6));
    const double income = std::round(output * r.uniform(0.9, 1.25));
    set("s01", area);
    set("s02", std::round(area * r.uniform(3000, 20000)));
    set("s04", output);
    set("s05", income);
    if (r.chance(0.5)) set("s06", std::floor(income * r.uniform(0.02, 0.25) / 6.3));
    set("s07", std::round(income * r.uniform(0.02, 0.08)));
    set("s08", part(r, income, 0.03, 0.07));
    set("s09", enterprises);
    set("s09_g", part(r, enterprises, 0.05, 0.3));
    set("s10", part(r, enterprises, 0, 0.02));
    set("s11", part(r, enterprises, 0.01, 0.1));
    set("s12", staff);
    set("s13", part(r, staff, 0, 0.005));
    set("s14", part(r, college, 0.03, 0.15));
    set("s15", college);
    if (r.chance(0.2)) set("bz", r.pick(zoneRemarks));
    set("sjgxq_one", 1.0);
}

// Each mistake breaks exactly one shipped rule, whose field it returns.
QString Maker::plant(Mistake mistake)
{
    Random& r = m_random;
    auto above = [&](const char* part, const char* total, qint64 by) {
        set(part, n(total) + double(r.between(1, by)));
        return QString::fromLatin1(part);
    };
    switch (m_kind) {
    case Kind::VentureFunds:
        switch (mistake) {
        case Mistake::PartAboveTotal:
            return r.chance(0.5) ? above("kz15", "kz14", 5) : above("kz18", "kz17", 50);
        case Mistake::PartsAboveTotal:
            set("kz22", n("kz23") - n("kz21") + double(r.between(1, 3)));
            return u"kz23"_s;
        case Mistake::MissingName:
            set("kz00", QVariant());
            return u"kz00"_s;
        case Mistake::WrongFormat:
            set("kz02", m_row.text(u"kz02"_s).left(5));
            return u"kz02"_s;
        case Mistake::WrongUnit:
            // Keyed in yuan: above the cumulative figure it is part of.
            if (n("kz31") > 0 && n("kz32") * 10000 > n("kz12")) {
                set("kz32", n("kz32") * 10000);
                return u"kz32"_s;
            }
            set("kz18", n("kz18") * 10000);
            return u"kz18"_s;
        }
        break;
    case Kind::IndustryBases:
        switch (mistake) {
        case Mistake::PartAboveTotal:
            switch (r.between(0, 2)) {
            case 0:
                return above("tdf9a01", "tdf9a00", 20);
            case 1:
                return above("tdf9e05", "tdf9e00", 500);
            default:
                return above("tdf9k06", "tdf9k05", 10);
            }
        case Mistake::PartsAboveTotal:
            if (r.chance(0.5)) {
                set("tdf9d04", n("tdf9d01") - n("tdf9d02") - n("tdf9d03") + double(r.between(1, 1000)));
                return u"tdf9d01"_s;
            }
            set("tdf9b03", n("tdf9b01") - n("tdf9b02") + double(r.between(1, 20)));
            return u"tdf9b01"_s;
        case Mistake::MissingName:
            set("tdf911", QVariant());
            return u"tdf911"_s;
        case Mistake::WrongFormat:
            set("tdf914", m_row.text(u"tdf914"_s).left(5));
            return u"tdf914"_s;
        case Mistake::WrongUnit:
            // 95.5 keyed as 9550.
            set("tdf9a08", n("tdf9a08") * 100);
            return u"tdf9a08"_s;
        }
        break;
    case Kind::ProvincialZones:
        switch (mistake) {
        case Mistake::PartAboveTotal:
            switch (r.between(0, 2)) {
            case 0:
                return above("s09_g", "s09", 30);
            case 1:
                return above("s13", "s12", 50);
            default:
                return above("s14", "s15", 100);
            }
        case Mistake::MissingName:
            set("mc", QVariant());
            return u"mc"_s;
        case Mistake::WrongFormat:
            set("yb", m_row.text(u"yb"_s).left(5));
            return u"yb"_s;
        case Mistake::WrongUnit:
            set("s07", n("s07") * 10000);
            return u"s07"_s;
        case Mistake::PartsAboveTotal:
            break;
        }
        break;
    }
    throw store::StoreError(u"演示数据: 这种报表没有这种错误"_s);
}

} // namespace

DemoInstitutions::DemoInstitutions(Options options)
    : m_options(options)
{
}

QString DemoInstitutions::tableName(Kind kind)
{
    return QString::fromUtf16(facts(kind).table);
}
QString DemoInstitutions::ruleTable(Kind kind)
{
    return QString::fromUtf16(facts(kind).ruleTable);
}
int DemoInstitutions::reportKind(Kind kind)
{
    return facts(kind).reportKind;
}
QString DemoInstitutions::kindText(Kind kind)
{
    return QString::fromUtf16(facts(kind).text);
}

QString DemoInstitutions::mistakeText(Mistake mistake)
{
    switch (mistake) {
    case Mistake::PartAboveTotal:
        return u"其中项大于合计"_s;
    case Mistake::PartsAboveTotal:
        return u"分项之和大于合计"_s;
    case Mistake::MissingName:
        return u"缺少名称"_s;
    case Mistake::WrongFormat:
        return u"邮政编码格式错误"_s;
    case Mistake::WrongUnit:
        return u"计量单位或小数点错误"_s;
    }
    return {};
}

DemoInstitutions::Result DemoInstitutions::run()
{
    const int counts[kindCount]
        = { m_options.ventureFunds, m_options.industryBases, m_options.provincialZones };
    for (int c : counts)
        if (c < 0) throw store::StoreError(u"演示数据的参数不合理"_s);
    if (m_options.mistakePercent < 0 || m_options.mistakePercent > 100)
        throw store::StoreError(u"演示数据的参数不合理"_s);

    Result result;
    for (int k = 0; k < kindCount; ++k) {
        const Kind kind = Kind(k);
        const KindFacts& f = facts(kind);
        const int count = counts[k];
        if (count == 0) continue;
        const QString table = QString::fromUtf16(f.table);
        const QString key = QString::fromUtf16(f.key);
        if (!QFileInfo::exists(store::resolveTablePath(table))) WorkDirSetup().run();

        const int first = largestNumber(table, key, f.digits) + 1;
        qint64 limit = 1;
        for (int i = 0; i < f.digits; ++i)
            limit *= 10;
        if (qint64(first) + count > limit)
            throw store::StoreError(
                u"%1位编号不够 %2 个%3使用"_s.arg(f.digits).arg(count).arg(kindText(kind)));

        store::Table target;
        target.setTableName(table);
        Maker maker(kind, m_options.seed, schemaOf(target));
        {
            store::Query existing;
            existing.setSql(u"select %1 from \"%2\""_s.arg(QString::fromUtf16(f.nameField), table));
            existing.open();
            for (existing.first(); !existing.eof(); existing.next())
                maker.avoid(existing.value(0).toString());
            existing.close();
        }
        const std::vector<int> planted
            = plantMistakes(count, m_options.mistakePercent, int(f.mistakes.size()), m_options.seed ^ f.salt);

        ScratchRows rows(target.schema());
        for (int start = 0; start < count; start += chunkSize) {
            const int end = std::min(count, start + chunkSize);
            rows.begin();
            for (int i = start; i < end; ++i) {
                const QString number = QString::number(first + i).rightJustified(f.digits, u'0');
                const int p = planted[size_t(i)];
                const Mistake mistake = p >= 0 ? f.mistakes[p] : Mistake::PartAboveTotal;
                QString field;
                rows.add(maker.make(number, p >= 0 ? &mistake : nullptr, field));
                if (p >= 0) result.mistakes.append({ kind, number, mistake, ruleTable(kind), field });
            }
            rows.commit();
            target.batchAppend(rows);
            rows.clearRows();
        }
        target.close();
        result.made[k] = { count, QString::number(first).rightJustified(f.digits, u'0'),
            QString::number(first + count - 1).rightJustified(f.digits, u'0') };
    }
    return result;
}
