#pragma once

#include <QString>
#include <QStringList>

// Fills the work tables of the printed reports from the survey tables with the local SQL
// of the table store. Each table is made afresh from the answer of its statement
// (ExportResult), except kfq4hz.db, which exists beforehand and gets one row of counts.
// Every step throws store::StoreError (a missing table, a field the table lacks) and
// then leaves the tables it has not reached as they were.
namespace reportSummaries {

enum class EnterpriseList {
    Revenue, // total revenue of at least one hundred million yuan
    Listed, // enterprises with a listing code
};

// fwqy.db: the high-technology service enterprises, by descending total revenue.
void fillServiceList();
// dqy.db: the enterprise list of the selection.
void fillEnterpriseList(EnterpriseList selection);
// gjhz.db: the national-project summary, one row.
void fillNationalSummary();
// kfq1hz.db … kfq4hz.db, then qyhz.db: the enterprise summary, one row.
void fillEnterpriseSummary();

// The statements, one line of text each, as the steps run them.
QStringList serviceListSql();
QStringList enterpriseListSql(EnterpriseList selection);
QStringList nationalSummarySql();
QStringList enterpriseSumsSql(); // kfq1hz.db
QStringList productSumsSql(); // kfq2hz.db
QStringList projectSumsSql(); // kfq3hz.db
// kfq4hz.db: its column names and, for each, the count that fills it.
QStringList countColumns();
QStringList countSql(const QString& column);
QStringList enterpriseSummarySql(); // qyhz.db

// The 76 field/label pairs of the enterprise sums, in order.
struct SumField
{
    QString field;
    QString label;
};
const QList<SumField>& enterpriseSumFields();
// The 51 industry codes of the service enterprises, in order.
const QStringList& serviceIndustryCodes();

} // namespace reportSummaries
