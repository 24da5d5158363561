#pragma once

#include "BandedReport.h"

namespace store {
class Dataset;
}

// The printed validation results: a title band on the first page ("校验表" and the kind's
// title line), a framed column head on every page, one framed row per result (the message
// may take several lines) and the page number at the foot.
class CheckPrintout : public BandedReport
{
public:
    // One printed row: 序号, 状态, 编号, 字段名, 字段值, 错误信息.
    using Row = QStringList;

    CheckPrintout();

    void setTitle(const QString& text) { titleLine = text; }
    const QString& title() const { return titleLine; }

    // The title from the first row of the title table (its `Text`) and one row per row of
    // a table in the results-table layout, in the table's order. Both must be open.
    void load(store::Dataset& results, store::Dataset& titles);

    // The column heads, left to right, and their relative widths in millimetres.
    static QStringList heads();
    static QList<double> columnWidths();
};
