#include "ExchangeFixture.h"

#include "exchange/Maintenance.h"
#include "store/TablePath.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QThread>

#include <memory>

using exchange::Maintenance;
using exchange::UploadImport;

namespace {

QByteArray hashOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A small native table of `rows` rows whose values carry `tag`.
void makeTable(const QString& name, const QString& tag, int rows = 3)
{
    store::TableSchema s;
    s.fields = { { u"id"_s, store::FieldType::Text, 10, 0 }, { u"mc"_s, store::FieldType::Text, 40, 0 },
        { u"je"_s, store::FieldType::Float, 0, 0 } };
    s.indexes = { { {}, { u"id"_s }, true, true, false } };
    store::Table::createTable(name, s);
    store::Table t;
    t.setTableName(name);
    t.open();
    t.beginWriteGroup(rows);
    for (int i = 0; i < rows; ++i) {
        t.append();
        t.setValue(0, QString::number(i + 1));
        t.setValue(1, u"%1 第%2行"_s.arg(tag).arg(i + 1));
        t.setValue(2, i * 1.5);
        t.post();
    }
    t.endWriteGroup();
}

// Every file of a kind in the working directory, with contents marked by `tag`.
void fillKind(int position, const QString& tag)
{
    for (const exchange::MaintainedTable& t : Maintenance::tablesOf(position))
        makeTable(t.name, tag);
    for (const QString& f : Maintenance::furtherFilesOf(position))
        writeFile(f, (tag + u" of "_s + f).toUtf8());
}

QStringList kindFiles(int position)
{
    QStringList files;
    for (const exchange::MaintainedTable& t : Maintenance::tablesOf(position))
        files << t.name;
    return files + Maintenance::furtherFilesOf(position);
}

QMap<QString, QByteArray> hashes(const QString& dir, const QStringList& files)
{
    QMap<QString, QByteArray> out;
    for (const QString& f : files)
        out.insert(f, hashOf(dir + f));
    return out;
}

QStringList leftovers(const QString& dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files);
    while (it.hasNext()) {
        const QString f = it.next();
        if (f.contains(u".velto-new"_s) || f.endsWith(u"-journal"_s)) out << f;
    }
    return out;
}

} // namespace

class TestMaintenance : public QObject
{
    Q_OBJECT

    std::unique_ptr<ExchangeFixture> fx;

private Q_SLOTS:
    void init() { fx = std::make_unique<ExchangeFixture>(); }
    void cleanup() { fx.reset(); }

    void lists()
    {
        QCOMPARE(Maintenance::kindCount(), 10);
        QCOMPARE(Maintenance::kindText(0), u"国家高新技术产业开发区企业统计报表"_s);
        QCOMPARE(Maintenance::kindText(9), u"省级高新区情况调查表"_s);
        QCOMPARE(Maintenance::positionOfCode(8), 6);
        QCOMPARE(Maintenance::positionOfCode(7), -1);
        QCOMPARE(Maintenance::regions().size(), 45);
        QCOMPARE(Maintenance::regions().first().text(), u"110 北京 "_s);
        QCOMPARE(Maintenance::regions().last().text(), u"651 新疆兵团 "_s);
        QCOMPARE(Maintenance::deliveryTables().size(), 18);
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("position");
        for (int p = 0; p < Maintenance::kindCount(); ++p)
            QTest::newRow(qPrintable(Maintenance::kindText(p))) << p;
    }
    // Backup then restore gives every file of the kind back byte for byte.
    void roundTrip()
    {
        QFETCH(int, position);
        fillKind(position, u"原"_s);
        const QStringList files = kindFiles(position);
        const auto original = hashes(u""_s, files);
        Maintenance m;
        const QStringList written = m.backup({ position });
        QCOMPARE(written.size(), files.size());
        QCOMPARE(hashes(u"bak/"_s, files), original);

        fillKind(position, u"改"_s);
        QVERIFY(hashes(u""_s, files) != original);
        m.restore({ position });
        QCOMPARE(hashes(u""_s, files), original);
        // Restore followed by backup leaves bak unchanged.
        m.backup({ position });
        QCOMPARE(hashes(u"bak/"_s, files), original);
        QCOMPARE(leftovers(fx->dir.path()), QStringList());
        QCOMPARE(leftovers(fx->dir.filePath(u"bak"_s)), QStringList());
    }

