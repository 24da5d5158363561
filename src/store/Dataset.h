#pragma once

#include "FieldDef.h"
#include "StoreError.h"

#include <QObject>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

namespace store {

class Dataset;
class Connection;
class Statement;
class Table;

enum class DatasetState { Inactive, Browse, Edit, Insert };

// A handle on one field of a dataset's current row (or of the row being edited).
class Field
{
public:
    Field(Dataset* dataset, int index) : m_dataset(dataset), m_index(index) { }

    int index() const { return m_index; }
    const FieldDef& def() const;
    const QString& name() const { return def().name; }
    FieldType type() const { return def().type; }
    int size() const { return def().size; }

    bool isNull() const { return value().isNull(); }
    QVariant value() const;
    QString asString() const;
    qint64 asInteger() const; // 0 for null; throws when the text is no number
    double asFloat() const;
    QDate asDate() const;
    bool asBool() const;

    // Only in edit or insert state; the value is coerced to the field's type.
    void setValue(const QVariant& value);
    void setAsString(const QString& text) { setValue(text); }
    void clear() { setValue(QVariant()); }

    QString editMask() const;
    void setEditMask(const QString& mask);

private:
    Dataset* m_dataset;
    int m_index;
};

// A cursor over an ordered set of rows: the rows of a table file (Table) or the answer of
// a statement (Query). Rows are addressed through a row map of SQLite row ids in view
// order, built when first needed; moving and storing one row touch only that row.
class Dataset : public QObject
{
    Q_OBJECT

public:
    explicit Dataset(QObject* parent = nullptr);
    ~Dataset() override;

    virtual void open() = 0;
    void close();
    bool isOpen() const { return m_state != DatasetState::Inactive; }
    DatasetState state() const { return m_state; }
    bool isEditing() const { return m_state == DatasetState::Edit || m_state == DatasetState::Insert; }
    // The file or statement, for messages.
    virtual QString displayName() const = 0;

    // Navigation. A move while editing stores the row first (as a data-aware form expects).
    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance); // returns how far it moved
    bool eof() const { return m_eof; } // a move ran past the last row (or no rows)
    bool bof() const { return m_bof; }
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const; // 1-based row number in the view; 0 without rows; count+1 while inserting
    void setRecNo(int recNo);
    int recordCount() const; // rows the view shows

    // Fields.
    const QList<FieldDef>& fieldDefs() const { return m_fields; }
    int fieldCount() const { return int(m_fields.size()); }
    int fieldIndex(const QString& name) const; // case-insensitive; -1 when absent
    Field field(int index);
    Field fieldByName(const QString& name); // throws StoreError naming the table and field
    QVariant value(int field) const; // current row (or the row being edited)
    void setValue(int field, const QVariant& value);
    QString editMask(int field) const;
    void setEditMask(int field, const QString& mask);

    // Rows by view position (0-based), for grids; cheap for rows near each other.
    QVariant valueAt(int row, int field) const;
    QVariantList rowAt(int row) const;

    // Editing (tables only; answers of statements are read only).
    virtual bool isReadOnly() const { return true; }
    void edit(); // on a view without rows this starts a new row
    void append(); // a new empty row (insert state)
    void post(); // stores the row; the before-post hook runs first
    void cancel();
    void deleteRecord();
    void clearFields();
    bool isModified() const { return m_modified; }
    void checkBrowseMode(); // stores a pending change, as a move does

    // Re-reads the rows (after SQL changed the file).
    void refresh();

