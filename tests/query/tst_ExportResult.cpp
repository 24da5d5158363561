#include "QueryFixture.h"
#include "WorkDir.h"
#include "query/ExportResult.h"
#include "store/Query.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The answer the tests save: a text, a number and a date column, three rows.
void makeSource()
{
    fixture::makeTable(u"src.db"_s,
        { fixture::text(u"name"_s, 20), fixture::number(u"amount"_s),
            { u"day"_s, store::FieldType::Date, 0, 0 } },
        { { u"高新区甲企业"_s, 1250.5, QDate(2012, 12, 31) }, { u"乙"_s, -3.0, QVariant() },
            { QVariant(), QVariant(), QDate(2013, 1, 2) } });
}

struct Answer
{
    store::Query query;
    Answer(const QString& sql = u"select name 企业名称, amount 金额, day 日期 from \"src.db\""_s)
    {
        query.setSql(sql);
        query.open();
    }
};

QByteArray runPeer(const QString& mode, const QString& path)
{
    QProcess p;
    p.start(u"/usr/bin/python3"_s,
        { qEnvironmentVariable("VELTO_SOURCE_DIR") + u"/tests/query/export_peer.py"_s, mode, path });
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("export_peer.py %s: %s", qPrintable(mode), p.readAllStandardError().constData());
        return {};
    }
    return p.readAllStandardOutput();
}

// What python3-dbfread reads from a dBase file: field names and lengths, then the rows.
QJsonObject readWithDbfread(const QString& path)
{
    return QJsonDocument::fromJson(runPeer(u"dbf"_s, path)).object();
}

// The cells of the first sheet of an .xlsx.
QJsonArray readXlsx(const QString& path)
{
    return QJsonDocument::fromJson(runPeer(u"xlsx"_s, path)).array();
}

} // namespace

class TestExportResult : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<WorkDir>();
        makeSource();
    }
    void cleanup() { m_dir.reset(); }

    void tableTypeByName_data();
    void tableTypeByName();
    void gridGivesNamesAndSizes();
    void narrowedColumnNeverCutsAValue_data();
    void narrowedColumnNeverCutsAValue();
    void failedSaveLeavesEarlierFile_data();
    void failedSaveLeavesEarlierFile();
    void dbaseReadByDbfread();
    void printCopyRewritesColumnHeads();
    void printCopyFitsLongNumbers();
    void otherNamesLeaveColumnHeads();
    void spreadsheets();
    void transpose_data();
    void transpose();
    void transposeTwiceReplacesTheTable();
    void transposeOfTooManyRowsSaysWhatToDo();

private:
    std::unique_ptr<WorkDir> m_dir;
};

void TestExportResult::tableTypeByName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("file"); // what lands on disk
    QTest::addColumn<int>("format");
    QTest::newRow(".db") << u"out.db"_s << u"out.db"_s << int(store::TableFormat::Native);
    QTest::newRow("no extension") << u"out"_s << u"out.db"_s << int(store::TableFormat::Native);
    QTest::newRow(".dbf") << u"out.dbf"_s << u"out.dbf"_s << int(store::TableFormat::Dbase);
    QTest::newRow(".DBF") << u"OUT.DBF"_s << u"OUT.DBF"_s << int(store::TableFormat::Dbase);
    QTest::newRow(".txt") << u"out.txt"_s << u"out.txt"_s << int(store::TableFormat::Text);
}

void TestExportResult::tableTypeByName()
{
    QFETCH(QString, fileName);
    QFETCH(QString, file);
    QFETCH(int, format);
    Answer a;
    ExportResult(a.query, nullptr, fileName);
    QVERIFY(QFile::exists(file));
    store::Table t;
    t.setTableName(fileName);
    if (format == int(store::TableFormat::Dbase)) t.setTableType(store::TableType::Dbase);
    t.open();
    QCOMPARE(int(t.format()), format);
    QCOMPARE(t.fieldCount(), 3);
    QCOMPARE(t.recordCount(), 3);
    QCOMPARE(t.valueAt(0, 0).toString(), u"高新区甲企业"_s);
    QCOMPARE(t.valueAt(0, 1).toDouble(), 1250.5);
    QCOMPARE(t.valueAt(0, 2).toDate(), QDate(2012, 12, 31));
    QVERIFY(t.valueAt(2, 0).isNull());
    QCOMPARE(t.valueAt(1, 1).toDouble(), -3.0);
    if (format != int(store::TableFormat::Dbase)) QCOMPARE(t.fieldDefs()[0].name, u"企业名称"_s);
}

