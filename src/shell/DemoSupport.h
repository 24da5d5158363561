#pragma once

// What the demo-data generators share: a random source that gives the same numbers
// everywhere, the public code lists, names of people and places, and scratch rows that
// move a chunk of made-up rows into a table in one transaction.

#include "store/Connection.h"
#include "store/Dataset.h"
#include "store/FieldDef.h"
#include "store/StoreError.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <memory>
#include <span>
#include <vector>

namespace store {
class Table;
} // namespace store

namespace demo {

// xoshiro256** seeded by splitmix64: the same numbers on every platform and compiler,
// which the standard library's distributions do not promise.
class Random
{
public:
    explicit Random(quint64 seed)
    {
        for (quint64& s : m_s) {
            seed += 0x9E3779B97F4A7C15ULL;
            quint64 z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            s = z ^ (z >> 31);
        }
    }

    quint64 next()
    {
        const quint64 result = rotl(m_s[1] * 5, 7) * 9;
        const quint64 t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

    double uniform() { return double(next() >> 11) * 0x1.0p-53; } // [0, 1)
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    bool chance(double p) { return uniform() < p; }
    // Inclusive; an empty range gives lo.
    qint64 between(qint64 lo, qint64 hi)
    {
        if (hi <= lo) return lo;
        return lo + qint64(next() % quint64(hi - lo + 1));
    }
    double normal()
    {
        const double u1 = 1.0 - uniform();
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
    double logNormal(double median, double sigma) { return median * std::exp(sigma * normal()); }
    template <typename T> const T& pick(const QList<T>& list)
    {
        return list[qsizetype(between(0, list.size() - 1))];
    }
    // Index into `weights`, drawn in proportion to them.
    int weighted(const QList<double>& weights)
    {
        double total = 0;
        for (double w : weights)
            total += w;
        double x = uniform() * total;
        for (qsizetype i = 0; i < weights.size(); ++i) {
            x -= weights[i];
            if (x < 0) return int(i);
        }
        return int(weights.size() - 1);
    }

private:
    static quint64 rotl(quint64 x, int k) { return (x << k) | (x >> (64 - k)); }
    quint64 m_s[4];
};

// Amounts are whole numbers (thousands or ten thousands of yuan, counts), so every sum the
// rules compare is exact: a share of `total` between lo and hi, rounded down.
double part(Random& r, double total, double lo, double hi);
// `total` cut into `n` whole pieces that add up to it exactly.
QList<double> split(Random& r, double total, int n);

// Which of `n` rows carry a mistake: an even draw of `percent` of them, the `kinds` of
// mistakes taken in turn so that a small run still shows each of them. Per row the kind,
// or -1 for a clean row.
std::vector<int> plantMistakes(int n, double percent, int kinds, quint64 seed);

// --- Code lists ------------------------------------------------------------------------

// Rows of a code list from the program's resources (":/codes/…"), without its head line.
QList<QStringList> readCodeList(const QString& resource);

struct County
{
    QString code; // six digits
    QString province; // the province's code, two digits
    QString place; // how a company name starts: the city, or the province for municipalities
    QString address; // how an address starts: city (or province) and county
    QString name; // the county-level unit itself
    QString city; // its city; the province for municipalities and directly governed counties
    QString provinceName;
};

// County-level units of the mainland, grouped by province in code order.
const QHash<QString, QList<County>>& countiesByProvince();

// How a name of a place is written short ("苏州市" → "苏州", "广西壮族自治区" → "广西").
QString shortPlace(QString name);

struct Province
{
    const char16_t* code;
    double weight; // roughly where the zones' enterprises are
    const char16_t* postal; // first two digits of its postal codes
    const char16_t* area; // telephone area code of its capital
};

std::span<const Province> provinces();

// --- Names -----------------------------------------------------------------------------

extern const QStringList nameSyllables; // one-character words that make up brand names
extern const QStringList roads;
extern const QStringList letters; // lower-case letters for made-up words

QString digits(Random& r, int n);
QString personName(Random& r);
QString word(Random& r, int from, int to); // from…to letters
QString year(qint64 y);

// --- Rows ------------------------------------------------------------------------------

// The rows of one table being made: a private in-memory database the store reads as a
// dataset, so that Table::batchAppend moves a whole chunk in one transaction.
class ScratchRows : public store::Dataset
{
public:
    explicit ScratchRows(const store::TableSchema& target);
    ~ScratchRows() override;

    void open() override { }
    QString displayName() const override { return QStringLiteral("演示数据"); }

    void begin();
    void add(const QVariantList& row);
    void commit();
    void clearRows();

private:
    std::shared_ptr<store::Connection> m_connection;
    std::unique_ptr<store::Connection::Transaction> m_transaction;
    store::Statement m_insert;
    QString m_insertSql;
};

// One row of a table, its values set by field name.
class Row
{
public:
    explicit Row(const store::TableSchema& schema)
    {
        for (qsizetype i = 0; i < schema.fields.size(); ++i)
            m_index.insert(schema.fields[i].name.toLower(), int(i));
        m_numeric.resize(schema.fields.size());
        for (qsizetype i = 0; i < schema.fields.size(); ++i)
            m_numeric[i] = store::isNumeric(schema.fields[i].type);
        m_values = QVariantList(schema.fields.size(), QVariant());
    }

    // Numbers start as 0, as the entry window stores them; texts and dates as null.
    void reset()
    {
        for (qsizetype i = 0; i < m_values.size(); ++i)
            m_values[i] = m_numeric[i] ? QVariant(0.0) : QVariant();
    }
    void set(const QString& name, const QVariant& value) { m_values[index(name)] = value; }
    void set(const QString& name, double value) { m_values[index(name)] = value; }
    double number(const QString& name) const { return m_values[index(name)].toDouble(); }
    QString text(const QString& name) const { return m_values[index(name)].toString(); }
    const QVariantList& values() const { return m_values; }

private:
    int index(const QString& name) const
    {
        const auto it = m_index.constFind(name);
        if (it == m_index.constEnd())
            throw store::StoreError(QStringLiteral("演示数据: 表中没有字段 %1").arg(name));
        return it.value();
    }

    QHash<QString, int> m_index;
    QList<bool> m_numeric;
    QVariantList m_values;
};

store::TableSchema schemaOf(store::Table& table); // opens the table

// The largest report number of `length` digits in a table's key column, or 0.
int largestNumber(const QString& table, const QString& key, int length);

} // namespace demo
