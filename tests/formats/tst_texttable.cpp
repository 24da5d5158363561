// Text tables: the schema file we write, values that need delimiting, edits, tables
// without a schema file, and layouts written by others.
#include "FormatTestSupport.h"

#include "store/FieldDef.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace formats_test;
using store::FieldDef;
using store::FieldType;
using store::ForeignTable;
using store::TableFormat;
using store::TableSchema;

namespace {

QStringList shownRows(ForeignTable& table)
{
    QStringList out;
    for (const auto& [recno, values] : readRows(table)) {
        QStringList cells;
        for (const QVariant& v : values)
            cells << store::displayText(v);
        out << u"%1:"_s.arg(recno) + cells.join(u'|');
    }
    return out;
}

QString typesOf(const TableSchema& schema)
{
    QStringList out;
    for (const FieldDef& f : schema.fields) {
        QString t = f.name + u' ' + store::fieldTypeName(f.type);
        if (f.type == FieldType::Text) t += u"(%1)"_s.arg(f.size);
        if (f.decimals) t += u".%1"_s.arg(f.decimals);
        out << t;
    }
    return out.join(u", "_s);
}

} // namespace

class TestTextTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip();
    void editsKeepRecordNumbers();
    void withoutSchemaFile();
    void othersLayouts_data();
    void othersLayouts();

private:
    QTemporaryDir m_dir;
};

void TestTextTable::roundTrip()
{
    const QString path = m_dir.filePath(u"rt.txt"_s);
    TableSchema schema;
    schema.fields = {
        { u"QA01"_s, FieldType::Text, 20, 0 },
        { u"名称"_s, FieldType::Text, 40, 0 },
        { u"QTY"_s, FieldType::SmallInt, 0, 0 },
        { u"CNT"_s, FieldType::Integer, 0, 0 },
        { u"AMT"_s, FieldType::Float, 0, 2 },
        { u"DAY"_s, FieldType::Date, 0, 0 },
        { u"OK"_s, FieldType::Logical, 0, 0 },
        { u"NOTE"_s, FieldType::Memo, 0, 0 },
    };
    const QList<QVariantList> rows = {
        { u"0001"_s, u"国家高新区 \"一号\", 园"_s, qint64(-5), qint64(70000), 1.0 / 3, QDate(2024, 1, 15),
            true, u"第一行\n第二行"_s },
        { u"0002"_s, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() },
        { u"\"\""_s, u"x"_s, qint64(32767), qint64(-2147483647 - 1), -1e20, QDate(1999, 12, 31), false,
            u"a,b"_s },
    };
    {
        auto table = ForeignTable::create(path, TableFormat::Text, schema);
        for (const QVariantList& row : rows)
            table->append(row);
    }
    const QByteArray sch = readBytes(m_dir.filePath(u"rt.sch"_s));
    QCOMPARE(store::fromGbk(sch),
        u"[rt]\r\n"
        "Filetype=VARYING\r\n"
        "Delimiter=\"\r\n"
        "Separator=,\r\n"
        "CharSet=GBK\r\n"
        "Field1=QA01,CHAR,20,00,00\r\n"
        "Field2=名称,CHAR,40,00,20\r\n"
        "Field3=QTY,NUMBER,06,00,60\r\n"
        "Field4=CNT,LONGINT,11,00,66\r\n"
        "Field5=AMT,FLOAT,20,02,77\r\n"
        "Field6=DAY,DATE,10,00,97\r\n"
        "Field7=OK,BOOL,01,00,107\r\n"
        "Field8=NOTE,MEMO,00,00,108\r\n"_s);
    QCOMPARE(store::fromGbk(readBytes(path)),
        u"\"0001\",\"国家高新区 \"\"一号\"\", "
        u"园\",-5,70000,0.3333333333333333,2024-01-15,T,\"第一行\n第二行\"\r\n"
        "\"0002\",,,,,,,\r\n"
        "\"\"\"\"\"\",\"x\",32767,-2147483648,-1e+20,1999-12-31,F,\"a,b\"\r\n"_s);
    QVERIFY(readBytes(path).contains(store::toGbk(u"国家高新区"_s)));

    auto table = ForeignTable::open(path, TableFormat::Text);
    QVERIFY(table->isWritable());
    QCOMPARE(table->schema().fields, schema.fields);
    const auto read = readRows(*table);
    QCOMPARE(read.size(), rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            QCOMPARE(read[r].second[c].isNull(), rows[r][c].isNull());
            if (!rows[r][c].isNull()) QCOMPARE(read[r].second[c], rows[r][c]);
        }
}

