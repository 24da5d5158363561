#include "TF_gjxm.h"

#include "EntryOps.h"
#include "FieldPage.h"
#include "store/TablePath.h"
#include "widgets/AppState.h"
#include "widgets/BusyCursor.h"
#include "widgets/DbEdit.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"

#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_gjxm* F_gjxm = nullptr;

namespace {

using Item = FormItem;

const QString issuedList = u"gjxm_s.dbf"_s;

const Item coverItems[] = {
    { Item::Field, u"JB01", u"项目名称" },
    { Item::Field, u"JB02", u"项目编号" },
    { Item::Field, u"JB21", u"承担单位详细名称" },
    { Item::Field, u"JBFZR", u"单位负责人" },
    { Item::Field, u"JBTBR", u"填 表 人" },
    { Item::Field, u"JBDH", u"电话" },
    { Item::Field, u"JBSJ", u"填报时间" },
    { Item::End, nullptr, nullptr },
};

const Item basicItems[] = {
    { Item::Field, u"JB10", u"社会经济目标" },
    { Item::Field, u"JB11", u"项目活动类型" },
    { Item::Field, u"JB14", u"项目所属行业" },
    { Item::Field, u"JB15", u"项目类型" },
    { Item::Field, u"JB16", u"行政区划代码" },
    { Item::Field, u"JB18", u"进入高新区状况" },
    { Item::Section, u"第一承担单位", nullptr },
    { Item::Field, u"JB21", u"名称" },
    { Item::Field, u"JB23", u"地址" },
    { Item::Field, u"JB24", u"邮政编码" },
    { Item::Field, u"JB25", u"电话" },
    { Item::Field, u"JB26", u"组织机构代码" },
    { Item::Field, u"JB27", u"性质" },
    { Item::Note,
        u"AA.事业型研究单位 AB.大专院校 AC.政府机关 AD.群众团体 AE.\n其他事业单位 BA.转制为企业后的院所 "
        u"BB.国有企业 BC.集体 \n"
        u"BD.私营 BE.合资.BF.外资 BG.港澳台 BH.其他内资 CA.国外机构",
        nullptr },
    { Item::Field, u"JB29", u"主管单位" },
    { Item::Field, u"Jb30", u"主管部门代码" },
    { Item::End, nullptr, nullptr },
};

const Item basicMoreItems[] = {
    { Item::Section, u"其他参加单位一", nullptr },
    { Item::Field, u"JB41_1", u"单位名称" },
    { Item::Field, u"JB42_1", u"行政区划代码" },
    { Item::Field, u"JB40_1", u"单位性质" },
    { Item::Section, u"其他参加单位二", nullptr },
    { Item::Field, u"JB41_2", u"单位名称" },
    { Item::Field, u"JB42_2", u"行政区划代码" },
    { Item::Field, u"JB40_2", u"单位性质" },
    { Item::Section, u"项目负责人一", nullptr },
    { Item::Field, u"JB43_1", u"姓名" },
    { Item::Field, u"JB44_1", u"性别" },
    { Item::Field, u"JB45_1", u"出生年" },
    { Item::Field, u"JB46_1", u"学历" },
    { Item::Field, u"JB47_1", u"学位" },
    { Item::Field, u"JB48_1", u"职称" },
    { Item::Section, u"项目负责人二", nullptr },
    { Item::Field, u"JB43_2", u"姓名" },
    { Item::Field, u"JB44_2", u"性别" },
    { Item::Field, u"JB45_2", u"出生年" },
    { Item::Field, u"JB46_2", u"学历" },
    { Item::Field, u"JB47_2", u"学位" },
    { Item::Field, u"JB48_2", u"职称" },
    { Item::Section, u"技术来源与合作", nullptr },
    { Item::Field, u"JB56", u"主要技术的来源单位" },
    { Item::Note,
        u"11国外技术 21中科院 22其它部委院所 23地方属院所 24高等院校 25国有大中型企业  \n"
        u"26其它各类企业 27国内其它单位 31引进技术本企业消化创新 32自有技术",
        nullptr },
    { Item::Field, u"JB57", u"主要技术来源于哪类科技计划项目" },
    { Item::Note,
        u"11国家自然科学基金 12基础研究 13 863计划 14国家科技支撑/攻关计划 \n"
        u"17国家成果推广计划 19其他国家科技计划 21部门科技计划 31地方科技计划 99其他",
        nullptr },
    { Item::Field, u"JB58", u"技术领域" },
    { Item::Note,
        u"101-110 电子与信息  201-204 生物、医药技术  301-305 新材料  401-407 光机电一体化  \n"
        u"501-502 新能源、高效节能  601-606 环境保护 999其他高新技术",
        nullptr },
    { Item::Field, u"JB72", u"国际合作形式" },
    { Item::Note,
        u"1.外方以技术(专利)形式参与合作  2.外方以生产设备形式参与合作\n"
        u"3.外方以资金投入形式参与合作    4.外方以补偿贸易形式参与合作\n"
        u"9.其它形式的国际合作            0.未进行任何形式国际合作",
        nullptr },
    { Item::Field, u"JB73", u"国内合作单位" },
    { Item::Note,
        u"1.中科院          2.其它部委属院所  3.地方属院所    4.高等院校\n"
        u"5.国有大中型企业  6.其它各类企业    7.独立进行",
        nullptr },
    { Item::End, nullptr, nullptr },
};

const Item progressItems[] = {
    { Item::Section, u"项目计划投资", nullptr },
    { Item::Field, u"JC100", u"计划总投资" },
    { Item::Field, u"JC110", u"其中：政府拨款" },
    { Item::Field, u"JC111", u"其中：科技部拨款" },
    { Item::Field, u"JC130", u"贷款" },
    { Item::Field, u"JC150", u"自有资金" },
    { Item::Field, u"Jc151", u"其中：企业资金" },
    { Item::Field, u"JC160", u"其它资金" },
    { Item::Field, u"JC200", u"预期达产时产值" },
    { Item::Section, u"项目执行情况", nullptr },
    { Item::Field, u"JD01", u"项目时展情况" },
    { Item::Note, u"1.按计划进行 2.进度超前 3.拖延 4.停顿 5.申请撤销", nullptr },
    { Item::Field, u"JD02", u"项目拖延、停顿、撤销（JD01填3,4,5）的主要原因（最多填三项）" },
    { Item::Note,
        u"0.技术变化 1.计划性调整 2.设备、材料不落实 3.协作关系影响 4.资金不落实 \n"
        u"5.市场变化 6.技术骨干变动 7.立题不当 8.不可抗拒因素 9.其它原因",
        nullptr },
    { Item::Field, u"JD03", u"项目验收" },
    { Item::Note, u"1.已验收　　2.未验收", nullptr },
    { Item::Field, u"JD04", u"项目验收时间或预计验收时间" },
    { Item::Field, u"JD09", u"项目产品采用的技术标准类别" },
    { Item::Note, u"1.国际标准 2.国内标准 3.行业标准 4.地方标准 5.企业标准", nullptr },
    { Item::Section, u"项目实际参加人员", nullptr },
    { Item::Field, u"JL00", u"参加项目工作的主要人员" },
    { Item::Field, u"JL01", u"其中：高级职称" },
    { Item::Field, u"JL02", u"中级职称" },
    { Item::End, nullptr, nullptr },
};

const Item fundItems[] = {
    { Item::Field, u"JF100_2", u"到位资金合计" },
    { Item::Field, u"JF110_2", u"其中：政府拨款" },
    { Item::Field, u"JF111_2", u"其中：科技部拨款" },
    { Item::Field, u"JF130_2", u"贷款" },
    { Item::Field, u"JF150_2", u"自有资金" },
    { Item::Field, u"Jf151_2", u"其中：企业资金" },
    { Item::Field, u"JF160_2", u"其它资金" },
    { Item::Field, u"JF200_2", u"项目支出合计" },
    { Item::Field, u"JF210_2", u"其中：研究开发费" },
    { Item::Field, u"JF300_2", u"已偿还项目贷款" },
    { Item::End, nullptr, nullptr },
};

const Item benefitItems[] = {
    { Item::Field, u"JG10_2", u"工业总产值（现价，新规定）" },
    { Item::Field, u"JG20_2", u"产品销售收入" },
    { Item::Field, u"JG21_2", u"其中：出口创汇额" },
    { Item::Field, u"JG30_2", u"净利润额" },
    { Item::Field, u"JG40_2", u"交税总额" },
    { Item::Field, u"JG50_2", u"减免税额" },
    { Item::Field, u"JG900", u"2012年提出专利申请数" },
    { Item::Field, u"JG910", u"其中：发明专利申请" },
    { Item::Field, u"JG920", u"其中：向国外申请专利" },
    { Item::Field, u"JG90_2", u"2012年获得专利授权数" },
    { Item::Field, u"JG91_2", u"其中：发明专利授权" },
    { Item::Field, u"JG92_2", u"其中：国外授权专利" },
    { Item::End, nullptr, nullptr },
};

const Item serviceItems[] = {
    { Item::Field, u"JH000", u"项目所属类别" },
    { Item::Field, u"JH001", u"服务企业数量" },
    { Item::Field, u"JH002", u"为解决企业需求向企业提供服务" },
    { Item::Field, u"JH003", u"举办各种培训、技术交易会、推广演示会、信息发布会等活动" },
    { Item::Field, u"JH004", u"帮助企业融资" },
    { Item::Field, u"JH005", u"服务收入" },
    { Item::Field, u"JH202", u"为企业增加销售额" },
    { Item::Field, u"JH302", u"为企业增加利税" },
    { Item::Field, u"JH402", u"为企业增加就业人数" },
    { Item::Field, u"JH900", u"2012年提出专利申请数" },
    { Item::Field, u"JH910", u"其中：发明专利申请" },
    { Item::Field, u"JH920", u"其中：向国外申请专利" },
    { Item::Field, u"JH902", u"2012年获得专利授权数" },
    { Item::Field, u"JH912", u"其中：发明专利授权" },
    { Item::Field, u"JH922", u"其中：国外授权专利" },
    { Item::End, nullptr, nullptr },
};

EntryDefinition gjxmDefinition()
{
    EntryDefinition s;
    EntryTable& m = s.master;
    m.file = u"gjxm.db"_s;
    m.ruleTable = u"gjxm_chk.db"_s;
    m.keyField = u"JB00"_s;
    m.counterField = u"GJ_ONE"_s;
    m.idField = u"Id"_s;
    m.index = u"gjxm"_s;
    m.errorPrefix = u"数据错误:"_s;
    m.duplicateMessage = u"统计编号重复"_s;
    // Both unique indexes carry the name: a duplicate project name reads the same.
    m.indexMessages = { { u"gjxm"_s, u"统计编号重复"_s } };
    m.mergeTitle = u"请选择国家级项目数据库  文件名:gjxm.db"_s;
    m.emptyQuestion = u"是否清空国家级项目数据库"_s;
    s.sentMarkerSql = u"delete from sendname.db where name='gjxm.db' or name='gjxm_r.db'"_s;
    s.reportNumberCaption = u"统计编号"_s;
    s.toolbar = { entry::Action::Prior, entry::Action::Next, entry::Action::First, entry::Action::Last,
        entry::Action::Insert, entry::Action::Delete, entry::Action::Save, entry::Action::Cancel,
        entry::Action::Merge, entry::Action::Close };
    s.locateDialog = u"TF_change_r"_s;
    s.locateField = u"jb00"_s;
    s.policy.mergeSuspends = EntryPolicy::Suspend::WhenCheckOn;
    s.policy.readOnlyLabel = false;
    s.policy.bulkSuffix.clear();
    return s;
}

} // namespace

