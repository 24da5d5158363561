#include "FieldDef.h"

#include "StoreError.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace store {

int TableSchema::fieldIndex(const QString& name) const
{
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

const IndexDef* TableSchema::primaryIndex() const
{
    for (const auto& index : indexes)
        if (index.primary) return &index;
    return nullptr;
}

const IndexDef* TableSchema::findIndex(const QString& name) const
{
    for (const auto& index : indexes)
        if (!index.primary && index.name.compare(name, Qt::CaseInsensitive) == 0) return &index;
    return nullptr;
}

bool isNumeric(FieldType type)
{
    return type == FieldType::SmallInt || type == FieldType::Integer || type == FieldType::Float;
}

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Text: return u"CHAR"_s;
    case FieldType::SmallInt: return u"SMALLINT"_s;
    case FieldType::Integer: return u"INTEGER"_s;
    case FieldType::Float: return u"FLOAT"_s;
    case FieldType::Date: return u"DATE"_s;
    case FieldType::Logical: return u"BOOLEAN"_s;
    case FieldType::Memo: return u"MEMO"_s;
    }
    return u"CHAR"_s;
}

QString sqlTypeOf(const FieldDef& field)
{
    // Declared types double as SQLite affinities: CHAR/TEXT are text, SMALLINT/INTEGER
    // integer, FLOAT real; DATE and BOOLEAN keep what is stored (ISO text, 0/1).
    switch (field.type) {
    case FieldType::Text: return u"CHAR(%1)"_s.arg(field.size > 0 ? field.size : 1);
    case FieldType::Memo: return u"TEXT"_s;
    default: return fieldTypeName(field.type);
    }
}

bool parseSqlType(const QString& declared, FieldType* type, int* size)
{
    static const QRegularExpression re(u"^\\s*([A-Za-z_ ]+?)\\s*(?:\\(\\s*(\\d+)\\s*(?:,\\s*\\d+\\s*)?\\))?\\s*$"_s);
    const auto m = re.match(declared);
    if (!m.hasMatch()) return false;
    const QString name = m.captured(1).simplified().toUpper();
    const int n = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    *size = 0;
    if (name == "CHAR"_L1 || name == "VARCHAR"_L1 || name == "CHARACTER"_L1 || name == "ALPHA"_L1
        || name == "CHARACTER VARYING"_L1) {
        *type = FieldType::Text;
        *size = n > 0 ? n : 1;
    } else if (name == "TEXT"_L1 || name == "MEMO"_L1 || name == "BLOB"_L1 || name == "CLOB"_L1) {
        *type = FieldType::Memo;
    } else if (name == "SMALLINT"_L1 || name == "SHORT"_L1) {
        *type = FieldType::SmallInt;
    } else if (name == "INTEGER"_L1 || name == "INT"_L1 || name == "LONG"_L1 || name == "AUTOINC"_L1) {
        *type = FieldType::Integer;
    } else if (name == "FLOAT"_L1 || name == "DOUBLE"_L1 || name == "REAL"_L1 || name == "NUMERIC"_L1
               || name == "DECIMAL"_L1 || name == "NUMBER"_L1 || name == "MONEY"_L1 || name == "DOUBLE PRECISION"_L1) {
        *type = FieldType::Float;
    } else if (name == "DATE"_L1) {
        *type = FieldType::Date;
    } else if (name == "BOOLEAN"_L1 || name == "LOGICAL"_L1 || name == "BOOL"_L1) {
        *type = FieldType::Logical;
    } else {
        return false;
    }
    return true;
}

int gbkLength(const QString& text)
{
    bool ascii = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return int(text.size());
    return int(toGbk(text).size());
}

QByteArray toGbk(const QString& text)
{
    // Making a converter is costly (ICU); one per thread serves every call.
    thread_local QStringEncoder encoder("GBK");
    if (!encoder.isValid()) return text.toLocal8Bit();
    encoder.resetState();
    return encoder.encode(text);
}

QString fromGbk(const QByteArray& bytes)
{
    thread_local QStringDecoder decoder("GBK");
    if (!decoder.isValid()) return QString::fromLocal8Bit(bytes);
    decoder.resetState();
    return decoder.decode(bytes);
}

namespace {

[[noreturn]] void badValue(const QString& table, const FieldDef& field, const QString& what)
{
    throw StoreError(u"表 %1 的字段 %2 %3"_s.arg(table, field.name, what));
}

QDate parseDate(const QString& text)
{
    const QString t = text.trimmed();
    for (const auto* format : { "yyyy-MM-dd", "yyyy/MM/dd", "yyyyMMdd", "yyyy.MM.dd", "yyyy-M-d", "yyyy/M/d" }) {
        const QDate d = QDate::fromString(t, QLatin1StringView(format));
        if (d.isValid()) return d;
    }
    return {};
}

} // namespace

