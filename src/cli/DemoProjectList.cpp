#include "DemoProjectList.h"

#include "store/Table.h"

#include <QFileInfo>

#include <cmath>
#include <iterator>

using namespace Qt::StringLiterals;

namespace demo {

namespace {

struct DemoRegion
{
    const char16_t* code;
    const char16_t* name;
    const char16_t* division; // 行政区划代码 of the region's seat
};

const DemoRegion regions[] = {
    { u"110", u"北京", u"110108" },
    { u"310", u"上海", u"310115" },
    { u"320", u"江苏", u"320111" },
    { u"440", u"广东", u"440113" },
    { u"442", u"深圳", u"440305" },
    { u"510", u"四川", u"510107" },
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
};

const char16_t* const programmes[] = { u"13", u"14", u"17", u"19" };
const char16_t* const fields[] = { u"101", u"201", u"301", u"401", u"501", u"601" };

store::TableSchema listSchema()
{
    using store::FieldType;
    store::TableSchema s;
    s.fields = {
        { u"PXH"_s, FieldType::Text, 3, 0 },
        { u"JB00"_s, FieldType::Text, 9, 0 },
        { u"JB01"_s, FieldType::Text, 100, 0 },
        { u"JB02"_s, FieldType::Text, 14, 0 },
        { u"JB21"_s, FieldType::Text, 100, 0 },
        { u"JB16"_s, FieldType::Text, 6, 0 },
        { u"JB57"_s, FieldType::Text, 2, 0 },
        { u"JB58"_s, FieldType::Text, 3, 0 },
        { u"JC100"_s, FieldType::Float, 0, 2 },
        { u"JC110"_s, FieldType::Float, 0, 2 },
        { u"JC130"_s, FieldType::Float, 0, 2 },
        { u"JC150"_s, FieldType::Float, 0, 2 },
    };
    return s;
}

} // namespace

int writeProjectList(const QString& path)
{
    if (QFileInfo::exists(store::resolveFilePath(path))) return 0;
    store::Table::createTable(path, listSchema(), store::TableType::Dbase);
    store::Table list;
    list.setTableName(path);
    list.setTableType(store::TableType::Dbase);
    list.open();
    int written = 0;
    int r = 0;
    for (const DemoRegion& region : regions) {
        const QString code = QString::fromUtf16(region.code);
        const QString name = QString::fromUtf16(region.name);
        for (int i = 0; i < 8; ++i, ++r) {
            const int topic = (r * 5) % int(std::size(topics));
            const double total = 200.0 + (r * 137) % 1800;
            list.append();
            list.setValue(0, code);
            list.setValue(1, code + u"%1"_s.arg(120001 + i, 6, 10, QLatin1Char('0')));
            list.setValue(2, name + QString::fromUtf16(topics[topic]) + u"（第%1期）"_s.arg(i / 3 + 1));
            list.setValue(3, u"2011AA%1"_s.arg(100000 + r * 31, 6, 10, QLatin1Char('0')));
            list.setValue(4, name + u"高新技术有限公司"_s);
            list.setValue(5, QString::fromUtf16(region.division));
            list.setValue(6, QString::fromUtf16(programmes[r % std::size(programmes)]));
            list.setValue(7, QString::fromUtf16(fields[r % std::size(fields)]));
            list.setValue(8, total);
            // Lists from above leave amounts blank that were not yet settled.
            if (r % 3 != 1) list.setValue(9, std::floor(total * 0.3));
            if (r % 4 != 2) list.setValue(10, std::floor(total * 0.2));
            list.setValue(11, total - std::floor(total * 0.3) - std::floor(total * 0.2));
            list.post();
            ++written;
        }
    }
    list.close();
    return written;
}

} // namespace demo
