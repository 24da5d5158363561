#include "TF_dxkjy.h"

#include "FieldPage.h"
#include "InstitutionEntry.h"
#include "widgets/DbEdit.h"

using namespace Qt::StringLiterals;

TF_dxkjy* F_dxkjy = nullptr;

namespace {

using Item = FormItem;

const Item dxPage1Items[] = {
    { Item::Field, u"CODE", u"编号：" },
    { Item::Field, u"TDF811", u"大学科技园全称：" },
    { Item::Field, u"TDF812", u"行政主管单位：" },
    { Item::Field, u"TDF813", u"大学科技园管理机构性质：" },
    { Item::Note, u"1.事业单位 2.企业 3.其他", nullptr },
    { Item::Field, u"TDF814", u"填表人：" },
    { Item::Field, u"TDF815", u"联系电话：" },
    { Item::Field, u"TDF816", u"报出日期：" },
    { Item::Field, u"TDF817", u"通讯地址：" },
    { Item::Field, u"TDF818", u"邮编：" },
    { Item::Field, u"TDF821", u"是否在国家高新区内：" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"TDF819", u"认定时间：" },
    { Item::Section, u"一、资金状况", nullptr },
    { Item::Field, u"TDF8A00", u"大学园资金总额" },
    { Item::Field, u"TDF8A01", u"其中：自有资金" },
    { Item::Field, u"TDF8A02", u"政府拨款" },
    { Item::Field, u"TDF8A03", u"年末贷款余款" },
    { Item::Field, u"TDF8A04", u"其他来源" },
    { Item::Section, u"二、服务能力概况", nullptr },
    { Item::Field, u"TDF8B00", u"创业公共服务机构数" },
    { Item::Field, u"TDF8B01", u"其中：中介服务机构" },
    { Item::Field, u"TDF8B02", u"金融服务机构" },
    { Item::Field, u"TDF8B03", u"风险投资机构" },
    { Item::Field, u"TDF8B04", u"商务服务机构" },
    { Item::Field, u"TDF8B05", u"产业化支撑服务平台" },
    { Item::Section, u"三、资产概况", nullptr },
    { Item::Field, u"TDF8C00", u"年末固定资产原值" },
    { Item::Field, u"TDF8C01", u"其中：当年新增值" },
    { Item::Field, u"TDF8C10", u"年末固定资产净值" },
    { Item::Field, u"TDF8C20", u"年末流动资产总额" },
    { Item::Field, u"TDF8C21", u"科技园公司平均净资产" },
    { Item::Field, u"TDF8C22", u"科技园公司总资产报酬率" },
    { Item::Field, u"TDF8C30", u"无形资产" },
    { Item::Field, u"TDF8C40", u"长期投资" },
    { Item::Field, u"TDF8C50", u"年末负债" },
    { Item::Field, u"TDF8C60", u"孵化基金总额" },
    { Item::Field, u"TDF8C70", u"累计完成基建投资额" },
    { Item::Field, u"TDF8C71", u"其中：当年完成投资额" },
    { Item::Section, u"四、人员概况", nullptr },
    { Item::Field, u"TDF8D00", u"管理机构从业人员" },
    { Item::Field, u"TDF8D01", u"其中：博士" },
    { Item::Field, u"TDF8D02", u"硕士" },
    { Item::Field, u"TDF8D03", u"其中：研究生学历" },
    { Item::Field, u"TDF8D04", u"本科学历" },
    { Item::Field, u"TDF8D05", u"大专学历" },
    { Item::Field, u"TDF8D06", u"留学回国人员" },
    { Item::End, nullptr, nullptr },
};

const Item dxPage2Items[] = {
    { Item::Section, u"五、实用建筑概况", nullptr },
    { Item::Field, u"TDF8E00", u"现有场地总面积" },
    { Item::Field, u"TDF8E01", u"其中：办公用房" },
    { Item::Field, u"TDF8E02", u"孵化用房" },
    { Item::Field, u"TDF8E03", u"研发用房" },
    { Item::Field, u"TDF8E04", u"生产用房" },
    { Item::Field, u"TDF8E05", u"其它用房" },
    { Item::Field, u"TDF8E06", u"其中：自主支配" },
    { Item::Section, u"六、在孵企业基本概况", nullptr },
    { Item::Field, u"TDF8J02", u"经认定高新技术企业" },
    { Item::Field, u"TDF8J03", u"研发机构" },
    { Item::Field, u"TDF8J04", u"成果转化" },
    { Item::Field, u"TDF8J05", u"其中：依托高校数量" },
    { Item::Field, u"TDF8J06", u"获奖成果" },
    { Item::Field, u"TDF8J07", u"产出成果" },
    { Item::Section, u"七、在孵企业经济概况", nullptr },
    { Item::Field, u"TDF8G00", u"本年在孵化企业" },
    { Item::Field, u"TDF8G01", u"其中：当年新孵企业" },
    { Item::Field, u"TDF8G03", u"其中：师生自办企业" },
    { Item::Field, u"TDF8G10", u"在孵企业总收入" },
    { Item::Field, u"TDF8G20", u"在孵企业工业总产值" },
    { Item::Field, u"TDF8G30", u"在孵企业净利润" },
    { Item::Field, u"TDF8G40", u"在孵企业上缴税金" },
    { Item::Field, u"TDF8G50", u"在孵企业出口创汇" },
    { Item::Section, u"八、在孵企业知识产权情况", nullptr },
    { Item::Field, u"TDF8F00", u"申请专利项" },
    { Item::Field, u"TDF8F10", u"其中：发明专利" },
    { Item::Field, u"TDF8F20", u"批准专利项" },
    { Item::Field, u"TDF8F30", u"其中：发明专利" },
    { Item::Field, u"TDF8F40", u"购买国外技术专利" },
    { Item::Section, u"九、在孵企业从业人员情况", nullptr },
    { Item::Field, u"TDF8H00", u"在孵企业从业人员" },
    { Item::Field, u"TDF8H11", u"其中：博士" },
    { Item::Field, u"TDF8H12", u"硕士" },
    { Item::Field, u"TDF8H13", u"其中：研究生学历" },
    { Item::Field, u"TDF8H14", u"本科学历" },
    { Item::Field, u"TDF8H15", u"大专学历" },
    { Item::Field, u"TDF8H16", u"中专学历" },
    { Item::Field, u"TDF8H17", u"其中：科技活动人员" },
    { Item::Field, u"TDF8H20", u"研究与发展人员" },
    { Item::Field, u"TDF8H21", u"其中：留学回国人员" },
    { Item::Section, u"十、在园企业概况(不包括孵化企业)", nullptr },
    { Item::Field, u"TDF8M00", u"在园企业" },
    { Item::Field, u"TDF8M11", u"在园企业从业人员" },
    { Item::Field, u"TDF8M12", u"在园企业上缴税收" },
    { Item::Field, u"TDF8M13", u"在园企业转化科技成果" },
    { Item::Field, u"TDF8M14", u"其中：依托高校" },
    { Item::Field, u"TDF8M15", u"在园企业接纳实习人员" },
    { Item::Field, u"TDF8M16", u"在园企业接纳就业人员" },
    { Item::Field, u"TDF8M17", u"在园企业授权专利" },
    { Item::Section, u"十一、在孵企业科技活动情况", nullptr },
    { Item::Field, u"TDF8K10", u"科技活动经费支出总额" },
    { Item::Field, u"TDF8K20", u"其中：研究与试验发展支出" },
    { Item::Field, u"TDF8K30", u"其中：新产品开发经费支出" },
    { Item::Field, u"TDF8K40", u"承担各级各类计划项目" },
    { Item::Field, u"TDF8K50", u"其中：国家级项目" },
    { Item::Section, u"十二、企业毕业概况", nullptr },
    { Item::Field, u"TDF8I00", u"累计毕业企业" },
    { Item::Field, u"TDF8I01", u"其中：当年毕业企业" },
    { Item::Field, u"TDF8I02", u"其中：上市企业" },
    { Item::Field, u"TDF8I10", u"其中：收入过亿元企业" },
    { Item::Field, u"TDF8I11", u"累计毕业企业就业人员" },
    { Item::Field, u"TDF8I12", u"其中：留学人员" },
    { Item::Field, u"TDF8I20", u"累计毕业企业总收入" },
    { Item::Field, u"TDF8I30", u"累计毕业企业工业总产值" },
    { Item::Field, u"TDF8I40", u"累计毕业企业创汇总额" },
    { Item::Field, u"TDF8I50", u"累计毕业企业上缴税额" },
    { Item::End, nullptr, nullptr },
};

const Item dxzfqyItems[] = {
    { Item::Field, u"CODE2", u"编号" },
    { Item::Field, u"Tdf8114", u"企业名称" },
    { Item::Field, u"Tdf8115", u"电话" },
    { Item::Field, u"Tdf8116", u"传真" },
    { Item::Field, u"Tdf8117", u"法人代码" },
    { Item::Field, u"TDF8118", u"注册时间" },
    { Item::Field, u"TDF8119", u"入驻科技园时间" },
    { Item::Field, u"TDF8120", u"填表人" },
    { Item::Field, u"TDF8121", u"注册资金" },
    { Item::Field, u"TDF8122", u"报出日期" },
    { Item::Field, u"TDF8J100", u"企业登记注册类型" },
    { Item::Note, u"根据《企业登记注册类型与\n代码》填写（见指标解释）", nullptr },
    { Item::Field, u"TDF8J101", u"行业类别" },
    { Item::Note, u"国民经济行业分类小类", nullptr },
    { Item::Field, u"TDF8J102", u"经认定高新技术企业" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Section, u"一、在孵企业基本概况", nullptr },
    { Item::Field, u"TDF8J103", u"研发机构" },
    { Item::Field, u"TDF8J104", u"成果转化" },
    { Item::Field, u"TDF8J105", u"其中：依托高校数量" },
    { Item::Field, u"TDF8J106", u"获奖成果" },
    { Item::Field, u"TDF8J107", u"产出成果" },
    { Item::Section, u"二、在孵企业经济概况", nullptr },
    { Item::Field, u"TDF8G210", u"在孵企业总收入" },
    { Item::Field, u"TDF8G220", u"在孵企业工业总产值" },
    { Item::Field, u"TDF8G230", u"在孵企业净利润" },
    { Item::Field, u"TDF8G240", u"在孵企业上缴税金" },
    { Item::Field, u"TDF8G250", u"在孵企业出口创汇" },
    { Item::Section, u"三、在孵企业从业人员情况", nullptr },
    { Item::Field, u"TDF8H300", u"在孵企业从业人员" },
    { Item::Field, u"TDF8H311", u"其中：博士" },
    { Item::Field, u"TDF8H312", u"硕士" },
    { Item::Field, u"TDF8H313", u"其中：研究生学历" },
    { Item::Field, u"TDF8H314", u"本科学历" },
    { Item::Field, u"TDF8H315", u"大专学历" },
    { Item::Field, u"TDF8H316", u"中专学历" },
    { Item::Field, u"TDF8H317", u"其中：科技活动人员" },
    { Item::Field, u"TDF8H318", u"研究与发展人员" },
    { Item::Field, u"TDF8H319", u"其中：留学回国人员" },
    { Item::Field, u"TDF8H320", u"接纳大学生研究生实习人员" },
    { Item::Field, u"TDF8H321", u"接纳应届毕业生就业人员" },
    { Item::Section, u"四、在孵企业知识产权情况", nullptr },
    { Item::Field, u"TDF8F400", u"申请专利项" },
    { Item::Field, u"TDF8F410", u"其中：发明专利" },
    { Item::Field, u"TDF8F420", u"批准专利项" },
    { Item::Field, u"TDF8F430", u"其中：发明专利" },
    { Item::Field, u"TDF8F440", u"购买国外技术专利" },
    { Item::Section, u"五、在孵企业科技活动情况", nullptr },
    { Item::Field, u"TDF8K600", u"承担各类计划项目" },
    { Item::Field, u"TDF8K601", u"其中：国家级项目" },
    { Item::Field, u"TDF8K610", u"科技活动经费支出总额" },
    { Item::Field, u"TDF8K620", u"其中：研究与试验发展支出" },
    { Item::Field, u"TDF8K630", u"其中：新产品开发经费支出" },
    { Item::Field, u"TDF8K640", u"其中：政府拨款" },
    { Item::Field, u"TDF8K650", u"企业自筹" },
    { Item::End, nullptr, nullptr },
};
EntryTable dxTable(const QString& file, const QString& counter, const QString& index)
{
    EntryTable t;
    t.file = file;
    t.ruleTable = QString(file).replace(u".db"_s, u"_chk"_s);
    t.keyField = u"CODE"_s;
    t.counterField = counter;
    t.idField = u"ID"_s;
    t.index = index;
    // The park's number and the row's own follow each other directly on every path.
    t.idRule = { QString(), QString(), QString() };
    return t;
}

EntryDefinition dxDefinition()
{
    EntryDefinition s;
    s.master = dxTable(u"dx.db"_s, u"DX_ONE"_s, u"dx"_s);
    s.master.errorPrefix = u"数据错误:"_s;
    s.master.duplicateMessage = u"编号重复"_s;
    s.master.mergeTitle = u"请选择大学科技园数据库  文件名:dx.db"_s;
    s.master.emptyQuestion = u"是否清空大学科技园数据库"_s;

    EntryTable enterprises = dxTable(u"dxzfqy.db"_s, u"DXzfqy_ONE"_s, u"dx3"_s);
    enterprises.subKeyField = u"CODE2"_s;
    enterprises.errorPrefix = u"企业数据错误:"_s;
    enterprises.duplicateMessage = u"企业编号重复"_s;
    enterprises.emptySubKeyMessage = u"企业编号不能为空"_s;
    enterprises.emptyMasterMessage = u"大学园编号不能为空"_s;
    enterprises.pageTitle = u"国家大学科技园在孵企业情况"_s;
    enterprises.view = entry::DetailView::Form;
    enterprises.mergeTitle = u"请选择大学科技园在孵企业数据库  文件名:dxzfqy.db"_s;
    enterprises.emptyQuestion = u"是否清空大学科技园在孵企业数据库数据库"_s;

    EntryTable projects = dxTable(u"dxxm.db"_s, u"Dxxm_one"_s, u"dxxm"_s);
    projects.subKeyField = u"Code2"_s;
    projects.errorPrefix = u"项目数据错误:"_s;
    projects.duplicateMessage = u"项目编号重复"_s;
    projects.emptySubKeyMessage = u"项目编号不能为空"_s;
    projects.emptyMasterMessage = u"大学园编号不能为空"_s;
    projects.pageTitle = u"国家大学科技园国家级项目一览表"_s;
    projects.view = entry::DetailView::OneGrid;
    projects.grid1 = { { u"Code2"_s, u"编号"_s, 0 }, { u"Tdf8q110"_s, u"项目名称"_s, 0 },
        { u"Tdf8q120"_s, u"企业名称"_s, 0 }, { u"Tdf8q130"_s, u"项目种类"_s, 0 },
        { u"Tdf8q140"_s, u"资助方式"_s, 0 }, { u"Tdf8q150"_s, u"资助金额"_s, 0 } };
    projects.mergeTitle = u"请选择大学科技园项目数据库（大学园填）  文件名:dxxm.db"_s;
    projects.emptyQuestion = u"是否清空大学科技园项目数据库数据库"_s;

    s.details = { enterprises, projects };
    // The detail tables are validated and registered too, so a change takes them off as well.
    s.sentMarkerSql = u"delete from sendname.db where name='dx.db' or name='dx3.db' or name='dx2.db' or "
                      u"name='dx_r.db' or name='dxzfqy.db' or name='dxxm.db'"_s;
    declareInstitution(s);
    s.missingNumberMessage = u"请先填入大学园编号"_s;
    return s;
}

} // namespace

TF_dxkjy::TF_dxkjy(QWidget* parent)
    : EntryForm(dxDefinition(), parent)
    , Table2(detailTable(0))
    , Table3(detailTable(1))
{
    setObjectName(u"F_dxkjy"_s);
    resize(792, 543);
    addMasterPage(u"国家大学科技园情况"_s, buildFieldPage(dxPage1Items, &DataSource1, 2, m_edits));
    addMasterPage(u"续表"_s, buildFieldPage(dxPage2Items, &DataSource1, 2, m_edits));
    addDetailPage(1);
    addDetailPage(0, buildFieldPage(dxzfqyItems, detail(0).source.get(), 2, m_edits));
    setNumberEdit(editOf(u"CODE"_s));
    for (int i = 1; i < m_edits.size(); ++i)
        setTabOrder(m_edits[i - 1], m_edits[i]);
}

DbEdit* TF_dxkjy::editOf(const QString& field) const
{
    return findEdit(m_edits, field);
}
