#include "ReportPrinter.h"

#include "ReportSummaries.h"

#include "check/CheckPrintout.h"
#include "check/Printout.h"

using namespace Qt::StringLiterals;

ReportOutput::~ReportOutput() = default;

void PdfOutput::output(const Printout& printout, const QString&)
{
    m_file.add(printout);
}

ReportPrinter::ReportPrinter() = default;
ReportPrinter::~ReportPrinter() = default;

namespace {

template <typename T> T& made(std::unique_ptr<T>& form)
{
    if (!form) form = std::make_unique<T>();
    return *form;
}

} // namespace

TF_dqy_p& ReportPrinter::dqy()
{
    return made(m_dqy);
}

TF_fwqy_p& ReportPrinter::fwqy()
{
    return made(m_fwqy);
}

TF_gjwsb_p& ReportPrinter::gjwsb()
{
    return made(m_gjwsb);
}

TF_gjhz_p& ReportPrinter::gjhz()
{
    return made(m_gjhz);
}

TF_qyhz_p& ReportPrinter::qyhz()
{
    return made(m_qyhz);
}

bool ReportPrinter::print(const ReportItem& item, ReportOutput& output)
{
    using namespace reportSummaries;
    switch (reportKeyOf(item.reportP)) {
    case ReportKey::Generic:
        printResults(item, output);
        return true;
    case ReportKey::Gjwsb:
        printForm(gjwsb(), output, gjwsb().titleText);
        return true;
    case ReportKey::Gjhz:
        fillNationalSummary();
        printForm(gjhz(), output, gjhz().titleText);
        return true;
    case ReportKey::Kfqhz:
        fillEnterpriseSummary();
        printForm(qyhz(), output, qyhz().titleText);
        return true;
    case ReportKey::Dqy:
        fillEnterpriseList(EnterpriseList::Revenue);
        dqy().setTitle(u"2012年国家高新技术产业开发区(区外)企业总收入亿元以上清单"_s);
        printForm(dqy(), output, dqy().pageHeader);
        return true;
    case ReportKey::Fwqy:
        fillServiceList();
        printForm(fwqy(), output, fwqy().pageHeader);
        return true;
    case ReportKey::Shqy:
        fillEnterpriseList(EnterpriseList::Listed);
        dqy().setTitle(u"2012年上市企业清单"_s);
        printForm(dqy(), output, dqy().pageHeader);
        return true;
    default:
        return false;
    }
}

void ReportPrinter::printForm(ReportForm& form, ReportOutput& output, const QString& documentName)
{
    form.open();
    struct Closer
    {
        ReportForm& form;
        ~Closer() { form.close(); }
    } closer { form };
    output.output(form, documentName);
}

// A table in the results-table layout, printed as the validation results are, under the
// item's name.
void ReportPrinter::printResults(const ReportItem& item, ReportOutput& output)
{
    store::Table titles;
    titles.setTableName(u"check_pt.db"_s);
    titles.open();
    titles.first();
    if (titles.isEmpty())
        titles.append();
    else
        titles.edit();
    titles.fieldByName(u"Text"_s).setValue(item.name);
    titles.post();

    store::Table results;
    results.setTableName(item.reportP);
    results.open();
    CheckPrintout printout;
    printout.load(results, titles);
    output.output(printout, item.name);
}
