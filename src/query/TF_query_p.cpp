#include "TF_query_p.h"

#include "TF_bt_p.h"
#include "widgets/Services.h"
#include "widgets/WindowRegistry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_query_p* F_query_p = nullptr;

namespace {

// Every screen font in the platform's order. Where no font is called 宋体 the name still
// leads the list: the font substitutes map it onto the installed Chinese face.
QStringList fontList()
{
    QStringList families = QFontDatabase::families();
    if (!families.contains(u"宋体"_s)) families.prepend(u"宋体"_s);
    return families;
}

QStringList sizeList()
{
    QStringList sizes;
    for (int i = 0; i <= 126; ++i)
        sizes << QString::number(i);
    return sizes;
}

QComboBox* combo(QWidget* parent, const QString& name, const QStringList& items, const QString& selected)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    const int at = int(items.lastIndexOf(selected));
    c->setCurrentIndex(std::max(at, 0));
    return c;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QLineEdit* edit(QWidget* parent, const QString& name, int width = 0)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (width) e->setFixedWidth(width);
    return e;
}

int wholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok) throw store::StoreError(u"“%1”不是有效的整数"_s.arg(text));
    return n;
}

} // namespace

TF_query_p::TF_query_p(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(u"F_query_p"_s);
    setWindowTitle(u"F_query_p"_s);
    Table1.setTableName(u"query_p.db"_s);
    buildLayout();
}

TF_query_p::~TF_query_p() = default;

