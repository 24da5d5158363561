#include "StoreFixture.h"

#include "store/Query.h"
#include "store/Table.h"

#include <QProcess>

#include <csignal>

using namespace Qt::StringLiterals;
using store::FieldType;
using store::Table;

class TestDurability : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWriterKeepsEveryReturnedRow_data();
    void killedWriterKeepsEveryReturnedRow();
};

void TestDurability::killedWriterKeepsEveryReturnedRow_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("killAfter");
    QTest::newRow("single posts, early") << u"post"_s << 3;
    QTest::newRow("single posts, later") << u"post"_s << 120;
    QTest::newRow("batch appends") << u"batch"_s << 2000;
}

void TestDurability::killedWriterKeepsEveryReturnedRow()
{
    QFETCH(QString, mode);
    QFETCH(int, killAfter);
    WorkDirFixture wd;
    store::TableSchema target = detailSchema();
    if (mode == "batch"_L1) target.indexes.clear(); // rounds repeat the same rows
    Table::createTable(u"kfq_2.db"_s, target);
    if (mode == "batch"_L1) {
        store::TableSchema src;
        src.fields = { textField(u"id"_s, 30), textField(u"QA01"_s, 25), textField(u"QE01"_s, 4),
                       textField(u"QE02"_s, 40) };
        Table::createTable(u"src.db"_s, src);
        Table s;
        s.setTableName(u"src.db"_s);
        s.open();
        for (int i = 0; i < 500; ++i)
            appendRow(s, { QVariant(), u"S"_s, QString::number(i), u"批量产品%1"_s.arg(i) });
    }
    QProcess child;
    child.start(QStringLiteral(STORE_WRITER), { QDir::currentPath(), mode });
    QVERIFY(child.waitForStarted());
    int reported = 0;
    QByteArray pending;
    QElapsedTimer timer;
    timer.start();
    while (reported < killAfter && timer.elapsed() < 60000) {
        if (!child.waitForReadyRead(5000)) break;
        pending += child.readAllStandardOutput();
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            reported = pending.left(nl).toInt();
            pending.remove(0, nl + 1);
        }
    }
    QVERIFY2(reported >= killAfter, "the writer did not get far enough");
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(10000));
    pending += child.readAllStandardOutput();
    for (const QByteArray& line : pending.split('\n'))
        if (!line.isEmpty()) reported = line.toInt();

    // The table opens, holds every row whose store returned, and takes new rows.
    Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    QVERIFY2(t.recordCount() >= reported, qPrintable(u"%1 rows, %2 reported"_s.arg(t.recordCount()).arg(reported)));
    for (int r = 0; r < t.recordCount(); r += 97)
        QVERIFY(!t.rowAt(r).isEmpty());
    appendRow(t, { u"after_1"_s, u"X"_s, u"1"_s });
    store::Query q;
    q.setSql(u"select count(*) n from \"kfq_2.db\""_s);
    q.open();
    QCOMPARE(q.fieldByName(u"n"_s).asInteger(), qint64(t.recordCount()));
}

QTEST_GUILESS_MAIN(TestDurability)
#include "tst_durability.moc"
