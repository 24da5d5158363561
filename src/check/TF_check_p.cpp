#include "TF_check_p.h"

#include "widgets/Services.h"

#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

using namespace Qt::StringLiterals;

TF_check_p* F_check_p = nullptr;

TF_check_p::TF_check_p(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"F_check_p"_s);
    Table1.setObjectName(u"Table1"_s);
    Table2.setObjectName(u"Table2"_s);
    Table1.setTableName(u"check_p.db"_s);
    Table2.setTableName(u"check_pt.db"_s);
}

TF_check_p::~TF_check_p()
{
    if (F_check_p == this) F_check_p = nullptr;
}

void TF_check_p::openTables()
{
    if (!Table1.isOpen()) Table1.open();
    if (!Table2.isOpen()) Table2.open();
}

void TF_check_p::closeTables()
{
    Table1.close();
    Table2.close();
}

CheckPrintout TF_check_p::printout()
{
    openTables();
    CheckPrintout p;
    Table2.first();
    if (!Table2.isEmpty()) p.setTitle(Table2.fieldByName(u"Text"_s).asString());
    const int seq = Table1.fieldIndex(u"序号"_s), status = Table1.fieldIndex(u"状态"_s),
              number = Table1.fieldIndex(u"编号"_s), name = Table1.fieldIndex(u"字段名"_s),
              value = Table1.fieldIndex(u"字段值"_s), message = Table1.fieldIndex(u"错误信息"_s);
    QList<CheckPrintout::Row> rows;
    for (int r = 0; r < Table1.recordCount(); ++r) {
        const QVariantList v = Table1.rowAt(r);
        auto text = [&](int i) { return i < 0 ? QString() : store::displayText(v.value(i)); };
        rows.append({ text(seq), text(status), text(number), text(name), text(value), text(message) });
    }
    p.setRows(std::move(rows));
    return p;
}

void TF_check_p::renderTo(QPrinter& printer)
{
    printout().render(printer);
}

void TF_check_p::preview()
{
    struct Closer
    {
        TF_check_p* p;
        ~Closer() { p->closeTables(); }
    } closer { this };
    openTables();
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setWindowTitle(u"打印预览"_s);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { renderTo(*p); });
    services().showModal(&dialog);
}

void TF_check_p::print()
{
    if (!printToFile.isEmpty()) {
        printToPdf(printToFile);
        return;
    }
    struct Closer
    {
        TF_check_p* p;
        ~Closer() { p->closeTables(); }
    } closer { this };
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        services().warning(u"没有可用的打印机"_s, u"提示"_s);
        return;
    }
    openTables();
    QPrinter printer(QPrinter::HighResolution);
    renderTo(printer);
}

void TF_check_p::printToPdf(const QString& fileName)
{
    struct Closer
    {
        TF_check_p* p;
        ~Closer() { p->closeTables(); }
    } closer { this };
    openTables();
    QPdfWriter writer(fileName);
    writer.setResolution(600);
    writer.setTitle(u"校验表"_s);
    printout().render(writer);
}
