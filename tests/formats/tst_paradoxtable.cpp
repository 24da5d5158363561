// Paradox tables written by pxlib (px_fixture_gen), read by our decoder.
#include "FormatTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace formats_test;
using store::FieldDef;
using store::FieldType;
using store::ForeignTable;
using store::TableFormat;

namespace {

QString repeated(const QString& piece, int bytes)
{
    QString s;
    while (store::toGbk(s).size() + store::toGbk(piece).size() <= bytes)
        s += piece;
    return s;
}

void compareRows(ForeignTable& table, const QList<QVariantList>& expected)
{
    const auto rows = readRows(table);
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QCOMPARE(rows[r].first, r + 1);
        for (qsizetype c = 0; c < expected[r].size(); ++c) {
            const QVariant& a = rows[r].second[c];
            const QVariant& e = expected[r][c];
            QVERIFY2(e.isNull() ? a.isNull() : a == e && a.typeId() == e.typeId(),
                qPrintable(
                    u"row %1 field %2: %3 (%4), expected %5 (%6)"_s.arg(r + 1).arg(c + 1).arg(a.toString(),
                        QString::fromLatin1(a.typeName()), e.toString(), QString::fromLatin1(e.typeName()))));
        }
    }
}

} // namespace

class TestParadoxTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void surveyTypes_data();
    void surveyTypes();
    void otherTypes();
    void rowsAcrossBlocks();
    void readOnly();

private:
    QTemporaryDir m_dir;
};

void TestParadoxTable::surveyTypes_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("versionByte");
    QTest::addColumn<bool>("withMemo");
    QTest::newRow("Paradox 7") << 70 << 0x0C << true;
    QTest::newRow("Paradox 5") << 50 << 0x0B << true;
    QTest::newRow("Paradox 3 header") << 30 << 0x03 << false;
}

void TestParadoxTable::surveyTypes()
{
    QFETCH(int, version);
    QFETCH(int, versionByte);
    QFETCH(bool, withMemo);
    const QString path = m_dir.filePath(u"kfq_%1.db"_s.arg(version));
    QList<QVariantList> rows = {
        // Ten Chinese characters fill the alpha field to its last byte, with no zero after them.
        { u"国家高新技术产业开发"_s, qint64(-5), qint64(-70000), -1.5, QDate(2024, 1, 15), true, u"短"_s },
        { QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() },
        { u"abc"_s, qint64(32767), qint64(2147483647), 123456789.123456, QDate(1900, 2, 28), false,
            repeated(u"高新区备注 "_s, 300) }, // a shared memo block
        { u"x"_s, qint64(-32767), qint64(-2147483647), 0.0, QDate(1, 1, 1), true,
            repeated(u"大段备注，"_s, 5000) }, // a memo block of its own
    };
    QString fields = u"NAME:A20\tQTY:S\tCNT:I\tAMT:N\tDAY:D"_s;
    if (withMemo)
        fields += u"\tOK:L\tNOTE:M20"_s;
    else
        for (QVariantList& row : rows)
            row = row.mid(0, 5);
    writeParadox(path, version, fields, rows);
    QCOMPARE(int(quint8(readBytes(path).at(0x39))), versionByte);

    auto table = ForeignTable::open(path, TableFormat::Paradox);
    const QList<FieldDef> expected = {
        { u"NAME"_s, FieldType::Text, 20, 0 },
        { u"QTY"_s, FieldType::SmallInt, 0, 0 },
        { u"CNT"_s, FieldType::Integer, 0, 0 },
        { u"AMT"_s, FieldType::Float, 0, 0 },
        { u"DAY"_s, FieldType::Date, 0, 0 },
        { u"OK"_s, FieldType::Logical, 0, 0 },
        { u"NOTE"_s, FieldType::Memo, 0, 0 },
    };
    QCOMPARE(table->schema().fields, expected.mid(0, withMemo ? 7 : 5));
    compareRows(*table, rows);
}

void TestParadoxTable::otherTypes()
{
    const QString path = m_dir.filePath(u"other.db"_s);
    writeParadox(path, 70, u"AI:+\tMONEY:$\tTM:T\tTS:@\tBC:#2\tFM:F20\tBL:B20\t中文名:A8"_s,
        { { qint64(1), 12.25, u"12:34:56"_s, u"2024-01-15 01:02:03"_s, -12.34, u"格式备注"_s,
              repeated(u"blob "_s, 100), u"字段"_s },
            { QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                QVariant() } });
    auto table = ForeignTable::open(path, TableFormat::Paradox);
    const QList<FieldDef> expected = {
        { u"AI"_s, FieldType::Integer, 0, 0 },
        { u"MONEY"_s, FieldType::Float, 0, 0 },
        { u"TM"_s, FieldType::Text, 8, 0 },
        { u"TS"_s, FieldType::Text, 19, 0 },
        { u"BC"_s, FieldType::Float, 0, 2 },
        { u"FM"_s, FieldType::Memo, 0, 0 },
        { u"BL"_s, FieldType::Memo, 0, 0 },
        { u"中文名"_s, FieldType::Text, 8, 0 },
    };
    QCOMPARE(table->schema().fields, expected);
    compareRows(*table,
        { { qint64(1), 12.25, u"12:34:56"_s, u"2024-01-15 01:02:03"_s, -12.34, u"格式备注"_s,
              repeated(u"blob "_s, 100), u"字段"_s },
            { QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                QVariant() } });
}

void TestParadoxTable::rowsAcrossBlocks()
{
    const QString path = m_dir.filePath(u"many.db"_s);
    QList<QVariantList> rows;
    for (int i = 1; i <= 500; ++i)
        rows.append({ u"第%1行"_s.arg(i), qint64(i) });
    writeParadox(path, 70, u"T:A12\tN:I"_s, rows);
    QVERIFY(QFileInfo(path).size() >= 0x800 + 3 * 0x800); // several data blocks
    auto table = ForeignTable::open(path, TableFormat::Paradox);
    compareRows(*table, rows);
}

void TestParadoxTable::readOnly()
{
    const QString path = m_dir.filePath(u"ro.db"_s);
    writeParadox(path, 70, u"T:A4"_s, { { u"a"_s } });
    auto table = ForeignTable::open(path, TableFormat::Paradox);
    QVERIFY(!table->isWritable());
    const QString message = u"Paradox 表 ro.db 只能读取，不能修改"_s;
    QCOMPARE(storeErrorOf([&] { table->append({ u"b"_s }); }), message);
    QCOMPARE(storeErrorOf([&] { table->update(1, { u"b"_s }); }), message);
    QCOMPARE(storeErrorOf([&] { table->remove(1); }), message);
    QCOMPARE(storeErrorOf([&] { table->pack(); }), message);
    QCOMPARE(storeErrorOf([&] { table->rewrite({}); }), message);
    QCOMPARE(
        storeErrorOf([&] { ForeignTable::create(m_dir.filePath(u"new.db"_s), TableFormat::Paradox, {}); }),
        u"Paradox 表 new.db 只能读取，不能修改"_s);
}

QTEST_GUILESS_MAIN(TestParadoxTable)
#include "tst_paradoxtable.moc"
