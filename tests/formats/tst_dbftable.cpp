// dBase tables: our writer read back by our reader and by dbfread, edits in place, the
// number layout, and the rules for creating a table.
#include "FormatTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace formats_test;
using store::FieldDef;
using store::FieldType;
using store::ForeignTable;
using store::TableFormat;
using store::TableSchema;

namespace {

TableSchema everyType()
{
    TableSchema s;
    s.fields = {
        { u"NAME"_s, FieldType::Text, 20, 0 },
        { u"名称"_s, FieldType::Text, 30, 0 },
        { u"QTY"_s, FieldType::SmallInt, 0, 0 },
        { u"CNT"_s, FieldType::Integer, 0, 0 },
        { u"AMT"_s, FieldType::Float, 0, 2 },
        { u"RATE"_s, FieldType::Float, 0, 0 },
        { u"DAY"_s, FieldType::Date, 0, 0 },
        { u"OK"_s, FieldType::Logical, 0, 0 },
        { u"NOTE"_s, FieldType::Memo, 0, 0 },
    };
    return s;
}

QString longMemo()
{
    QString s;
    for (int i = 0; i < 120; ++i)
        s += u"第%1行：高新技术企业 R&D 投入\n"_s.arg(i);
    return s; // several 512-byte memo blocks
}

QList<QVariantList> everyTypeRows()
{
    return {
        { u"abc"_s, u"国家高新技术产业开发区"_s, qint64(-32768), qint64(2147483647), 1234567.89, 1.0 / 3,
            QDate(2024, 1, 15), true, longMemo() },
        { QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
            QVariant() },
        { u"  lead"_s, u"·《》～"_s, qint64(32767), qint64(-2147483647 - 1), -0.5, 123456789.123456,
            QDate(1900, 2, 28), false, u"短备注"_s },
        { u"x"_s, QVariant(), qint64(0), qint64(0), 0.1, 1e-7, QDate(9999, 12, 31), true, QVariant() },
    };
}

// What a value of `type` reads back as from the file (N(6,0) is an integer, N(11,0) a float).
QVariant asRead(const QVariant& v, FieldType written)
{
    if (v.isNull()) return {};
    if (written == FieldType::Integer) return v.toDouble();
    return v;
}

bool sameValue(const QVariant& actual, const QVariant& expected)
{
    if (expected.isNull()) return actual.isNull();
    if (actual.typeId() != expected.typeId()) return false;
    return actual == expected;
}

QString shown(const QVariant& v)
{
    if (v.isNull()) return u"null"_s;
    if (v.typeId() == QMetaType::Double) return QString::number(v.toDouble(), 'g', 17) + u" (double)"_s;
    return v.toString() + u" ("_s + QString::fromLatin1(v.typeName()) + u')';
}

// dbfread's view of a value, in the JSON dbf_peer.py prints.
bool peerMatches(const QJsonValue& peer, const QVariant& expected, FieldType type)
{
    if (expected.isNull()) {
        // dbfread reads a blank character field as an empty text.
        return peer.isNull()
            || (type == FieldType::Text && peer.toObject().value(u"text"_s).toString().isEmpty());
    }
    const QJsonObject o = peer.toObject();
    switch (type) {
    case FieldType::Text:
    case FieldType::Memo:
        return o.value(u"text"_s).toString() == expected.toString();
    case FieldType::SmallInt:
    case FieldType::Integer:
        return o.contains(u"int"_s) && qint64(o.value(u"int"_s).toDouble()) == expected.toLongLong();
    case FieldType::Float: {
        const double d = o.contains(u"float"_s) ? o.value(u"float"_s).toString().toDouble()
                                                : o.value(u"int"_s).toDouble();
        return d == expected.toDouble();
    }
    case FieldType::Date:
        return o.value(u"date"_s).toString() == expected.toDate().toString(Qt::ISODate);
    case FieldType::Logical:
        return o.contains(u"bool"_s) && o.value(u"bool"_s).toBool() == expected.toBool();
    }
    return false;
}

QJsonObject dbfread(const QString& path)
{
    const QByteArray out = run(u"/usr/bin/python3"_s, { sourceFile(u"tests/formats/dbf_peer.py"_s), path });
    return QJsonDocument::fromJson(out).object();
}

} // namespace

class TestDbfTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void editsInPlace();
    void memoGoesAfterTheLastBlock();
    void numberLayout_data();
    void numberLayout();
    void gbkMarkers_data();
    void gbkMarkers();
    void createRefuses_data();
    void createRefuses();

