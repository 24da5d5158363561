// Exchange files through the table store: browse and edit a .dbf as a Table, run the
// program's SQL over dBase and Paradox files, and batch-append into dBase and text tables.
#include "FormatTestSupport.h"

#include "store/Query.h"
#include "store/Table.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace formats_test;
using store::FieldType;
using store::ForeignTable;
using store::TableFormat;
using store::TableSchema;

namespace {

QStringList answer(store::Dataset& d)
{
    QStringList out;
    for (int r = 0; r < d.recordCount(); ++r) {
        QStringList cells;
        for (int f = 0; f < d.fieldCount(); ++f)
            cells << store::displayText(d.valueAt(r, f));
        out << cells.join(u'|');
    }
    return out;
}

} // namespace

class TestFormatsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void dbfAsTable();
    void sqlOverDbaseAndParadox();
    void batchAppendIntoExchangeFiles();
    void paradoxBecomesNative();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previous;
};

void TestFormatsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    // The national project list as pxlib writes a Paradox table, and its dBase list.
    run(QStringLiteral(PX_FIXTURE_GEN), { m_dir->filePath(u"gjxm.db"_s), u"70"_s },
        u"JB00:A10\tPXH:A3\tJE:N\tXMMC:A40\tBZ:M20\n"
        "A1\t110\t12.5\t高新区一号项目\t备注\n"
        "A2\t110\t7.25\t二号项目\t\\N\n"
        "B1\t120\t100\t三号项目\t一段比记录里的部分长得多的备注文字\n"_s.toUtf8());
    TableSchema list;
    list.fields = { { u"PXH"_s, FieldType::Text, 3, 0 }, { u"JB00"_s, FieldType::Text, 10, 0 },
        { u"名称"_s, FieldType::Text, 40, 0 } };
    auto dbf = ForeignTable::create(m_dir->filePath(u"gjxmqd.dbf"_s), TableFormat::Dbase, list);
    dbf->append({ u"110"_s, u"A1"_s, u"清单一"_s });
    dbf->append({ u"120"_s, u"B1"_s, u"清单三"_s });
    dbf->append({ u"130"_s, u"C1"_s, u"清单外"_s });
}

void TestFormatsStore::cleanup()
{
    QDir::setCurrent(m_previous);
    m_dir.reset();
}

void TestFormatsStore::dbfAsTable()
{
    store::Table t;
    t.setTableName(u"GJXMQD.DBF"_s); // any letter case
    t.open();
    QCOMPARE(t.format(), TableFormat::Dbase);
    QCOMPARE(t.recordCount(), 3);
    t.append();
    t.fieldByName(u"pxh"_s).setValue(u"140"_s);
    t.fieldByName(u"jb00"_s).setValue(u"D1"_s);
    t.fieldByName(u"名称"_s).setValue(u"新增的"_s);
    t.post();
    t.first();
    t.edit();
    t.fieldByName(u"名称"_s).setValue(u"改过的"_s);
    t.post();
    t.next();
    t.deleteRecord();
    t.close();

    // What the edits left in the file, as another program reads it.
    auto peer = [&] {
        const QByteArray out
            = run(u"/usr/bin/python3"_s, { sourceFile(u"tests/formats/dbf_peer.py"_s), u"gjxmqd.dbf"_s });
        return QJsonDocument::fromJson(out).object();
    };
    QJsonObject read = peer();
    QCOMPARE(read.value(u"deleted"_s).toInt(), 1);
    QStringList names;
    for (const QJsonValue& r : read.value(u"records"_s).toArray())
        names << r.toArray()[2].toObject().value(u"text"_s).toString();
    QCOMPARE(names, (QStringList { u"改过的"_s, u"清单外"_s, u"新增的"_s }));

    store::Table::packTable(u"gjxmqd.dbf"_s);
    read = peer();
    QCOMPARE(read.value(u"deleted"_s).toInt(), 0);
    QCOMPARE(read.value(u"records"_s).toArray().size(), 3);
    t.open();
    QCOMPARE(answer(t), (QStringList { u"110|A1|改过的"_s, u"130|C1|清单外"_s, u"140|D1|新增的"_s }));

    store::Table px;
    px.setTableName(u"gjxm"_s); // no extension: .db, sniffed as Paradox
    px.open();
    QCOMPARE(px.format(), TableFormat::Paradox);
    QVERIFY(px.isReadOnly());
    QCOMPARE(px.recordCount(), 3);
}

