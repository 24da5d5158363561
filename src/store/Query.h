#pragma once

#include "Dataset.h"

#include <QStringList>

namespace store {

// A statement in the program's local SQL. open() runs a SELECT and makes its answer a
// read-only dataset; execSql() runs any other statement and returns the rows it changed.
class Query : public Dataset
{
    Q_OBJECT

public:
    explicit Query(QObject* parent = nullptr);
    ~Query() override;

    // The statement as lines; the engine receives them joined by line breaks.
    QStringList& sql() { return m_sql; }
    void setSql(const QStringList& lines);
    void setSql(const QString& text);
    void clearSql();
    QString sqlText() const { return m_sql.join(u'\n'); }

    void open() override;
    int execSql();
    QString displayName() const override;

    // The SQLite statement the text became (for tests and the benchmark).
    static QString translate(const QString& text);

private:
    QStringList m_sql;
};

} // namespace store
