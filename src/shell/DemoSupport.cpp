#include "DemoSupport.h"

#include "store/NativeTable.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace demo {

double part(Random& r, double total, double lo, double hi)
{
    return std::floor(std::max(0.0, total) * r.uniform(lo, hi));
}

QList<double> split(Random& r, double total, int n)
{
    QList<double> pieces(n, 0.0);
    if (n <= 0) return pieces;
    QList<double> weights(n);
    double sum = 0;
    for (double& w : weights) {
        w = 0.2 + r.uniform();
        sum += w;
    }
    double given = 0;
    for (int i = 0; i + 1 < n; ++i) {
        pieces[i] = std::floor(total * weights[i] / sum);
        given += pieces[i];
    }
    pieces[n - 1] = total - given;
    return pieces;
}

std::vector<int> plantMistakes(int n, double percent, int kinds, quint64 seed)
{
    const int mistaken = std::min(n, int(std::llround(n * percent / 100.0)));
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = i;
    Random pickRandom(seed ^ 0x6D697374616B6573ULL);
    for (int i = 0; i < mistaken; ++i)
        std::swap(order[size_t(i)], order[size_t(pickRandom.between(i, n - 1))]);
    std::vector<int> chosen(order.begin(), order.begin() + mistaken);
    std::sort(chosen.begin(), chosen.end());
    std::vector<int> kindOf(static_cast<size_t>(n), -1);
    for (size_t k = 0; k < chosen.size(); ++k)
        kindOf[size_t(chosen[k])] = int(k % kinds);
    return kindOf;
}

// --- Code lists ------------------------------------------------------------------------

QList<QStringList> readCodeList(const QString& resource)
{
    QFile f(resource);
    if (!f.open(QIODevice::ReadOnly)) throw store::StoreError(u"无法读取代码表 %1"_s.arg(resource));
    QList<QStringList> rows;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i)
        rows.append(lines[i].trimmed().split(u'\t'));
    return rows;
}

QString shortPlace(QString name)
{
    static const QStringList regions = { u"内蒙古自治区"_s, u"广西壮族自治区"_s, u"西藏自治区"_s,
        u"宁夏回族自治区"_s, u"新疆维吾尔自治区"_s };
    if (regions.contains(name)) return name.left(name.startsWith(u"内蒙古"_s) ? 3 : 2);
    for (const QString& suffix : { u"省"_s, u"市"_s, u"地区"_s })
        if (name.endsWith(suffix) && name.size() > suffix.size() + 1) return name.chopped(suffix.size());
    return name;
}

// County-level units of the mainland, grouped by province in code order.
const QHash<QString, QList<County>>& countiesByProvince()
{
    static const QHash<QString, QList<County>> map = [] {
        QHash<QString, QString> names;
        const QList<QStringList> rows = readCodeList(u":/codes/gbt2260-2012.tsv"_s);
        for (const QStringList& row : rows)
            if (row.size() >= 2) names.insert(row[0], row[1]);
        auto real = [](const QString& name) {
            return !name.isEmpty() && name != u"市辖区"_s && name != u"县"_s && !name.contains(u"直辖"_s);
        };
        QHash<QString, QList<County>> byProvince;
        for (const QStringList& row : rows) {
            if (row.size() < 2 || row[0].size() != 6 || row[0].endsWith("00"_L1) || !real(row[1])) continue;
            const QString province = row[0].left(2);
            if (province.toInt() > 65) continue; // Taiwan, Hong Kong and Macao have no zones here
            const QString provinceName = names.value(province + u"0000"_s);
            const QString city = names.value(row[0].left(4) + u"00"_s);
            County c;
            c.code = row[0];
            c.province = province;
            c.place = shortPlace(real(city) ? city : provinceName);
            c.address = (real(city) ? city : provinceName) + row[1];
            c.name = row[1];
            c.city = real(city) ? city : provinceName;
            c.provinceName = provinceName;
            byProvince[province].append(c);
        }
        return byProvince;
    }();
    return map;
}

namespace {

const Province provinceTable[] = {
    { u"11", 15, u"10", u"010" },
    { u"12", 3, u"30", u"022" },
    { u"13", 2, u"05", u"0311" },
    { u"14", 1, u"03", u"0351" },
    { u"15", 1, u"01", u"0471" },
    { u"21", 3, u"11", u"024" },
    { u"22", 2, u"13", u"0431" },
    { u"23", 2, u"15", u"0451" },
    { u"31", 6, u"20", u"021" },
    { u"32", 12, u"21", u"025" },
    { u"33", 6, u"31", u"0571" },
    { u"34", 3, u"23", u"0551" },
    { u"35", 3, u"35", u"0591" },
    { u"36", 2, u"33", u"0791" },
    { u"37", 6, u"25", u"0531" },
    { u"41", 3, u"45", u"0371" },
    { u"42", 5, u"43", u"027" },
    { u"43", 3, u"41", u"0731" },
    { u"44", 10, u"51", u"020" },
    { u"45", 1, u"53", u"0771" },
    { u"46", 1, u"57", u"0898" },
    { u"50", 2, u"40", u"023" },
    { u"51", 4, u"61", u"028" },
    { u"52", 1, u"55", u"0851" },
    { u"53", 1, u"65", u"0871" },
    { u"54", 0.2, u"85", u"0891" },
    { u"61", 4, u"71", u"029" },
    { u"62", 1, u"73", u"0931" },
    { u"63", 0.5, u"81", u"0971" },
    { u"64", 0.5, u"75", u"0951" },
    { u"65", 1, u"83", u"0991" },
};

} // namespace

