#include "TableDefinition.h"

#include "store/StoreError.h"

#include <QDate>
#include <QRegularExpression>
#include <QSet>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

struct TypeName
{
    QLatin1StringView name;
    store::FieldType type;
};

constexpr TypeName typeNames[] = {
    { "text"_L1, store::FieldType::Text },
    { "smallint"_L1, store::FieldType::SmallInt },
    { "integer"_L1, store::FieldType::Integer },
    { "float"_L1, store::FieldType::Float },
    { "date"_L1, store::FieldType::Date },
    { "logical"_L1, store::FieldType::Logical },
    { "memo"_L1, store::FieldType::Memo },
};

class Parser
{
public:
    Parser(const QString& tableName, const QString& source)
        : m_source(source)
    {
        m_def.tableName = tableName;
    }

    TableDefinition run(const QString& text)
    {
        const QStringList lines = text.split(u'\n');
        bool inRows = false;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            m_line = int(i + 1);
            QString line = lines[i];
            if (line.endsWith(u'\r')) line.chop(1);
            if (inRows) {
                if (!line.isEmpty()) m_def.rows << row(line);
                continue;
            }
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
            static const QRegularExpression blanks(u"\\s+"_s);
            const QStringList words = trimmed.split(blanks);
            const QString& keyword = words.first();
            if (keyword == "field"_L1)
                field(words);
            else if (keyword == "primary"_L1)
                index(words, true);
            else if (keyword == "index"_L1)
                index(words, false);
            else if (keyword == "rows"_L1 && words.size() == 1) {
                if (m_def.schema.fields.isEmpty()) fail(u"rows before any field"_s);
                inRows = true;
            } else
                fail(u"unknown line \"%1\""_s.arg(trimmed));
        }
        m_line = 0;
        if (m_def.schema.fields.isEmpty()) fail(u"no fields"_s);
        return m_def;
    }

private:
    [[noreturn]] void fail(const QString& what) const
    {
        const QString where = m_line > 0 ? u"%1:%2"_s.arg(m_source).arg(m_line) : m_source;
        throw store::StoreError(u"%1: %2"_s.arg(where, what));
    }

    void field(const QStringList& words)
    {
        if (words.size() < 3 || words.size() > 4)
            fail(u"a field needs a name, a type and, for text, a size"_s);
        store::FieldDef f;
        f.name = words[1];
        if (m_def.schema.fieldIndex(f.name) >= 0) fail(u"field %1 declared twice"_s.arg(f.name));
        const QString type = words[2].toLower();
        bool known = false;
        for (const TypeName& t : typeNames) {
            if (type == t.name) {
                f.type = t.type;
                known = true;
            }
        }
        if (!known) fail(u"unknown type %1"_s.arg(words[2]));
        if (f.type == store::FieldType::Text) {
            bool ok = false;
            f.size = words.value(3).toInt(&ok);
            if (!ok || f.size < 1 || f.size > 255)
                fail(u"text field %1 needs a size from 1 to 255"_s.arg(f.name));
        } else if (words.size() == 4) {
            fail(u"only text fields have a size"_s);
        }
        m_def.schema.fields << f;
    }

    void index(const QStringList& words, bool primary)
    {
        store::IndexDef ix;
        ix.primary = primary;
        ix.unique = primary;
        qsizetype next = 1;
        if (!primary) {
            if (words.size() < 3) fail(u"an index needs a name and its fields"_s);
            ix.name = words[next++];
            if (m_def.schema.findIndex(ix.name)) fail(u"index %1 declared twice"_s.arg(ix.name));
        } else {
            if (words.size() < 2) fail(u"the primary index needs its fields"_s);
            if (m_def.schema.primaryIndex()) fail(u"a second primary index"_s);
        }
        ix.fields = words[next++].split(u';', Qt::SkipEmptyParts);
        for (const QString& name : std::as_const(ix.fields)) {
            const int at = m_def.schema.fieldIndex(name);
            if (at < 0) fail(u"index on unknown field %1"_s.arg(name));
        }
        for (; next < words.size(); ++next) {
            if (words[next] == "unique"_L1 && !primary)
                ix.unique = true;
            else if (words[next] == "nocase"_L1)
                ix.caseInsensitive = true;
            else
                fail(u"unknown index option %1"_s.arg(words[next]));
        }
        if (primary)
            m_def.schema.indexes.prepend(ix);
        else
            m_def.schema.indexes << ix;
    }

    QVariantList row(const QString& line) const
    {
        const QStringList cells = line.split(u'\t');
        const auto& fields = m_def.schema.fields;
        if (cells.size() > fields.size())
            fail(u"%1 values for %2 fields"_s.arg(cells.size()).arg(fields.size()));
        QVariantList values;
        for (qsizetype i = 0; i < fields.size(); ++i)
            values << value(fields[i], i < cells.size() ? cells[i] : QString());
        return values;
    }

    QVariant value(const store::FieldDef& f, const QString& cell) const
    {
        if (cell.isEmpty()) return {};
        bool ok = true;
        switch (f.type) {
        case store::FieldType::Text:
            if (store::gbkLength(cell) > f.size)
                fail(u"\"%1\" is longer than the %2 bytes of %3"_s.arg(cell).arg(f.size).arg(f.name));
            return cell;
        case store::FieldType::Memo:
            return cell;
        case store::FieldType::SmallInt: {
            const int n = cell.toInt(&ok);
            if (!ok || n < std::numeric_limits<qint16>::min() || n > std::numeric_limits<qint16>::max())
                fail(u"\"%1\" is no small integer (%2)"_s.arg(cell, f.name));
            return n;
        }
        case store::FieldType::Integer: {
            const int n = cell.toInt(&ok);
            if (!ok) fail(u"\"%1\" is no integer (%2)"_s.arg(cell, f.name));
            return n;
        }
        case store::FieldType::Float: {
            const double d = cell.toDouble(&ok);
            if (!ok) fail(u"\"%1\" is no number (%2)"_s.arg(cell, f.name));
            return d;
        }
        case store::FieldType::Date: {
            const QDate d = QDate::fromString(cell, Qt::ISODate);
            if (!d.isValid()) fail(u"\"%1\" is no date yyyy-mm-dd (%2)"_s.arg(cell, f.name));
            return d;
        }
        case store::FieldType::Logical:
            if (cell == "T"_L1) return true;
            if (cell == "F"_L1) return false;
            fail(u"\"%1\" is neither T nor F (%2)"_s.arg(cell, f.name));
        }
        return {};
    }

    TableDefinition m_def;
    QString m_source;
    int m_line = 0;
};

} // namespace

TableDefinition TableDefinition::parse(const QString& text, const QString& tableName, const QString& source)
{
    return Parser(tableName, source).run(text);
}
