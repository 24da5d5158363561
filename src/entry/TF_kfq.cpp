#include "TF_kfq.h"

#include "FieldPage.h"
#include "shell/ReportKinds.h"
#include "store/TablePath.h"
#include "widgets/AppState.h"
#include "widgets/BusyCursor.h"
#include "widgets/DbEdit.h"
#include "widgets/ScrollPage.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_kfq* F_kfq = nullptr;

namespace {

using Item = FormItem;

const Item coverItems[] = {
    { Item::Field, u"QA18", u"是否填写国家统计局一套表" },
    { Item::Field, u"QA03", u"企业组织机构代码" },
    { Item::Field, u"QA19", u"行政区划代码" },
    { Item::Field, u"QA04", u"企业详细名称" },
    { Item::Field, u"QA15", u"法人性质" },
    { Item::Field, u"QA05", u"企业通讯地址" },
    { Item::Field, u"QA06", u"邮政编码" },
    { Item::Field, u"QA07", u"企业注册地址" },
    { Item::Field, u"QA08", u"企业负责人" },
    { Item::Field, u"QA09", u"联系电话" },
    { Item::Field, u"QA10", u"传真" },
    { Item::Field, u"QA11", u"填报人" },
    { Item::Field, u"Qa17", u"填报人电话" },
    { Item::Field, u"QA12", u"填报时间" },
    { Item::Field, u"QA13", u"E-mail" },
    { Item::Field, u"QA14", u"网址" },
    { Item::End, nullptr, nullptr },
};

const Item qbItems[] = {
    { Item::Field, u"QB101", u"企业隶属关系" },
    { Item::Note,
        u"10 中央  20 省(自治区直辖市)\n40 地(区市州盟)\n50 县(区市旗) 61 街道\n62 镇 63 乡 71 "
        u"社区(居委会)\n72 村委会 90 其他",
        nullptr },
    { Item::Field, u"QB101_1", u"是否高新管委会直属" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"QB02", u"行业类别" },
    { Item::Field, u"QB03", u"行业代码" },
    { Item::Note, u"根据国民经济行业分类\n    (GB/T4754-2011)进行划分", nullptr },
    { Item::Field, u"QB04", u"企业注册时间" },
    { Item::Field, u"QB04_1", u"注册资金是否大于500万" },
    { Item::Note, u"1.是   2.否", nullptr },
    { Item::Field, u"QB06", u"企业登记注册类型" },
    { Item::Note, u"根据《企业登记注册类型与\n代码》填写（见指标解释）", nullptr },
    { Item::Field, u"QB07", u"企业进区" },
    { Item::Note, u"是否进入国家级高新技术产业开发区\n1.已进区 2.未进区", nullptr },
    { Item::Field, u"QB08", u"进区时间" },
    { Item::Note, u"已进区企业被批准入区时间", nullptr },
    { Item::Field, u"QB09", u"企业集团情况" },
    { Item::Field, u"QB10", u"直接上级法人单位组织机构代码" },
    { Item::Note,
        u"本企业是\n1 集团母公司(核心企业或集团总部)\n2 "
        u"企业集团的成员企业\n\nQB09如为2，请填直接上级法人\n单位组织机构代码",
        nullptr },
    { Item::Field, u"QB11", u"企业认定" },
    { Item::Note, u"是否经过认定的高新技术企业\n1.是  2.否", nullptr },
    { Item::Field, u"Qb13", u"认定高企证书编号" },
    { Item::Note, u"认定高企证书编号", nullptr },
    { Item::Field, u"QB19", u"认定或复审" },
    { Item::Note, u"1.认定 2.复审", nullptr },
    { Item::Field, u"QB12", u"企业被认定（复审）为高新技术企业的时间" },
    { Item::Note, u"企业被认定（复审）为高新技术企业的时间", nullptr },
    { Item::Field, u"QB14", u"与科技企业孵化器关系" },
    { Item::Field, u"Qb14_1", u"入孵时间" },
    { Item::Field, u"Qb14_2", u"毕业时间" },
    { Item::Note, u"1.在孵企业\n \n2.毕业企业\n\n入孵时间\n\n\n毕业时间", nullptr },
    { Item::Field, u"QB16", u"企业所属领域(只限一项)" },
    { Item::Field, u"QB15", u"上市情况" },
    { Item::Field, u"QB15_1", u"股票代码" },
    { Item::Field, u"Qb15_2", u"上市时间" },
    { Item::Note,
        u"1.深交所主板  2.上交所 3.新加坡\n4.香港  5.纳斯达克  6.纽约交易所\n7.日本  8.英国  "
        u"9.其他\n10.深交所创业版  11.新三板\n12.深交所中小板\n\n股票代码\n\n上市时间",
        nullptr },
    { Item::Field, u"Qb18", u"控股情况" },
    { Item::Note, u"1.国有控股\n2.集体控股\n3.私人控股\n4.港澳台控股\n5.外商控股\n6.其它", nullptr },
    { Item::End, nullptr, nullptr },
};

const Item qcItems[] = {
    { Item::Field, u"QC02", u"工业总产值" },
    { Item::Field, u"QC04", u"工业销售产值" },
    { Item::Field, u"QC05", u"总收入" },
    { Item::Field, u"Qc55", u"其中：主营业务收入" },
    { Item::Field, u"QC06", u"其中：技术收入" },
    { Item::Field, u"Qc06_1", u"其中：技术转让" },
    { Item::Field, u"Qc06_2", u"技术承包" },
    { Item::Field, u"Qc06_3", u"技术咨询与服务" },
    { Item::Field, u"Qc06_4", u"接受委托研究开发" },
    { Item::Field, u"QC07", u"产品销售收入" },
    { Item::Field, u"QC09", u"其中：高新技术产品" },
    { Item::Field, u"QC10", u"商品销售收入" },
    { Item::Field, u"QC49", u"其它收入" },
    { Item::Field, u"QC42", u"其中：软件产品销售收入" },
    { Item::Field, u"QC52", u"进出口总额" },
    { Item::Field, u"QC11", u"其中：出口总额" },
    { Item::Field, u"Qc38", u"其中：高新技术产品出口" },
    { Item::Field, u"Qc11_1", u"技术服务出口" },
    { Item::Field, u"QC120", u"营业利润" },
    { Item::Field, u"QC12", u"净利润" },
    { Item::Field, u"QC13", u"实际上缴税费总额" },
    { Item::Field, u"QC14", u"其中：增值税" },
    { Item::Field, u"QC15", u"营业税" },
    { Item::Field, u"QC16", u"所得税" },
    { Item::Field, u"QC17", u"减免税总额" },
    { Item::Field, u"QC18", u"其中：增值税" },
    { Item::Field, u"QC19", u"营业税" },
    { Item::Field, u"QC20", u"所得税" },
    { Item::Field, u"Qc20_1", u"享受高新技术企业所得税减免" },
    { Item::Field, u"Qc20_2", u"研发加计扣除所得税减免" },
    { Item::Field, u"Qc20_3", u"技术转移所得减免" },
    { Item::Field, u"Qc60", u"补贴收入" },
    { Item::Field, u"Qc62", u"应交增值税" },
    { Item::Field, u"QC51", u"本年应付职工薪酬" },
    { Item::Field, u"QC22", u"总成本与费用" },
    { Item::Field, u"QC23", u"其中：利息支出" },
    { Item::Field, u"QC24", u"年末资产总计" },
    { Item::Field, u"QC25", u"其中：流动资产" },
    { Item::Field, u"QC26", u"长期投资" },
    { Item::Field, u"QC27", u"固定资产合计" },
    { Item::Field, u"QC28", u"其中：固定资产原价" },
    { Item::Field, u"QC65", u"其中：累计折旧" },
    { Item::Field, u"QC61", u"其中：本年折旧" },
    { Item::Field, u"QC30", u"无形资产" },
    { Item::Field, u"QC31", u"年末负债合计" },
    { Item::Field, u"QC32", u"其中：银行贷款" },
    { Item::Field, u"QC33", u"年末所有者权益" },
    { Item::Field, u"QC34", u"其中：实收资本" },
    { Item::Field, u"Qc63", u"其中：企业上市融资股本" },
    { Item::Field, u"Qc50", u"其中：企业海外上市股本融资" },
    { Item::Field, u"QC35", u"其中：国家资本" },
    { Item::Field, u"Qc45", u"集体资本" },
    { Item::Field, u"Qc46", u"法人资本" },
    { Item::Field, u"Qc47", u"个人资本" },
    { Item::Field, u"Qc48", u"港澳台资本" },
    { Item::Field, u"Qc36", u"外商资本" },
    { Item::Field, u"Qc39", u"对外直接投资额" },
    { Item::Field, u"Qc40", u"本年完成固定资产投资额" },
    { Item::Field, u"Qc41", u"规模以上工业企业综合能源消费量" },
    { Item::Field, u"QC70", u"补充资料：2012年是否已列入“营业税改增值税”企业范围： 1.是  2.否" },
    { Item::Field, u"QC70_1", u"2011年营业税税率" },
    { Item::Field, u"QC70_2", u"2012年改征增值税税率" },
    { Item::Field, u"QC71", u"2012年度实际税负" },
    { Item::Field, u"QC71_1", u"增加额" },
    { Item::Field, u"QC71_2", u"减少额" },
    { Item::Note,
        u"如是，则填：2011年营业税税率：              2012年改征增值税税率：\n\n            "
        u"2012年度实际税负：  1.增加                增加额：\n\n                                2.减少       "
        u"         减少额：",
        nullptr },
    { Item::End, nullptr, nullptr },
};

const Item qdItems[] = {
    { Item::Section, u"从业人员情况", nullptr },
    { Item::Field, u"QD01", u"年末从业人员" },
    { Item::Field, u"QD03", u"其中：留学归国人员" },
    { Item::Field, u"QD04", u"其中：硕士以上" },
    { Item::Field, u"Qd23", u"工程技术人员" },
    { Item::Field, u"Qd25", u"外籍常驻人员" },
    { Item::Field, u"Qd21", u"引进外籍专家" },
    { Item::Field, u"Qd14", u"当年吸纳高校应届毕业生" },
    { Item::Field, u"Qd24", u"参加社保人数" },
    { Item::Section, u"按学历分", nullptr },
    { Item::Field, u"QD05", u"从业人员年平均数" },
    { Item::Field, u"Qd18", u"研究生" },
    { Item::Field, u"QD06", u"其中：博士" },
    { Item::Field, u"QD07", u"硕士" },
    { Item::Field, u"QD08", u"本科" },
    { Item::Field, u"QD09", u"大专" },
    { Item::Field, u"QD10", u"中专" },
    { Item::Field, u"Qd01_1", u"理工类本科学历以上人员" },
    { Item::Section, u"按职称分", nullptr },
    { Item::Field, u"QD11", u"高级" },
    { Item::Field, u"QD12", u"中级" },
    { Item::Field, u"QD13", u"初级" },
    { Item::Section, u"补充资料：企业法人", nullptr },
    { Item::Field, u"QD19", u"性别" },
    { Item::Field, u"QD20", u"出生年份" },
    { Item::Field, u"QD22", u"学历" },
    { Item::End, nullptr, nullptr },
};

const Item qjItems[] = {
    { Item::Section, u"一、科技活动人员情况", nullptr },
    { Item::Field, u"Qj09", u"科技活动人员合计" },
    { Item::Field, u"Qj11", u"其中：参加科技项目人员" },
    { Item::Field, u"Qj67", u"科技管理和服务人员" },
    { Item::Field, u"Qj66", u"其中：女性" },
    { Item::Field, u"Qj12", u"其中：高中级技术职称人员" },
    { Item::Field, u"Qj13", u"无高中级技术职称博士人员" },
    { Item::Field, u"Qj09_1", u"其中：全时人员" },
    { Item::Section, u"二、科技活动费用情况", nullptr },
    { Item::Field, u"Qj23", u"企业内部用于科技活非政府经费支出合计" },
    { Item::Field, u"Qj23_1", u"人员人工费(包括各种补贴)" },
    { Item::Field, u"Qj23_2", u"原材料费" },
    { Item::Field, u"Qj23_3", u"折旧费用与长期费用摊销" },
    { Item::Field, u"Qj23_4", u"无形资产摊销" },
    { Item::Field, u"Qj23_5", u"其他费用" },
    { Item::Field, u"Qj33", u"委托外单位开展科技活动支出" },
    { Item::Field, u"Qj33_1", u"其中：对境内研究机构支出" },
    { Item::Field, u"Qj33_2", u"对境内高等学校支出" },
    { Item::Field, u"Qj33_3", u"对境外支出" },
    { Item::Field, u"Qj250", u"企业内部用于科技活动的非政府固定资产" },
    { Item::Field, u"Qj251", u"其中：仪器和设备" },
    { Item::Field, u"Qj252", u"使用来自政府资金用于内部科技活动" },
    { Item::Section, u"三、科技项目情况", nullptr },
    { Item::Field, u"Qi09", u"全部科技项目数" },
    { Item::Field, u"Qj53", u"全部科技项目内部经费支出" },
    { Item::Section, u"四、企业办科技机构情况", nullptr },
    { Item::Field, u"Qi01", u"机构数" },
    { Item::Field, u"Qi07", u"机构人员合计" },
    { Item::Field, u"Qi10", u"其中：博士毕业" },
    { Item::Field, u"Qi11", u"硕士毕业" },
    { Item::Field, u"Qi20", u"本科毕业" },
    { Item::Field, u"Qi14", u"机构经费支出" },
    { Item::Field, u"Qi17", u"仪器和设备原价" },
    { Item::Field, u"Qi21", u"其中：进口" },
    { Item::Section, u"五、科技活动产出及相关情况", nullptr },
    { Item::Section, u"(一)自主知识产权情况", nullptr },
    { Item::Field, u"Qj55", u"申请专利" },
    { Item::Field, u"Qj56", u"其中：发明专利" },
    { Item::Field, u"Qj55_1", u"其中：申请欧美日专利" },
    { Item::Field, u"Qj74", u"授权专利" },
    { Item::Field, u"Qj57", u"其中：授权发明专利" },
    { Item::Field, u"Qj75", u"其中：授权欧美日专利" },
    { Item::Field, u"Qj83", u"拥有有效专利" },
    { Item::Field, u"Qj73", u"其中：发明专利" },
    { Item::Field, u"QJ73_1", u"其中：境外授权发明专利" },
    { Item::Field, u"QJ83_1", u"其中：拥有境外授权专利" },
    { Item::Field, u"Qj82", u"其中：拥有欧美日专利" },
    { Item::Field, u"Qi23", u"专利所有权转让及许可" },
    { Item::Field, u"Qi24", u"专利所有权转让及许可收入" },
    { Item::Section, u"(二)新产品生产及销售情况", nullptr },
    { Item::Field, u"Qj70", u"新产品产值" },
    { Item::Field, u"Qj71", u"新产品销售收入" },
    { Item::Field, u"Qj72", u"其中：出口" },
    { Item::Section, u"(三)境外分支机构设立情况", nullptr },
    { Item::Field, u"Qj99", u"其中：境外营销服务机构数" },
    { Item::Field, u"Qj90", u"境外技术研发机构数" },
    { Item::Field, u"Qj92", u"境外生产制造基地数" },
    { Item::Section, u"(四)其他情况", nullptr },
    { Item::Field, u"Qi25", u"发表科技论文" },
    { Item::Field, u"Qj79", u"拥有注册商标" },
    { Item::Field, u"Qj77", u"其中：当年注册商标" },
    { Item::Field, u"Qj79_1", u"其中：境外注册商标" },
    { Item::Field, u"Qj85", u"软件著作权" },
    { Item::Field, u"Qj85_1", u"其中：当年获得软件著作权" },
    { Item::Field, u"Qj86", u"集成电路布图" },
    { Item::Field, u"Qj86_1", u"其中：当年获得集成电路布图" },
    { Item::Field, u"Qj87", u"植物新品种" },
    { Item::Field, u"Qj87_1", u"其中：当年获得植物新品种" },
    { Item::Field, u"Qj98", u"形成国际标准" },
    { Item::Field, u"Qi27", u"形成国家或行业标准" },
    { Item::Field, u"Qi28_1", u"获得国家科技奖励" },
    { Item::Section, u"六、技术获取和技术改造情况", nullptr },
    { Item::Field, u"Qj58", u"技术改造经费支出" },
    { Item::Field, u"Qj59", u"引进国外技术经费支出" },
    { Item::Field, u"Qj61", u"引进技术的消化吸收经费支出" },
    { Item::Field, u"Qj62", u"购买国内技术经费支出" },
    { Item::Field, u"Qj80", u"技术合同成交总额" },
    { Item::End, nullptr, nullptr },
};

const Item bottomItems[] = {
    { Item::Section, u"补充资料：企业在海外设立的技术研发机构所在", nullptr },
    { Item::Field, u"Qi19_1", u"美国" },
    { Item::Field, u"Qi19_2", u"欧盟" },
    { Item::Field, u"Qi19_3", u"日本" },
    { Item::Field, u"Qi19_4", u"其他" },
    { Item::Section, u"知识产权获取方式", nullptr },
    { Item::Field, u"Qj88_1", u"" },
    { Item::Field, u"Qj88_2", u"" },
    { Item::Field, u"Qj88_3", u"" },
    { Item::Field, u"Qj88_4", u"" },
    { Item::Field, u"Qj88_5", u"" },
    { Item::Note, u"1.自主研发     2.受让     3.受赠     4.并购     5.通过5年以上独占许可", nullptr },
    { Item::End, nullptr, nullptr },
};

EntryDefinition kfqDefinition()
{
    EntryDefinition s;
    s.master.file = u"kfq_1.db"_s;
    s.master.ruleTable = u"kfq1_chk"_s;
    s.master.keyField = u"qa01"_s;
    s.master.counterField = u"qa_one"_s;
    s.master.index = u"kfq_1"_s;
    s.master.errorPrefix = u"企业数据错误:"_s;
    s.master.duplicateMessage = u"企业报表编号重复"_s;
    s.master.indexMessages = { { u"kfq_13"_s, u"企业名称重复"_s }, { u"kfq_12"_s, u"企业法人代码重复"_s } };
    s.master.mergeTitle = u"请选择企业数据库  文件名:kfq_1.db"_s;
    s.master.emptyQuestion = u"是否清空企业数据库"_s;

    EntryTable products;
    products.file = u"kfq_2.db"_s;
    products.ruleTable = u"kfq2_chk"_s;
    products.keyField = u"qa01"_s;
    products.subKeyField = u"qe01"_s;
    products.counterField = u"qe_one"_s;
    products.index = u"kfq_2"_s;
    products.errorPrefix = u"产品数据错误:"_s;
    products.duplicateMessage = u"产品序号重复"_s;
    products.emptySubKeyMessage = u"产品编号不能为空"_s;
    products.emptyMasterMessage = u"企业报表编号不能为空"_s;
    products.pageTitle = u"主要产品概况"_s;
    products.grid1 = { { u"QE01"_s, u"序号"_s, 0 }, { u"QE02"_s, u"产品名称"_s, 0 },
        { u"QE03"_s, u"技术领域"_s, 0 }, { u"QE04"_s, u"技术水平"_s, 0 }, { u"QE05"_s, u"技术来源A"_s, 0 },
        { u"QE06"_s, u"技术来源B"_s, 0 }, { u"QE07"_s, u"立项情况"_s, 0 }, { u"QE08"_s, u"质量标准"_s, 0 },
        { u"QE09"_s, u"核心知识产权"_s, 0 } };
    products.grid2 = { { u"QE11"_s, u"投产年份"_s, 0 }, { u"QE12"_s, u"国际合作形式"_s, 0 },
        { u"QE13"_s, u"国内合作单位"_s, 0 }, { u"QE14"_s, u"全年产品产值"_s, 0 },
        { u"QE15"_s, u"全年产品销售收入"_s, 0 }, { u"QE16"_s, u"其中：创汇"_s, 0 },
        { u"QE17"_s, u"主要出口地区"_s, 0 } };
    products.mergeTitle = u"请选择产品数据库  文件名:kfq_2.db"_s;
    products.emptyQuestion = u"是否清空产品数据库"_s;

    EntryTable projects;
    projects.file = u"kfq_5.db"_s;
    projects.ruleTable = u"kfq5_chk"_s;
    projects.keyField = u"qa01"_s;
    projects.subKeyField = u"qh00"_s;
    projects.counterField = u"qh_one"_s;
    projects.index = u"kfq_5"_s;
    projects.errorPrefix = u"科技项目数据错误:"_s;
    projects.duplicateMessage = u"科技项目序号重复"_s;
    projects.emptySubKeyMessage = u"科技项目序号不能为空"_s;
    projects.emptyMasterMessage = u"企业报表编号不能为空"_s;
    projects.pageTitle = u"科技项目情况"_s;
    projects.grid1 = { { u"Qh00"_s, u"序号"_s, 0 }, { u"Xmmc"_s, u"项目名称"_s, 0 },
        { u"Qh11"_s, u"项目来源"_s, 0 }, { u"Qh31"_s, u"合作形式"_s, 0 }, { u"Qh21"_s, u"成果形式"_s, 0 },
        { u"Qh32"_s, u"技术经济目标"_s, 0 }, { u"Qh33"_s, u"活动类型"_s, 0 }, { u"Qh34"_s, u"起始日期"_s, 0 },
        { u"Qh35"_s, u"完成日期"_s, 0 } };
    projects.grid2 = { { u"Qh36"_s, u"跨年度项目所处进展阶段"_s, 0 }, { u"Qh44"_s, u"参加项目人员"_s, 0 },
        { u"Qh40"_s, u"项目人员实际工作时间"_s, 0 }, { u"Qh51"_s, u"项目经费内部支出"_s, 0 } };
    projects.mergeTitle = u"请选择科技项目情况数据库  文件名:kfq_5.db"_s;
    projects.emptyQuestion = u"是否清空科技项目情况数据库"_s;

    s.details = { products, projects };
    s.sentMarkerSql = reportKindOf(1)->sentMarkerSql;
    s.statusForm = entry::StatusForm::Full;
    s.locateDialog = u"TF_change_r2"_s;
    return s;
}

} // namespace