void TF_query_p::buildLayout()
{
    const QStringList fonts = fontList();
    const QStringList sizes = sizeList();
    auto* v = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    Edit1 = edit(this, u"Edit1"_s);
    ComboBox1 = combo(this, u"ComboBox1"_s, fonts, u"宋体"_s);
    ComboBox2 = combo(this, u"ComboBox2"_s, sizes, u"11"_s);
    ComboBox3 = combo(this, u"ComboBox3"_s, { u"左"_s, u"中"_s, u"右"_s }, u"中"_s);
    CheckBox1 = new QCheckBox(u"固定左列"_s, this);
    CheckBox1->setObjectName(u"CheckBox1"_s);
    Button1 = button(this, u"Button1"_s, u"表头设置"_s);
    top->addWidget(new QLabel(u"标题文字"_s, this));
    top->addWidget(Edit1, 1);
    top->addWidget(new QLabel(u"字体"_s, this));
    top->addWidget(ComboBox1);
    top->addWidget(new QLabel(u"大小"_s, this));
    top->addWidget(ComboBox2);
    top->addWidget(new QLabel(u"对齐"_s, this));
    top->addWidget(ComboBox3);
    top->addWidget(CheckBox1);
    top->addWidget(Button1);
    v->addLayout(top);

    Image1 = new QLabel;
    Image1->setObjectName(u"Image1"_s);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(u"ScrollBox1"_s);
    ScrollBox1->setWidget(Image1);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    v->addWidget(ScrollBox1, 1);

    auto* bottom = new QHBoxLayout;
    ComboBox4 = combo(this, u"ComboBox4"_s, fonts, u"宋体"_s);
    ComboBox5 = combo(this, u"ComboBox5"_s, sizes, u"11"_s);
    CheckBox2 = new QCheckBox(u"横格线"_s, this);
    CheckBox2->setObjectName(u"CheckBox2"_s);
    CheckBox2->setChecked(true);
    CheckBox3 = new QCheckBox(u"竖格线"_s, this);
    CheckBox3->setObjectName(u"CheckBox3"_s);
    CheckBox3->setChecked(true);
    Button2 = button(this, u"Button2"_s, u"页面设置"_s);
    Button3 = button(this, u"Button3"_s, u"刷新"_s);
    Button4 = button(this, u"Button4"_s, u"上一页"_s);
    Edit2 = edit(this, u"Edit2"_s, 50);
    Button5 = button(this, u"Button5"_s, u"下一页"_s);
    Button6 = button(this, u"Button6"_s, u"打印"_s);
    Edit3 = edit(this, u"Edit3"_s, 50);
    Edit4 = edit(this, u"Edit4"_s, 50);
    Button7 = button(this, u"Button7"_s, u"返回"_s);
    bottom->addWidget(new QLabel(u"字体"_s, this));
    bottom->addWidget(ComboBox4);
    bottom->addWidget(new QLabel(u"大小"_s, this));
    bottom->addWidget(ComboBox5);
    bottom->addWidget(CheckBox2);
    bottom->addWidget(CheckBox3);
    bottom->addWidget(Button2);
    bottom->addWidget(Button3);
    bottom->addWidget(Button4);
    bottom->addWidget(Edit2);
    bottom->addWidget(Button5);
    bottom->addWidget(Button6);
    bottom->addWidget(new QLabel(u"页码"_s, this));
    bottom->addWidget(Edit3);
    bottom->addWidget(new QLabel(u"-"_s, this));
    bottom->addWidget(Edit4);
    bottom->addWidget(Button7);
    v->addLayout(bottom);

    auto on = [this](auto* sender, auto signal, void (TF_query_p::*handler)()) {
        connect(sender, signal, this, [this, handler] {
            if (!m_loading) guarded([this, handler] { (this->*handler)(); });
        });
    };
    on(Button3, &QPushButton::clicked, &TF_query_p::Button3Click);
    on(Button2, &QPushButton::clicked, &TF_query_p::Button2Click);
    on(ComboBox4, &QComboBox::activated, &TF_query_p::ComboBox4Change);
    on(ComboBox5, &QComboBox::activated, &TF_query_p::ComboBox5Change);
    on(ComboBox1, &QComboBox::activated, &TF_query_p::ComboBox1Change);
    on(ComboBox2, &QComboBox::activated, &TF_query_p::ComboBox2Change);
    on(ComboBox3, &QComboBox::activated, &TF_query_p::ComboBox3Change);
    on(CheckBox2, &QCheckBox::clicked, &TF_query_p::CheckBoxClick);
    on(CheckBox3, &QCheckBox::clicked, &TF_query_p::CheckBoxClick);
    on(CheckBox1, &QCheckBox::clicked, &TF_query_p::CheckBox1Click);
    on(Edit1, &QLineEdit::returnPressed, &TF_query_p::Edit1KeyEnter);
    on(Button4, &QPushButton::clicked, &TF_query_p::Button4Click);
    on(Button5, &QPushButton::clicked, &TF_query_p::Button5Click);
    on(Edit2, &QLineEdit::returnPressed, &TF_query_p::Edit2KeyEnter);
    on(Button6, &QPushButton::clicked, &TF_query_p::Button6Click);
    on(Button1, &QPushButton::clicked, &TF_query_p::Button1Click);
    connect(Button7, &QPushButton::clicked, this, &QWidget::close);
    resize(1000, 700);
}

bool TF_query_p::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return handled;
}

void TF_query_p::closeEvent(QCloseEvent* event)
{
    releaseRows();
    QWidget::closeEvent(event);
}

void TF_query_p::releaseRows()
{
    m_renderer.setRows(nullptr);
    Table1.close();
}

void TF_query_p::FormActivate()
{
    if (!Table1.isOpen()) Table1.open();
    m_renderer.setRows(&Table1);
    store::Table defaults;
    defaults.setTableName(u"bt2_p.db"_s);
    defaults.open();
    m_loading = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done { m_loading };
    if (defaults.recordCount() > 0) {
        Edit1->setText(defaults.fieldByName(u"标题文字"_s).asString());
        const int align = int(defaults.fieldByName(u"标题对齐"_s).asInteger());
        if (align >= 0 && align < ComboBox3->count()) ComboBox3->setCurrentIndex(align);
        const int titleSize = int(defaults.fieldByName(u"标题字号"_s).asInteger());
        if (titleSize >= 0 && titleSize < ComboBox2->count()) ComboBox2->setCurrentIndex(titleSize);
        const int bodySize = int(defaults.fieldByName(u"正文字号"_s).asInteger());
        if (bodySize >= 0 && bodySize < ComboBox5->count()) ComboBox5->setCurrentIndex(bodySize);
    }
    defaults.close();
    m_loading = false;
    Button3Click();
}