    // Hooks. beforePost may throw Abort or StoreError to refuse the row; onPostError may
    // rewrite the message of an error that refused the row (the post fails either way).
    std::function<void(Dataset&)> beforePost;
    std::function<void(Dataset&)> afterPost;
    std::function<void(Dataset&, StoreError&)> onPostError;
    std::function<void(Dataset&)> afterScroll;
    std::function<void(Dataset&)> beforeDelete;
    std::function<void(Dataset&)> newRecord; // after append() filled the link fields
    // After every change of state; may throw Abort to end the action that changed it
    // (the handler has then put the dataset back, for example by cancel()).
    std::function<void(Dataset&)> stateChange;

Q_SIGNALS:
    void stateChanged(store::DatasetState state);
    void currentChanged(); // another row became current
    void rowsChanged(); // rows were added, removed or reordered: views reload
    void rowChanged(int row); // one row's values changed in place
    void fieldChanged(int field); // a value of the row being edited changed
    // A store begins: controls holding typed input not yet in the row write it now.
    void updateRecord();

protected:
    // For subclasses: where the rows live.
    void attach(std::shared_ptr<Connection> connection, QString qualifiedTable, QList<FieldDef> fields);
    void detach();
    Connection& connection() const { return *m_connection; }
    const QString& qualifiedTable() const { return m_table; }
    sqlite3* db() const;

    // The view: condition and parameters over the table's columns, and ordering terms.
    struct View
    {
        QString where; // empty for every row
        QVariantList params;
        QStringList orderFields; // empty: insertion order
        QList<bool> orderNoCase;
    };
    virtual View view() const { return {}; }

    // Storing (Table overrides).
    virtual qint64 storeRow(qint64 rowid, const QVariantList& values, bool inserting);
    virtual void removeRow(qint64 rowid);
    virtual void afterRowsChanged() { }
    virtual void closing() { }
    virtual void prepareInsert(QVariantList& values) { Q_UNUSED(values); }
    virtual void validateRow(const QVariantList& values) { Q_UNUSED(values); }

    void invalidateRows(); // the row map is rebuilt when next needed
    void ensureRows() const;
    void setCurrentIndex(int index, bool notify = true);
    int currentIndex() const { return m_pos; }
    qint64 currentRowid() const;
    const std::vector<qint64>& rowIds() const
    {
        ensureRows();
        return m_rows;
    }
    bool rowMatchesView(qint64 rowid) const;
    // Where a row of the view stands in the map (-1 when it is not there), and where a row
    // with its order key would go.
    int positionOf(qint64 rowid) const;
    size_t lowerBound(qint64 rowid) const;
    // Puts a stored row at its place in the map (or drops it); `fresh`: it was just added.
    void placeRow(qint64 rowid, bool fresh = false);
    void setState(DatasetState state);
    void loadCurrent() const;
    void openRows(); // after attach: first row, browse state
    QVariantList fetchRow(qint64 rowid) const;
    // One pass over the rows of the view, in view order, all fields (for bulk copies).
    Statement scanRows() const;
    QString viewSelect(const QString& columns, const View& view) const;
    // The stored values of the row being edited, as they were before the edit.
    const QVariantList& storedValues() const
    {
        loadCurrent();
        return m_current;
    }
    static bool changed(const QVariant& before, const QVariant& after)
    {
        return before.isNull() != after.isNull() || (!after.isNull() && before != after);
    }
    QString tableName() const { return displayName(); }

private:
    int compareKeys(const QVariantList& a, qint64 rowidA, const QVariantList& b, qint64 rowidB) const;
    QVariantList orderKey(qint64 rowid) const;

    std::shared_ptr<Connection> m_connection;
    QString m_table;
    QList<FieldDef> m_fields;
    QStringList m_masks;
    DatasetState m_state = DatasetState::Inactive;

    mutable std::vector<qint64> m_rows;
    mutable bool m_rowsValid = false;
    mutable View m_view;
    mutable QString m_orderKeySql;
    int m_pos = -1;
    bool m_eof = true;
    bool m_bof = true;

    mutable QVariantList m_current; // values of the current stored row
    mutable qint64 m_currentRowid = 0;
    mutable bool m_currentValid = false;
    QVariantList m_buffer; // the row being edited or inserted
    bool m_modified = false;

    mutable int m_cacheRow = -1;
    QString m_fetchSql;
    mutable QVariantList m_cache;

    friend class Field;
    friend class Table;
};

} // namespace store
