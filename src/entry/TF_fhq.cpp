#include "TF_fhq.h"

#include "FieldPage.h"
#include "InstitutionEntry.h"
#include "widgets/DbEdit.h"

using namespace Qt::StringLiterals;

TF_fhq* F_fhq = nullptr;

namespace {

using Item = FormItem;

const Item fhqPage1Items[] = {
    { Item::Section, u"一、孵化器基本情况", nullptr },
    { Item::Field, u"CODE", u"编号：" },
    { Item::Field, u"TDF711", u"孵化器名称：" },
    { Item::Field, u"TDF713", u"孵化器性质：" },
    { Item::Note, u"1.事业单位 2.国有企业 3.民营企业 4.其他", nullptr },
    { Item::Field, u"TDF721", u"是否国家级：" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"TDF716", u"是否在国家高新区内：" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"TDF719", u"成立时间：" },
    { Item::Field, u"TDF720", u"报出日期：" },
    { Item::Field, u"TDF730", u"孵化器类型：" },
    { Item::Note, u"1.综合孵化器 2.专业孵化器", nullptr },
    { Item::Field, u"TDF714", u"填表人：" },
    { Item::Field, u"TDF715", u"联系电话：" },
    { Item::Field, u"TDF717", u"通讯地址：" },
    { Item::Field, u"TDF718", u"邮编：" },
    { Item::Section, u"二、孵化器投资构成", nullptr },
    { Item::Field, u"TDF7A10", u"财政投资" },
    { Item::Field, u"TDF7A11", u"企业投资" },
    { Item::Field, u"TDF7A12", u"社会组织投资" },
    { Item::Field, u"TDF7A13", u"其他投资" },
    { Item::Field, u"TDF7B15", u"获得各级财政资助额" },
    { Item::Field, u"TDF7B16", u"其中：国家科技计划经费额" },
    { Item::Section, u"三、孵化器收入来源", nullptr },
    { Item::Field, u"TDF7B00", u"孵化器总收入" },
    { Item::Field, u"TDF7B01", u"其中：综合服务收入" },
    { Item::Field, u"TDF7B04", u"物业收入" },
    { Item::Field, u"TDF7B02", u"投资收入" },
    { Item::Field, u"TDF7B03", u"其它收入" },
    { Item::Field, u"TDF7B10", u"净利润" },
    { Item::Field, u"TDF7B11", u"上缴税金总额" },
    { Item::Section, u"四、孵化基金概况", nullptr },
    { Item::Field, u"TDF7C60", u"孵化基金总额" },
    { Item::Field, u"TDF7C61", u"上年度孵化基金支出总额" },
    { Item::Field, u"TDF7C61_1", u"其中：对在孵企业股权投资额" },
    { Item::Field, u"TDF7C62", u"当年孵化基金补充总额" },
    { Item::Field, u"TDF7C62_1", u"其中：当年获得财政资助额" },
    { Item::Field, u"TDF7C63", u"在孵企业累计获得风险投资额" },
    { Item::Field, u"TDF7C63_1", u"其中：当年获得风险投资额" },
    { Item::Field, u"TDF7C64", u"累计获得设融资的企业" },
    { Item::Field, u"TDF7C64_1", u"其中：当年获得设融资的企业" },
    { Item::End, nullptr, nullptr },
};

const Item fhqPage2Items[] = {
    { Item::Section, u"五、孵化器管理人员概况", nullptr },
    { Item::Field, u"TDF7D00", u"管理机构从业人员" },
    { Item::Field, u"TDF7D10", u"其中：专业技术人员" },
    { Item::Field, u"TDF7D11", u"大专以上人员" },
    { Item::Field, u"TDF7D12", u"留学回国人员" },
    { Item::Section, u"六、孵化器场地面积", nullptr },
    { Item::Field, u"TDF7E00", u"孵化器使用总面积" },
    { Item::Field, u"TDF7E01", u"其中：办公用房" },
    { Item::Field, u"TDF7E02", u"在孵企业用房" },
    { Item::Field, u"TDF7E03", u"公共服务用房" },
    { Item::Field, u"TDF7E04", u"其它" },
    { Item::Section, u"七、在孵企业经济概况", nullptr },
    { Item::Field, u"TDF7G00", u"在孵企业" },
    { Item::Field, u"TDF7G02", u"其中：留学人员企业" },
    { Item::Field, u"TDF7G02_1", u"大学生科技企业" },
    { Item::Field, u"TDF7I50", u"平均入孵时收入" },
    { Item::Field, u"TDF7G01", u"当年新增在孵企业" },
    { Item::Field, u"TDF7F00", u"在孵企业从业人员" },
    { Item::Field, u"TDF7F10", u"其中：大专以上人员" },
    { Item::Field, u"TDF7F11", u"留学人员数" },
    { Item::Field, u"TDF7F12", u"累计上市企业" },
    { Item::Field, u"TDF7F13", u"千人计划人员" },
    { Item::Field, u"TDF7G10", u"在孵企业总收入" },
    { Item::Field, u"TDF7G11", u"在孵企业R&D投入" },
    { Item::Field, u"TDF7G12", u"在孵企业累计获得财政资助额" },
    { Item::Section, u"八：在孵企业获知识产权情况", nullptr },
    { Item::Field, u"TDF7K00", u"申请知识产权" },
    { Item::Field, u"TDF7K02", u"批准知识产权" },
    { Item::Field, u"TDF7K03", u"其中：发明专利" },
    { Item::Field, u"TDF7K05", u"软件著作权" },
    { Item::Field, u"TDF7K06", u"集成电路布图" },
    { Item::Field, u"TDF7K07", u"植物新品种" },
    { Item::Field, u"TDF7K04", u"购买国外技术专利" },
    { Item::Field, u"TDF7K10", u"承担国家级科技计划项目" },
    { Item::Field, u"TDF7K11", u"获得国家级科技奖励" },
    { Item::Section, u"九、毕业企业概况", nullptr },
    { Item::Field, u"TDF7I00", u"累计毕业企业" },
    { Item::Field, u"TDF7I51", u"平均毕业时收入" },
    { Item::Field, u"TDF7I52", u"毕业企业平均孵化时限" },
    { Item::Field, u"TDF7I02", u"当年毕业企业" },
    { Item::Field, u"TDF7I03", u"其中：当年上市企业" },
    { Item::Field, u"TDF7I03_1", u"其中：主板" },
    { Item::Field, u"TDF7I03_2", u"中小企业板" },
    { Item::Field, u"TDF7I03_3", u"企业板" },
    { Item::Field, u"TDF7I03_4", u"海外上市" },
    { Item::Field, u"TDF7I04", u"当年被兼并和收购企业数" },
    { Item::Field, u"TDF7I05", u"当年收入达千万元企业数" },
    { Item::Section, u"十、孵化器开展创业辅导情况", nullptr },
    { Item::Field, u"TDF7J02", u"对孵化器管理人员培训人次" },
    { Item::Field, u"TDF7J03", u"对在孵企业培训人次" },
    { Item::Field, u"TDF7J00", u"其中：企业联络员数" },
    { Item::Field, u"TDF7J21", u"创业辅导员数" },
    { Item::Field, u"TDF7J09", u"创业导师数" },
    { Item::Field, u"TDF7J08", u"创业导师对接企业数" },
    { Item::Field, u"TDF7J04", u"为被辅导企业融资额" },
    { Item::Field, u"TDF7J06", u"被辅企业平均毕业时限" },
    { Item::Field, u"TDF7J07", u"被辅企业毕业时总营业额" },
    { Item::Section, u"十二、孵化器运行管理", nullptr },
    { Item::Field, u"TDF7J30", u"孵化器内企业" },
    { Item::Field, u"TDF7J14", u"通过国家减免税收政策审核" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"TDF7J15", u"当年免税金额总计" },
    { Item::Field, u"TDF7J15_1", u"其中：房产税" },
    { Item::Field, u"TDF7J15_2", u"城镇土地使用税" },
    { Item::Field, u"TDF7J15_3", u"营业税" },
    { Item::Field, u"TDF7J15_4", u"所得税" },
    { Item::Field, u"TDF7J17", u"累计公共技术服务平台投资额" },
    { Item::Field, u"TDF7J18", u"其中：获得国家科技计划经费资助额" },
    { Item::Field, u"TDF7J19", u"孵化器对公共技术服务平台投资额" },
    { Item::Field, u"TDF7J20", u"公共技术服务平台总收入" },
    { Item::End, nullptr, nullptr },
};

const Item fhqzfqyItems[] = {
    { Item::Section, u"一、企业基本情况（一）", nullptr },
    { Item::Field, u"CODE2", u"编号" },
    { Item::Field, u"Tdf730", u"企业名称" },
    { Item::Field, u"Tdf7l108", u"企业法人代码" },
    { Item::Field, u"TDF7L100", u"企业成立时间" },
    { Item::Field, u"TDF7L101", u"企业入驻时间" },
    { Item::Field, u"TDF7L103", u"企业登记注册类型" },
    { Item::Note, u"根据《企业登记注册类型与\n代码》填写（见指标解释）", nullptr },
    { Item::Field, u"TDF7L104", u"行业类别" },
    { Item::Note, u"国民经济行业分类小类", nullptr },
    { Item::Field, u"TDF731", u"企业所属技术领域" },
    { Item::Note,
        u"01 电子信息 02 生物医药 03 航空航天\n04 新材料 05 高技术服务 06 新能源及节能\n07 资源与环境 08 "
        u"先进制造与自动化 09 其他",
        nullptr },
    { Item::Field, u"TDF7L105", u"高新技术企业" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"TDF7L112", u"毕业企业" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"TDF7L113", u"与创业导师建立辅导关系" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"TDF7L114", u"留学人员企业" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"TDF7L115", u"大学生科技企业" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Section, u"企业基本情况（二）", nullptr },
    { Item::Field, u"TDF7L102", u"获天使或风险投资额" },
    { Item::Field, u"Tdf7l109", u"占用孵化器场地面积" },
    { Item::Field, u"TDF7L110", u"企业成立成注册资本" },
    { Item::Section, u"二、企业经济概况", nullptr },
    { Item::Field, u"TDF7G210", u"在孵企业总收入" },
    { Item::Field, u"TDF7G230", u"在孵企业净利润" },
    { Item::Field, u"TDF7G250", u"在孵企业出口创汇" },
    { Item::Field, u"TDF7G251", u"在孵企业R＆D投入" },
    { Item::Field, u"TDF7G252", u"在孵企业实际上缴税费" },
    { Item::Section, u"三、企业从业人员情况", nullptr },
    { Item::Field, u"TDF7F600", u"在孵企业从业人员" },
    { Item::Field, u"TDF7F601", u"其中：博士" },
    { Item::Field, u"TDF7F604", u"大专以上" },
    { Item::Field, u"TDF7F603", u"留学人员" },
    { Item::Field, u"TDF7F606", u"千人计划人数" },
    { Item::Section, u"四、企业知识产权情况", nullptr },
    { Item::Field, u"TDF7K500", u"申请知识产权" },
    { Item::Field, u"TDF7K502", u"批准知识产权" },
    { Item::Field, u"TDF7K503", u"其中：发明专利" },
    { Item::Field, u"TDF7K505", u"软件著作权" },
    { Item::Field, u"TDF7K506", u"植物新品种" },
    { Item::Field, u"TDF7K507", u"集成电路布图" },
    { Item::Field, u"TDF7K504", u"购买国外专利" },
    { Item::Field, u"TDF7K508", u"技术合同交易数量" },
    { Item::Field, u"TDF7K509", u"技术合同交易额" },
    { Item::Field, u"TDF7K510", u"承担国家级科技计划项目数" },
    { Item::Field, u"TDF7K511", u"获得国家级科技奖励数" },
    { Item::Section, u"五、国家科技项目情况", nullptr },
    { Item::Field, u"TDF7K515", u"获得国家创新基金资助额" },
    { Item::End, nullptr, nullptr },
};

EntryDefinition fhqDefinition()
{
    EntryDefinition s;
    s.master.file = u"fhq.db"_s;
    s.master.ruleTable = u"fhq_chk"_s;
    s.master.keyField = u"CODE"_s;
    s.master.counterField = u"FHQ_ONE"_s;
    s.master.idField = u"ID"_s;
    s.master.index = u"fhq"_s;
    s.master.errorPrefix = u"数据错误:"_s;
    s.master.duplicateMessage = u"编号重复"_s;
    s.master.mergeTitle = u"请选择科技企业孵化器数据库  文件名:fhq.db"_s;
    s.master.emptyQuestion = u"是否清空科技企业孵化器数据库"_s;

    EntryTable enterprises;
    enterprises.file = u"fhqzfqy.db"_s;
    enterprises.ruleTable = u"fhqzfqy_chk"_s;
    enterprises.keyField = u"CODE"_s;
    enterprises.subKeyField = u"CODE2"_s;
    enterprises.counterField = u"Fhqzfqy_one"_s;
    enterprises.idField = u"ID"_s;
    // Keyed rows join the numbers directly; merged and moved rows put "_" between them.
    enterprises.idRule.keyed = QString();
    enterprises.index = u"fhqzfqy"_s;
    enterprises.errorPrefix = u"企业数据错误:"_s;
    enterprises.duplicateMessage = u"企业编号重复"_s;
    enterprises.emptySubKeyMessage = u"在孵企业编号不能为空"_s;
    enterprises.emptyMasterMessage = u"科技企业孵化器编号不能为空"_s;
    enterprises.pageTitle = u"科技企业孵化器在孵(毕业)企业情况表"_s;
    enterprises.view = entry::DetailView::Form;
    enterprises.mergeTitle = u"请选择科技企业孵化器在孵(毕业)企业数据库  文件名:fhqzfqy.db"_s;
    enterprises.emptyQuestion = u"是否清空科技企业孵化器在孵(毕业)企业数据库数据库"_s;

    s.details = { enterprises };
    // The enterprise table is validated and registered too, so a change takes it off as well.
    s.sentMarkerSql = u"delete from sendname.db where name='fhq.db' or name='fhq4.db' or name='fhq3.db' or "
                      u"name='fhq2.db' or name='fhq_r.db' or name='fhqzfqy.db'"_s;
    declareInstitution(s);
    s.missingNumberMessage = u"请先填入大学科技企业孵化器编号"_s;
    // A merged row keeps the pxh it came with; its ID stays the two numbers.
    s.policy.clearPxhOnMerge = false;
    s.policy.pxhLeadsId = false;
    return s;
}

} // namespace

TF_fhq::TF_fhq(QWidget* parent)
    : EntryForm(fhqDefinition(), parent)
    , Table2(detailTable(0))
{
    setObjectName(u"F_fhq"_s);
    resize(792, 543);
    addMasterPage(u"科技企业孵化器综合情况"_s, buildFieldPage(fhqPage1Items, &DataSource1, 2, m_edits));
    addMasterPage(u"续一"_s, buildFieldPage(fhqPage2Items, &DataSource1, 2, m_edits));
    addDetailPage(0, buildFieldPage(fhqzfqyItems, detail(0).source.get(), 2, m_edits));
    setNumberEdit(editOf(u"CODE"_s));
    for (int i = 1; i < m_edits.size(); ++i)
        setTabOrder(m_edits[i - 1], m_edits[i]);
}

DbEdit* TF_fhq::editOf(const QString& field) const
{
    return findEdit(m_edits, field);
}
