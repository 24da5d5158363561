#include "AppState.h"

int ReportKind = 0;
QString ProgramDir;
bool LocateOnOpen = false;
QString LocateField;
QString LocateValue;
QString LocateValue2;
store::Table* LocateTable = nullptr;
QString LocateIndex;
bool ImportConfirmed = false;
float GridCharWidth = 0;
bool RecordsDeleted = false;
bool SentMarksCleared = false;

void resetAppState()
{
    ReportKind = 0;
    ProgramDir.clear();
    LocateOnOpen = false;
    LocateField.clear();
    LocateValue.clear();
    LocateValue2.clear();
    LocateTable = nullptr;
    LocateIndex.clear();
    ImportConfirmed = false;
    GridCharWidth = 0;
    RecordsDeleted = false;
    SentMarksCleared = false;
}
