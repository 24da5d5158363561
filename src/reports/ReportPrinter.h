#pragma once

#include "ReportForms.h"
#include "ReportItems.h"

#include <memory>

class PdfFile;
class Printout;

// Where printed items go: the printer, the preview, or one PDF file for several items.
class ReportOutput
{
public:
    virtual ~ReportOutput();
    // Returns when the printout is done with (a preview: when it has been closed).
    virtual void output(const Printout& printout, const QString& documentName) = 0;
};

// Every item into one PDF file, each from a page of its own.
class PdfOutput : public ReportOutput
{
public:
    explicit PdfOutput(PdfFile& file)
        : m_file(file)
    {
    }
    void output(const Printout& printout, const QString& documentName) override;

private:
    PdfFile& m_file;
};

// Prints items of the items table: fills the work table an item needs, then hands the
// item's printed form to the output. The forms are made on first use and kept.
class ReportPrinter
{
public:
    ReportPrinter();
    ~ReportPrinter();

    // False for the keys that have no printout (nothing is filled or printed). Throws
    // store::StoreError, having printed nothing of this item.
    bool print(const ReportItem& item, ReportOutput& output);

    TF_dqy_p& dqy();
    TF_fwqy_p& fwqy();
    TF_gjwsb_p& gjwsb();
    TF_gjhz_p& gjhz();
    TF_qyhz_p& qyhz();

private:
    void printForm(ReportForm& form, ReportOutput& output, const QString& documentName);
    void printResults(const ReportItem& item, ReportOutput& output);

    std::unique_ptr<TF_dqy_p> m_dqy;
    std::unique_ptr<TF_fwqy_p> m_fwqy;
    std::unique_ptr<TF_gjwsb_p> m_gjwsb;
    std::unique_ptr<TF_gjhz_p> m_gjhz;
    std::unique_ptr<TF_qyhz_p> m_qyhz;
};