void TF_query_p::readControls()
{
    m_renderer.title = Edit1->text();
    m_renderer.titleFamily = ComboBox1->currentText();
    m_renderer.titleSize = ComboBox2->currentIndex();
    m_renderer.alignment = ComboBox3->currentIndex();
    m_renderer.fixedLeft = CheckBox1->isChecked();
    m_renderer.bodyFamily = ComboBox4->currentText();
    m_renderer.bodySize = ComboBox5->currentIndex();
    m_renderer.horizontalLines = CheckBox2->isChecked();
    m_renderer.verticalLines = CheckBox3->isChecked();
}

void TF_query_p::showPageBoxes()
{
    Edit3->setText(u"1"_s);
    Edit4->setText(QString::number(m_renderer.pageCount()));
}

void TF_query_p::relayout(bool title)
{
    readControls();
    m_renderer.pageSetup();
    m_renderer.layout();
    showPageBoxes();
    if (title) m_renderer.drawTitle();
    drawPage();
}

void TF_query_p::drawTitle()
{
    readControls();
    m_renderer.drawTitle();
    showPreview();
}

void TF_query_p::drawPage()
{
    readControls();
    m_renderer.drawPage();
    Edit2->setText(QString::number(m_renderer.currentPage() + 1));
    showPreview();
}

void TF_query_p::showPreview()
{
    Image1->setPixmap(QPixmap::fromImage(m_renderer.preview()));
    Image1->resize(m_renderer.preview().size());
}

void TF_query_p::Button3Click()
{
    relayout(true);
}

void TF_query_p::Button2Click()
{
    QPageSetupDialog dialog(&m_renderer.printer(), this);
    services().showModal(&dialog);
    if (dialog.result() == QDialog::Accepted) relayout(true);
}

void TF_query_p::ComboBox4Change()
{
    // The columns keep the positions measured with the previous font until "刷新".
    drawPage();
}

void TF_query_p::ComboBox5Change()
{
    relayout(false);
}

void TF_query_p::ComboBox1Change()
{
    drawTitle();
}

void TF_query_p::ComboBox2Change()
{
    relayout(true);
}

void TF_query_p::ComboBox3Change()
{
    drawTitle();
}

void TF_query_p::CheckBoxClick()
{
    drawPage();
}

void TF_query_p::CheckBox1Click()
{
    relayout(false);
}

void TF_query_p::Edit1KeyEnter()
{
    const bool hadNoTitle = m_renderer.measures().titleBlock == 15;
    if (Edit1->text().isEmpty() || hadNoTitle) relayout(false);
    drawTitle();
}

void TF_query_p::Button4Click()
{
    if (m_renderer.currentPage() <= 0) return;
    m_renderer.setCurrentPage(m_renderer.currentPage() - 1);
    drawPage();
}

void TF_query_p::Button5Click()
{
    if (m_renderer.currentPage() + 1 >= m_renderer.pageCount()) return;
    m_renderer.setCurrentPage(m_renderer.currentPage() + 1);
    drawPage();
}

void TF_query_p::Edit2KeyEnter()
{
    const int n = wholeNumber(Edit2->text());
    if (n < 1 || n > m_renderer.pageCount()) return;
    m_renderer.setCurrentPage(n - 1);
    drawPage();
}

void TF_query_p::Button6Click()
{
    const int from = wholeNumber(Edit3->text());
    const int to = wholeNumber(Edit4->text());
    readControls();
    if (from <= 0 || to > m_renderer.pageCount() || to < from) return;
    // Printing to a file (chosen in the page set-up) needs no printer.
    if (m_renderer.printer().outputFileName().isEmpty() && QPrinterInfo::availablePrinters().isEmpty()) {
        services().warning(noPrinterText(), u"提示"_s);
        return;
    }
    m_renderer.printRange(from, to);
}

void TF_query_p::Button1Click()
{
    if (QWidget* w = windowRegistry().window(u"TF_bt_p"_s)) services().showModal(w);
    Button3Click();
}