private:
    QTemporaryDir m_dir;
};

void TestDbfTable::roundTrip_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("memoName");
    QTest::newRow("lower case") << u"all.dbf"_s << u"all.dbt"_s;
    QTest::newRow("upper case") << u"ALL2.DBF"_s << u"ALL2.DBT"_s;
    QTest::newRow("dBase forced on a .db name") << u"forced.db"_s << u"forced.dbt"_s;
}

void TestDbfTable::roundTrip()
{
    QFETCH(QString, fileName);
    QFETCH(QString, memoName);
    const QString path = m_dir.filePath(fileName);
    const TableSchema schema = everyType();
    const QList<QVariantList> rows = everyTypeRows();
    {
        auto table = ForeignTable::create(path, TableFormat::Dbase, schema);
        QVERIFY(table->isWritable());
        for (const QVariantList& row : rows)
            table->append(row);
    }
    QVERIFY(QFileInfo::exists(m_dir.filePath(memoName)));
    const QByteArray bytes = readBytes(path);
    QCOMPARE(quint8(bytes[0]), quint8(0x83)); // dBase III with memo
    QCOMPARE(quint8(bytes[29]), quint8(0x7A)); // code page 936
    QCOMPARE(bytes.back(), '\x1A');

    // Our reader.
    auto table = ForeignTable::open(path, TableFormat::Dbase);
    const QList<FieldType> readTypes
        = { FieldType::Text, FieldType::Text, FieldType::Integer, FieldType::Float, FieldType::Float,
              FieldType::Float, FieldType::Date, FieldType::Logical, FieldType::Memo };
    QCOMPARE(table->schema().fields.size(), schema.fields.size());
    for (qsizetype i = 0; i < schema.fields.size(); ++i) {
        QCOMPARE(table->schema().fields[i].name, schema.fields[i].name);
        QCOMPARE(table->schema().fields[i].type, readTypes[i]);
    }
    QCOMPARE(table->schema().fields[0].size, 20);
    QCOMPARE(table->schema().fields[4].decimals, 2);
    QCOMPARE(table->schema().fields[5].decimals, 4); // a float without decimals is written N(20,4)
    const auto read = readRows(*table);
    QCOMPARE(read.size(), rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QCOMPARE(read[r].first, r + 1);
        for (qsizetype c = 0; c < schema.fields.size(); ++c) {
            const QVariant expected = asRead(rows[r][c], schema.fields[c].type);
            QVERIFY2(sameValue(read[r].second[c], expected),
                qPrintable(u"row %1 field %2: %3, expected %4"_s.arg(r + 1).arg(
                    schema.fields[c].name, shown(read[r].second[c]), shown(expected))));
        }
    }

    // The peer.
    const QJsonObject peer = dbfread(path);
    QCOMPARE(peer.value(u"encoding"_s).toString(), u"cp936"_s);
    const QJsonArray fields = peer.value(u"fields"_s).toArray();
    const QStringList layout = { u"C20.0"_s, u"C30.0"_s, u"N6.0"_s, u"N11.0"_s, u"N20.2"_s, u"N20.4"_s,
        u"D8.0"_s, u"L1.0"_s, u"M10.0"_s };
    QCOMPARE(fields.size(), layout.size());
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QJsonArray f = fields[i].toArray();
        QCOMPARE(f[0].toString(), schema.fields[i].name);
        QCOMPARE(u"%1%2.%3"_s.arg(f[1].toString()).arg(f[2].toInt()).arg(f[3].toInt()), layout[i]);
    }
    const QJsonArray records = peer.value(u"records"_s).toArray();
    QCOMPARE(records.size(), rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QJsonArray values = records[r].toArray();
        for (qsizetype c = 0; c < schema.fields.size(); ++c)
            QVERIFY2(peerMatches(values[c], rows[r][c], schema.fields[c].type),
                qPrintable(u"dbfread row %1 field %2: %3, expected %4"_s.arg(r + 1).arg(schema.fields[c].name,
                    QString::fromUtf8(QJsonDocument(QJsonArray { values[c] }).toJson()), shown(rows[r][c]))));
    }
}

