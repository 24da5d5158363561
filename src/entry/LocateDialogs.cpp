#include "LocateDialogs.h"

#include "store/Table.h"
#include "widgets/AppState.h"
#include "widgets/DbGrid.h"
#include "widgets/RadioGroup.h"
#include "widgets/Services.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TF_change_r* F_change_r = nullptr;
TF_change_r2* F_change_r2 = nullptr;
TF_change_c* F_change_c = nullptr;

namespace {

// A whole number as the user typed it; anything else is the conversion error the
// general error display shows.
int wholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok) throw store::StoreError(u"'%1' 不是有效的整数"_s.arg(text));
    return n;
}

QHBoxLayout* buttonRow(QDialog* dialog, QPushButton*& ok)
{
    auto* row = new QHBoxLayout;
    ok = new QPushButton(u"确定"_s, dialog);
    ok->setObjectName(u"Button1"_s);
    auto* cancel = new QPushButton(u"取消"_s, dialog);
    cancel->setObjectName(u"Button2"_s);
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
}

} // namespace

void locateRecord(store::Table& table, const QString& text, bool byNumber, const QString& field, const QString& index)
{
    if (byNumber) {
        const int n = wholeNumber(text);
        table.first();
        if (n > 1) table.moveBy(n - 1);
        return;
    }
    const bool indexed = !index.isEmpty();
    if (indexed) {
        table.setIndexFieldNames(QString());
        table.setIndexName(index);
    }
    table.setKey();
    table.setKeyValue(field, text);
    const bool found = table.gotoKey();
    if (indexed) {
        const QString id = found && table.fieldIndex(u"id"_s) >= 0 ? table.fieldByName(u"id"_s).asString() : QString();
        table.setIndexName(QString());
        // Back in the order by id: stay on the row found.
        if (!id.isEmpty()) table.locate({ u"id"_s }, { id });
    }
}

// --- Locate dialogs ---------------------------------------------------------------------

LocateDialog::LocateDialog(const QString& objectName, const QStringList& options, QWidget* parent) : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(u"定位记录"_s);
    auto* layout = new QVBoxLayout(this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);
    layout->addWidget(Edit1);
    RadioGroup1 = new RadioGroup(this);
    RadioGroup1->setObjectName(u"RadioGroup1"_s);
    RadioGroup1->setItems(options);
    RadioGroup1->setItemIndex(0);
    layout->addWidget(RadioGroup1);
    QPushButton* ok = nullptr;
    layout->addLayout(buttonRow(this, ok));
    connect(ok, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { guarded([this] { Button1Click(); }); });
}

void LocateDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void LocateDialog::FormActivate()
{
    Edit1->clear();
    Edit1->setFocus();
}

TF_change_r::TF_change_r(QWidget* parent) : LocateDialog(u"F_change_r"_s, { u"记录号"_s, u"编号"_s }, parent) { }

void TF_change_r::Button1Click()
{
    if (Edit1->text().isEmpty() || !LocateTable) return;
    locateRecord(*LocateTable, Edit1->text(), RadioGroup1->itemIndex() == 0, LocateField, LocateIndex);
    accept();
}

TF_change_r2::TF_change_r2(QWidget* parent)
    : LocateDialog(u"F_change_r2"_s, { u"记录号"_s, u"报表编号"_s, u"法人代码"_s }, parent)
{
}

void TF_change_r2::Button1Click()
{
    if (Edit1->text().isEmpty() || !LocateTable) return;
    const int option = RadioGroup1->itemIndex();
    const QString field = option == 2 ? u"qa03"_s : u"qa01"_s;
    const QString index = option == 2 ? u"kfq_12"_s : u"kfq_1"_s;
    locateRecord(*LocateTable, Edit1->text(), option == 0, field, index);
    accept();
}

// --- TF_change_c ------------------------------------------------------------------------

TF_change_c::TF_change_c(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"F_change_c"_s);
    setWindowTitle(u"修改列宽度"_s);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QGridLayout;
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(u"Edit2"_s);
    form->addWidget(new QLabel(u"请修改字段名"_s, this), 0, 0);
    form->addWidget(Edit1, 0, 1);
    form->addWidget(new QLabel(u"请修改列宽度"_s, this), 1, 0);
    form->addWidget(Edit2, 1, 1);
    layout->addLayout(form);
    QPushButton* ok = nullptr;
    layout->addLayout(buttonRow(this, ok));
    connect(ok, &QPushButton::clicked, this, guard(this, &TF_change_c::Button1Click));
    connect(Edit1, &QLineEdit::returnPressed, this, guard(this, &TF_change_c::Button1Click));
    connect(Edit2, &QLineEdit::returnPressed, this, guard(this, &TF_change_c::Button1Click));
}

void TF_change_c::setColumn(DbGrid* grid, int column)
{
    m_grid = grid;
    m_column = column;
}

void TF_change_c::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TF_change_c::FormActivate()
{
    if (!m_grid || m_column < 0) return;
    Edit1->setText(m_grid->columnTitle(m_column));
    const float scale = GridCharWidth > 0 ? GridCharWidth : 1.0f;
    Edit2->setText(QString::number(int(float(m_grid->columnPixelWidth(m_column)) / scale)));
}

void TF_change_c::Button1Click()
{
    if (!m_grid || m_column < 0) {
        accept();
        return;
    }
    const int chars = wholeNumber(Edit2->text());
    m_grid->setColumnTitle(m_column, Edit1->text());
    m_grid->setColumnPixelWidth(m_column, int(float(chars) * GridCharWidth));
    accept();
}
