#pragma once

#include "Dataset.h"
#include "ForeignTable.h"
#include "TablePath.h"

namespace store {

struct Constraint
{
    QString expression; // a condition in the store's SQL expression syntax
    QString message; // what the user reads when a row violates it
};

// A table file opened as a dataset: browse, edit, indexes, master-detail link, filter,
// check constraints. Native tables are SQLite files; dBase and text tables are worked on
// in memory and written through to their file at every change; Paradox tables are read only.
class Table : public Dataset
{
    Q_OBJECT

public:
    explicit Table(QObject* parent = nullptr);
    ~Table() override;

    void setTableName(const QString& name); // closed tables only
    const QString& tableName() const { return m_name; }
    void setTableType(TableType type) { m_type = type; }
    TableType tableType() const { return m_type; }
    QString filePath() const; // the resolved file
    TableFormat format() const { return m_format; }
    QString displayName() const override;

    void open() override;
    bool isReadOnly() const override;
    const TableSchema& schema() const { return m_schema; }

    // Makes the file afresh with these fields and indexes (replacing any earlier file).
    // The table must be closed.
    void createTable(const TableSchema& schema);
    static void createTable(
        const QString& name, const TableSchema& schema, TableType type = TableType::Default);
    static int maxFieldCount(); // the most fields a table file of this store can have
    void emptyTable(); // deletes every row (open or closed)
    // Writes a native copy of any table file (a delivered Paradox or dBase table) with the
    // same fields, primary index and rows; `target` is replaced.
    static void copyToNative(const QString& source, const QString& target);
    // Turns a legacy Paradox table into a native one in place, so it can be written; a
    // native or exchange-format file is left as it is. True when it converted.
    static bool makeNative(const QString& name);
    // Removes the space of deleted rows; the table must be closed.
    void pack();
    static void packTable(const QString& name);
    void flush(); // every stored row is already on disk; kept for the handlers that ask

    // Appends every row of `source` (from its first row), matching columns by position.
    // Stops at the first value that would be cut or that breaks a unique index, with the
    // store's error; the rows appended before it stay. Returns the number appended.
    int batchAppend(Dataset& source);

    // Ordering: by a named index, by a field list ("qa01;qe01"), or (both empty) by the
    // primary index, or insertion order when there is none.
    void setIndexName(const QString& name);
    const QString& indexName() const { return m_indexName; }
    void setIndexFieldNames(const QString& fields);
    const QString& indexFieldNames() const { return m_indexFields; }
    QStringList keyFields() const; // the fields of the current order

    // Key search on the current order: setKey(), fill key values, gotoKey().
    void setKey();
    void editKey() { setKey(); }
    void setKeyValue(int position, const QVariant& value);
    void setKeyValue(const QString& field, const QVariant& value);
    bool gotoKey();
    bool findKey(const QVariantList& values);
    // Positions on the first row of the view whose fields equal the values.
    bool locate(const QStringList& fields, const QVariantList& values, bool caseInsensitive = false,
        bool partialKey = false);

    // Master-detail: the table shows only rows whose `fields` equal the master's current
    // row (same field names in both, separated by ';'). An empty list unlinks.
    void setMaster(Table* master, const QString& fields);
    void setMasterFields(const QString& fields);
    const QString& masterFields() const { return m_masterFields; }
    Table* master() const { return m_master; }

    // Filter in the store's expression syntax, e.g. qa01='0001'.
    void setFilter(const QString& expression);
    const QString& filter() const { return m_filter; }
    void setFiltered(bool on);
    bool isFiltered() const { return m_filtered; }

    // Check constraints, set before opening; suspensions are counted.
    void setConstraints(const QList<Constraint>& constraints);
    const QList<Constraint>& constraints() const { return m_constraints; }
    void beginConstraintUpdate() { ++m_constraintUpdate; }
    void endConstraintUpdate() { --m_constraintUpdate; }
    void addConstraint(const QString& expression, const QString& message);
    void clearConstraints();
    void disableConstraints() { ++m_constraintsSuspended; }
    void enableConstraints()
    {
        if (m_constraintsSuspended > 0) --m_constraintsSuspended;
    }
    bool constraintsActive() const { return m_constraintsSuspended == 0; }

    // Rows stored or deleted until endWriteGroup() reach the disk in groups of `rows`
    // instead of one at a time; a crash loses at most the group still open, never an
    // earlier row. For long merges, where one disk flush per row would dominate.
    void beginWriteGroup(int rows = 2000);
    void endWriteGroup();

protected:
    View view() const override;
    qint64 storeRow(qint64 rowid, const QVariantList& values, bool inserting) override;
    void removeRow(qint64 rowid) override;
    void prepareInsert(QVariantList& values) override;
    void validateRow(const QVariantList& values) override;
    void closing() override;
    qint64 writeRow(qint64 rowid, const QVariantList& values, bool inserting);
    void rowWritten();

private:
    void requireClosed(const char* what) const;
    void masterMoved();
    void linkChanged();
    // `before`: the stored values of an edited row; indexes whose fields it keeps are skipped.
    QString uniqueViolation(qint64 rowid, const QVariantList& values, bool primaryOnly = false,
        const QVariantList* before = nullptr) const;
    void openNative(const QString& path);
    void openForeign(const QString& path);
    void reloadForeign();
    void prepareConstraints();

    QString m_name;
    TableType m_type = TableType::Default;
    TableFormat m_format = TableFormat::Native;
    TableSchema m_schema;
    std::unique_ptr<ForeignTable> m_foreign;
    QString m_openPath;
    QString m_openName;

    QString m_indexName;
    QString m_indexFields;
    QVariantList m_key;

    Table* m_master = nullptr;
    QString m_masterFields;
    QList<Table*> m_details;

    QString m_filter;
    QString m_filterSql;
    bool m_filtered = false;

    QList<Constraint> m_constraints;
    int m_constraintUpdate = 0;
    int m_constraintsSuspended = 0;
    bool m_groupOpen = false;
    // Statement texts of the open file, made once.
    QStringList m_columnSql;
    QList<bool> m_indexed;
    QString m_insertSql;
    int m_groupRows = 0;
    int m_groupCount = 0;
    QString m_constraintSql;

    friend class Query;
};

} // namespace store