void TestDbfTable::editsInPlace()
{
    const QString path = m_dir.filePath(u"edits.dbf"_s);
    const QString memoPath = m_dir.filePath(u"edits.dbt"_s);
    TableSchema schema;
    schema.fields = { { u"QA01"_s, FieldType::Text, 10, 0 }, { u"NOTE"_s, FieldType::Memo, 0, 0 } };
    auto table = ForeignTable::create(path, TableFormat::Dbase, schema);
    QCOMPARE(table->append({ u"0001"_s, u"甲"_s }), 1);
    QCOMPARE(table->append({ u"0002"_s, u"乙"_s }), 2);
    QCOMPARE(table->append({ u"0003"_s, QVariant() }), 3);

    // An edit that leaves the memo as it was does not grow the memo file.
    const qint64 memoSize = QFileInfo(memoPath).size();
    table->update(2, { u"0002a"_s, u"乙"_s });
    QCOMPARE(QFileInfo(memoPath).size(), memoSize);
    table->update(2, { u"0002b"_s, u"乙改过了"_s });
    QVERIFY(QFileInfo(memoPath).size() > memoSize);

    table->remove(1);
    auto rows = readRows(*table);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].first, 2);
    QCOMPARE(rows[0].second, (QVariantList { u"0002b"_s, u"乙改过了"_s }));
    QCOMPARE(rows[1].first, 3);
    QJsonObject peer = dbfread(path);
    QCOMPARE(peer.value(u"records"_s).toArray().size(), 2);
    QCOMPARE(peer.value(u"deleted"_s).toInt(), 1);
    QCOMPARE(readBytes(path).at(table->schema().fields.size() * 32 + 33), '*');

    table->pack();
    rows = readRows(*table);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].first, 1);
    QCOMPARE(rows[1].first, 2);
    QCOMPARE(rows[0].second, (QVariantList { u"0002b"_s, u"乙改过了"_s }));
    peer = dbfread(path);
    QCOMPARE(peer.value(u"deleted"_s).toInt(), 0);
    QCOMPARE(peer.value(u"records"_s).toArray()[0].toArray()[1].toObject().value(u"text"_s).toString(),
        u"乙改过了"_s);
    const QByteArray bytes = readBytes(path);
    const int recordSize = 1 + 10 + 10;
    QCOMPARE(bytes.size(), 32 + 2 * 32 + 1 + 2 * recordSize + 1);
    QCOMPARE(bytes.back(), '\x1A');
    QCOMPARE(quint8(bytes[4]), quint8(2)); // record count
    QCOMPARE(QFileInfo(memoPath).size(), 2 * 512); // header block and the one live memo

    // Appends after a pack continue the numbering, and a fresh open sees the same rows.
    QCOMPARE(table->append({ u"0004"_s, u"丙"_s }), 3);
    table.reset();
    auto again = ForeignTable::open(path, TableFormat::Dbase);
    rows = readRows(*again);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[2].second, (QVariantList { u"0004"_s, u"丙"_s }));

    again->rewrite({ { u"9"_s, u"全部重写"_s } });
    rows = readRows(*again);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].second, (QVariantList { u"9"_s, u"全部重写"_s }));
    QCOMPARE(dbfread(path).value(u"records"_s).toArray().size(), 1);
}

void TestDbfTable::memoGoesAfterTheLastBlock()
{
    // A memo file's next-free-block can be stale or damaged; new memos go after the last
    // block it really holds, not to where the header points (found by fuzz_dbf).
    const QString path = m_dir.filePath(u"memo.dbf"_s);
    const QString memoPath = m_dir.filePath(u"memo.dbt"_s);
    TableSchema schema;
    schema.fields = { { u"NOTE"_s, FieldType::Memo, 0, 0 } };
    ForeignTable::create(path, TableFormat::Dbase, schema)->append({ u"一"_s });
    for (const quint32 next : { 0x00FFFFFFu, 1u }) {
        QByteArray memo = readBytes(memoPath);
        for (int i = 0; i < 4; ++i)
            memo[i] = char(next >> (8 * i));
        QVERIFY(writeBytes(memoPath, memo));
        const qint64 size = memo.size();
        auto table = ForeignTable::open(path, TableFormat::Dbase);
        table->append({ u"二"_s });
        QCOMPARE(QFileInfo(memoPath).size(), size + 512);
        const auto rows = readRows(*table);
        QCOMPARE(rows.first().second.first().toString(), u"一"_s);
        QCOMPARE(rows.last().second.first().toString(), u"二"_s);
    }
}

