#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One field a dictionary offers.
struct DictionaryField
{
    QString caption; // field_text: the list entry and the answer's column heading
    QString name; // field_name as written in SQL (a.QA01)
    QString type; // "N" totalled and compared, "0" only totalled, else compared and grouped
    QString table; // table reference for a from clause ("kfq_1.db" a)
};

// The from-clause text of a dictionary's db_name: "kfq_1.db a" becomes "kfq_1.db" a,
// "gjxm.db" becomes "gjxm.db" in double quotes.
QString tableReference(const QString& dbName);

// The condition every statement of a report kind carries (national projects: only those
// that are or were changed).
QString extraConditionFor(int reportKind);

// The lists of the query window, in dictionary order.
struct QueryFields
{
    QList<DictionaryField> conditionFields; // type not "0": conditions and selectable fields
    QList<DictionaryField> statisticsFields; // "N" or "0"
    QList<DictionaryField> classificationFields; // any other type
    QStringList tables; // distinct references in first-seen order

    void append(const DictionaryField& field);
    // The column that joins the tables: the first condition field (a.QA01).
    QString joinKey() const;
    // Reads a dictionary table (columns db_name, field_name, field_type, field_text).
    static QueryFields read(const QString& dictionary);
};

// The row of query_db.db for a report kind; both empty when there is none.
struct QueryCatalogEntry
{
    QString caption;
    QString dictionary;

    static QueryCatalogEntry read(int reportKind);
};

// Every value of a field in its table, in the table's order, duplicates included, as text
// to put into an expression: numbers ("N") as they are, anything else in double quotes.
QStringList fieldValues(const DictionaryField& field, const QString& joinKey);
