#pragma once

#include "QueryFields.h"

// A condition of the and- or or-group with the table that was in the table box when it was added.
struct QueryCondition
{
    QString text;
    QString table;

    bool operator==(const QueryCondition&) const = default;
};

struct SortEntry
{
    QString caption; // names an answer column through the select list's aliases
    bool descending = false;
};

// What the user chose on the query window. Field choices are positions in the lists of
// QueryFields, in list order.
struct QueryChoices
{
    QList<int> selectedFields; // ticked condition fields (the selectable-field list)
    QList<int> statisticsFields;
    QList<int> classificationFields;
    QList<int> tables; // ticked entries of QueryFields::tables
    QList<QueryCondition> andGroup;
    QList<QueryCondition> orGroup;
    bool combineWithOr = false; // the combiner "或"
    QList<SortEntry> sort;
    QString extraCondition;
};

// Writes the query and statistics statements of the query window as lines of local SQL.
class QueryStatementBuilder
{
public:
    enum class Run { Query, Statistics };

    QueryStatementBuilder(const QueryFields& fields, const QueryChoices& choices);

    // The from clause's tables for a run, each once, the first condition field's first.
    QStringList tableList(Run run) const;
    // The from line and the where lines over these tables.
    QStringList fromWhere(const QStringList& tables) const;
    QStringList queryStatement() const;
    // Empty when no statistics field is ticked.
    QStringList statisticsStatement() const;

private:
    const QueryFields& m_fields;
    const QueryChoices& m_choices;
};