TF_gjxm::TF_gjxm(QWidget* parent)
    : EntryForm(gjxmDefinition(), parent)
{
    setObjectName(u"F_gjxm"_s);
    resize(792, 543);

    QVBoxLayout* cover = coverLayout();
    cover->insertWidget(0, formTitle(u"国家级科技计划项目执行情况调查表"_s, 16, true, TabSheet1));
    cover->insertWidget(1, formTitle(u"(Velto计划）"_s, 12, false, TabSheet1));
    m_edits.append(coverNumber);
    auto* fields = new QWidget(TabSheet1);
    addFieldRows(fields, coverItems, &DataSource1, 1, m_edits, 50);
    cover->addWidget(fields);
    cover->addStretch(1);

    addMasterPage(u"基本信息"_s, buildFieldPage(basicItems, &DataSource1, 1, m_edits));
    addMasterPage(u"基本信息续"_s, buildFieldPage(basicMoreItems, &DataSource1, 1, m_edits));
    addMasterPage(
        u"项目执行情况及项目实际参加人员"_s, buildFieldPage(progressItems, &DataSource1, 1, m_edits));
    addMasterPage(u"资金落实及支出情况"_s, buildFieldPage(fundItems, &DataSource1, 1, m_edits));
    addMasterPage(u"产业化项目效益及成果"_s, buildFieldPage(benefitItems, &DataSource1, 1, m_edits));
    addMasterPage(
        u"环境建设项目服务情况和服务效益及成果"_s, buildFieldPage(serviceItems, &DataSource1, 1, m_edits));

    for (int i = 1; i < m_edits.size(); ++i)
        setTabOrder(m_edits[i - 1], m_edits[i]);

    // A row started on the empty table (whose pages are hidden) is one added here.
    connect(&DataSource1, &DataSource::stateChange, this, [this] {
        if (!BulkMode && Table1.state() == store::DatasetState::Insert && Table1.isEmpty()
            && Table1.fieldByName(u"IS_CHGE"_s).isNull())
            Table1.fieldByName(u"IS_CHGE"_s).setValue(u"2"_s);
    });
}

