#include "TF_check_p.h"

#include "PrintOutput.h"

using namespace Qt::StringLiterals;

TF_check_p* F_check_p = nullptr;

TF_check_p::TF_check_p(QWidget* parent)
    : QWidget(parent, Qt::Window)
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
    p.load(Table1, Table2);
    return p;
}

namespace {

// Closes the print tables however printing ends.
struct Closer
{
    TF_check_p* p;
    ~Closer() { p->closeTables(); }
};

} // namespace

void TF_check_p::preview()
{
    Closer closer { this };
    const CheckPrintout p = printout();
    printOutput::preview(p, u"校验表"_s, this);
}

void TF_check_p::print()
{
    if (!printToFile.isEmpty()) {
        printToPdf(printToFile);
        return;
    }
    Closer closer { this };
    if (!printOutput::printerReady()) return;
    const CheckPrintout p = printout();
    printOutput::toPrinter(p, u"校验表"_s);
}

void TF_check_p::printToPdf(const QString& fileName)
{
    Closer closer { this };
    const CheckPrintout p = printout();
    printOutput::toPdf(p, fileName, u"校验表"_s);
}
