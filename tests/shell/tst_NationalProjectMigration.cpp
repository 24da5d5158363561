#include "WorkDir.h"
#include "shell/NationalProjectMigration.h"
#include "store/Table.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

store::FieldDef text(const QString& name, int size)
{
    return { name, store::FieldType::Text, size };
}

// The national-project table before and after a delivery changed its structure.
store::TableSchema oldSchema()
{
    return { { text(u"JB00"_s, 10), text(u"JB01"_s, 30), text(u"IS_CHGE"_s, 1) },
        { { QString(), { u"JB00"_s }, true, true } } };
}

store::TableSchema newSchema()
{
    return { { text(u"JB00"_s, 10), text(u"JB01"_s, 30), text(u"IS_CHGE"_s, 1),
                 { u"GJ_ONE"_s, store::FieldType::SmallInt } },
        { { QString(), { u"JB00"_s }, true, true } } };
}

void makeTable(const QString& name, const store::TableSchema& schema, const QList<QVariantList>& rows)
{
    store::Table::createTable(name, schema);
    store::Table t;
    t.setTableName(name);
    t.open();
    for (const QVariantList& row : rows) {
        t.append();
        for (int i = 0; i < row.size(); ++i)
            t.setValue(i, row[i]);
        t.post();
    }
    t.close();
}

QList<QStringList> rowsOf(const QString& name)
{
    store::Table t;
    t.setTableName(name);
    t.open();
    QList<QStringList> rows;
    for (t.first(); !t.eof(); t.next()) {
        QStringList row;
        for (int i = 0; i < t.fieldCount(); ++i)
            row << store::displayText(t.value(i));
        rows << row;
    }
    t.close();
    return rows;
}

QStringList fieldsOf(const QString& name)
{
    store::Table t;
    t.setTableName(name);
    t.open();
    QStringList fields;
    for (const store::FieldDef& f : t.fieldDefs())
        fields << f.name;
    t.close();
    return fields;
}

void writeFile(const QString& name, const QByteArray& content)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file of the directory with its content.
QMap<QString, QByteArray> snapshot()
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir().entryList(QDir::Files))
        files.insert(name, readFile(name));
    return files;
}

const QList<QVariantList> previousRows = {
    { u"1001"_s, u"高性能计算芯片"_s, u"1"_s },
    { u"1002"_s, u"新型电池材料"_s, u"2"_s },
};

} // namespace

class TestNationalProjectMigration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void delivery_data();
    void delivery();
    void withoutDeliveryNothingIsTouched();
    void failures_data();
    void failures();

private:
    store::Table m_table1;
    store::Table m_table2;
};

void TestNationalProjectMigration::delivery_data()
{
    QTest::addColumn<QString>("deliveredStem"); // how the delivered files are spelt
    QTest::addColumn<bool>("indexFiles");
    QTest::addColumn<bool>("oldBackup");
    QTest::newRow("full delivery over an old backup") << u"gjxm_up"_s << true << true;
    QTest::newRow("tables only, no backup yet") << u"gjxm_up"_s << false << false;
    QTest::newRow("delivered in capitals") << u"GJXM_UP"_s << true << true;
}