void TestExportResult::gridGivesNamesAndSizes()
{
    Answer a;
    ExportGrid grid;
    grid.charWidth = 7.5;
    grid.columns = { { u"名称"_s, 300 }, { u"金额合计"_s, 10 }, { u"日期"_s, 80 } };
    ExportResult(a.query, &grid, u"sized.db"_s);
    store::Table t;
    t.setTableName(u"sized.db"_s);
    t.open();
    QCOMPARE(t.fieldDefs()[0], (store::FieldDef { u"名称"_s, store::FieldType::Text, 40, 0 }));
    QCOMPARE(t.fieldDefs()[1].name, u"金额合计"_s);
    QCOMPARE(t.fieldDefs()[1].size, 0); // numbers carry no size, whatever the column's width
    QCOMPARE(t.fieldDefs()[2].type, store::FieldType::Date);
    QCOMPARE(t.recordCount(), 3);

    // Without a character width (no result window activated yet) the sizes stay.
    grid.charWidth = 0;
    QCOMPARE(exportSchema(a.query, &grid, u"x.db"_s).fields[0].size, a.query.fieldDefs()[0].size);
}

void TestExportResult::narrowedColumnNeverCutsAValue_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("type");
    QTest::newRow("native") << u"narrow.db"_s << int(store::TableType::Default);
    QTest::newRow("dBase") << u"narrow.dbf"_s << int(store::TableType::Dbase);
    QTest::newRow("text") << u"narrow.txt"_s << int(store::TableType::Default);
}

void TestExportResult::narrowedColumnNeverCutsAValue()
{
    // A column narrowed on the screen below its longest text still saves every value whole.
    QFETCH(QString, fileName);
    QFETCH(int, type);
    Answer a(u"select name from \"src.db\" where name is not null order by amount"_s); // 乙, 高新区甲企业
    ExportGrid grid;
    grid.charWidth = 8;
    grid.columns = { { u"名称"_s, 16 } }; // two bytes: holds 乙, not 高新区甲企业
    ExportResult(a.query, &grid, fileName);
    QCOMPARE(exportSchema(a.query, &grid, fileName).fields[0].size, 12);
    const QList<QVariantList> rows = fixture::rowsOf(fileName, store::TableType(type));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1][0].toString(), u"高新区甲企业"_s);
}

void TestExportResult::failedSaveLeavesEarlierFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("earlier");
    for (const QString& name : { u"keep.db"_s, u"keep.dbf"_s, u"keep.txt"_s }) {
        QTest::addRow("%s over an earlier file", qPrintable(name)) << name << true;
        QTest::addRow("%s, new", qPrintable(name)) << name << false;
    }
}

void TestExportResult::failedSaveLeavesEarlierFile()
{
    QFETCH(QString, fileName);
    QFETCH(bool, earlier);
    const store::TableType type
        = fileName.endsWith(u".dbf"_s) ? store::TableType::Dbase : store::TableType::Default;
    if (earlier) {
        Answer before;
        ExportResult(before.query, nullptr, fileName);
    }
    const QStringList filesBefore = QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    // The second row is longer than any text field may be: the save stops there.
    fixture::makeTable(u"long.db"_s, { fixture::text(u"t"_s, 300) }, { { u"短"_s }, { QString(300, u'x') } });
    Answer failing(u"select t from \"long.db\""_s);
    ExportGrid grid;
    grid.charWidth = 8;
    grid.columns = { { u"内容"_s, 8 } };
    QVERIFY_THROWS_EXCEPTION(store::StoreError, ExportResult(failing.query, &grid, fileName));
    QStringList filesAfter = QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    filesAfter.removeOne(u"long.db"_s);
    QCOMPARE(filesAfter, filesBefore);
    if (earlier) {
        const QList<QVariantList> rows = fixture::rowsOf(fileName, type);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0][0].toString(), u"高新区甲企业"_s);
    } else {
        QVERIFY(!QFile::exists(fileName));
    }
}

