#include "TF_bhcl.h"

#include "UploadImport.h"
#include "widgets/BusyCursor.h"
#include "widgets/AppState.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using exchange::UploadImport;

TF_bhcl* F_bhcl = nullptr;

namespace {

// The one column the user types into.
constexpr int newNumberColumn = 1;

} // namespace

// --- Window -----------------------------------------------------------------------------

TF_bhcl::TF_bhcl(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"F_bhcl"_s);
    setWindowTitle(u"编号处理"_s);
    QFont f(u"宋体"_s);
    f.setPointSizeF(10.5);
    setFont(f);
    resize(680, 480);

    Table1.setObjectName(u"Table1"_s);
    Table1.setTableName(UploadImport::listTable());
    // The rows are the delivered enterprises; none is added by hand.
    Table1.stateChange = [](store::Dataset& d) {
        if (d.state() == store::DatasetState::Insert) {
            d.cancel();
            throw store::Abort();
        }
    };
    DataSource1.setObjectName(u"DataSource1"_s);

    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(u"Label1"_s);
    Label2 = new QLabel(this);
    Label2->setObjectName(u"Label2"_s);
    QFont emphasis = Label2->font();
    emphasis.setBold(true);
    emphasis.setItalic(true);
    Label2->setFont(emphasis);
    for (QLabel* l : { Label1, Label2 })
        l->setWordWrap(true);
    layout->addWidget(Label1);
    layout->addWidget(Label2);

    DBGrid1 = new DbGrid(this);
    DBGrid1->setAppendAllowed(false); // a row of its own would renumber nothing
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->setColumns({ { u"原报表编号"_s, u"原报表编号"_s, 0, true }, { u"修改后编号"_s, u"修改后编号"_s, 0 },
        { u"法人代码"_s, u"法人代码"_s, 0, true }, { u"企业名称"_s, u"企业名称"_s, 0, true } });
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->setDataSource(&DataSource1);
    layout->addWidget(DBGrid1, 1);

    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton(u"检查报表编号并执行数据入库"_s, this);
    Button1->setObjectName(u"Button1"_s);
    Button2 = new QPushButton(u"返回"_s, this);
    Button2->setObjectName(u"Button2"_s);
    // Enter belongs to the grid's cell editor, not to a default button.
    for (QPushButton* b : { Button1, Button2 }) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addSpacing(24);
    buttons->addWidget(Button2);
    buttons->addStretch();
    layout->addLayout(buttons);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(u"ProgressBar1"_s);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    layout->addWidget(ProgressBar1);

    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
}

TF_bhcl::~TF_bhcl()
{
    DataSource1.setDataSet(nullptr);
    if (Table1.isOpen()) {
        if (Table1.isEditing()) Table1.cancel();
        Table1.close();
    }
}

void TF_bhcl::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Each showing starts over from the delivered files; a window restored by the system
    // keeps what it shows.
    if (!event->spontaneous()) guarded([this] { FormActivate(); });
}

void TF_bhcl::setInstructions(const QString& first, const QString& second)
{
    Label1->setText(first);
    Label2->setText(second);
}

void TF_bhcl::attachGrid(bool attached)
{
    DataSource1.setDataSet(attached ? &Table1 : nullptr);
}

void TF_bhcl::openList()
{
    if (!Table1.isOpen()) Table1.open();
    attachGrid(true);
    // Ready for typing the first new number, also right after a press of the button.
    DBGrid1->setSelectedColumn(newNumberColumn);
    DBGrid1->setFocus();
}

void TF_bhcl::closeList()
{
    attachGrid(false);
    if (Table1.isOpen()) {
        if (Table1.isEditing()) Table1.cancel();
        Table1.close();
    }
}

void TF_bhcl::preparationFailed(const QString& first, const QString& second)
{
    // The list would still show an earlier delivery: it is emptied, and nothing can be
    // imported until the delivery is chosen again.
    m_prepared = false;
    Button1->setEnabled(false);
    setInstructions(first, second);
    try {
        closeList();
        Table1.emptyTable();
        openList();
    } catch (const std::exception&) {
        // The error that stopped the preparation is the one the user needs to read.
    }
}

void TF_bhcl::FormActivate()
{
    m_confirmed = false;
    m_prepared = false;
    Button1->setEnabled(false);
    setInstructions(u"上报盘中的企业清单，如要修改报表编号，请在下面第二栏进行修改"_s,
        u"请注意：如果上报数据中法人代码与库中代码相同但报表编号不同刚不能执行入库"_s);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    const QString chosen = sharedComponents().OpenDialog1.fileName;
    const QString dir = chosen.isEmpty() ? u"."_s : QFileInfo(chosen).path();
    BusyCursor busy;
    closeList();
    try {
        const UploadImport::StageResult staged = UploadImport::stage(dir);
        if (!staged.complete) {
            preparationFailed(
                u"上报数据文件 %1 无法读取（%2），不能执行数据入库"_s.arg(staged.file, staged.reason),
                u"请检查所选的磁盘目录中的 kfq_1.db、kfq_2.db 和 kfq_5.db，再重新执行数据入库"_s);
            return;
        }
        UploadImport::fillListFromStage();
        openList();
    } catch (...) {
        preparationFailed(u"上报数据无法列出，不能执行数据入库"_s,
            u"请检查所选的磁盘目录中的 kfq_1.db、kfq_2.db 和 kfq_5.db，再重新执行数据入库"_s);
        throw;
    }
    m_prepared = true;
    Button1->setEnabled(true);
}

void TF_bhcl::Button1Click()
{
    if (!m_prepared) return;
    if (Table1.isOpen() && Table1.isEditing()) Table1.post();
    if (!Table1.isOpen()) openList();
    const QList<exchange::ListRow> rows = UploadImport::readList(Table1);

    BusyCursor busy;
    attachGrid(false);
    ProgressBar1->setRange(0, std::max(1, int(rows.size())));
    ProgressBar1->setValue(0);
    struct Reattach
    {
        TF_bhcl* w;
        ~Reattach()
        {
            w->attachGrid(true);
            w->ProgressBar1->setRange(0, 1);
            w->ProgressBar1->setValue(0);
        }
    };
    try {
        Reattach reattach { this };
        UploadImport::renumber(rows, [this](int row) { ProgressBar1->setValue(row); });
    } catch (const exchange::RenumberRefused& refused) {
        guarded([&] { Table1.setRecNo(refused.row() + 1); });
        DBGrid1->setSelectedColumn(newNumberColumn);
        services().error(refused.message(), u"错误窗口"_s);
        return;
    }

    setInstructions(u"以下为法人代码相同但报表编号不同、或者报表编号相同但法人代码不同的企业"_s,
        u"请在第二栏修改报表编号"_s);
    closeList();
    int clashes = 0;
    try {
        clashes = UploadImport::checkClashes();
    } catch (...) {
        openList();
        throw;
    }
    if (clashes == 0) {
        m_confirmed = true;
        accept();
        return;
    }
    openList();
}

void TF_bhcl::Button2Click()
{
    ImportConfirmed = false;
    reject();
}

void TF_bhcl::done(int result)
{
    // Only a check that found no clash lets the import go on.
    if (!m_confirmed) ImportConfirmed = false;
    guarded([this] { closeList(); });
    QDialog::done(result);
}
