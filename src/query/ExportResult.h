#pragma once

#include <QList>
#include <QString>

namespace store {
class Dataset;
class Query;
struct TableSchema;
} // namespace store

// One column of the grid that shows an answer, as the user last set it.
struct GridColumn
{
    QString title;
    int width = 0; // pixels
};

// The columns of a result grid, matching the shown dataset's fields by position, and the
// width of one character on that grid (GridCharWidth when the grid's window was activated).
struct ExportGrid
{
    QList<GridColumn> columns;
    float charWidth = 0;
};

// Saves what a grid shows as a table file of the type the file name asks for: ".dbf" in any
// case a dBase table, ".txt" a text table, otherwise a native table (".db" added when there
// is no extension); ".xlsx" and ".csv" a spreadsheet. The grid gives the column names and,
// through its character width, the text sizes, but a text column is never narrower than
// its longest value; without a grid the fields' own names and sizes are used. An existing
// file is replaced only by a complete copy: a failure (the store's error) leaves no file,
// or the earlier one.
// Exporting to "query_p.db" also rewrites the column heads of bt_p.db for the print window.
// Throws store::StoreError.
void ExportResult(store::Dataset& source, const ExportGrid* grid, const QString& fileName);

// The field list ExportResult gives the target (for the test of names and sizes).
store::TableSchema exportSchema(
    const store::Dataset& source, const ExportGrid* grid, const QString& fileName);

// Exchanges rows and columns of `source` through hljh.db: one row per source field, a
// column 字段i per source record. Afterwards `answer` holds "Select * from hljh.db" and is
// open. `source` may be `answer` itself. Throws store::StoreError.
void TransposeResult(store::Dataset& source, store::Query& answer);

// The file types a save dialog for answers offers, in the order shown.
QStringList exportFileTypes();
