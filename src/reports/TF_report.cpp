#include "TF_report.h"

#include "check/PrintOutput.h"
#include "check/Printout.h"
#include "widgets/AppState.h"
#include "widgets/Services.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_report* F_report = nullptr;

namespace {

class PrinterOutput : public ReportOutput
{
public:
    void output(const Printout& printout, const QString& documentName) override
    {
        printOutput::toPrinter(printout, documentName);
    }
};

class PreviewOutput : public ReportOutput
{
public:
    explicit PreviewOutput(QWidget* parent)
        : m_parent(parent)
    {
    }
    void output(const Printout& printout, const QString& documentName) override
    {
        printOutput::preview(printout, documentName, m_parent);
    }

private:
    QWidget* m_parent;
};

} // namespace

TF_report::TF_report(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(u"F_report"_s);
    setWindowTitle(u"报表打印"_s);
    QFont f(u"宋体"_s);
    f.setPointSizeF(10.5);
    setFont(f);
    resize(560, 420);

    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(u"CheckListBox1"_s);
    CheckListBox1->setSpacing(2);
    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(90);
        return b;
    };
    ToolButton1 = button(u"ToolButton1"_s, u"全部清除"_s);
    ToolButton2 = button(u"ToolButton2"_s, u"打印"_s);
    ToolButton3 = button(u"ToolButton3"_s, u"打印预览"_s);
    ToolButton4 = button(u"ToolButton4"_s, u"返回"_s);

    auto* bar = new QHBoxLayout;
    for (QToolButton* b : { ToolButton1, ToolButton2, ToolButton3, ToolButton4 })
        bar->addWidget(b);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CheckListBox1, 1);
    layout->addLayout(bar);

    connect(CheckListBox1, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { guarded([&] { CheckListBox1DblClick(item); }); });
    connect(ToolButton1, &QToolButton::clicked, this, guard(this, &TF_report::ToolButton1Click));
    connect(ToolButton2, &QToolButton::clicked, this, guard(this, &TF_report::ToolButton2Click));
    connect(ToolButton3, &QToolButton::clicked, this, guard(this, &TF_report::ToolButton3Click));
    connect(ToolButton4, &QToolButton::clicked, this, guard(this, &TF_report::ToolButton4Click));
}

TF_report::~TF_report()
{
    if (F_report == this) F_report = nullptr;
}

bool TF_report::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return QWidget::event(event);
}

// Shown modally the list is built at once, even where no activation follows.
void TF_report::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    guarded([this] { FormActivate(); });
}

void TF_report::FormActivate()
{
    const int kind = tickKindOf(ReportKind);
    if (kind == m_builtFor) return;
    // Read before anything changes: a missing items table leaves the list as it was, and
    // the next activation tries again.
    QList<ReportItem> items = readReportItems();
    m_builtFor = kind;
    m_items = std::move(items);
    CheckListBox1->clear();
    for (const ReportItem& item : m_items) {
        auto* row = new QListWidgetItem(item.name, CheckListBox1);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(item.kind == kind ? Qt::Checked : Qt::Unchecked);
    }
}

QList<bool> TF_report::ticks() const
{
    QList<bool> out;
    for (int r = 0; r < CheckListBox1->count(); ++r)
        out.append(CheckListBox1->item(r)->checkState() == Qt::Checked);
    return out;
}

void TF_report::setTicked(int row, bool ticked)
{
    if (QListWidgetItem* item = CheckListBox1->item(row))
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

QList<ReportItem> TF_report::tickedItems() const
{
    QList<ReportItem> out;
    const QList<bool> t = ticks();
    for (qsizetype r = 0; r < t.size() && r < m_items.size(); ++r)
        if (t[r]) out.append(m_items[r]);
    return out;
}

void TF_report::CheckListBox1DblClick(QListWidgetItem* item)
{
    if (!item) return;
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TF_report::ToolButton1Click()
{
    for (int r = 0; r < CheckListBox1->count(); ++r)
        setTicked(r, false);
}

void TF_report::ToolButton2Click()
{
    const QList<ReportItem> items = tickedItems();
    if (items.isEmpty()) return;
    if (!printToFile.isEmpty()) {
        PdfFile file(printToFile, u"报表打印"_s);
        PdfOutput output(file);
        for (const ReportItem& item : items)
            m_printer.print(item, output);
        if (file.pageCount() > 0) file.commit();
        return;
    }
    if (!printOutput::printerReady()) return;
    PrinterOutput output;
    for (const ReportItem& item : items)
        m_printer.print(item, output);
}

void TF_report::ToolButton3Click()
{
    PreviewOutput output(this);
    for (const ReportItem& item : tickedItems())
        m_printer.print(item, output);
}

void TF_report::ToolButton4Click()
{
    close();
}
