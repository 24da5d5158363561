#pragma once

#include <QString>

namespace store {
class Table;
}

// Process-wide values through which windows of every layer talk to each other. They live
// for the whole run and are only touched from the one user-interface thread.

// Report-kind code of the last validation, query or print dispatch; 0 before any.
extern int ReportKind;
// The working directory with a trailing backslash; empty until the maintenance window fills it.
extern QString ProgramDir;

// Locate request: the entry window about to be shown positions itself on this record.
extern bool LocateOnOpen;
extern QString LocateField;
extern QString LocateValue;
extern QString LocateValue2;
// The table and index the locate dialogs work on.
extern store::Table* LocateTable;
extern QString LocateIndex;

// Set before the upload-import window is shown; still set afterwards only when the import may go on.
extern bool ImportConfirmed;
// Pixel width of one blank in the grid font last activated (query window or table tool).
extern float GridCharWidth;

// Entry windows: a row was deleted / the sent marks were removed since the tables were opened.
extern bool RecordsDeleted;
extern bool SentMarksCleared;

// Puts every value back to its start-up state (each test case starts from there).
void resetAppState();
