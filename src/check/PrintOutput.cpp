#include "PrintOutput.h"

#include "Printout.h"

#include "store/StoreError.h"
#include "widgets/FileDialog.h"
#include "widgets/Services.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace printOutput {

bool printerReady()
{
    if (!QPrinterInfo::availablePrinters().isEmpty()) return true;
    services().warning(noPrinterText(), u"提示"_s);
    return false;
}

bool toPrinter(const Printout& printout, const QString& documentName)
{
    if (!printerReady()) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    return printout.render(printer) > 0;
}

void preview(const Printout& printout, const QString& documentName, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(u"打印预览"_s);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
        [&printout](QPrinter* p) { printout.render(*p); });
    if (auto* bar = dialog.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* save = bar->addAction(u"另存为PDF"_s);
        save->setObjectName(u"savePdf"_s);
        QObject::connect(save, &QAction::triggered, &dialog, [&printout, documentName] {
            guarded([&] {
                FileDialog file(FileDialog::Mode::Save);
                file.title = u"另存为PDF"_s;
                file.filters = { { u"PDF 文件"_s, { u"*.pdf"_s } } };
                file.defaultExtension = u"pdf"_s;
                file.fileName = documentName + u".pdf"_s;
                if (file.execute()) toPdf(printout, file.fileName, documentName);
            });
        });
    }
    services().showModal(&dialog);
}

void toPdf(const Printout& printout, const QString& fileName, const QString& documentName)
{
    PdfFile file(fileName, documentName);
    file.add(printout);
    file.commit();
}

} // namespace printOutput
