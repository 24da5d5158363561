#include "Cli.h"

#include "check/Printout.h"
#include "reports/ReportPrinter.h"
#include "widgets/Fonts.h"

using namespace Qt::StringLiterals;

namespace cli {

// Prints items of rept_db.db, named by printout key or by name, as the print window's
// "打印" does, into one PDF file instead of on a printer.
int printCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QStringList names;
    QString pdf;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--pdf"_L1 && i + 1 < args.size())
            pdf = args[++i];
        else
            names.append(args[i]);
    }
    if (names.isEmpty() || pdf.isEmpty()) {
        err << "usage: velto print ITEM... [-C DIR] --pdf FILE\n";
        return 2;
    }
    installFontSubstitutes();
    try {
        const QList<ReportItem> items = readReportItems();
        QList<ReportItem> chosen;
        for (const QString& name : names) {
            const auto it = std::find_if(items.begin(), items.end(),
                [&](const ReportItem& item) { return item.reportP == name || item.name == name; });
            if (it == items.end()) {
                err << "rept_db.db 中没有报表项目: " << name << '\n';
                return 1;
            }
            chosen.append(*it);
        }
        PdfFile file(pdf, chosen.size() == 1 ? chosen.first().name : u"报表打印"_s);
        PdfOutput output(file);
        ReportPrinter printer;
        for (const ReportItem& item : chosen) {
            const int before = file.pageCount();
            if (!printer.print(item, output)) {
                err << item.name << ": 没有打印格式，未打印\n";
                continue;
            }
            out << item.name << '\t' << file.pageCount() - before << " 页\n";
        }
        file.commit();
        return 0;
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
