#pragma once

#include "check/BandedReport.h"
#include "store/Table.h"

// A printed form over one table. It opens its table just before it prints (open()), reads
// its rows from the open table while the pages are drawn, and closes it afterwards.
class ReportForm : public BandedReport
{
public:
    explicit ReportForm(const QString& tableName);
    ~ReportForm() override;

    store::Table Table1;

    // Opens the table and lays the form out over it. Throws store::StoreError (a missing
    // table, a field the form prints and the table lacks).
    void open();
    void close() { Table1.close(); }

protected:
    // Reads what the form needs from the open table.
    virtual void fill() = 0;
    // The row provider printing `fields` of Table1, by name, as their display text.
    void listFields(const QStringList& fields);
};

// Summary values: rounded to whole numbers (the mask "0."); empty for no value.
QString summaryText(const QVariant& value);

// The enterprise lists (dqy.db): revenue of at least one hundred million yuan, or the
// listed companies, under the title the item sets.
class TF_dqy_p : public ReportForm
{
public:
    TF_dqy_p();
    void setTitle(const QString& title) { pageHeader = title; }

protected:
    void fill() override;
};

// The high-technology service enterprises (fwqy.db).
class TF_fwqy_p : public ReportForm
{
public:
    TF_fwqy_p();

protected:
    void fill() override;
};

// The national projects of the issued list that were not reported, with the reason
// ticked (gj_wsb.db), on landscape pages.
class TF_gjwsb_p : public ReportForm
{
public:
    TF_gjwsb_p();

protected:
    void fill() override;
};

// The national-project summary (gjhz.db): label/value pairs, two to a row.
class TF_gjhz_p : public ReportForm
{
public:
    TF_gjhz_p();

protected:
    void fill() override;
};

// The enterprise summary (qyhz.db): 59 label/value pairs in three columns, top to bottom.
class TF_qyhz_p : public ReportForm
{
public:
    TF_qyhz_p();

protected:
    void fill() override;
};
