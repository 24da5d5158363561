#include "TF_sjgxq.h"

#include "FieldPage.h"
#include "widgets/DbMemo.h"

using namespace Qt::StringLiterals;

TF_sjgxq* F_sjgxq = nullptr;

namespace {

using Item = FormItem;

// In reading order, the figures three to a row.
const Item fields[] = {
    { Item::Title, u"省级高新技术产业开区基本情况调查表", nullptr },
    { Item::Field, u"Code", u"编号" },
    { Item::Break, nullptr, nullptr },
    { Item::Field, u"Mc", u"高新区名称" },
    { Item::Field, u"Cs", u"所在城市" },
    { Item::Break, nullptr, nullptr },
    { Item::Field, u"Zgdw", u"上级主管单位" },
    { Item::Field, u"Pzsj", u"批准时间" },
    { Item::Break, nullptr, nullptr },
    { Item::Field, u"Pzdw", u"批准单位" },
    { Item::Break, nullptr, nullptr },
    { Item::Field, u"Dz", u"通讯地址" },
    { Item::Break, nullptr, nullptr },
    { Item::Field, u"Yb", u"邮编" },
    { Item::Field, u"Dh", u"联系电话" },
    { Item::Field, u"Cz", u"传真" },
    { Item::Field, u"Wz", u"网址" },
    { Item::Field, u"Em", u"E-mail" },
    { Item::Break, nullptr, nullptr },
    { Item::Field, u"S01", u"累计开发面积" },
    { Item::Field, u"S02", u"基建投资总额" },
    { Item::Field, u"S04", u"工业总产值" },
    { Item::Field, u"S05", u"总收入" },
    { Item::Field, u"S07", u"净利润" },
    { Item::Field, u"S08", u"上缴税费" },
    { Item::Field, u"S06", u"出口创汇总额" },
    { Item::Field, u"S09", u"企业数" },
    { Item::Field, u"S09_G", u"高新技术企业数" },
    { Item::Field, u"S10", u"上市企业" },
    { Item::Field, u"S11", u"收入超亿元企业" },
    { Item::Field, u"S12", u"从业人员" },
    { Item::Field, u"S13", u"留学归国人员" },
    { Item::Field, u"S14", u"硕士以上学历" },
    { Item::Field, u"S15", u"大专以上学历" },
    { Item::Memo, u"Bz", u"备注" },
    { Item::End, nullptr, nullptr },
};

EntryDefinition sjgxqDefinition()
{
    EntryTable t;
    t.file = u"sjgxq.db"_s;
    t.ruleTable = u"sjgxq_chk"_s;
    t.keyField = u"Code"_s;
    t.counterField = u"Sjgxq_one"_s;
    t.idField = u"Id"_s;
    t.index = u"sjgxq"_s;
    t.duplicateMessage = u"编号重复"_s;
    t.mergeTitle = u"请选择省级高新技术产业开发区情况数据库  文件名:sjgxq.db"_s;
    t.emptyQuestion = u"是否清空省级高新技术产业开发区情况数据库"_s;
    EntryDefinition def = singleTableDefinition(11, t);
    def.layout = EntryDefinition::Layout::Panel;
    // No switch: the rules hold always, except while a delivery is taken in.
    def.checkSwitch = false;
    def.policy.mergeSuspends = EntryPolicy::Suspend::Always;
    def.policy.clearPxhOnMerge = false;
    def.policy.orderAfterLocate = u"Code"_s;
    def.policy.orderAfterMerge = u"Code"_s;
    return def;
}

} // namespace

TF_sjgxq::TF_sjgxq(QWidget* parent)
    : EntryForm(sjgxqDefinition(), parent)
{
    setObjectName(u"F_sjgxq"_s);
    resize(792, 543);
    auto* panel = new QWidget;
    addFieldRows(panel, fields, &DataSource1, 3, m_edits);
    m_memo = panel->findChild<DbMemo*>(u"Bz"_s);
    setPanel(panel);
    setNumberEdit(editOf(u"Code"_s));
}
