#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct sqlite3_value;

namespace store {
class Connection;
}

// A rule condition of a shape simple enough to answer in C++ from one row's values, so a
// scan need not hand it to the engine for every row. Recognised, over the table's columns:
//
//     <sum> <op> <sum>           op one of >= > <= < = == <> !=, a sum made of columns of
//                                numeric affinity and number literals joined by + - *
//     <column> <op> '<text>'     a column of text affinity
//     <column> is [not] null
//     trim(<column>) <op> ''
//     <column> in ('a','b',…)    a column of text affinity
//
// and these joined by and, or, not and parentheses.
//
// The answer is only ever used to leave out rows: mayFail() says false only when the
// engine would certainly not find `not (<condition>)` true for the row (the condition is
// true or null). Whatever it cannot be sure of, such as a text in a numeric column, a
// blob, an overflow, counts as "may fail", and the engine decides.
class QuickCondition
{
public:
    struct Column
    {
        QString name; // as the table names it
        QString declared; // declared type
    };
    // One value of a row as the engine holds it; texts point into the engine's row.
    struct Value
    {
        int type = 5; // SQLITE_NULL, …
        qint64 i = 0;
        double d = 0;
        const char* text = nullptr;
        int bytes = 0;
    };
    static Value read(sqlite3_value* value);

    // The condition as a rule writes it, over a table of `columns`. Number literals are
    // read by `engine`, so they are the very values the engine compares with.
    static std::optional<QuickCondition> recognise(
        const QString& condition, const QList<Column>& columns, store::Connection& engine);

    // Indexes into the table's columns that mayFail() reads.
    const std::vector<int>& columns() const { return m_columns; }
    // `values[c]` holds the row's value of the table's column c, for every c in columns().
    bool mayFail(const Value* values) const;

    struct Node;

private:
    std::shared_ptr<const Node> m_root;
    std::vector<int> m_columns;
};
