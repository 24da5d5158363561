#include "TF_tzjg.h"

#include "FieldPage.h"

using namespace Qt::StringLiterals;

TF_tzjg* F_tzjg = nullptr;

namespace {

using Item = FormItem;

const Item header[] = {
    { Item::Field, u"CODE", u"编号" },
    { Item::Field, u"KZ00", u"机构名称" },
    { Item::Field, u"KZ01", u"通讯地址" },
    { Item::Field, u"KZ02", u"邮政编码" },
    { Item::Field, u"KZ04", u"电话" },
    { Item::Field, u"KZ05", u"传真" },
    { Item::Field, u"KZ06", u"董事长" },
    { Item::Field, u"KZ07", u"总经理" },
    { Item::Field, u"KZ03", u"成立时间" },
    { Item::Field, u"KZ08", u"统计负责人" },
    { Item::Field, u"KZ09", u"填表人" },
    { Item::End, nullptr, nullptr },
};

const Item sections[] = {
    { Item::Section, u"一、创业投资机构基本情况", nullptr },
    { Item::Field, u"KZ10", u"机构注册资本" },
    { Item::Field, u"KZ11", u"管理资金规模" },
    { Item::Field, u"KZ12", u"机构累计投资金额" },
    { Item::Field, u"KZ13", u"累计投资项目数" },
    { Item::Field, u"KZ14", u"累计投资企业数" },
    { Item::Field, u"KZ15", u"其中：投资高新技术企业" },
    { Item::Field, u"KZ16", u"机构当年收入" },
    { Item::Field, u"KZ17", u"当年缴税总额" },
    { Item::Field, u"KZ18", u"其中：缴纳所得税" },
    { Item::Section, u"二、创业投资机构人员情况", nullptr },
    { Item::Field, u"KZ20", u"从业人员数" },
    { Item::Field, u"KZ21", u"其中：博士学位" },
    { Item::Field, u"KZ22", u"硕士学位" },
    { Item::Field, u"KZ23", u"其中：本科及研究生学历" },
    { Item::Field, u"KZ24", u"其中：从事VC业务的专职人员" },
    { Item::Field, u"KZ25", u"其中：高级专业人员" },
    { Item::Field, u"KZ26", u"专业投资经理平均年龄" },
    { Item::Section, u"三、创业投资机构当年业务情况", nullptr },
    { Item::Field, u"KZ30", u"评估项目" },
    { Item::Field, u"KZ31", u"实际投资项目" },
    { Item::Field, u"KZ32", u"当年投资总额" },
    { Item::Field, u"KZ33", u"其中：单项投资额" },
    { Item::Field, u"KZ34", u"其中：最高投资额" },
    { Item::Field, u"KZ35", u"其中：最低投资额" },
    { Item::Field, u"KZ36", u"当年投资企业" },
    { Item::Section, u"四、创业投资引导基金业务情况", nullptr },
    { Item::Field, u"KZ40", u"是否设立" },
    { Item::Field, u"KZ41", u"当年数额" },
    { Item::End, nullptr, nullptr },
};

EntryDefinition tzjgDefinition()
{
    EntryTable t;
    t.file = u"tzjg.db"_s;
    t.ruleTable = u"tzjg_chk"_s;
    t.keyField = u"CODE"_s;
    t.counterField = u"Tzjg_ONE"_s;
    t.idField = u"ID"_s;
    t.index = u"tzjg"_s;
    t.duplicateMessage = u"编号重复"_s;
    t.mergeTitle = u"请选择国家高新区创业投资机构情况数据库  文件名:tzjg.db"_s;
    t.emptyQuestion = u"是否清空国家高新区创业投资机构情况数据库"_s;
    EntryDefinition def = singleTableDefinition(6, t);
    def.layout = EntryDefinition::Layout::Panel;
    def.policy.orderAfterLocate = u"CODE"_s;
    def.policy.orderAfterMerge = u"CODE"_s;
    return def;
}

} // namespace

TF_tzjg::TF_tzjg(QWidget* parent)
    : EntryForm(tzjgDefinition(), parent)
{
    setObjectName(u"F_tzjg"_s);
    resize(792, 543);
    auto* panel = new QWidget;
    addFieldRows(panel, header, &DataSource1, 2, m_edits, 20);
    addFieldRows(panel, sections, &DataSource1, 2, m_edits);
    setPanel(panel);
    setNumberEdit(editOf(u"CODE"_s));
}