DbEdit* TF_gjxm::editOf(const QString& field) const
{
    return findEdit(m_edits, field);
}

QString TF_gjxm::listStateText(const QVariant& isChge)
{
    const QString state = isChge.isNull() ? QString() : isChge.toString();
    if (state.isEmpty()) return u"  下发清单记录，未录入"_s;
    if (state == u"1"_s) return u"  下发清单记录，已录入"_s;
    if (state == u"2"_s) return u"  新增加记录"_s;
    return QString();
}

void TF_gjxm::tablesOpened()
{
    if (!Table1.isEmpty() || !QFileInfo::exists(store::resolveFilePath(issuedList))) return;
    BusyCursor busy;
    store::Table& source = sharedComponents().Table1;
    if (source.isOpen()) source.close();
    source.setTableName(issuedList);
    m_takeUnentered = true;
    KeepChangeMark = true;
    struct Back
    {
        TF_gjxm* f;
        ~Back()
        {
            f->m_takeUnentered = false;
            f->KeepChangeMark = false;
        }
    } back { this };
    mergeFromFile(Table1, source);
}

void TF_gjxm::stampMaster()
{
    EntryForm::stampMaster();
    // A merge brings the state of its source row.
    if (KeepChangeMark || BulkMode) return;
    store::Field state = Table1.fieldByName(u"IS_CHGE"_s);
    if (state.isNull() || state.asString().isEmpty()) state.setValue(u"1"_s);
}

