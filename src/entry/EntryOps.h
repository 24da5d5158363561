#pragma once

#include <QString>

#include <functional>

namespace store {
class Dataset;
class Table;
} // namespace store

// The entry windows' table work that needs no window: rule loading, number stamping, the
// status line and the merge of an outside table. The windows call these; tests drive them
// on plain tables.
namespace entry {

// Turns the rule table's "错误" rows into the report table's check constraints, opens the
// report table, and gives fields their input masks (the masks of every row, whatever its
// status). The rule table is read through `rules` (the shared scratch table) and closed.
void loadFieldChecks(store::Table& report, store::Table& rules, const QString& ruleTable);

// Null numbers of the row being edited become 0; other nulls stay.
void zeroFillNumericNulls(store::Dataset& dataset);

enum class StatusForm { Full, Short, None };
QString statusLineText(StatusForm form, const QString& reportNumber, int recNo, int count, bool editing);

// How a merge finds and stamps a row of the target.
struct MergeKeys
{
    QString keyField; // report number
    QString subKeyField; // detail tables only
    QString
        keyIndex; // index ordering the target by the key while merging (master); empty keeps the current one
    QString counterField;
    QString idField = QStringLiteral("id"); // empty: no row identifier
    QString idSeparator = QStringLiteral("_");
    bool clearPxh = true; // false: `pxh` keeps the source's value
    bool pxhLeadsId = true; // a kept `pxh` leads the identifier
    // Which source rows to take (all without it); a row passed over is not counted.
    std::function<bool(store::Dataset& source)> accept;
};

// Copies every row of `source` into `target` by key: found rows are overwritten in the
// fields the source has, missing ones appended; numeric nulls of the source become 0. Rows
// are stored through the target's own hooks. Stops with the store's error at the first
// row that cannot be stored, keeping the rows before it. `progress` gets the source row
// number after each row taken. Returns the rows stored.
int mergeRows(store::Table& source, store::Table& target, const MergeKeys& keys,
    const std::function<void(int row)>& progress = {});

} // namespace entry
