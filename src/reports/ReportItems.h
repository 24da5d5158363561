#pragma once

#include <QList>
#include <QString>

// The printout keys of the items table, in their fixed order (position 0 to 11).
enum class ReportKey {
    Xmdcb,
    Gjwsb,
    Gjhz,
    Dfwsb,
    Dfhz,
    Kfqhz,
    Dqy,
    Gyqy,
    Fwqy,
    Rjqyhz,
    Shqy,
    Kfqrdhz,
    Generic
};

// The key a `report_p` names, compared exactly; anything else is a generic item (a
// table in the results-table layout).
ReportKey reportKeyOf(const QString& reportP);
const QList<QString>& reportKeyTexts();

// One printable item of rept_db.db.
struct ReportItem
{
    QString name; // report_name: listed, and the printed title of a generic item
    QString reportP; // report_p: a printout key or the results table to print
    int kind = 0; // id: the report-kind code whose list ticks it at first
};

// The items of rept_db.db in stored order. Throws store::StoreError.
QList<ReportItem> readReportItems();

// The kind whose ticks a list shows: out-of-zone enterprises (3) share those of the zone
// enterprises (1).
int tickKindOf(int reportKind);
