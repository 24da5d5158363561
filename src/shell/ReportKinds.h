#pragma once

#include <QList>
#include <QString>

// Everything about a report kind that windows of more than one layer need: the main
// window's selector and dispatch, the validation's way back to a failing record, the
// entry windows' sent-marker statement.
struct ReportKindInfo
{
    QString itemText; // the selector's item
    int code; // the report-kind code other windows switch on
    QString entryWindow; // class name of its entry window
    QString entryCaption; // caption the main window gives the entry window for this kind
    QString locateCaption; // caption when the validation opens it on a failing record
    QString locateField; // key the validation positions by; empty: validation and query not offered
    bool secondKey; // the results row's `code2` positions the detail row too
    QString resultTable; // the validation's results table
    QString sentMarkerSql; // removes the kind's registrations at the first store after opening
};

// The ten kinds in the selector's order (item index = position).
const QList<ReportKindInfo>& reportKinds();

// The kind of a report-kind code; null for 0, 7 and unknown codes.
const ReportKindInfo* reportKindOf(int code);

// Selector index → report-kind code: index + 1, and one more from 7 on, so 7 never occurs.
int reportKindCode(int index);

// The validation and query windows have nothing to offer for the zone comprehensive
// report and the unreported-project reasons (indexes 1 and 4).
bool validationAndQueryOffered(int index);
