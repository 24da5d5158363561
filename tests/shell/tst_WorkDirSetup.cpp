#include "WorkDir.h"
#include "shell/WorkDirSetup.h"
#include "store/Table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString registerText = u"# a comment\n"
                             "field\tid\tinteger\n"
                             "field  name  text  12\n"
                             "field\ttext\ttext\t6\n"
                             "field\tamount\tfloat\n"
                             "field\tday\tdate\n"
                             "field\tok\tlogical\n"
                             "field\tnote\tmemo\n"
                             "field\tn\tsmallint\n"
                             "\n"
                             "index\tbyname\tname;id\tunique\tnocase\n"
                             "primary\tid\n"
                             "index\tbytext\ttext\n"
                             "rows\n"
                             "1\tkfq_1.db\t企业表\t2.5\t2012-12-31\tT\t长的说明\t-3\n"
                             "2\tkfq_2.db\n"
                             "3\t\t\t\t\tF\r\n"_s;

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestWorkDirSetup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse();
    void parseErrors_data();
    void parseErrors();
    void createsWhatIsMissing();
    void neverTouchesExistingFiles_data();
    void neverTouchesExistingFiles();
    void faultyDefinitionMakesNothing();
    void refusedRowLeavesNoTable();
    void shippedDefinitions();
};

void TestWorkDirSetup::parse()
{
    const TableDefinition def = TableDefinition::parse(registerText, u"reg.db"_s, u"reg.db.tsv"_s);
    QCOMPARE(def.tableName, u"reg.db"_s);
    using T = store::FieldType;
    const QList<store::FieldDef> fields = {
        { u"id"_s, T::Integer },
        { u"name"_s, T::Text, 12 },
        { u"text"_s, T::Text, 6 },
        { u"amount"_s, T::Float },
        { u"day"_s, T::Date },
        { u"ok"_s, T::Logical },
        { u"note"_s, T::Memo },
        { u"n"_s, T::SmallInt },
    };
    QCOMPARE(def.schema.fields, fields);
    // The primary index comes first whatever line declares it.
    const QList<store::IndexDef> indexes = {
        { QString(), { u"id"_s }, true, true, false },
        { u"byname"_s, { u"name"_s, u"id"_s }, false, true, true },
        { u"bytext"_s, { u"text"_s }, false, false, false },
    };
    QCOMPARE(def.schema.indexes, indexes);

    QCOMPARE(def.rows.size(), 3);
    const QVariantList first
        = { 1, u"kfq_1.db"_s, u"企业表"_s, 2.5, QDate(2012, 12, 31), true, u"长的说明"_s, -3 };
    QCOMPARE(def.rows[0], first);
    // Missing trailing values and empty ones are null.
    QCOMPARE(def.rows[1].size(), 8);
    QCOMPARE(def.rows[1][1], QVariant(u"kfq_2.db"_s));
    for (int i = 2; i < 8; ++i)
        QVERIFY(def.rows[1][i].isNull());
    QVERIFY(def.rows[2][1].isNull());
    QCOMPARE(def.rows[2][5], QVariant(false));
    QVERIFY(def.rows[2][7].isNull());
}

void TestWorkDirSetup::parseErrors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // the error names file and line
    const QString head = u"field\tid\tinteger\nfield\tname\ttext\t4\nrows\n"_s;
    QTest::newRow("no fields") << u"# nothing\n"_s << u"t.tsv: no fields"_s;
    QTest::newRow("unknown type") << u"field\tid\tnumber\n"_s << u"t.tsv:1: unknown type number"_s;
    QTest::newRow("text without size")
        << u"field\tname\ttext\n"_s << u"t.tsv:1: text field name needs a size"_s;
    QTest::newRow("size on a number")
        << u"field\tid\tinteger\t4\n"_s << u"t.tsv:1: only text fields have a size"_s;
    QTest::newRow("field twice") << u"field\tid\tinteger\nfield\tID\tinteger\n"_s
                                 << u"t.tsv:2: field ID declared twice"_s;
    QTest::newRow("index on unknown field")
        << u"field\tid\tinteger\nindex\tx\tid;qa01\n"_s << u"t.tsv:2: index on unknown field qa01"_s;
    QTest::newRow("second primary") << u"field\tid\tinteger\nprimary\tid\nprimary\tid\n"_s
                                    << u"t.tsv:3: a second primary index"_s;
    QTest::newRow("unknown option") << u"field\tid\tinteger\nindex\tx\tid\tunqiue\n"_s
                                    << u"t.tsv:2: unknown index option unqiue"_s;
    QTest::newRow("unknown line") << u"field\tid\tinteger\nrow\n"_s << u"t.tsv:2: unknown line"_s;
    QTest::newRow("rows before fields") << u"rows\n1\n"_s << u"t.tsv:1: rows before any field"_s;
    QTest::newRow("too many values") << head + u"1\tab\tc\n"_s << u"t.tsv:4: 3 values for 2 fields"_s;
    // Sizes count GBK bytes: two Chinese characters fill text 4, three do not.
    QTest::newRow("text longer in GBK")
        << head + u"1\t企业\n2\t企业表\n"_s << u"t.tsv:5: \"企业表\" is longer"_s;
    QTest::newRow("no integer") << head + u"x1\n"_s << u"t.tsv:4: \"x1\" is no integer"_s;
    QTest::newRow("no date") << u"field\td\tdate\nrows\n2012-02-30\n"_s
                             << u"t.tsv:3: \"2012-02-30\" is no date"_s;
    QTest::newRow("no logical") << u"field\tb\tlogical\nrows\nY\n"_s
                                << u"t.tsv:3: \"Y\" is neither T nor F"_s;
    QTest::newRow("small integer out of range")
        << u"field\tn\tsmallint\nrows\n40000\n"_s << u"t.tsv:3: \"40000\" is no small integer"_s;
    // After "rows" a '#' line is a row, not a comment.
    QTest::newRow("comment among rows") << head + u"# 1\n"_s << u"t.tsv:4: \"# 1\" is no integer"_s;
}

