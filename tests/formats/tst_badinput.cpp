// Damaged exchange files: each gives a StoreError that names the file, never a crash or a
// hang. The damage is done to files our writer (dBase, text) or pxlib (Paradox) made.
#include "FormatTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <functional>

using namespace Qt::StringLiterals;
using namespace formats_test;
using store::FieldType;
using store::ForeignTable;
using store::TableFormat;
using store::TableSchema;

namespace {

struct Damage
{
    const char* name;
    TableFormat format;
    QString file;
    std::function<void(const QString& dir)> make;
    QString message;
};

void writeDbf(const QString& dir, bool memo)
{
    TableSchema schema;
    schema.fields = { { u"T"_s, FieldType::Text, 10, 0 }, { u"N"_s, FieldType::SmallInt, 0, 0 } };
    if (memo) schema.fields.append({ u"M"_s, FieldType::Memo, 0, 0 });
    auto table = ForeignTable::create(dir + u"/bad.dbf"_s, TableFormat::Dbase, schema);
    table->append({ u"甲"_s, qint64(1), u"备注"_s });
    table->append({ u"乙"_s, qint64(2), u"备注二"_s });
}

// Writes bad.dbf and hands its bytes to `change`.
std::function<void(const QString&)> dbf(std::function<void(QByteArray&)> change, bool memo = false)
{
    return [=](const QString& dir) {
        writeDbf(dir, memo);
        QByteArray bytes = readBytes(dir + u"/bad.dbf"_s);
        change(bytes);
        writeBytes(dir + u"/bad.dbf"_s, bytes);
    };
}

std::function<void(const QString&)> text(const QByteArray& sch, const QByteArray& txt)
{
    return [=](const QString& dir) {
        if (!sch.isEmpty()) writeBytes(dir + u"/bad.sch"_s, sch);
        writeBytes(dir + u"/bad.txt"_s, txt);
    };
}

const QByteArray twoFields = "[bad]\r\nFiletype=VARYING\r\nDelimiter=\"\r\nSeparator=,\r\n"
                             "Field1=T,CHAR,10,00,00\r\nField2=N,LONGINT,11,00,10\r\n";

// Writes bad.db with pxlib (a memo, 200 rows over several blocks) and hands its bytes to `change`.
std::function<void(const QString&)> paradox(std::function<void(QByteArray&)> change)
{
    return [=](const QString& dir) {
        QString input = u"T:A10\tN:I\tM:M12\n"_s;
        for (int i = 0; i < 200; ++i)
            input += u"行%1\t%1\t%2\n"_s.arg(i).arg(QString(40, u'备'));
        run(QStringLiteral(PX_FIXTURE_GEN), { dir + u"/bad.db"_s, u"70"_s }, input.toUtf8());
        QByteArray bytes = readBytes(dir + u"/bad.db"_s);
        change(bytes);
        writeBytes(dir + u"/bad.db"_s, bytes);
    };
}

const QList<Damage>& damages()
{
    static const QList<Damage> list = {
        { "dBase: header cut short", TableFormat::Dbase, u"bad.dbf"_s,
            dbf([](QByteArray& b) { b.truncate(20); }), u"的文件头不完整"_s },
        { "dBase: field descriptor past the end", TableFormat::Dbase, u"bad.dbf"_s,
            dbf([](QByteArray& b) { b.truncate(32 + 32 + 10); }), u"的字段说明超出了文件末尾"_s },
        { "dBase: header longer than the file", TableFormat::Dbase, u"bad.dbf"_s,
            dbf([](QByteArray& b) { b[8] = char(0xFF), b[9] = char(0x7F); }), u"的文件头不完整"_s },
        { "dBase: record count beyond the file", TableFormat::Dbase, u"bad.dbf"_s,
            dbf([](QByteArray& b) { b[4] = char(0xE8), b[5] = char(0x03); }),
            u"的记录数 1000 与文件大小不符"_s },
        { "dBase: unknown version", TableFormat::Dbase, u"bad.dbf"_s,
            dbf([](QByteArray& b) { b[0] = char(0x99); }),
            u"不是 dBase、FoxPro 或 Visual FoxPro 格式的表 (版本字节 0x99)"_s },
        { "dBase: fixed-width type of the wrong width", TableFormat::Dbase, u"bad.dbf"_s,
            dbf([](QByteArray& b) { b[32 + 32 + 11] = 'I'; }), u"的字段 N (类型 'I') 长度 6 不对"_s },
        { "dBase: unknown field type", TableFormat::Dbase, u"bad.dbf"_s,
            dbf([](QByteArray& b) { b[32 + 11] = 'X'; }), u"是不支持的类型 'X'"_s },
        { "dBase: record shorter than its fields", TableFormat::Dbase, u"bad.dbf"_s,
            dbf([](QByteArray& b) { b[10] = 3, b[11] = 0; }), u"的记录长度 3 小于字段长度之和"_s },
        { "dBase: memo block past the memo file", TableFormat::Dbase, u"bad.dbf"_s,
            [](const QString& dir) {
                writeDbf(dir, true);
                QByteArray memo = readBytes(dir + u"/bad.dbt"_s);
                writeBytes(dir + u"/bad.dbt"_s, memo.left(600));
            },
            u"的备注文件 bad.dbt 中没有第 2 块"_s },
        { "dBase: memo file missing", TableFormat::Dbase, u"bad.dbf"_s,
            [](const QString& dir) {
                writeDbf(dir, true);
                QFile::remove(dir + u"/bad.dbt"_s);
            },
            u"的备注文件 bad.dbt 不存在"_s },
        { "text: unterminated delimiter", TableFormat::Text, u"bad.txt"_s,
            text(twoFields, "\"a\",1\r\n\"def,2\r\n"), u"第 2 行的文字缺少结束的 \""_s },
        { "text: more fields than the schema", TableFormat::Text, u"bad.txt"_s,
            text(twoFields, "\"a\",1\r\n\"b\",2,3\r\n"), u"第 2 行有 3 个字段，多于结构文件定义的 2 个"_s },
        { "text: no number in a number field", TableFormat::Text, u"bad.txt"_s,
            text(twoFields, "\"a\",x1\r\n"), u"第 1 行字段 N 的值 x1 不是整数"_s },
        { "text: schema skips a field", TableFormat::Text, u"bad.txt"_s,
            text("[bad]\nField1=A,CHAR,1,0,0\nField3=B,CHAR,1,0,1\n", "a,b\n"),
            u"的结构文件 bad.sch 缺少 Field2"_s },
        { "text: unknown type", TableFormat::Text, u"bad.txt"_s,
            text("[bad]\nField1=A,BLOBBY,1,0,0\n", "a\n"), u"的类型 BLOBBY 不受支持"_s },
        { "text: field line cut short", TableFormat::Text, u"bad.txt"_s,
            text("[bad]\nField1=A,CHAR\n", "a\n"), u"第 2 行的字段说明不完整"_s },
        { "text: unterminated header line", TableFormat::Text, u"bad.txt"_s, text({}, "\"open\n"),
            u"第 1 行的文字缺少结束的 \""_s },
        { "Paradox: header cut short", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b.truncate(40); }), u"的文件头不完整"_s },
        { "Paradox: header cut in the field list", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b.truncate(0x100); }), u"的文件头不完整"_s },
        { "Paradox: block chain loops", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b[0x800] = 1, b[0x801] = 0; }), u"的数据块链表出现循环 (块 1)"_s },
        // The first block is whole; the rest of the rows are gone.
        { "Paradox: rows missing", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b.truncate(0x800 + 0x900); }),
            u"的文件头说有 200 行，文件里只有 87 行，缺少 113 行"_s },
        { "Paradox: block past the end", TableFormat::Paradox, u"bad.db"_s, paradox([](QByteArray& b) {
             b.truncate(0x800 + 0x800);
             b[6] = 78, b[7] = 0; // the header counts only the rows of the first block
         }),
            u"的数据块 2 超出了文件末尾"_s },
        { "Paradox: block claims more records than fit", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b[0x804] = char(0xFF), b[0x805] = 0x7F; }), u"的数据块 1 已损坏"_s },
        { "Paradox: record size disagrees with fields", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b[0] = 9; }), u"的记录长度 9 与字段长度之和 26 不符"_s },
        { "Paradox: index file, not data", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b[4] = 1; }), u"不是 Paradox 数据表 (文件类型 1)"_s },
        { "Paradox: unknown version", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b[0x39] = 0x20; }), u"的版本字节 0x20 不是 Paradox 3 到 7"_s },
        // The first record's memo pointer (after 2 leader bytes) aimed past the end of bad.mb.
        { "Paradox: memo pointer past the memo file", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b[0x806 + 14 + 2 + 3] = 0x10; }), u"的备注文件 bad.mb 在位置"_s },
        // The pointer's low byte picks one of 64 entries of a shared block; 0x50 is past them.
        { "Paradox: memo pointer to a sub-block past 63", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) { b[0x806 + 14 + 2] = 0x50; }), u"的备注文件 bad.mb 在位置"_s },
        { "Paradox: memo field shorter than its pointer", TableFormat::Paradox, u"bad.db"_s,
            paradox([](QByteArray& b) {
                b[0x78 + 5] = 9; // the memo field's size in the field list
                b[0] = 23; // the record size to match
            }),
            u"的备注字段 M 长度 9 太短"_s },
    };
    return list;
}

QString prefixOf(TableFormat format)
{
    switch (format) {
    case TableFormat::Dbase:
        return u"dBase 表 bad.dbf "_s;
    case TableFormat::Text:
        return u"文本表 bad.txt "_s;
    default:
        return u"Paradox 表 bad.db "_s;
    }
}

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void damagedFile_data();
    void damagedFile();
};

void TestBadInput::damagedFile_data()
{
    QTest::addColumn<int>("index");

    for (qsizetype i = 0; i < damages().size(); ++i)
        QTest::newRow(damages()[i].name) << int(i);
}

void TestBadInput::damagedFile()
{
    QFETCH(int, index);
    const Damage& d = damages()[index];
    QTemporaryDir dir;
    d.make(dir.path());
    const QString error = storeErrorOf([&] {
        auto table = ForeignTable::open(dir.filePath(d.file), d.format);
        table->readAll([](qint64, const QVariantList&) {});
    });
    QVERIFY2(error.startsWith(prefixOf(d.format)), qPrintable(error));
    QVERIFY2(error.contains(d.message), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