void TestDbfTable::numberLayout_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("exact");
    QTest::newRow("fits the decimals") << 1.5 << 4 << QByteArray("1.5000") << true;
    QTest::newRow("negative") << -2.25 << 2 << QByteArray("-2.25") << true;
    QTest::newRow("more places than declared") << 1.0 / 3 << 4 << QByteArray("0.3333333333333333") << true;
    QTest::newRow("tiny") << 1e-7 << 4 << QByteArray("0.0000001") << true;
    QTest::newRow("18 digits") << 123456789012345680.0 << 2 << QByteArray("123456789012345680") << true;
    QTest::newRow("huge") << 1e300 << 4 << QByteArray("1e+300") << true;
    QTest::newRow("15 digits when exact does not fit")
        << 1.2345678901234567e-5 << 4 << QByteArray("1.23456789012346e-05") << false;
}

void TestDbfTable::numberLayout()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QByteArray, text);
    QFETCH(bool, exact);
    const QString path = m_dir.filePath(u"numbers.dbf"_s);
    TableSchema schema;
    schema.fields = { { u"V"_s, FieldType::Float, 0, decimals } };
    {
        auto table = ForeignTable::create(path, TableFormat::Dbase, schema);
        table->append({ value });
    }
    const QByteArray bytes = readBytes(path);
    const QByteArray field = bytes.mid(32 + 32 + 1 + 1, 20);
    QCOMPARE(field, QByteArray(20 - text.size(), ' ') + text);
    auto table = ForeignTable::open(path, TableFormat::Dbase);
    const double back = readRows(*table).at(0).second.at(0).toDouble();
    if (exact)
        QCOMPARE(back, value);
    else
        QVERIFY(std::fabs(back - value) <= std::fabs(value) * 1e-14);
    const QJsonObject peer = dbfread(path);
    const QJsonObject v = peer.value(u"records"_s).toArray()[0].toArray()[0].toObject();
    const double peerValue
        = v.contains(u"float"_s) ? v.value(u"float"_s).toString().toDouble() : v.value(u"int"_s).toDouble();
    QCOMPARE(peerValue, back);
}

void TestDbfTable::gbkMarkers_data()
{
    QTest::addColumn<int>("marker");
    QTest::newRow("0x7A") << 0x7A;
    QTest::newRow("0x4D") << 0x4D;
    QTest::newRow("no mark") << 0x00;
}

void TestDbfTable::gbkMarkers()
{
    QFETCH(int, marker);
    const QString path = m_dir.filePath(u"marker.dbf"_s);
    TableSchema schema;
    schema.fields = { { u"T"_s, FieldType::Text, 20, 0 } };
    ForeignTable::create(path, TableFormat::Dbase, schema)->append({ u"高新区"_s });
    QByteArray bytes = readBytes(path);
    bytes[29] = char(marker);
    QVERIFY(writeBytes(path, bytes));
    auto table = ForeignTable::open(path, TableFormat::Dbase);
    QCOMPARE(readRows(*table).at(0).second.at(0).toString(), u"高新区"_s);
}

void TestDbfTable::createRefuses_data()
{
    QTest::addColumn<QList<FieldDef>>("fields");
    QTest::addColumn<QString>("message");
    QTest::newRow("11-byte name") << QList<FieldDef> { { u"ABCDEFGHIJK"_s, FieldType::Text, 5, 0 } }
                                  << u"dBase 表 refused.dbf 的字段名 ABCDEFGHIJK 超过 10 字节"_s;
    QTest::newRow("Chinese name of 12 bytes")
        << QList<FieldDef> { { u"高新技术企业"_s, FieldType::Integer, 0, 0 } }
        << u"的字段名 高新技术企业 超过 10 字节"_s;
    QTest::newRow("same name twice") << QList<FieldDef> { { u"qa01"_s, FieldType::Text, 5, 0 },
        { u"QA01"_s, FieldType::Text, 5, 0 } }
                                     << u"的字段名 QA01 重复"_s;
    QTest::newRow("text of 256 bytes")
        << QList<FieldDef> { { u"T"_s, FieldType::Text, 256, 0 } } << u"dBase 字符字段最长 255 字节"_s;
    QTest::newRow("no fields") << QList<FieldDef> {} << u"至少要有一个字段"_s;
}

void TestDbfTable::createRefuses()
{
    QFETCH(QList<FieldDef>, fields);
    QFETCH(QString, message);
    TableSchema schema;
    schema.fields = fields;
    const QString error = storeErrorOf(
        [&] { ForeignTable::create(m_dir.filePath(u"refused.dbf"_s), TableFormat::Dbase, schema); });
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(!QFileInfo::exists(m_dir.filePath(u"refused.dbf"_s)));
}

QTEST_GUILESS_MAIN(TestDbfTable)
#include "tst_dbftable.moc"
