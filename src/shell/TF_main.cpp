#include "TF_main.h"

#include "NationalProjectMigration.h"
#include "ReportKinds.h"
#include "widgets/AppState.h"
#include "widgets/RadioGroup.h"
#include "widgets/Services.h"
#include "widgets/WindowRegistry.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_main* F_main = nullptr;

namespace {

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TF_main::TF_main(QWidget* parent)
    : QWidget(parent)
{
    F_main = this;
    try {
        setObjectName(u"F_main"_s);
        setWindowTitle(u"2012年度Velto计划录入统计系统"_s);
        setFont(QFont(u"宋体"_s, 12));
        buildLayout();
        m_components.Database1.open();

        ReportKind = 0;
        ProgramDir.clear();
        NationalProjectMigration(m_components.Table1, m_components.Table2).run();
    } catch (...) {
        F_main = nullptr;
        throw;
    }
}

TF_main::~TF_main()
{
    if (F_main == this) F_main = nullptr;
}

void TF_main::buildLayout()
{
    RadioGroup1 = new RadioGroup(this);
    RadioGroup1->setObjectName(u"RadioGroup1"_s);
    RadioGroup1->setTitle(u"请选择报表"_s);
    QStringList items;
    for (const ReportKindInfo& kind : reportKinds())
        items << kind.itemText;
    RadioGroup1->setItems(items);
    RadioGroup1->setItemIndex(0);

    Button1 = makeButton(this, u"Button1"_s, u"数据录入"_s);
    Button7 = makeButton(this, u"Button7"_s, u"报表校验"_s);
    Button5 = makeButton(this, u"Button5"_s, u"查询统计"_s);
    Button6 = makeButton(this, u"Button6"_s, u"报表打印"_s);
    Button9 = makeButton(this, u"Button9"_s, u"发送校验表"_s);
    Button3 = makeButton(this, u"Button3"_s, u"发送数据库"_s);
    Button8 = makeButton(this, u"Button8"_s, u"发送邮件"_s);
    Button2 = makeButton(this, u"Button2"_s, u"接收邮件"_s);
    Button10 = makeButton(this, u"Button10"_s, u"直接操作数据库"_s);
    Button11 = makeButton(this, u"Button11"_s, u"系统维护"_s);
    Button4 = makeButton(this, u"Button4"_s, u"退出"_s);

    // Mail exchange is not part of this program; its buttons stay disabled.
    for (QPushButton* b : { Button9, Button3, Button8, Button2 })
        b->setEnabled(false);

    // Both button columns run from the selector's top to its bottom.
    auto column = [](std::initializer_list<QPushButton*> buttons, int height) {
        auto* box = new QVBoxLayout;
        box->setSpacing(8);
        box->addSpacing(14);
        bool first = true;
        for (QPushButton* b : buttons) {
            if (!first) box->addStretch();
            first = false;
            b->setMinimumSize(150, height);
            box->addWidget(b);
        }
        return box;
    };
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(16, 12, 16, 16);
    root->setSpacing(20);
    root->addWidget(RadioGroup1);
    root->addLayout(column({ Button1, Button7, Button5, Button6 }, 60));
    root->addLayout(column({ Button9, Button3, Button8, Button2, Button10, Button11, Button4 }, 34));

    QList<QWidget*> order = { Button1, Button7, Button5, Button6 };
    for (int i = 0; i < RadioGroup1->count(); ++i)
        order << RadioGroup1->button(i);
    order << Button3 << Button8 << Button2 << Button10 << Button11 << Button4 << Button9;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(RadioGroup1, &RadioGroup::clicked, this, guard(this, &TF_main::RadioGroup1Click));
    connect(Button1, &QPushButton::clicked, this, guard(this, &TF_main::Button1Click));
    connect(Button7, &QPushButton::clicked, this, guard(this, &TF_main::Button7Click));
    connect(Button5, &QPushButton::clicked, this, guard(this, &TF_main::Button5Click));
    connect(Button6, &QPushButton::clicked, this, guard(this, &TF_main::Button6Click));
    connect(Button10, &QPushButton::clicked, this, guard(this, &TF_main::Button10Click));
    connect(Button11, &QPushButton::clicked, this, guard(this, &TF_main::Button11Click));
    connect(Button4, &QPushButton::clicked, this, guard(this, &TF_main::Button4Click));

    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QWidget* TF_main::windowOf(const QString& className)
{
    if (QWidget* w = windowRegistry().window(className, this)) return w;
    services().information(u"该功能尚未提供"_s, u"提示"_s);
    return nullptr;
}

void TF_main::RadioGroup1Click()
{
    const bool offered = validationAndQueryOffered(RadioGroup1->itemIndex());
    Button7->setEnabled(offered);
    Button5->setEnabled(offered);
}

void TF_main::Button1Click()
{
    const int index = RadioGroup1->itemIndex();
    if (index < 0 || index >= reportKinds().size()) return;
    LocateOnOpen = false;
    const ReportKindInfo& kind = reportKinds()[index];
    QWidget* w = windowOf(kind.entryWindow);
    if (!w) return;
    w->setWindowTitle(kind.entryCaption);
    services().showModal(w);
}

void TF_main::Button7Click()
{
    ReportKind = reportKindCode(RadioGroup1->itemIndex());
    if (QWidget* w = windowOf(u"TF_check"_s)) services().showModal(w);
}

void TF_main::Button5Click()
{
    ReportKind = reportKindCode(RadioGroup1->itemIndex());
    if (QWidget* w = windowOf(u"TF_query"_s)) services().showModeless(w);
}

void TF_main::Button6Click()
{
    ReportKind = reportKindCode(RadioGroup1->itemIndex());
    QWidget* w = windowOf(u"TF_report"_s);
    if (!w) return;
    w->setWindowTitle(u"报表打印"_s);
    services().showModal(w);
}

void TF_main::Button10Click()
{
    if (QWidget* w = windowOf(u"TF_db_tool"_s)) services().showModal(w);
}

void TF_main::Button11Click()
{
    QWidget* w = windowOf(u"TF_xtwh"_s);
    if (!w) return;
    w->setWindowTitle(u"系统维护"_s);
    services().showModal(w);
}

void TF_main::Button4Click()
{
    close();
}

void TF_main::FormActivate()
{
    setWindowTitle(u"Velto计划录入统计系统"_s);
}

bool TF_main::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return QWidget::event(event);
}

void TF_main::closeEvent(QCloseEvent* event)
{
    event->accept();
    Q_EMIT closed();
}
