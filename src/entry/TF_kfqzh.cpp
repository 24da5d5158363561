#include "TF_kfqzh.h"

#include "FieldPage.h"
#include "widgets/DbEdit.h"

#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_kfqzh* F_kfqzh = nullptr;

namespace {

using Item = FormItem;

const Item coverItems[] = {
    { Item::Field, u"KA01", u"单位名称" },
    { Item::Field, u"KA04", u"统计机构名称" },
    { Item::Field, u"KA02", u"通讯地址" },
    { Item::Field, u"KA03", u"邮政编码" },
    { Item::Field, u"KA07", u"传真" },
    { Item::Field, u"KA05", u"统计负责人" },
    { Item::Field, u"KA08", u"填表人" },
    { Item::Field, u"Ka06", u"联系电话" },
    { Item::Field, u"KA09", u"填报时间" },
    { Item::Field, u"KA10", u"E-mail" },
    { Item::Field, u"KA11", u"网址" },
    { Item::End, nullptr, nullptr },
};

const Item kbItems[] = {
    { Item::Field, u"Kb00", u"高新区实际管理面积" },
    { Item::Field, u"Kb01", u"高新区实际开发面积" },
    { Item::Field, u"KB02_3", u"高新区代管面积" },
    { Item::Field, u"KB09", u"高新区累计竣工建筑面积" },
    { Item::Field, u"KB06", u"高新区园区生产总值GDP(全口径)" },
    { Item::Field, u"KB14", u"本年高新区占所在城市生产总值(GDP)" },
    { Item::Field, u"KB03", u"高新区工商注册企业数" },
    { Item::Field, u"KB33", u"其中：留学生创办企业数(累计)" },
    { Item::Field, u"KB03_1", u"其中：当年新注册企业" },
    { Item::Field, u"KB03_3", u"其中：工业型企业" },
    { Item::Field, u"KB04", u"技术开发和技术服务型企业" },
    { Item::Field, u"KB03_4", u"内资企业" },
    { Item::Field, u"KB03_5", u"港澳台资企业" },
    { Item::Field, u"KB03_6", u"外资企业" },
    { Item::Field, u"KB13", u"其中：当年认定的高新技术企业数" },
    { Item::Field, u"Kb20", u"世界500强投资企业数" },
    { Item::Field, u"KB40", u"园区中入选国家千人计划人数" },
    { Item::Field, u"KB40_1", u"其中：园区推选入选国家千人计划人数" },
    { Item::Section, u"补充填报", nullptr },
    { Item::Field, u"KB16", u"通过ISO14000环境认证" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"KB23", u"国家知识产权局认定的试点园区" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::End, nullptr, nullptr },
};

const Item kcItems[] = {
    { Item::Section, u"一、各类投资情况", nullptr },
    { Item::Field, u"KC00", u"本年固定资产投资" },
    { Item::Field, u"KC01", u"其中：本年基本建设投资" },
    { Item::Section, u"二、资金收入情况", nullptr },
    { Item::Field, u"KC07", u"高新区财政总收入" },
    { Item::Field, u"KC07_1", u"其中：实现市本级财政收入" },
    { Item::Field, u"KC07_2", u"其中：高新区可支配财力" },
    { Item::Field, u"KC40", u"高新区财政总支出" },
    { Item::Field, u"KC41", u"高新区财政科技拨款" },
    { Item::Field, u"KC42", u"当年实际引进内资额" },
    { Item::Section, u"三、吸引外资情况", nullptr },
    { Item::Field, u"KC21", u"年末累计外商合同投资额" },
    { Item::Field, u"KC28", u"其中：外商直接投资" },
    { Item::Field, u"KC29", u"外商其他投资" },
    { Item::Field, u"KC22", u"年末累计外商实际投资额" },
    { Item::Field, u"KC30", u"其中：外商直接投资" },
    { Item::Field, u"KC31", u"外商其他投资" },
    { Item::Section, u"四、创新创业担保资金情况", nullptr },
    { Item::Field, u"KC23", u"当年实际投资额" },
    { Item::Field, u"KC24", u"高新区及其直属企业" },
    { Item::Field, u"KC25", u"创新资金" },
    { Item::Field, u"KC26", u"创业资金" },
    { Item::Field, u"KC27", u"担保资金" },
    { Item::End, nullptr, nullptr },
};

const Item kdItems[] = {
    { Item::Section, u"(一)产业促进服务机构数", nullptr },
    { Item::Field, u"KD20", u"科技企业孵化器" },
    { Item::Field, u"Kd20_1", u"其中：国家级" },
    { Item::Field, u"KD40", u"科技企业加速器" },
    { Item::Field, u"KD23", u"生产力促进中心" },
    { Item::Field, u"Kd23_1", u"其中：国家级" },
    { Item::Field, u"KD41", u"技术转移机构" },
    { Item::Field, u"Kd41_1", u"其中：国家技术转移示范机构" },
    { Item::Field, u"KD42", u"产业技术创新战略联盟" },
    { Item::Field, u"Kd42_1", u"其中：国家产业技术创新战略联盟" },
    { Item::Field, u"KD43", u"产品检验检测机构" },
    { Item::Section, u"(二)研发机构", nullptr },
    { Item::Field, u"KD50", u"研究院所" },
    { Item::Field, u"KD50_1", u"其中：国家或行业归口" },
    { Item::Field, u"KD45", u"国家重点实验室" },
    { Item::Field, u"KD51", u"企业技术中心" },
    { Item::Field, u"Kd51_1", u"其中：国家级" },
    { Item::Field, u"KD52", u"产业技术研究院" },
    { Item::Field, u"KD53", u"博士后科研工作站" },
    { Item::Field, u"Kd53_1", u"其中：国家级" },
    { Item::Field, u"KD54", u"各类大学" },
    { Item::Field, u"KD55", u"国家工程研究中心" },
    { Item::Field, u"KD56", u"国家工程技术研究中心" },
    { Item::Field, u"KD57", u"外资研发机构" },
    { Item::Field, u"KD58", u"技工学校" },
    { Item::Section, u"(三)其他专业服务机构数", nullptr },
    { Item::Field, u"KD11", u"进出口公司" },
    { Item::Field, u"KD12", u"海关分支机构" },
    { Item::Field, u"KD14", u"保税区（仓库）" },
    { Item::Field, u"KD15", u"律师事务所" },
    { Item::Field, u"KD16", u"金融机构" },
    { Item::Field, u"KD18", u"税务机构" },
    { Item::Field, u"KD19", u"审计事务所" },
    { Item::Field, u"KD22", u"人才服务机构" },
    { Item::Field, u"KD30", u"证券机构" },
    { Item::Field, u"KD31", u"保险代理机构" },
    { Item::Field, u"KD32", u"房地产公司" },
    { Item::Field, u"KD33", u"租赁公司" },
    { Item::Field, u"KD34", u"专业技术服务公司" },
    { Item::Field, u"KD35", u"综合技术服务公司" },
    { Item::End, nullptr, nullptr },
};

EntryDefinition kfqzhDefinition()
{
    EntryDefinition s;
    EntryTable& m = s.master;
    m.file = u"kfqzh.db"_s;
    m.ruleTable = u"kzh_chk.db"_s;
    m.idField.clear();
    m.errorPrefix = u"数据错误:"_s;
    s.sentMarkerSql = u"delete from sendname.db where name='kfqzh.db' or name='kfqzh_r.db'"_s;
    s.cover = false;
    s.toolbar = { entry::Action::Delete, entry::Action::Save, entry::Action::Cancel, entry::Action::Close };
    s.checkSwitch = false;
    s.statusForm = entry::StatusForm::Short;
    // One return per zone: every page stays open for keying the first one in.
    s.policy.collapseWhenEmpty = false;
    s.policy.pageSwitchesButtons = false;
    s.policy.packOnClose = false;
    return s;
}

} // namespace

