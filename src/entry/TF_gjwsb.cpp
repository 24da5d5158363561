#include "TF_gjwsb.h"

#include "widgets/BusyCursor.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"
#include "widgets/WindowRegistry.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_gjwsb* F_gjwsb = nullptr;

namespace {

EntryDefinition gjwsbDefinition()
{
    EntryDefinition s;
    EntryTable& m = s.master;
    m.file = u"gj_wsb.db"_s;
    // The one rule: a reason is one of the four columns of the printed list.
    m.ruleTable = u"gj_wsb_chk.db"_s;
    m.idField.clear();
    m.grid1 = { { u"JB00"_s, u"统计编号"_s, 0, true }, { u"JB01"_s, u"项目名称"_s, 0, true },
        { u"JB02"_s, u"项目编号"_s, 0, true }, { u"YY"_s, u"原因"_s, 0 } };
    s.layout = EntryDefinition::Layout::Grid;
    s.cover = false;
    s.toolbar = { entry::Action::Save, entry::Action::Cancel, entry::Action::Close };
    s.checkSwitch = false;
    s.statusForm = entry::StatusForm::None;
    s.policy.collapseWhenEmpty = false;
    s.policy.pageSwitchesButtons = false;
    s.policy.cancelAsks = false;
    s.policy.packOnClose = false;
    return s;
}

} // namespace

const QList<QPair<QString, QString>>& TF_gjwsb::reasons()
{
    static const QList<QPair<QString, QString>> list = {
        { u"1"_s, u"验收、结题过早或已经撤项"_s },
        { u"2"_s, u"项目承担单位拒报"_s },
        { u"3"_s, u"单位迁扯或项目负责人调动"_s },
        { u"4"_s, u"其它原因"_s },
    };
    return list;
}

TF_gjwsb::TF_gjwsb(QWidget* parent)
    : EntryForm(gjwsbDefinition(), parent)
{
    setObjectName(u"F_gjwsb"_s);
    resize(792, 543);
    DBGrid1->setAppendAllowed(false);

    QStringList codes;
    for (const auto& [code, meaning] : reasons())
        codes << code + u'.' + meaning;
    auto* legend = new QLabel(u"原因：  "_s + codes.join(u"   "_s), this);
    legend->setObjectName(u"Label1"_s);
    legend->setWordWrap(true);
    legend->setContentsMargins(4, 2, 4, 2);
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, legend);

    ToolButton1 = insertToolButton(0, u"生成未上报项目清单"_s, u"ToolButton1"_s);
    connect(ToolButton1, &QToolButton::clicked, this, guard(this, &TF_gjwsb::ToolButton1Click));
}

void TF_gjwsb::ToolButton1Click()
{
    BusyCursor busy;
    store::Query& q = sharedComponents().Query1;
    if (q.isOpen()) q.close();
    q.setSql(u"select jb00,jb01,jb02 from \"gjxm.db\" where is_chge is null"_s);
    // A missing gjxm.db stops here, before the list is emptied.
    q.open();
    struct Reopen
    {
        TF_gjwsb* f;
        store::Query& q;
        ~Reopen()
        {
            cleanup([this] {
                if (q.isOpen()) q.close();
            });
            cleanup([this] {
                if (!f->Table1.isOpen()) f->Table1.open();
            });
        }
    } reopen { this, q };
    if (Table1.isEditing()) Table1.cancel();
    Table1.close();
    Table1.emptyTable();
    Table1.batchAppend(q);
}
