#include "TF_tsjd.h"

#include "FieldPage.h"

using namespace Qt::StringLiterals;

TF_tsjd* F_tsjd = nullptr;

namespace {

using Item = FormItem;

const Item header[] = {
    { Item::Field, u"CODE", u"编号：" },
    { Item::Field, u"TDF911", u"产业基地名称：" },
    { Item::Field, u"TDF912", u"填报时间：" },
    { Item::Field, u"TDF913", u"通信地址：" },
    { Item::Field, u"TDF914", u"邮政编码：" },
    { Item::Field, u"TDF917", u"填表人：" },
    { Item::Field, u"TDF918", u"联系电话：" },
    { Item::End, nullptr, nullptr },
};

const Item page1[] = {
    { Item::Section, u"一、企业情况", nullptr },
    { Item::Field, u"TDF9A00", u"基地内企业" },
    { Item::Field, u"TDF9A01", u"其中：高新技术企业" },
    { Item::Field, u"TDF9A02", u"重点高新技术企业" },
    { Item::Field, u"TDF9A03", u"经认定骨干企业" },
    { Item::Field, u"TDF9A04", u"国内上市企业" },
    { Item::Field, u"TDF9A09", u"境外上市企业" },
    { Item::Field, u"TDF9A05_1", u"收入上10亿元企业" },
    { Item::Field, u"TDF9A06", u"技术开发技术服务" },
    { Item::Field, u"TDF9A07", u"规模以上工业万元\n增加值综合能耗" },
    { Item::Field, u"TDF9A08", u"工业污水处理率" },
    { Item::Section, u"二、人员情况", nullptr },
    { Item::Field, u"TDF9B21", u"日常管理机构正式编制人员" },
    { Item::Field, u"TDF9B00", u"企业从业人员" },
    { Item::Field, u"TDF9B01", u"其中：大专及以上人员" },
    { Item::Field, u"TDF9B02", u"其中：博士" },
    { Item::Field, u"TDF9B03", u"硕士" },
    { Item::Field, u"TDF9B05", u"其中：骨干企业人员" },
    { Item::Field, u"Tdf9b06", u"基地企业研究开发人员" },
    { Item::Section, u"三、服务机构情况", nullptr },
    { Item::Field, u"TDF9C00", u"国家工程技术中心" },
    { Item::Field, u"TDF9C04", u"国家工程研究中心" },
    { Item::Field, u"TDF9C01", u"省级企业技术中心" },
    { Item::Field, u"TDF9C02", u"市级企业技术中心" },
    { Item::Field, u"TDF9C03", u"企业博士后工作站" },
    { Item::Field, u"TDF9C05", u"产品检测检验平台" },
    { Item::Field, u"TDF9C06", u"基地内服务机构" },
    { Item::Field, u"TDF9C07", u"其中：孵化器" },
    { Item::Field, u"TDF9C08", u"生产力促进中心" },
    { Item::Field, u"Tdf9c09", u"技术转移机构" },
    { Item::Field, u"Tdf9c10", u"科技担保机构" },
    { Item::Field, u"Tdf9c11", u"行业组织" },
    { Item::End, nullptr, nullptr },
};

const Item page2[] = {
    { Item::Section, u"四、经济指标", nullptr },
    { Item::Field, u"TDF9D00", u"工业总产值" },
    { Item::Field, u"Tdf9d09", u"其中：骨干企业产值" },
    { Item::Field, u"TDF9D01", u"总收入" },
    { Item::Field, u"TDF9D02", u"其中：产品销售收入" },
    { Item::Field, u"TDF9D03", u"技术性收入" },
    { Item::Field, u"TDF9D04", u"商品收入" },
    { Item::Field, u"TDF9D05", u"出口创汇额" },
    { Item::Field, u"TDF9D07", u"上交税额" },
    { Item::Field, u"TDF9D08", u"净利润" },
    { Item::Field, u"Tdf9d10", u"主导产业国内占有率" },
    { Item::Field, u"Tdf9d11", u"特色产业比重" },
    { Item::Section, u"五、资金投入", nullptr },
    { Item::Field, u"TDF9E00", u"资金总投入" },
    { Item::Field, u"TDF9E05", u"其中：公共投入" },
    { Item::Field, u"Tdf9e06", u"基地内企业研究开发总投入" },
    { Item::Section, u"六、科技项目", nullptr },
    { Item::Field, u"TDF9H11", u"国家科技重大专项" },
    { Item::Field, u"TDF9H01", u"863计划" },
    { Item::Field, u"TDF9H02", u"国家科技支撑计划" },
    { Item::Field, u"TDF9H03", u"国家级Velto计划" },
    { Item::Field, u"TDF9H05", u"科技型中小企业技术创新基金" },
    { Item::Field, u"TDF9H07", u"其它国家级计划" },
    { Item::Field, u"TDF9H09", u"省级科技项目" },
    { Item::Field, u"TDF9H10", u"市级科技项目" },
    { Item::Section, u"七、专利情况", nullptr },
    { Item::Field, u"TDF9K00", u"申请国内专利" },
    { Item::Field, u"TDF9K01", u"其中：发明专利" },
    { Item::Field, u"TDF9K02", u"实用新型专利" },
    { Item::Field, u"TDF9K03", u"申请国外专利" },
    { Item::Field, u"TDF9K04", u"软件著作权登记" },
    { Item::Field, u"Tdf9k05", u"专利授权" },
    { Item::Field, u"Tdf9k06", u"其中：发明专利授权" },
    { Item::End, nullptr, nullptr },
};

EntryDefinition tsjdDefinition()
{
    EntryTable t;
    t.file = u"tsjd.db"_s;
    t.ruleTable = u"tsjd_chk"_s;
    t.keyField = u"CODE"_s;
    t.counterField = u"Tsjd_one"_s;
    t.idField = u"Id"_s;
    t.index = u"tsjd"_s;
    t.duplicateMessage = u"计划编号重复"_s;
    t.mergeTitle = u"请选择特色产业基地数据库  文件名:tsjd.db"_s;
    t.emptyQuestion = u"是否特色产业基地数据库"_s;
    EntryDefinition def = singleTableDefinition(10, t);
    // A row being inserted is given up first: the row current before it is the one deleted.
    def.policy.cancelBeforeDelete = true;
    return def;
}

} // namespace

TF_tsjd::TF_tsjd(QWidget* parent)
    : EntryForm(tsjdDefinition(), parent)
{
    setObjectName(u"F_tsjd"_s);
    resize(792, 543);
    // The identification block stands above the first heading, its long texts wider.
    auto* first = new QWidget;
    addFieldRows(first, header, &DataSource1, 2, m_edits, 20);
    addFieldRows(first, page1, &DataSource1, 2, m_edits);
    addMasterPage(u"国家Velto计划特色产业基地情况"_s, scrollingPage(first));
    addMasterPage(u"续一"_s, buildFieldPage(page2, &DataSource1, 2, m_edits));
    setNumberEdit(editOf(u"CODE"_s));
}
