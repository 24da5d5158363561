#pragma once

#include "store/Table.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// Every store test works in a fresh working directory, as the program does.
class WorkDirFixture
{
public:
    WorkDirFixture() : m_previous(QDir::currentPath())
    {
        QVERIFY_THROWS_NO_EXCEPTION(QDir::setCurrent(m_dir.path()));
        QDir().mkdir(QStringLiteral("tmp"));
    }
    ~WorkDirFixture() { QDir::setCurrent(m_previous); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

inline store::FieldDef textField(const QString& name, int size)
{
    return { name, store::FieldType::Text, size, 0 };
}

inline store::FieldDef field(const QString& name, store::FieldType type)
{
    return { name, type, 0, 0 };
}

// A small enterprise master: id primary, QA01 unique key index "kfq_1", QA04 unique
// case-insensitive name index "kfq_13", plus a few numbers.
inline store::TableSchema masterSchema()
{
    using store::FieldType;
    store::TableSchema s;
    s.fields = { textField(QStringLiteral("id"), 25),        textField(QStringLiteral("QA01"), 25),
                 textField(QStringLiteral("QA04"), 60),      field(QStringLiteral("qa_one"), FieldType::SmallInt),
                 field(QStringLiteral("QC05"), FieldType::Float), field(QStringLiteral("QD01"), FieldType::Integer),
                 field(QStringLiteral("QB04"), FieldType::Date) };
    s.indexes = { { QString(), { QStringLiteral("id") }, true, true, false },
                  { QStringLiteral("kfq_1"), { QStringLiteral("QA01") }, false, true, false },
                  { QStringLiteral("kfq_13"), { QStringLiteral("QA04") }, false, true, true } };
    return s;
}

// Products: id primary, (QA01; QE01) secondary index "kfq_2".
inline store::TableSchema detailSchema()
{
    using store::FieldType;
    store::TableSchema s;
    s.fields = { textField(QStringLiteral("id"), 30), textField(QStringLiteral("QA01"), 25),
                 textField(QStringLiteral("QE01"), 4), textField(QStringLiteral("QE02"), 40),
                 field(QStringLiteral("QE14"), FieldType::Float) };
    s.indexes = { { QString(), { QStringLiteral("id") }, true, true, false },
                  { QStringLiteral("kfq_2"), { QStringLiteral("QA01"), QStringLiteral("QE01") }, false, false, false } };
    return s;
}

inline void appendRow(store::Table& t, const QVariantList& values)
{
    t.append();
    for (int i = 0; i < values.size(); ++i)
        if (values[i].isValid()) t.field(i).setValue(values[i]);
    t.post();
}