void TestTextTable::editsKeepRecordNumbers()
{
    const QString path = m_dir.filePath(u"edits.txt"_s);
    TableSchema schema;
    schema.fields = { { u"K"_s, FieldType::Text, 4, 0 }, { u"N"_s, FieldType::Integer, 0, 0 } };
    auto table = ForeignTable::create(path, TableFormat::Text, schema);
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(table->append({ u"r%1"_s.arg(i), qint64(i) }), i);
    table->remove(2);
    table->update(3, { u"r3x"_s, qint64(30) });
    QCOMPARE(readBytes(path), QByteArray("\"r1\",1\r\n\"r3x\",30\r\n\"r4\",4\r\n"));
    QCOMPARE(shownRows(*table), (QStringList { u"1:r1|1"_s, u"3:r3x|30"_s, u"4:r4|4"_s }));
    // Record 4 is still record 4 until the pack.
    table->update(4, { u"r4x"_s, QVariant() });
    QCOMPARE(table->append({ u"r5"_s, qint64(5) }), 5);
    table->pack();
    QCOMPARE(shownRows(*table), (QStringList { u"1:r1|1"_s, u"2:r3x|30"_s, u"3:r4x|"_s, u"4:r5|5"_s }));
    table->remove(1);
    QCOMPARE(readBytes(path), QByteArray("\"r3x\",30\r\n\"r4x\",\r\n\"r5\",5\r\n"));
    table->rewrite({ { u"z"_s, qint64(9) } });
    QCOMPARE(shownRows(*table), (QStringList { u"1:z|9"_s }));
    // A last line that lost its line break still gets a row of its own appended.
    QVERIFY(writeBytes(path, "\"a\",1"));
    auto reopened = ForeignTable::open(path, TableFormat::Text);
    QCOMPARE(reopened->append({ u"b"_s, qint64(2) }), 2);
    QCOMPARE(readBytes(path), QByteArray("\"a\",1\r\n\"b\",2\r\n"));
}

void TestTextTable::withoutSchemaFile()
{
    const QString path = m_dir.filePath(u"sheet.txt"_s);
    QVERIFY(writeBytes(path, store::toGbk(u"编号,名称,金额\r\n1,\"高新区, 一\",12.5\r\n22,,\r\n"_s)));
    auto table = ForeignTable::open(path, TableFormat::Text);
    QCOMPARE(typesOf(table->schema()), u"编号 CHAR(2), 名称 CHAR(10), 金额 CHAR(4)"_s);
    QCOMPARE(shownRows(*table), (QStringList { u"1:1|高新区, 一|12.5"_s, u"2:22||"_s }));
    QVERIFY(!table->isWritable());
    QCOMPARE(
        storeErrorOf([&] { table->append({}); }), u"文本表 sheet.txt 没有结构文件 sheet.sch，只能读取"_s);
}

void TestTextTable::othersLayouts_data()
{
    QTest::addColumn<QByteArray>("sch");
    QTest::addColumn<QByteArray>("txt");
    QTest::addColumn<QString>("types");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("the old engine's own example")
        << QByteArray("[CUSTOMER]\r\nFiletype=VARYING\r\nDelimiter=\"\r\nSeparator=,\r\nCharSet=ascii\r\n"
                      "Field1=Customer No,Float,20,04,00\r\nField2=Name,Char,30,00,20\r\n"
                      "Field3=First Contact,Date,11,00,160\r\n")
        << QByteArray("1221.0000,\"Kauai Dive Shoppe\",04/03/1994\r\n1231.0000,\"Unisco\",02/28/1994\r\n")
        << u"Customer No FLOAT.4, Name CHAR(30), First Contact DATE"_s
        << QStringList { u"1:1221|Kauai Dive Shoppe|1994-04-03"_s, u"2:1231|Unisco|1994-02-28"_s };
    QTest::newRow("fixed layout") << QByteArray(
        "[F]\nFiletype=Fixed\nCharSet=ascii\nField1=ID,LONGINT,5,00,00\nField2=NAME,CHAR,6,00,5\n"
        "Field3=OK,BOOL,1,00,11\n")
                                  << QByteArray("   12ab    T\n    3cdefgh\n")
                                  << u"ID INTEGER, NAME CHAR(6), OK BOOLEAN"_s
                                  << QStringList { u"1:12|ab|T"_s, u"2:3|cdefgh|"_s };
    QTest::newRow("tabs, spaces round the keys, LF and no last line break")
        << QByteArray("[T]\n FILETYPE = VARYING \n DELIMITER = ' \n SEPARATOR = TAB\nField1 = A,CHAR,5,0,0\n"
                      "Field2 = B,NUMBER,6,0,5\n")
        << QByteArray("'x\ty'\t7\n\n'it''s'\t-8") << u"A CHAR(5), B SMALLINT"_s
        << QStringList { u"1:x\ty|7"_s, u"2:it's|-8"_s };
    QTest::newRow("UTF-8 character set")
        << QByteArray("[U]\r\nFiletype=VARYING\r\nDelimiter=\"\r\nSeparator=,\r\nCharSet=UTF-8\r\n"
                      "Field1=\xE5\x90\x8D,CHAR,10,00,00\r\n")
        << QByteArray("\"\xE9\xAB\x98\xE6\x96\xB0\"\r\n") << u"名 CHAR(10)"_s << QStringList { u"1:高新"_s };
}

void TestTextTable::othersLayouts()
{
    QFETCH(QByteArray, sch);
    QFETCH(QByteArray, txt);
    QFETCH(QString, types);
    QFETCH(QStringList, rows);
    const QString path = m_dir.filePath(u"other.txt"_s);
    QVERIFY(writeBytes(m_dir.filePath(u"other.sch"_s), sch));
    QVERIFY(writeBytes(path, txt));
    auto table = ForeignTable::open(path, TableFormat::Text);
    QCOMPARE(typesOf(table->schema()), types);
    QCOMPARE(shownRows(*table), rows);
    // Written back in the file's own layout, the rows read the same.
    QList<QVariantList> values;
    for (const auto& row : readRows(*table))
        values << row.second;
    table->rewrite(values);
    QCOMPARE(shownRows(*ForeignTable::open(path, TableFormat::Text)), rows);
}

QTEST_GUILESS_MAIN(TestTextTable)
#include "tst_texttable.moc"