void TestNationalProjectMigration::delivery()
{
    QFETCH(QString, deliveredStem);
    QFETCH(bool, indexFiles);
    QFETCH(bool, oldBackup);
    WorkDir dir;
    QVERIFY(dir.isValid());

    makeTable(u"gjxm.db"_s, oldSchema(), previousRows);
    makeTable(deliveredStem + u".db"_s, newSchema(), {});
    const QStringList indexExts = { u"px"_s, u"xg0"_s, u"yg0"_s };
    if (indexFiles) {
        for (const QString& ext : indexExts) {
            writeFile(u"gjxm."_s + ext, "live " + ext.toLatin1());
            writeFile(deliveredStem + u'.' + (deliveredStem.at(0).isUpper() ? ext.toUpper() : ext),
                "delivered " + ext.toLatin1());
        }
    }
    if (oldBackup) {
        makeTable(u"gjxm_bak.db"_s, oldSchema(), { { u"0001"_s, u"旧备份"_s, u"1"_s } });
        for (const QString& ext : indexExts)
            writeFile(u"gjxm_bak."_s + ext, "old backup " + ext.toLatin1());
    }

    QVERIFY(NationalProjectMigration(m_table1, m_table2).run());

    QStringList expectedFiles = { u"gjxm.db"_s, u"gjxm_bak.db"_s };
    if (indexFiles) {
        for (const QString& ext : indexExts) {
            expectedFiles << u"gjxm."_s + ext << u"gjxm_bak."_s + ext;
            QCOMPARE(readFile(u"gjxm."_s + ext), "delivered " + ext.toLatin1());
            QCOMPARE(readFile(u"gjxm_bak."_s + ext), "live " + ext.toLatin1());
        }
    }
    expectedFiles.sort();
    QCOMPARE(QDir().entryList(QDir::Files, QDir::Name), expectedFiles);

    // The backup is the previous live table; the new structure holds its records.
    QCOMPARE(fieldsOf(u"gjxm_bak.db"_s).size(), 3);
    QCOMPARE(rowsOf(u"gjxm_bak.db"_s).size(), 2);
    QCOMPARE(fieldsOf(u"gjxm.db"_s), (QStringList { u"JB00"_s, u"JB01"_s, u"IS_CHGE"_s, u"GJ_ONE"_s }));
    const QList<QStringList> expectedRows = {
        { u"1001"_s, u"高性能计算芯片"_s, u"1"_s, QString() },
        { u"1002"_s, u"新型电池材料"_s, u"2"_s, QString() },
    };
    QCOMPARE(rowsOf(u"gjxm.db"_s), expectedRows);
    QVERIFY(!m_table1.isOpen());
    QVERIFY(!m_table2.isOpen());

    // Once taken over, a delivery is not taken over again.
    const auto after = snapshot();
    QVERIFY(!NationalProjectMigration(m_table1, m_table2).run());
    QCOMPARE(snapshot(), after);
}

void TestNationalProjectMigration::withoutDeliveryNothingIsTouched()
{
    WorkDir dir;
    makeTable(u"gjxm.db"_s, oldSchema(), previousRows);
    makeTable(u"gjxm_bak.db"_s, oldSchema(), {});
    // Index files of a delivery without its table do not count as one.
    writeFile(u"gjxm_up.px"_s, "delivered px");
    writeFile(u"gjxm_bak.px"_s, "old backup px");
    const auto before = snapshot();
    QVERIFY(!NationalProjectMigration(m_table1, m_table2).run());
    QCOMPARE(snapshot(), before);
}

void TestNationalProjectMigration::failures_data()
{
    QTest::addColumn<bool>("liveTable");
    QTest::addColumn<QString>("longTitle");
    QTest::newRow("no live table to keep") << false << QString();
    QTest::newRow("previous record does not fit") << true << u"这个项目名称远远超过了新结构中的三十个字节"_s;
}

void TestNationalProjectMigration::failures()
{
    QFETCH(bool, liveTable);
    QFETCH(QString, longTitle);
    WorkDir dir;
    if (liveTable) {
        store::TableSchema wide = oldSchema();
        wide.fields[1].size = 80;
        makeTable(u"gjxm.db"_s, wide, { { u"2001"_s, longTitle, u"1"_s } });
    }
    makeTable(u"gjxm_up.db"_s, newSchema(), {});
    writeFile(u"gjxm_bak.px"_s, "old backup px");

    QVERIFY_THROWS_EXCEPTION(store::StoreError, NationalProjectMigration(m_table1, m_table2).run());
    QVERIFY(!m_table1.isOpen());
    QVERIFY(!m_table2.isOpen());
    // The files moved before the failure stay moved: the delivery is the live table now.
    QVERIFY(!QFile::exists(u"gjxm_up.db"_s));
    QVERIFY(QFile::exists(u"gjxm.db"_s));
    QVERIFY(!QFile::exists(u"gjxm_bak.px"_s));
    QCOMPARE(QFile::exists(u"gjxm_bak.db"_s), liveTable);
}

QTEST_GUILESS_MAIN(TestNationalProjectMigration)
#include "tst_NationalProjectMigration.moc"
