#include "QueryFields.h"

#include "store/Table.h"

using namespace Qt::StringLiterals;

QString tableReference(const QString& dbName)
{
    if (dbName.size() >= 2 && dbName[dbName.size() - 2] == u' ')
        return u'"' + dbName.left(dbName.size() - 2) + u"\" "_s + dbName.back();
    return u'"' + dbName + u'"';
}

QString extraConditionFor(int reportKind)
{
    return reportKind == 4 ? u" (is_chge=\"1\" or is_chge=\"2\")"_s : QString();
}

void QueryFields::append(const DictionaryField& field)
{
    if (field.type != "0"_L1) conditionFields.append(field);
    if (field.type == "N"_L1 || field.type == "0"_L1) statisticsFields.append(field);
    else classificationFields.append(field);
    if (!tables.contains(field.table)) tables.append(field.table);
}

QString QueryFields::joinKey() const
{
    return conditionFields.isEmpty() ? QString() : conditionFields.first().name;
}

QueryFields QueryFields::read(const QString& dictionary)
{
    store::Table table;
    table.setTableName(dictionary);
    table.open();
    const int dbName = table.fieldByName(u"db_name"_s).index();
    const int fieldName = table.fieldByName(u"field_name"_s).index();
    const int fieldType = table.fieldByName(u"field_type"_s).index();
    const int fieldText = table.fieldByName(u"field_text"_s).index();
    QueryFields fields;
    const int rows = table.recordCount();
    for (int r = 0; r < rows; ++r) {
        const QVariantList row = table.rowAt(r);
        fields.append({ row.value(fieldText).toString(), row.value(fieldName).toString(),
                        row.value(fieldType).toString(), tableReference(row.value(dbName).toString()) });
    }
    return fields;
}

QueryCatalogEntry QueryCatalogEntry::read(int reportKind)
{
    store::Table table;
    table.setTableName(u"query_db.db"_s);
    table.open();
    const int id = table.fieldByName(u"id"_s).index();
    const int dbName = table.fieldByName(u"db_name"_s).index();
    const int text = table.fieldByName(u"text"_s).index();
    const int rows = table.recordCount();
    for (int r = 0; r < rows; ++r) {
        const QVariantList row = table.rowAt(r);
        if (!row.value(id).isNull() && row.value(id).toLongLong() == reportKind)
            return { row.value(text).toString(), row.value(dbName).toString() };
    }
    return {};
}

QStringList fieldValues(const DictionaryField& field, const QString& joinKey)
{
    // With aliases the reference is quote, file, quote, blank, alias and the name carries
    // "a."; without, the reference is the quoted file and the name the bare column.
    const bool aliased = joinKey.startsWith("a."_L1);
    const QString& ref = field.table;
    const QString file = ref.mid(1, std::max<qsizetype>(0, ref.size() - (aliased ? 4 : 2)));
    const QString column = aliased ? field.name.mid(2) : field.name;
    store::Table table;
    table.setTableName(file);
    table.open();
    const int index = table.fieldByName(column).index();
    const bool numeric = field.type == "N"_L1;
    QStringList values;
    const int rows = table.recordCount();
    values.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        const QString text = store::displayText(table.valueAt(r, index));
        values.append(numeric ? text : u'"' + text + u'"');
    }
    return values;
}
