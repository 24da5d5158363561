#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace store {

enum class FieldType {
    Text, // text of at most `size` GBK bytes
    SmallInt, // 16-bit integer
    Integer, // 32-bit integer
    Float, // double
    Date, // calendar date
    Logical, // true / false
    Memo, // text without a size limit
};

struct FieldDef
{
    QString name;
    FieldType type = FieldType::Text;
    int size = 0; // bytes for Text; 0 otherwise
    int decimals = 0; // kept for dBase N/F columns; 0 means "as the value needs"

    bool operator==(const FieldDef&) const = default;
};

struct IndexDef
{
    QString name; // empty for the primary index
    QStringList fields;
    bool primary = false;
    bool unique = false; // always true for the primary index
    bool caseInsensitive = false;

    bool operator==(const IndexDef&) const = default;
};

struct TableSchema
{
    QList<FieldDef> fields;
    QList<IndexDef> indexes;

    int fieldIndex(const QString& name) const; // case-insensitive; -1 when absent
    const IndexDef* primaryIndex() const;
    const IndexDef* findIndex(const QString& name) const; // case-insensitive
};

bool isNumeric(FieldType type);
QString fieldTypeName(FieldType type); // "CHAR", "SMALLINT", …
// The SQL type a field is declared with, e.g. CHAR(25) or FLOAT.
QString sqlTypeOf(const FieldDef& field);
// Reads a declared type back ("CHAR(25)", "VARCHAR(8)", "smallint", "MEMO", …); false when unknown.
bool parseSqlType(const QString& declared, FieldType* type, int* size);

// Bytes a text takes in GBK, the measure of every text field's size.
int gbkLength(const QString& text);
QByteArray toGbk(const QString& text);
QString fromGbk(const QByteArray& bytes);

// Converts a value to what a field of `field`'s type stores; throws StoreError naming
// `table` when it does not fit (too long text, text that is no number or date).
// An empty text becomes null.
QVariant coerceValue(const QVariant& value, const FieldDef& field, const QString& table);

// Value as the user reads it: numbers in their shortest form of at most 15 significant
// digits, dates as yyyy-MM-dd, logicals as T/F, null as an empty text.
QString displayText(const QVariant& value);

} // namespace store