bool TF_gjxm::takeMergeRow(store::Dataset& source)
{
    if (m_takeUnentered) return true;
    const int i = source.fieldIndex(u"IS_CHGE"_s);
    return i >= 0 && !source.value(i).isNull() && !source.value(i).toString().trimmed().isEmpty();
}

QString TF_gjxm::statusText()
{
    followListState();
    const bool any = !Table1.isEmpty() || Table1.isEditing();
    const QString number = reportNumberOf(Table1);
    QString text = u"项目编号:"_s + number + u"  当前记录:"_s + QString::number(Table1.recNo())
        + u"  总记录:"_s + QString::number(Table1.recordCount())
        + (DataSource1.isEditing() ? u"  已修改"_s : u"  未修改"_s);
    if (any) text += listStateText(Table1.fieldByName(u"IS_CHGE"_s).value());
    return text;
}

// The three fields that identify a project are issued from above: a listed project keeps
// them; only a project added here has them typed in.
void TF_gjxm::followListState()
{
    const bool any = !Table1.isEmpty() || Table1.isEditing();
    const bool added = !any || Table1.fieldByName(u"IS_CHGE"_s).asString() == u"2"_s;
    for (const char16_t* f : { u"JB00", u"JB01", u"JB02" })
        for (DbEdit* e : m_edits)
            if (e->dataField().compare(QString::fromUtf16(f), Qt::CaseInsensitive) == 0)
                e->setReadOnlyField(!added);
}

void TF_gjxm::insertRow()
{
    EntryForm::insertRow();
    Table1.fieldByName(u"IS_CHGE"_s).setValue(u"2"_s);
    updateStatusLine();
    if (coverNumber) coverNumber->setFocus();
}

void TF_gjxm::deleteRow()
{
    if (Table1.isEmpty() && !Table1.isEditing()) {
        Table1.flush();
        return;
    }
    if (Table1.fieldByName(u"IS_CHGE"_s).asString() == u"2"_s) {
        EntryForm::deleteRow();
        return;
    }
    if (!services().question(u"是否清空当前记录"_s, u"提示"_s)) return;
    clearListedRow();
}

// A listed project is never deleted: it goes back to "not entered" with only what
// identifies it.
void TF_gjxm::clearListedRow()
{
    if (CheckOn) Table1.disableConstraints();
    struct Back
    {
        TF_gjxm* f;
        ~Back()
        {
            f->KeepChangeMark = false;
            if (f->CheckOn) f->Table1.enableConstraints();
        }
    } back { this };
    if (Table1.isEditing()) Table1.cancel();
    const QVariant jb00 = Table1.fieldByName(u"JB00"_s).value();
    const QVariant jb01 = Table1.fieldByName(u"JB01"_s).value();
    const QVariant jb02 = Table1.fieldByName(u"JB02"_s).value();
    Table1.edit();
    Table1.clearFields();
    Table1.fieldByName(u"JB00"_s).setValue(jb00);
    Table1.fieldByName(u"JB01"_s).setValue(jb01);
    Table1.fieldByName(u"JB02"_s).setValue(jb02);
    KeepChangeMark = true;
    Table1.post();
    Table1.flush();
    updateStatusLine();
}
