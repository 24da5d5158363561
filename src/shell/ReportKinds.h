#pragma once

#include <QList>
#include <QString>

// One report kind as the main window offers it.
struct ReportKindInfo
{
    QString itemText; // the selector's item
    int code; // the report-kind code other windows switch on
    QString entryWindow; // class name of its entry window
    QString entryCaption; // caption the entry window gets for this kind
};

// The ten kinds in the selector's order (item index = position).
const QList<ReportKindInfo>& reportKinds();

// Selector index → report-kind code: index + 1, and one more from 7 on, so 7 never occurs.
int reportKindCode(int index);

// The validation and query windows have nothing to offer for the zone comprehensive
// report and the unreported-project reasons (indexes 1 and 4).
bool validationAndQueryOffered(int index);