void TestExportResult::dbaseReadByDbfread()
{
    Answer a(
        u"select name 企业详细名称, amount 全年产品产值合计, amount 全年产品产值合计二, day 日期 from \"src.db\""_s);
    ExportResult(a.query, nullptr, u"answer.dbf"_s);
    const QJsonObject seen = readWithDbfread(m_dir->filePath(u"answer.dbf"_s));
    QVERIFY(!seen.isEmpty());
    const QJsonArray fields = seen[u"fields"_s].toArray();
    QCOMPARE(fields.size(), 4);
    // dBase keeps ten bytes of a name: headings are shortened and stay distinct.
    QCOMPARE(fields[0].toArray()[0].toString(), u"企业详细名"_s);
    QCOMPARE(fields[1].toArray()[0].toString(), u"全年产品产"_s);
    QCOMPARE(fields[2].toArray()[0].toString(), u"全年产品1"_s);
    QCOMPARE(fields[0].toArray()[1].toString(), u"C"_s);
    QCOMPARE(fields[3].toArray()[1].toString(), u"D"_s);
    const QJsonArray rows = seen[u"rows"_s].toArray();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].toArray()[0].toString(), u"高新区甲企业"_s);
    QCOMPARE(rows[0].toArray()[1].toString().toDouble(), 1250.5);
    QCOMPARE(rows[0].toArray()[3].toString(), u"2012-12-31"_s);
    QVERIFY(rows[2].toArray()[0].isNull() || rows[2].toArray()[0].toString().isEmpty());
}

void TestExportResult::printCopyRewritesColumnHeads()
{
    fixture::makeTable(u"bt_p.db"_s,
        { fixture::text(u"表头文字"_s, 255), { u"列宽度"_s, store::FieldType::SmallInt, 0, 0 } },
        { { u"old"_s, 3 }, { u"older"_s, 4 }, { u"oldest"_s, 5 }, { u"gone"_s, 6 } });
    Answer a;
    ExportGrid grid;
    grid.charWidth = 10;
    grid.columns = { { u"企业名称"_s, 550 }, { u"金额"_s, 100 }, { u"日期"_s, 60 } };
    ExportResult(a.query, &grid, u"query_p.db"_s);
    const QList<QVariantList> heads = fixture::rowsOf(u"bt_p.db"_s);
    QCOMPARE(heads.size(), 3);
    QCOMPARE(heads[0], (QVariantList { u"企业名称"_s, 40 })); // 55 characters, capped
    QCOMPARE(heads[1], (QVariantList { u"金额"_s, 10 })); // a number has no size: at least 10
    QCOMPARE(heads[2], (QVariantList { u"日期"_s, 10 }));

    grid.columns[0].width = 120;
    ExportResult(a.query, &grid, u"query_p.db"_s);
    QCOMPARE(fixture::rowsOf(u"bt_p.db"_s)[0], (QVariantList { u"企业名称"_s, 12 }));
}

void TestExportResult::printCopyFitsLongNumbers()
{
    // An average printed with all its digits gets a column it does not run out of.
    Answer a(u"select amount/7 平均 from \"src.db\""_s);
    ExportResult(a.query, nullptr, u"query_p.db"_s);
    const QList<QVariantList> heads = fixture::rowsOf(u"bt_p.db"_s);
    QCOMPARE(heads.size(), 1);
    const int longest
        = int(std::max(store::displayText(1250.5 / 7).size(), store::displayText(-3.0 / 7).size()));
    QVERIFY(longest > 10);
    QCOMPARE(heads[0][1].toInt(), longest);
}

void TestExportResult::otherNamesLeaveColumnHeads()
{
    fixture::makeTable(u"bt_p.db"_s,
        { fixture::text(u"表头文字"_s, 255), { u"列宽度"_s, store::FieldType::SmallInt, 0, 0 } },
        { { u"keep"_s, 3 } });
    Answer a;
    ExportResult(a.query, nullptr, u"QUERY_P.DB"_s); // compared as written
    ExportResult(a.query, nullptr, u"other.db"_s);
    QCOMPARE(fixture::rowsOf(u"bt_p.db"_s), (QList<QVariantList> { { u"keep"_s, 3 } }));
}

void TestExportResult::spreadsheets()
{
    Answer a;
    ExportResult(a.query, nullptr, u"answer.csv"_s);
    QFile csv(u"answer.csv"_s);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll(),
        QByteArray("\xEF\xBB\xBF")
            + u"企业名称,金额,日期\r\n高新区甲企业,1250.5,2012-12-31\r\n乙,-3,\r\n,,2013-01-02\r\n"_s
                  .toUtf8());

    ExportResult(a.query, nullptr, u"answer.xlsx"_s);
    const QJsonArray rows = readXlsx(m_dir->filePath(u"answer.xlsx"_s));
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[0].toArray(), (QJsonArray { u"企业名称"_s, u"金额"_s, u"日期"_s }));
    QCOMPARE(rows[1].toArray()[0].toString(), u"高新区甲企业"_s);
    QCOMPARE(rows[1].toArray()[1].toObject()[u"n"_s].toDouble(), 1250.5); // a number, not a text
    QCOMPARE(rows[1].toArray()[2].toObject()[u"n"_s].toDouble(), 41274.0); // 2012-12-31 as a serial date
    QVERIFY(!QFile::exists(u"answer.xlsx.new"_s));
}