TF_kfq::TF_kfq(QWidget* parent)
    : EntryForm(kfqDefinition(), parent)
    , Table2(detailTable(0))
    , Table5(detailTable(1))
{
    setObjectName(u"F_kfq"_s);
    resize(792, 543);

    // Cover: the report's title, then the number (placed by the frame) and the fields.
    QVBoxLayout* cover = coverLayout();
    cover->insertWidget(0, formTitle(u"国家高新技术产业开发区企业统计报表"_s, 16, true, TabSheet1));
    cover->insertWidget(1,
        formTitle(
            u"（区外经各地方高新技术企业认定管理机构认定的高新技术企业同时适用）"_s, 10, false, TabSheet1));
    m_edits.append(coverNumber);
    auto* fields = new QWidget(TabSheet1);
    addFieldRows(fields, coverItems, &DataSource1, 1, m_edits, 50);
    auto* area = new ScrollPage(TabSheet1);
    area->setWidget(fields);
    cover->addWidget(area, 1);

    addMasterPage(u"企业概况"_s, buildFieldPage(qbItems, &DataSource1, 1, m_edits));
    addMasterPage(u"经济概况"_s, buildFieldPage(qcItems, &DataSource1, 2, m_edits));
    addMasterPage(u"人员概况"_s, buildFieldPage(qdItems, &DataSource1, 2, m_edits));
    addDetailPage(0);

    // Science and technology: the sections scroll, the bottom panel stays in view.
    auto* tech = new QWidget;
    auto* techLayout = new QVBoxLayout(tech);
    techLayout->setContentsMargins(0, 0, 0, 0);
    techLayout->addWidget(buildFieldPage(qjItems, &DataSource1, 2, m_edits), 1);
    auto* bottom = new QFrame(tech);
    bottom->setFrameShape(QFrame::StyledPanel);
    addFieldRows(bottom, bottomItems, &DataSource1, 5, m_edits);
    techLayout->addWidget(bottom);
    addMasterPage(u"企业科技活动及相关情况"_s, tech);
    addDetailPage(1);

    for (int i = 1; i < m_edits.size(); ++i)
        setTabOrder(m_edits[i - 1], m_edits[i]);
}