    void zoneKindsTwiceAsOnce()
    {
        fillKind(0, u"区内"_s);
        Maintenance m;
        const QStringList once = m.backup({ 0 });
        const auto first = hashes(u"bak/"_s, kindFiles(0));
        const QStringList twice = m.backup({ 2, 0 });
        QCOMPARE(twice.size(), 2 * once.size());
        QCOMPARE(hashes(u"bak/"_s, kindFiles(0)), first);
    }

    void missingFilesAreSkipped()
    {
        for (int position : { 3, 5, 9 })
            for (const QString& f : kindFiles(position))
                store::removeTableFiles(store::resolveFilePath(f));
        Maintenance m;
        QCOMPARE(m.backup({ 3, 5, 9 }), QStringList());
        QVERIFY(!QFileInfo::exists(u"bak/gjxm.db"_s));
    }

    // A copy broken off between writing and moving into place leaves the old file whole,
    // the files before it new, and no temporary file.
    void interruptedCopyKeepsOldFile()
    {
        fillKind(0, u"旧"_s);
        Maintenance m;
        m.backup({ 0 });
        const auto old = hashes(u"bak/"_s, kindFiles(0));
        fillKind(0, u"新"_s);
        const auto fresh = hashes(u""_s, kindFiles(0));
        m.beforeReplace = [](const QString&, const QString& target) {
            if (target.endsWith(u"kfq_5.db"_s)) throw store::StoreError(u"断电"_s);
        };
        QVERIFY_THROWS_EXCEPTION(store::StoreError, m.backup({ 0 }));
        const auto now = hashes(u"bak/"_s, kindFiles(0));
        QCOMPARE(now[u"kfq_1.db"_s], fresh[u"kfq_1.db"_s]);
        QCOMPARE(now[u"kfq_2.db"_s], fresh[u"kfq_2.db"_s]);
        QCOMPARE(now[u"kfq_5.db"_s], old[u"kfq_5.db"_s]);
        QCOMPARE(now[u"kfq_1.px"_s], old[u"kfq_1.px"_s]);
        QCOMPARE(leftovers(fx->dir.filePath(u"bak"_s)), QStringList());
    }

#ifdef VELTO_CLI
    // The nightly backup killed at any moment: every backup file is the old or the new one.
    void killedBackupLeavesWholeFiles()
    {
        fillKind(0, u"旧"_s);
        Maintenance m;
        m.backup({ 0 });
        const QStringList files = kindFiles(0);
        const auto old = hashes(u"bak/"_s, files);
        for (const QString& t : { u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5.db"_s })
            makeTable(t, u"新一年的数据"_s, 40000);
        for (const QString& f : Maintenance::furtherFilesOf(0))
            writeFile(f, QByteArray(3 << 20, 'n'));
        const auto fresh = hashes(u""_s, files);
        QDir().mkdir(u"oldbak"_s);
        for (const QString& f : files)
            QVERIFY(QFile::copy(u"bak/"_s + f, u"oldbak/"_s + f));
        int killedMidway = 0;
        for (int delay : { 5, 20, 40, 80, 160 }) {
            for (const QString& f : files) {
                QFile::remove(u"bak/"_s + f);
                QVERIFY(QFile::copy(u"oldbak/"_s + f, u"bak/"_s + f));
            }
            QProcess p;
            p.start(QStringLiteral(VELTO_CLI), { u"backup"_s, u"1"_s, u"-C"_s, fx->dir.path() });
            QVERIFY(p.waitForStarted());
            QThread::msleep(delay);
            p.kill(); // SIGKILL
            p.waitForFinished();
            const auto now = hashes(u"bak/"_s, files);
            int changed = 0;
            for (const QString& f : files) {
                QVERIFY2(now[f] == old[f] || now[f] == fresh[f],
                    qPrintable(f + u" after "_s + QString::number(delay)));
                if (now[f] == fresh[f]) ++changed;
            }
            if (changed > 0 && changed < files.size()) ++killedMidway;
        }
        qInfo("backups killed part-way: %d of 5", killedMidway);
        // A later run finishes the work and clears what the killed ones left.
        m.backup({ 0 });
        QCOMPARE(hashes(u"bak/"_s, files), fresh);
    }
#endif

    void restoreStopsAtOpenTable()
    {
        fillKind(0, u"备份"_s);
        Maintenance m;
        m.backup({ 0 });
        const auto saved = hashes(u"bak/"_s, kindFiles(0));
        fillKind(0, u"当前"_s);
        const auto current = hashes(u""_s, kindFiles(0));
        store::Table shown; // as a window of the program holds it
        shown.setTableName(u"kfq_2.db"_s);
        shown.open();
        try {
            m.restore({ 0 });
            QFAIL("restored over an open table");
        } catch (const store::StoreError& e) {
            QVERIFY2(e.message().contains(u"kfq_2.db"_s), qPrintable(e.message()));
        }
        const auto now = hashes(u""_s, kindFiles(0));
        QCOMPARE(now[u"kfq_1.db"_s], saved[u"kfq_1.db"_s]);
        QCOMPARE(now[u"kfq_2.db"_s], current[u"kfq_2.db"_s]);
        QCOMPARE(now[u"kfq_5.db"_s], current[u"kfq_5.db"_s]);
        QCOMPARE(shown.recordCount(), 3);
        shown.close();
        m.restore({ 0 });
        QCOMPARE(hashes(u""_s, kindFiles(0)), saved);
    }

    // A source that is no table is not copied over the earlier backup.
    void unreadableCopyReplacesNothing()
    {
        fillKind(1, u"好"_s);
        Maintenance m;
        m.backup({ 1 });
        const QByteArray good = hashOf(u"bak/kfqzh.db"_s);
        writeFile(u"kfqzh.db"_s, QByteArray("SQLite format 3") + QByteArray(5000, '\x7f'));
        QVERIFY_THROWS_EXCEPTION(store::StoreError, m.backup({ 1 }));
        QCOMPARE(hashOf(u"bak/kfqzh.db"_s), good);
        QCOMPARE(leftovers(fx->dir.filePath(u"bak"_s)), QStringList());
    }

    // A journal left by a crash belongs to the file it sits beside, not to the copy
    // put in its place.
    void staleJournalDoesNotTouchRestoredTable()
    {
        fillKind(1, u"备份"_s);
        Maintenance m;
        m.backup({ 1 });
        writeFile(u"kfqzh.db-journal"_s, QByteArray(512, '\0'));
        m.restore({ 1 });
        QVERIFY(!QFileInfo::exists(u"kfqzh.db-journal"_s));
        QCOMPARE(hashOf(u"kfqzh.db"_s), hashOf(u"bak/kfqzh.db"_s));
    }

    void deliveryReadBackByUploadImport()
    {
        ExchangeFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
        ExchangeFixture::addEnterprise(u"000002"_s, u"乙公司"_s, u"20000000-2"_s);
        ExchangeFixture::addProduct(u"000001"_s, u"1"_s);
        ExchangeFixture::addProject(u"000002"_s, u"1"_s);
        // Whatever else the working directory was laid out with stays out of the delivery.
        const QStringList delivered
            = { u"gjxm.db"_s, u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5.db"_s, u"tzjg.db"_s };
        for (const QString& t : Maintenance::deliveryTables())
            if (!delivered.contains(t)) store::removeTableFiles(store::resolveFilePath(t));
        makeTable(u"tzjg.db"_s, u"机构"_s);
        QDir().mkdir(u"out"_s);
        writeFile(u"out/kfq_1.db"_s, "an older delivery");
        writeFile(u"out/readme.txt"_s, "kept");
        Maintenance m;
        const QStringList written = m.deliver(fx->dir.filePath(u"out"_s));
        QStringList names;
        for (const QString& w : written)
            names << QFileInfo(w).fileName();
        QCOMPARE(names, delivered); // in the order of the delivery list; missing tables left out
        QCOMPARE(QFileInfo::exists(u"out/readme.txt"_s), true);
        QCOMPARE(ExchangeFixture::column(u"select mc from \"out\\tzjg.db\" order by id"_s).size(), 3);

        // Delivered tables carry no indexes.
        store::Table t;
        t.setTableName(u"out/kfq_1.db"_s);
        t.open();
        QVERIFY(t.schema().indexes.isEmpty());
        store::Table source;
        source.setTableName(u"kfq_1.db"_s);
        source.open();
        QCOMPARE(t.fieldDefs(), source.fieldDefs());
        t.close();

        const UploadImport::StageResult staged = UploadImport::stage(fx->dir.filePath(u"out"_s));
        QVERIFY2(staged.complete, qPrintable(staged.file + u": "_s + staged.reason));
        QCOMPARE(ExchangeFixture::column(u"select qa04 from \"tmp\\kfq_1.db\" order by qa01"_s),
            (QStringList { u"甲公司"_s, u"乙公司"_s }));
        QCOMPARE(
            ExchangeFixture::column(u"select qe02 from \"tmp\\kfq_2.db\""_s), QStringList { u"产品1"_s });
        QCOMPARE(
            ExchangeFixture::column(u"select xmmc from \"tmp\\kfq_5.db\""_s), QStringList { u"项目1"_s });
        QCOMPARE(leftovers(fx->dir.filePath(u"out"_s)), QStringList());
    }

    void deliveryIntoWorkingDirectoryRefused_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::newRow("the same path") << u"."_s;
        QTest::newRow("with a trailing separator") << u"./"_s;
        QTest::newRow("through a sub-directory") << u"bak/.."_s;
    }
    void deliveryIntoWorkingDirectoryRefused()
    {
        QFETCH(QString, destination);
        ExchangeFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
        const QByteArray before = hashOf(u"kfq_1.db"_s);
        Maintenance m;
        try {
            m.deliver(fx->dir.filePath(destination));
            QFAIL("delivered into the working directory");
        } catch (const store::StoreError& e) {
            QVERIFY2(e.message().contains(u"工作目录"_s), qPrintable(e.message()));
        }
        QCOMPARE(hashOf(u"kfq_1.db"_s), before);
    }

    void transferWritesTheTableType_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("format");
        QTest::newRow("dBase") << u"out1.DBF"_s << int(store::TableFormat::Dbase);
        QTest::newRow("native") << u"out2.db"_s << int(store::TableFormat::Native);
        QTest::newRow("text") << u"out3.txt"_s << int(store::TableFormat::Text);
    }
    void transferWritesTheTableType()
    {
        QFETCH(QString, file);
        QFETCH(int, format);
        makeTable(u"kfqzh.db"_s, u"综合"_s);
        Maintenance().transfer(u"kfqzh.db"_s, file);
        QCOMPARE(int(store::formatOf(store::resolveFilePath(file))), format);
        QCOMPARE(ExchangeFixture::column(u"select mc from \"%1\""_s.arg(file)).size(), 3);
    }

    // gjxmqd.dbf with projects of two regions; JC110 is blank in every second row.
    static void writeProjectList(const QList<QStringList>& rows)
    {
        store::TableSchema s;
        s.fields = { { u"PXH"_s, store::FieldType::Text, 4, 0 }, { u"JB00"_s, store::FieldType::Text, 9, 0 },
            { u"JB01"_s, store::FieldType::Text, 100, 0 }, { u"JC100"_s, store::FieldType::Float, 0, 2 },
            { u"JC110"_s, store::FieldType::Float, 0, 2 }, { u"NOTINGJ"_s, store::FieldType::Text, 5, 0 } };
        store::Table::createTable(u"gjxmqd.dbf"_s, s, store::TableType::Dbase);
        store::Table list;
        list.setTableName(u"gjxmqd.dbf"_s);
        list.setTableType(store::TableType::Dbase);
        list.open();
        for (const QStringList& r : rows) {
            list.append();
            for (qsizetype i = 0; i < r.size(); ++i)
                if (!r[i].isEmpty()) list.setValue(int(i), r[i]);
            list.post();
        }
    }
    static QStringList projects()
    {
        return ExchangeFixture::column(u"select id || '|' || jb00 || '|' || jb01 || '|' || jc100 || '|' || "
                                       u"jc110 || '|' || gj_one || '|' || pxh "
                                       "from \"gjxm.db\" order by id"_s);
    }

    void projectList()
    {
        writeProjectList({ { u"110"_s, u"110000001"_s, u"北京项目一"_s, u"100"_s, u"30"_s },
            { u"310"_s, u"310000001"_s, u"上海项目一"_s, u"200"_s, u""_s },
            { u"110"_s, u"110000002"_s, u"北京项目二"_s, u""_s, u""_s },
            { u"1100"_s, u"110000003"_s, u"不是本地区"_s, u"1"_s, u"1"_s } });
        Maintenance m;
        auto r = m.buildProjectList(u"110"_s, false);
        QCOMPARE(r.added, 2);
        QCOMPARE(r.updated, 0);
        const QStringList beijing = { u"110110000001|110000001|北京项目一|100.0|30.0|1|110"_s,
            u"110110000002|110000002|北京项目二|0.0|0.0|1|110"_s };
        QCOMPARE(projects(), beijing);

        // Again without emptying: the same records, updated.
        ExchangeFixture::sql(u"update \"gjxm.db\" set jb01 = '改过的名称' where jb00 = '110000001'"_s);
        r = m.buildProjectList(u"110"_s, false);
        QCOMPARE(r.added, 0);
        QCOMPARE(r.updated, 2);
        QCOMPARE(projects(), beijing);

        // A second region adds its projects.
        r = m.buildProjectList(u"310"_s, false);
        QCOMPARE(r.added, 1);
        QCOMPARE(projects().size(), 3);
        QCOMPARE(projects().last(), u"310310000001|310000001|上海项目一|200.0|0.0|1|310"_s);

        // Emptied first: only the region asked for.
        m.buildProjectList(u"310"_s, true);
        QCOMPARE(projects().size(), 1);
    }

    void projectListWithoutListEmptiesNothing()
    {
        writeProjectList({ { u"110"_s, u"110000001"_s, u"北京项目一"_s, u"100"_s, u"30"_s } });
        Maintenance m;
        m.buildProjectList(u"110"_s, false);
        QVERIFY(QFile::remove(u"gjxmqd.dbf"_s));
        try {
            m.buildProjectList(u"110"_s, true);
            QFAIL("built without a list");
        } catch (const store::StoreError& e) {
            QVERIFY2(e.message().contains(u"gjxmqd.dbf"_s), qPrintable(e.message()));
        }
        QCOMPARE(projects().size(), 1);
    }

    void transferTablesOfKinds()
    {
        const QList<exchange::MaintainedTable> tables = Maintenance::transferTables({ 3 });
        QCOMPARE(tables.size(), 1);
        QCOMPARE(tables[0].name, u"gjxm.db"_s);
        QCOMPARE(tables[0].saveTitle, u"保存国家项目库  文件名：gjxm.dbf"_s);
        QCOMPARE(Maintenance::transferTables({ 2, 0 }).size(), 6);
    }
};

QTEST_GUILESS_MAIN(TestMaintenance)
#include "tst_Maintenance.moc"