void TestExportResult::transpose_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::newRow("3 columns, 2 rows")
        << u"select name 企业名称, amount 金额, day 日期 from \"src.db\" where amount is not null order by amount"_s
        << QStringList { u"字段名"_s, u"字段1"_s, u"字段2"_s } << 60
        << QList<QStringList> {
               { u"企业名称"_s, u"乙"_s, u"高新区甲企业"_s }, { u"金额"_s, u"-3"_s, u"1250.5"_s },
               { u"日期"_s, QString(), QLocale::system().toString(QDate(2012, 12, 31), QLocale::ShortFormat) }
           };
    QTest::newRow("no text fields: 60 wide")
        << u"select amount from \"src.db\" where amount > 0"_s << QStringList { u"字段名"_s, u"字段1"_s }
        << 60 << QList<QStringList> { { u"amount"_s, u"1250.5"_s } };
    QTest::newRow("wide text field: its size plus one")
        << u"select name || '                                                            ' wide from \"src.db\" where amount > 0"_s
        << QStringList { u"字段名"_s, u"字段1"_s } << 73
        << QList<QStringList> { { u"wide"_s,
               u"高新区甲企业                                                            "_s } };
}

void TestExportResult::transpose()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, columns);
    QFETCH(int, width);
    QFETCH(QList<QStringList>, rows);
    Answer a(sql);
    TransposeResult(a.query, a.query);
    QCOMPARE(a.query.sqlText(), u"Select * from hljh.db"_s);
    QVERIFY(a.query.isOpen());
    store::Table t;
    t.setTableName(u"hljh.db"_s);
    t.open();
    QStringList names;
    for (const store::FieldDef& f : t.fieldDefs()) {
        names << f.name;
        QCOMPARE(f.type, store::FieldType::Text);
        QCOMPARE(f.size, width);
    }
    QCOMPARE(names, columns);
    QCOMPARE(a.query.recordCount(), int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < columns.size(); ++c)
            QCOMPARE(a.query.valueAt(r, c).toString(), rows[r][c]);
}

void TestExportResult::transposeTwiceReplacesTheTable()
{
    Answer a(u"select name, amount from \"src.db\""_s);
    TransposeResult(a.query, a.query); // 2 rows × 4 columns
    TransposeResult(a.query, a.query); // back: 4 rows × 3 columns
    QCOMPARE(a.query.recordCount(), 4);
    QCOMPARE(a.query.fieldCount(), 3);
    QCOMPARE(a.query.valueAt(0, 0).toString(), u"字段名"_s);
    QCOMPARE(a.query.valueAt(0, 1).toString(), u"name"_s);
    QCOMPARE(a.query.valueAt(0, 2).toString(), u"amount"_s);
    QCOMPARE(a.query.valueAt(1, 1).toString(), u"高新区甲企业"_s);
    QCOMPARE(a.query.valueAt(2, 2).toString(), u"-3"_s);
}

void TestExportResult::transposeOfTooManyRowsSaysWhatToDo()
{
    // Every row becomes a column, and a table holds only so many: the user reads why, in
    // the program's language, and how to go on; the answer stays as it was.
    QList<QVariantList> fifty;
    for (int i = 0; i < 50; ++i)
        fifty.append(QVariantList { i });
    fixture::makeTable(u"n.db"_s, { { u"n"_s, store::FieldType::Integer, 0, 0 } }, fifty);
    Answer a(u"select a.n, b.n from \"n.db\" a, \"n.db\" b"_s);
    QVERIFY(2500 > store::Table::maxFieldCount());
    try {
        TransposeResult(a.query, a.query);
        QFAIL("transposed 2,500 rows");
    } catch (const store::StoreError& e) {
        QVERIFY2(e.message().contains(u"2500"_s) && e.message().contains(u"减少结果的行数"_s),
            qPrintable(e.message()));
    }
    QVERIFY(a.query.isOpen());
    QCOMPARE(a.query.recordCount(), 2500);
    QVERIFY(!QFile::exists(u"hljh.db"_s));
}

QTEST_GUILESS_MAIN(TestExportResult)
#include "tst_ExportResult.moc"