std::span<const Province> provinces()
{
    return provinceTable;
}

// --- Names -----------------------------------------------------------------------------

const QStringList nameSyllables
    = u"华 中 科 天 宏 信 达 新 创 博 瑞 通 联 泰 恒 远 航 德 利 康 源 智 海 光 明 正 东 方 诚 鑫 "
      "金 星 辰 晨 宇 和 嘉 盛 安 迅 捷 锐 普 微 数 云 易 腾 讯 凯 越 卓 众 合 立 峰 汇 邦 成 润 "
      "丰 伟 昊 鼎 威 佳 兴 龙 维 思 启 奥 蓝 青 英 美 力 能 拓 展"_s.split(u' ');

namespace {

const QStringList surnames
    = u"王 李 张 刘 陈 杨 黄 赵 吴 周 徐 孙 马 朱 胡 郭 何 高 林 罗 郑 梁 谢 宋 唐 许 韩 冯 邓 曹 "
      "彭 曾 肖 田 董 袁 潘 于 蒋 蔡 余 杜 叶 程 苏 魏 吕 丁 任 沈"_s.split(u' ');
const QStringList givenNames
    = u"伟 芳 娜 敏 静 强 磊 军 洋 勇 艳 杰 涛 明 超 秀 霞 平 刚 桂 华 建 国 文 辉 鹏 飞 斌 宇 "
      "浩 凯 健 俊 帆 婷 雪 琳 晶 颖 博 宁 海 东 志 兵 峰 振 新 春 晓"_s.split(u' ');

} // namespace

const QStringList roads
    = u"科技路 高新大道 创业路 科学大道 学府路 软件园路 创新大道 园区路 光明路 信息路 智慧大道 "
      "工业大道 开发大道 文化路 东环路 西环路 人民路 中山路 建设路 长江路 黄河路 天府大道 "
      "高科路 未来路 中关村大街 张江路 南京路 珠江路 湘江路 汉江路"_s.split(u' ');
const QStringList letters = u"a b c d e f g h j k l m n p q r s t w x y z"_s.split(u' ');

QString digits(Random& r, int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar(u'0' + int(r.between(0, 9)));
    return s;
}

QString personName(Random& r)
{
    QString name = r.pick(surnames) + r.pick(givenNames);
    if (r.chance(0.6)) name += r.pick(givenNames);
    return name;
}

QString word(Random& r, int from, int to)
{
    QString s;
    const qint64 n = r.between(from, to);
    for (qint64 i = 0; i < n; ++i)
        s += r.pick(letters);
    return s;
}

QString year(qint64 y)
{
    return QString::number(y);
}

// --- Rows ------------------------------------------------------------------------------

ScratchRows::ScratchRows(const store::TableSchema& target)
{
    // Text columns are declared as memo: the append then measures every text against the
    // target's field size, so a name that would not fit stops the run instead of
    // passing unseen.
    store::TableSchema schema;
    for (store::FieldDef f : target.fields) {
        if (f.type == store::FieldType::Text) f = { f.name, store::FieldType::Memo, 0, 0 };
        schema.fields.append(f);
    }
    m_connection = store::Connection::scratch();
    m_connection->setDisplayName(u"演示数据"_s);
    for (const QString& sql : store::native::createStatements(schema))
        m_connection->exec(sql);
    QString insert = u"INSERT INTO \"main\".\"data\" VALUES ("_s;
    for (qsizetype i = 0; i < schema.fields.size(); ++i)
        insert += i ? u",?"_s : u"?"_s;
    insert += u')';
    m_insertSql = insert;
    attach(m_connection, u"\"main\".\"data\""_s, schema.fields);
    openRows();
}

ScratchRows::~ScratchRows() = default;

void ScratchRows::begin()
{
    m_transaction = std::make_unique<store::Connection::Transaction>(*m_connection);
    m_insert = m_connection->prepare(m_insertSql);
}

void ScratchRows::add(const QVariantList& row)
{
    m_insert.bindAll(row);
    m_insert.run();
    m_insert.reset();
}

void ScratchRows::commit()
{
    m_insert = store::Statement();
    m_transaction->commit();
    m_transaction.reset();
    refresh();
}

void ScratchRows::clearRows()
{
    m_connection->exec(u"DELETE FROM \"main\".\"data\""_s);
    refresh();
}

store::TableSchema schemaOf(store::Table& table)
{
    table.open();
    return table.schema();
}

int largestNumber(const QString& table, const QString& key, int length)
{
    store::Query q;
    q.setSql(u"select max(%1) from \"%2\" where %1 glob '%3'"_s.arg(key, table, u"[0-9]"_s.repeated(length)));
    q.open();
    const int n = q.value(0).toString().toInt();
    q.close();
    return n;
}

} // namespace demo