void TF_kfq::ToolButton11Click()
{
    FileDialog& dialog = sharedComponents().OpenDialog1;
    // However the import ends, the dialog serves every later use again and the window is
    // back on its cover.
    struct Back
    {
        TF_kfq* f;
        FileDialog& dialog;
        ~Back()
        {
            dialog.fileName.clear();
            dialog.setFilter(u"*.db;*.dbf|*.db;*.dbf"_s);
            dialog.filterIndex = 0;
            f->setActive(&f->Table1, &f->DataSource1);
            f->showFirstPage();
            cleanup([this] { f->syncPage(); });
        }
    } back { this, dialog };
    dialog.title = u"请选择上报企业数据的磁盘目录"_s;
    dialog.fileName.clear();
    dialog.setFilter(u"kfq_1.dbf|kfq_1.db"_s);
    dialog.filterIndex = 0;
    if (!dialog.execute()) return;

    // Written by the renumbering window, removed here whether merged or not.
    const QStringList uploads { u"tmp\\kfq_1.db"_s, u"tmp\\kfq_2.db"_s, u"tmp\\kfq_5.db"_s };
    auto removeUploads = [&uploads] {
        QStringList left;
        for (const QString& u : uploads)
            if (!store::removeTableFiles(store::resolveTablePath(u))) left.append(u);
        return left;
    };
    try {
        ImportConfirmed = true;
        QWidget* renumbering = windowRegistry().window(u"TF_bhcl"_s, this);
        if (!renumbering) {
            ImportConfirmed = false;
            services().information(u"该功能尚未提供"_s, u"提示"_s);
        } else {
            services().showModal(renumbering);
        }
        if (ImportConfirmed) {
            BusyCursor busy;
            store::Table& source = sharedComponents().Table1;
            store::Table* targets[] = { &Table1, &Table2, &Table5 };
            DataSource* sources[] = { &DataSource1, detail(0).source.get(), detail(1).source.get() };
            for (int i = 0; i < 3; ++i) {
                if (source.isOpen()) source.close();
                source.setTableName(uploads[i]);
                setActive(targets[i], sources[i]);
                mergeFromFile(*targets[i], source);
            }
        }
    } catch (...) {
        removeUploads();
        throw;
    }
    const QStringList left = removeUploads();
    if (!left.isEmpty()) throw store::StoreError(u"无法删除上报数据的临时文件 %1"_s.arg(left.join(u"、"_s)));
}
