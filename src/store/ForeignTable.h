#pragma once

#include "FieldDef.h"
#include "TablePath.h"

#include <functional>
#include <memory>

namespace store {

// A table file in an exchange format (dBase, text, legacy Paradox). The store keeps a
// working copy of its rows in memory and writes every change through to the file at once,
// so the file on disk always holds every stored row.
//
// Record numbers are 1-based physical positions and never change while the file is open
// (a deleted record keeps its number until pack()).
class ForeignTable
{
public:
    virtual ~ForeignTable() = default;

    // Opens an existing file of the given format; throws StoreError naming the file when it
    // is missing, truncated or not of that format.
    static std::unique_ptr<ForeignTable> open(const QString& path, TableFormat format);
    // Makes the file afresh (replacing any earlier one) with the given fields.
    static std::unique_ptr<ForeignTable> create(
        const QString& path, TableFormat format, const TableSchema& schema);

    // Reads every exchange file in this code page instead of the one the file declares, for a
    // file whose mark is wrong (0: each file's own mark decides). Throws on an unknown code page.
    static void setCodePageOverride(int codePage);
    // What the reads since the last call had to say about values they could not read as
    // they stand (an invalid date read as empty, text with undecodable bytes), one line each.
    static QStringList takeReadNotes();

    virtual const TableSchema& schema() const = 0;
    virtual bool isWritable() const = 0;

    // Calls `row` for every live record in physical order, values in field order, typed as
    // the store types them (QString, qint64, double, QDate, bool; null QVariant for blank).
    virtual void readAll(const std::function<void(qint64 recno, const QVariantList& values)>& row) = 0;

    // Write-through operations; each is on disk when it returns. Values are already coerced
    // to the field types. Throw StoreError on a read-only file or an I/O failure.
    virtual qint64 append(const QVariantList& values) = 0;
    virtual void update(qint64 recno, const QVariantList& values) = 0;
    virtual void remove(qint64 recno) = 0;
    // Removes deleted records for good; record numbers are renumbered 1..n in order.
    virtual void pack() = 0;
    // Rewrites the whole file with exactly these rows (after an SQL statement changed it).
    virtual void rewrite(const QList<QVariantList>& rows) = 0;
};

} // namespace store
