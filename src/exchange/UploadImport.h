#pragma once

#include "store/StoreError.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace store {
class Dataset;
class Table;
} // namespace store

namespace exchange {

// One row of the renumbering list bhcl.DB.
struct ListRow
{
    QString original; // 原报表编号
    QString renumbered; // 修改后编号
    QString orgCode; // 法人代码
    QString name; // 企业名称
};

// A typed report number that cannot be used; nothing was changed. `row` is the list row
// (0-based) that holds it.
class RenumberRefused : public store::StoreError
{
public:
    RenumberRefused(int row, QString message)
        : StoreError(std::move(message))
        , m_row(row)
    {
    }
    int row() const { return m_row; }

private:
    int m_row;
};

// The table work of the upload import, without a window: staging a delivery in tmp,
// filling the renumbering list, renumbering the staged tables and checking them against
// the office's enterprises. The renumbering window and the benchmark drive it.
class UploadImport
{
public:
    static const QStringList& deliveredFiles(); // kfq_1.db, kfq_2.db, kfq_5.db
    static const QStringList& scratchTables(); // tmp\kfq_1.db, tmp\kfq_2.db, tmp\kfq_5.db
    static QString listTable(); // bhcl.DB

    struct StageResult
    {
        bool complete = false;
        QString file; // the delivered file that could not be read
        QString reason;
    };
    // Copies the three delivered tables of `deliveryDir`, in order, into tmp, replacing
    // earlier copies: native tables byte for byte, legacy Paradox tables as native copies.
    // Stops at the first file that cannot be read (the copies made before it stay). A
    // missing tmp folder throws store::StoreError.
    static StageResult stage(const QString& deliveryDir);

    // Empties the list and appends every row of the opened answer `rows`. Returns the rows.
    static int refillList(store::Dataset& rows);
    // The list made afresh from the staged enterprise table; returns its rows.
    static int fillListFromStage();
    static QList<ListRow> readList(store::Dataset& list);

    // Gives every staged enterprise whose list row carries another number that number, in
    // the three staged tables at once, so that products and projects follow. All the list's
    // renumberings apply together (A→B and B→C make A's enterprise B and B's C). Refuses
    // with RenumberRefused, changing nothing, an empty number, one longer than the report
    // number's field, or one that another delivered enterprise keeps or is given.
    // `progress` gets the number of list rows handled. Returns the enterprises renumbered.
    static int renumber(const QList<ListRow>& rows, const std::function<void(int)>& progress = {});

    // The pairs of a staged and a stored enterprise that share the legal-person code under
    // different report numbers or the report number under different codes, compared as the
    // tables' indexes compare them (letter case aside). Refills the list with them when
    // there are any; returns their number.
    static int checkClashes();
    static QString clashStatement();

    // Removes the staged tables; the names of those that could not be removed.
    static QStringList removeStage();
};

} // namespace exchange
