#pragma once

#include "store/Table.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Small tables for the query tests, made in the current (temporary) directory.
namespace fixture {

using namespace Qt::StringLiterals;

inline void makeTable(const QString& name, const QList<store::FieldDef>& fields, const QList<QVariantList>& rows)
{
    store::TableSchema schema;
    schema.fields = fields;
    store::Table::createTable(name, schema);
    store::Table t;
    t.setTableName(name);
    t.open();
    for (const QVariantList& row : rows) {
        t.append();
        for (int i = 0; i < int(row.size()); ++i)
            t.setValue(i, row[i]);
        t.post();
    }
    t.close();
}

inline store::FieldDef text(const QString& name, int size)
{
    return { name, store::FieldType::Text, size, 0 };
}

inline store::FieldDef number(const QString& name)
{
    return { name, store::FieldType::Float, 0, 0 };
}

// A field dictionary: rows of db_name, field_name, field_type, field_text.
inline void makeDictionary(const QString& name, const QList<QStringList>& rows)
{
    QList<QVariantList> values;
    for (const QStringList& r : rows)
        values.append({ r.value(0), r.value(1), r.value(2), r.value(3) });
    makeTable(name, { text(u"db_name"_s, 20), text(u"field_name"_s, 20), text(u"field_type"_s, 1),
                      text(u"field_text"_s, 40) },
              values);
}

// Every row of a table, values as the store gives them.
inline QList<QVariantList> rowsOf(const QString& name, store::TableType type = store::TableType::Default)
{
    store::Table t;
    t.setTableName(name);
    t.setTableType(type);
    t.open();
    QList<QVariantList> rows;
    for (int r = 0; r < t.recordCount(); ++r)
        rows.append(t.rowAt(r));
    return rows;
}

} // namespace fixture