void TestFormatsStore::paradoxBecomesNative()
{
    // A national-project update written by older software arrives as Paradox; the
    // start-up migration appends the previous rows to it, so it must become writable.
    QVERIFY(store::Table::makeNative(u"GJXM"_s));
    QVERIFY(!store::Table::makeNative(u"gjxm.db"_s)); // already native
    store::Table t;
    t.setTableName(u"gjxm.db"_s);
    t.open();
    QCOMPARE(t.format(), TableFormat::Native);
    QVERIFY(!t.isReadOnly());
    QCOMPARE(t.recordCount(), 3);
    QCOMPARE(t.fieldByName(u"BZ"_s).type(), FieldType::Memo);
    t.setRecNo(3);
    QCOMPARE(t.fieldByName(u"BZ"_s).asString(), u"一段比记录里的部分长得多的备注文字"_s);
    t.append();
    t.fieldByName(u"JB00"_s).setValue(u"C1"_s);
    t.post();
    QCOMPARE(t.recordCount(), 4);
    QVERIFY(!QFile::exists(u"gjxm.mb"_s));
}

void TestFormatsStore::sqlOverDbaseAndParadox()
{
    store::Query q;
    q.setSql(QStringList { u"Select a.jb00, a.xmmc, b.名称, a.bz from \"gjxm.db\" a, \"gjxmqd.dbf\" b"_s,
        u"where a.jb00 = b.jb00 and a.pxh = b.pxh order by a.jb00"_s });
    q.open();
    QCOMPARE(answer(q),
        (QStringList { u"A1|高新区一号项目|清单一|备注"_s,
            u"B1|三号项目|清单三|一段比记录里的部分长得多的备注文字"_s }));
    q.close();
    q.setSql(
        u"select pxh, sum(je) as 合计, count(*) as 个数 from \"gjxm.db\" group by pxh order by 合计 desc"_s);
    q.open();
    QCOMPARE(answer(q), (QStringList { u"120|100|1"_s, u"110|19.75|2"_s }));
    q.close();

    q.setSql(u"update \"gjxmqd.dbf\" set 名称 = \"改名\" where pxh = '130'"_s);
    QCOMPARE(q.execSql(), 1);
    auto dbf = ForeignTable::open(m_dir->filePath(u"gjxmqd.dbf"_s), TableFormat::Dbase);
    QCOMPARE(readRows(*dbf).at(2).second.at(2).toString(), u"改名"_s);

    q.setSql(u"delete from \"gjxm.db\" where pxh = '110'"_s);
    const QString error = storeErrorOf([&] { q.execSql(); });
    QVERIFY2(error.contains(u"gjxm.db"_s), qPrintable(error));
}

void TestFormatsStore::batchAppendIntoExchangeFiles()
{
    store::Table source;
    source.setTableName(u"gjxm.db"_s);
    source.open();
    for (const QString& name : { u"copy.dbf"_s, u"copy.txt"_s }) {
        store::Table::createTable(name, source.schema());
        store::Table target;
        target.setTableName(name);
        QCOMPARE(target.batchAppend(source), 3);
        target.open();
        QCOMPARE(answer(target),
            (QStringList { u"A1|110|12.5|高新区一号项目|备注"_s, u"A2|110|7.25|二号项目|"_s,
                u"B1|120|100|三号项目|一段比记录里的部分长得多的备注文字"_s }));
    }
}

QTEST_GUILESS_MAIN(TestFormatsStore)
#include "tst_formats_store.moc"