TF_kfqzh::TF_kfqzh(QWidget* parent)
    : EntryForm(kfqzhDefinition(), parent)
{
    setObjectName(u"F_kfqzh"_s);
    resize(792, 543);

    auto* cover = new QWidget;
    cover->setObjectName(u"TabSheet1"_s);
    auto* layout = new QVBoxLayout(cover);
    layout->addWidget(formTitle(u"国家高新技术产业开发区综合情况报表"_s, 16, true, cover));
    auto* fields = new QWidget(cover);
    addFieldRows(fields, coverItems, &DataSource1, 1, m_edits, 40);
    layout->addWidget(fields);
    layout->addStretch(1);
    addMasterPage(u"封面"_s, cover);
    addMasterPage(u"高新区综合发展情况"_s, buildFieldPage(kbItems, &DataSource1, 1, m_edits));
    addMasterPage(u"高新区建设与资金情况"_s, buildFieldPage(kcItems, &DataSource1, 1, m_edits));
    addMasterPage(u"高新区各类服务机构情况"_s, buildFieldPage(kdItems, &DataSource1, 2, m_edits));

    for (int i = 1; i < m_edits.size(); ++i)
        setTabOrder(m_edits[i - 1], m_edits[i]);
}

DbEdit* TF_kfqzh::editOf(const QString& field) const
{
    return findEdit(m_edits, field);
}
