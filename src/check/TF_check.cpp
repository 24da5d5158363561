#include "TF_check.h"

#include "TF_check_p.h"

#include "shell/ReportKinds.h"
#include "widgets/AppState.h"
#include "widgets/DataSource.h"
#include "widgets/DbGrid.h"
#include "widgets/Services.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_check* F_check = nullptr;

TF_check::TF_check(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(u"F_check"_s);
    Table1.setObjectName(u"Table1"_s);
    resize(760, 520);
    QFont f(u"宋体"_s);
    f.setPointSizeF(10.5);
    setFont(f);

    DataSource1 = new DataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->setReadOnly(true);
    DBGrid1->setColumns({ { u"状态"_s, {}, 48 }, { u"序号"_s, {}, 48 }, { u"编号"_s, {}, 72 },
        { u"字段名"_s, {}, 72 }, { u"字段值"_s, {}, 90 }, { u"错误信息"_s, {}, 380 } });
    DBGrid1->setDataSource(DataSource1);
    // The message column takes the room the window has; longer messages show whole in
    // the grid's tool tip.
    DBGrid1->horizontalHeader()->setStretchLastSection(true);

    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    Button1 = button(u"Button1"_s, u"进行校验"_s);
    Button2 = button(u"Button2"_s, u"打印预览"_s);
    Button3 = button(u"Button3"_s, u"打印"_s);
    Button4 = button(u"Button4"_s, u"修改报表"_s);
    Button5 = button(u"Button5"_s, u"返回"_s);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(u"ProgressBar1"_s);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : { Button1, Button2, Button3, Button4, Button5 })
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons);
    layout->addWidget(ProgressBar1);

    connect(Button1, &QPushButton::clicked, this, guard(this, &TF_check::Button1Click));
    connect(Button2, &QPushButton::clicked, this, guard(this, &TF_check::Button2Click));
    connect(Button3, &QPushButton::clicked, this, guard(this, &TF_check::Button3Click));
    connect(Button4, &QPushButton::clicked, this, guard(this, &TF_check::Button4Click));
    connect(Button5, &QPushButton::clicked, this, guard(this, &TF_check::Button5Click));
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, guard(this, &TF_check::DBGrid1DblClick));

    m_run.setProgressHandler([this](int value, int maximum) {
        ProgressBar1->setMaximum(std::max(maximum, 1));
        ProgressBar1->setValue(value);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}

TF_check::~TF_check()
{
    DataSource1->setDataSet(nullptr);
}

bool TF_check::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !m_openFailed) guarded([this] { FormActivate(); });
    return QWidget::event(event);
}

// Shown modally the window prepares at once, even where no activation follows. When it
// cannot (no catalogue rows for the kind, a missing results table) it says why once and
// closes, instead of failing again on the activation that follows the message.
void TF_check::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_openFailed = false;
    if (!guarded([this] { FormActivate(); }) && !Table1.isOpen()) {
        m_openFailed = true;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TF_check::closeEvent(QCloseEvent* event)
{
    guarded([this] { FormClose(); });
    event->accept();
}

void TF_check::attachGrid()
{
    DataSource1->setDataSet(&Table1);
}

void TF_check::FormActivate()
{
    if (Table1.isOpen()) return;
    m_run.prepare(ReportKind);
    setWindowTitle(m_run.caption());
    Table1.setTableName(m_run.resultTable());
    Table1.open();
    attachGrid();
}

void TF_check::Button1Click()
{
    DataSource1->setDataSet(nullptr);
    Table1.close();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore
    {
        TF_check* w;
        ~Restore()
        {
            QApplication::restoreOverrideCursor();
            w->ProgressBar1->setValue(0);
            // Also after a failed run: the rows appended up to the error are shown.
            try {
                w->Table1.open();
                w->Table1.first();
                w->attachGrid();
            } catch (const store::StoreError&) {
            }
        }
    } restore { this };
    if (!m_run.isPrepared()) m_run.prepare(ReportKind);
    m_run.run(path);
}

void TF_check::preparePrintout()
{
    DataSource1->setDataSet(nullptr);
    if (!Table1.isOpen()) Table1.open();
    if (!F_check_p) {
        if (auto* w = qobject_cast<TF_check_p*>(windowRegistry().window(u"TF_check_p"_s, this)); w)
            F_check_p = w;
        else
            F_check_p = new TF_check_p(this);
    }
    F_check_p->Table1.close();
    F_check_p->Table1.setTableName(Table1.tableName());
    F_check_p->Table1.open();
    store::Table& title = F_check_p->Table2;
    if (!title.isOpen()) title.open();
    title.first();
    if (title.isEmpty())
        title.append();
    else
        title.edit();
    title.fieldByName(u"Text"_s).setValue(windowTitle());
    title.post();
    attachGrid();
}

void TF_check::Button2Click()
{
    preparePrintout();
    F_check_p->preview();
}

void TF_check::Button3Click()
{
    preparePrintout();
    F_check_p->print();
}

void TF_check::Button4Click()
{
    DBGrid1DblClick();
}

void TF_check::DBGrid1DblClick()
{
    if (!Table1.isOpen()) return;
    LocateValue = Table1.fieldByName(u"编号"_s).asString();
    LocateValue2.clear();
    LocateOnOpen = true;
    const ReportKindInfo* kind = reportKindOf(ReportKind);
    if (!kind || kind->locateField.isEmpty()) return;
    LocateField = kind->locateField;
    if (kind->secondKey && Table1.fieldIndex(u"code2"_s) >= 0)
        LocateValue2 = Table1.fieldByName(u"code2"_s).asString();
    QWidget* w = windowRegistry().window(kind->entryWindow, parentWidget());
    if (!w) return; // that entry window is not offered yet
    w->setWindowTitle(kind->locateCaption);
    services().showModal(w);
}

void TF_check::Button5Click()
{
    close();
}

void TF_check::FormClose()
{
    DataSource1->setDataSet(nullptr);
    Table1.close();
    m_run.close();
}
