#pragma once

#include "CheckPrintout.h"

#include "store/Table.h"

#include <QWidget>

// The printed validation results. Its table is pointed at the results table before every
// print; the title comes from the first row of check_pt.db. The window itself is never
// shown: it holds the print tables and the report.
class TF_check_p : public QWidget
{
    Q_OBJECT

public:
    explicit TF_check_p(QWidget* parent = nullptr);
    ~TF_check_p() override;

    store::Table Table1; // the rows: the results table ("check_p.db" until pointed at it)
    store::Table Table2; // the title: check_pt.db

    // Print preview (through the services, shown modally); returns when it has closed.
    void preview();
    // To the default printer; without one the user is told and nothing is printed.
    void print();
    // To a PDF file (also what print() does while printToFile is set).
    void printToPdf(const QString& fileName);
    // When set, print() writes a PDF here instead of using a printer (for batch use and tests).
    QString printToFile;

    // The printout as it stands after opening both tables (for the preview and tests).
    CheckPrintout printout();

    void openTables();
    void closeTables();
};

extern TF_check_p* F_check_p;