QVariant coerceValue(const QVariant& value, const FieldDef& field, const QString& table)
{
    if (value.isNull() || !value.isValid()) return {};
    const bool isText = value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
    switch (field.type) {
    case FieldType::Text:
    case FieldType::Memo: {
        QString s;
        if (value.typeId() == QMetaType::Double)
            s = displayText(value);
        else if (value.typeId() == QMetaType::QDate)
            s = value.toDate().toString(u"yyyy-MM-dd"_s);
        else
            s = value.toString();
        if (s.isEmpty()) return {};
        if (field.type == FieldType::Text && field.size > 0 && gbkLength(s) > field.size)
            badValue(table, field, u"的内容超过 %1 字节: %2"_s.arg(field.size).arg(s));
        return s;
    }
    case FieldType::SmallInt:
    case FieldType::Integer: {
        qint64 n = 0;
        if (isText) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty()) return {};
            bool ok = false;
            n = s.toLongLong(&ok);
            if (!ok) {
                const double d = s.toDouble(&ok);
                if (!ok || d != std::floor(d)) badValue(table, field, u"需要整数: %1"_s.arg(s));
                n = qint64(d);
            }
        } else if (value.typeId() == QMetaType::Double) {
            const double d = value.toDouble();
            if (!std::isfinite(d)) badValue(table, field, u"需要整数"_s);
            n = qint64(std::llround(d));
        } else if (value.typeId() == QMetaType::Bool) {
            n = value.toBool() ? 1 : 0;
        } else {
            bool ok = false;
            n = value.toLongLong(&ok);
            if (!ok) badValue(table, field, u"需要整数"_s);
        }
        const qint64 lo = field.type == FieldType::SmallInt ? -32768 : std::numeric_limits<qint32>::min();
        const qint64 hi = field.type == FieldType::SmallInt ? 32767 : std::numeric_limits<qint32>::max();
        if (n < lo || n > hi) badValue(table, field, u"的值超出范围: %1"_s.arg(n));
        return n;
    }
    case FieldType::Float: {
        double d = 0;
        if (isText) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty()) return {};
            bool ok = false;
            d = s.toDouble(&ok);
            if (!ok) badValue(table, field, u"需要数值: %1"_s.arg(s));
        } else {
            bool ok = false;
            d = value.toDouble(&ok);
            if (!ok) badValue(table, field, u"需要数值"_s);
        }
        if (!std::isfinite(d)) badValue(table, field, u"需要有限的数值"_s);
        return d;
    }
    case FieldType::Date: {
        if (value.typeId() == QMetaType::QDate) return value.toDate().isValid() ? value : QVariant();
        if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().date();
        const QString s = value.toString().trimmed();
        if (s.isEmpty()) return {};
        const QDate d = parseDate(s);
        if (!d.isValid()) badValue(table, field, u"需要日期: %1"_s.arg(s));
        return d;
    }
    case FieldType::Logical: {
        if (value.typeId() == QMetaType::Bool) return value;
        if (isText) {
            const QString s = value.toString().trimmed().toUpper();
            if (s.isEmpty()) return {};
            if (s == "T"_L1 || s == "TRUE"_L1 || s == "Y"_L1 || s == "YES"_L1 || s == "1"_L1 || s == u"是"_s) return true;
            if (s == "F"_L1 || s == "FALSE"_L1 || s == "N"_L1 || s == "NO"_L1 || s == "0"_L1 || s == u"否"_s) return false;
            badValue(table, field, u"需要逻辑值: %1"_s.arg(value.toString()));
        }
        return value.toLongLong() != 0;
    }
    }
    return value;
}

QString displayText(const QVariant& value)
{
    if (value.isNull() || !value.isValid()) return {};
    switch (value.typeId()) {
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (d == std::floor(d) && std::fabs(d) < 1e15) return QString::number(qint64(d));
        QString s = QString::number(d, 'g', 15);
        return s;
    }
    case QMetaType::Float: return displayText(QVariant(double(value.toFloat())));
    case QMetaType::QDate: return value.toDate().toString(u"yyyy-MM-dd"_s);
    case QMetaType::Bool: return value.toBool() ? u"T"_s : u"F"_s;
    default: return value.toString();
    }
}

} // namespace store
