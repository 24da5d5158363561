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

// An answer copied for printing (query_p.db: number, name, total) and its column heads
// (bt_p.db), as the query window leaves them for the print window.
inline void makePrintCopy(int count, const QString& namePrefix, double factor)
{
    QList<QVariantList> rows;
    for (int i = 1; i <= count; ++i)
        rows.append({ u"%1"_s.arg(i, 6, 10, QChar(u'0')), namePrefix + QString::number(i), i * factor });
    makeTable(u"query_p.db"_s, { text(u"报表编号"_s, 6), text(u"企业名称"_s, 40), number(u"总收入合计"_s) }, rows);
    makeTable(u"bt_p.db"_s, { text(u"表头文字"_s, 255), { u"列宽度"_s, store::FieldType::SmallInt, 0, 0 } },
              { { u"报表编号"_s, 6 }, { u"企业名称"_s, 40 }, { u"总收入合计"_s, 10 } });
}

} // namespace fixture