void TestWorkDirSetup::parseErrors()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        TableDefinition::parse(text, u"t.db"_s, u"t.tsv"_s);
        QFAIL("no error");
    } catch (const store::StoreError& e) {
        QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
    }
}

void TestWorkDirSetup::createsWhatIsMissing()
{
    QTemporaryDir defs;
    writeFile(defs.filePath(u"reg.db.tsv"_s), registerText.toUtf8());
    writeFile(defs.filePath(u"check_db.DB.tsv"_s), "field\tcode\tsmallint\nrows\n1\n2\n");
    writeFile(defs.filePath(u"README.txt"_s), "not a definition");
    WorkDir dir;

    const QStringList made = WorkDirSetup(defs.path()).run();
    QCOMPARE(made, (QStringList { u"bak/"_s, u"tmp/"_s, u"check_db.DB"_s, u"reg.db"_s }));
    QVERIFY(QFileInfo(u"bak"_s).isDir());
    QVERIFY(QFileInfo(u"tmp"_s).isDir());
    QVERIFY(QFile::exists(u"check_db.DB"_s));

    const TableDefinition def = TableDefinition::parse(registerText, u"reg.db"_s, u"reg.db.tsv"_s);
    store::Table t;
    t.setTableName(u"reg.db"_s);
    t.open();
    QCOMPARE(t.fieldDefs(), def.schema.fields);
    QCOMPARE(t.schema().indexes.size(), 3);
    QVERIFY(t.schema().primaryIndex());
    QCOMPARE(t.schema().primaryIndex()->fields, QStringList { u"id"_s });
    const store::IndexDef* byname = t.schema().findIndex(u"byname"_s);
    QVERIFY(byname);
    QVERIFY(byname->unique && byname->caseInsensitive);
    QCOMPARE(t.recordCount(), 3);
    t.first();
    for (int i = 0; i < def.rows[0].size(); ++i)
        QCOMPARE(store::displayText(t.value(i)), store::displayText(def.rows[0][i]));
    t.close();

    store::Table codes;
    codes.setTableName(u"check_db"_s);
    codes.open();
    QCOMPARE(codes.recordCount(), 2);
    codes.close();

    QCOMPARE(WorkDirSetup(defs.path()).run(), QStringList());
}

void TestWorkDirSetup::neverTouchesExistingFiles_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("same name") << u"reg.db"_s << QByteArray("keep me");
    QTest::newRow("other letter case") << u"REG.DB"_s << QByteArray("keep me");
    QTest::newRow("empty file") << u"reg.db"_s << QByteArray();
}

void TestWorkDirSetup::neverTouchesExistingFiles()
{
    QFETCH(QString, existing);
    QFETCH(QByteArray, content);
    QTemporaryDir defs;
    writeFile(defs.filePath(u"reg.db.tsv"_s), registerText.toUtf8());
    WorkDir dir;
    writeFile(existing, content);
    QDir().mkdir(u"BAK"_s);
    writeFile(u"BAK/old.db"_s, "backup");

    const QStringList made = WorkDirSetup(defs.path()).run();
    QCOMPARE(made, QStringList { u"tmp/"_s });
    QCOMPARE(readFile(existing), content);
    QCOMPARE(readFile(u"BAK/old.db"_s), QByteArray("backup"));
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
        (QStringList { u"BAK"_s, existing, u"tmp"_s }));
}

void TestWorkDirSetup::faultyDefinitionMakesNothing()
{
    QTemporaryDir defs;
    writeFile(defs.filePath(u"a.db.tsv"_s), "field\tid\tinteger\n");
    writeFile(defs.filePath(u"b.db.tsv"_s), "field\tid\tinteger\nrows\nx\n");
    WorkDir dir;
    QVERIFY_THROWS_EXCEPTION(store::StoreError, WorkDirSetup(defs.path()).run());
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestWorkDirSetup::refusedRowLeavesNoTable()
{
    // A half-made table would count as existing at the next start and never be completed.
    QTemporaryDir defs;
    writeFile(defs.filePath(u"dup.db.tsv"_s), "field\tid\tinteger\nprimary\tid\nrows\n1\n1\n");
    WorkDir dir;
    try {
        WorkDirSetup(defs.path()).run();
        QFAIL("no error");
    } catch (const store::StoreError& e) {
        QCOMPARE(e.message(), u"Key violation."_s);
    }
    QCOMPARE(QDir().entryList(QDir::Files), QStringList());
}

void TestWorkDirSetup::shippedDefinitions()
{
    // Every definition under data/tables reads, and makes a table with its rows.
    const QList<TableDefinition> defs = WorkDirSetup().definitions();
    QVERIFY(!defs.isEmpty());
    WorkDir dir;
    const QStringList made = WorkDirSetup().run();
    QVERIFY(made.contains(u"sendname.db"_s));
    for (const TableDefinition& def : defs) {
        QVERIFY2(made.contains(def.tableName), qPrintable(def.tableName));
        store::Table t;
        t.setTableName(def.tableName);
        t.open();
        QCOMPARE(t.fieldDefs(), def.schema.fields);
        QCOMPARE(t.recordCount(), int(def.rows.size()));
        t.close();
    }
}

QTEST_GUILESS_MAIN(TestWorkDirSetup)
#include "tst_WorkDirSetup.moc"
