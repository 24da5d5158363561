#pragma once

#include <QString>

class Printout;
class QWidget;

// Where a printout goes: the printer, the print preview or a PDF file. Every window that
// prints uses these, so all printouts behave alike.
namespace printOutput {

// True when a printer is installed; otherwise the user is told so.
bool printerReady();
// To the default printer (after printerReady()); returns whether it printed.
bool toPrinter(const Printout& printout, const QString& documentName);
// The print preview, shown modally through the services; returns when it has closed. Its
// toolbar also saves the previewed pages as a PDF file.
void preview(const Printout& printout, const QString& documentName, QWidget* parent);
// A PDF file, replaced if it exists. Throws store::StoreError when it cannot be written.
void toPdf(const Printout& printout, const QString& fileName, const QString& documentName);

} // namespace printOutput
