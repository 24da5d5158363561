// The entry windows on national-size working directories: the zone-enterprise window with
// 100,000 returns and 300,000 products, and each single-table window with 10,000 rows.
// Every merge is also done by plain SQLite on a copy of the same table in the same run
// (one INSERT … SELECT … ON CONFLICT), printed as the floor with the ratio. Prints
// `name: value unit` lines; asserts nothing.
// Usage: bench_entry [ENTERPRISES [ROWS]]
#include "entry/TF_kfq.h"
#include "entry/TF_sjgxq.h"
#include "entry/TF_tsjd.h"
#include "entry/TF_tzjg.h"
#include "shell/DemoData.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"
#include "widgets/DbGrid.h"
#include "widgets/Fonts.h"
#include "widgets/SharedComponents.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

#include "BenchSupport.h"

using bench::ms;
using bench::print;

namespace {

int sql(const QString& statement)
{
    store::Query q;
    q.setSql(statement);
    return q.execSql();
}

QStringList columnsOf(sqlite3* db, const char* schema)
{
    QStringList out;
    sqlite3_stmt* st = nullptr;
    const QByteArray q = QByteArray("PRAGMA ") + schema + ".table_info(\"data\")";
    sqlite3_prepare_v2(db, q.constData(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    return out;
}

// The floor: the rows of `source` upserted into `copy` (the target as it was before the
// merge) by one statement, as durable as the store makes them. Returns milliseconds.
double plainUpsert(const QString& copy, const QString& source, const QString& idField,
    const QString& keyField, const QString& counterField)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(copy).constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=FULL; PRAGMA journal_mode=DELETE; PRAGMA cache_size=-16384;",
        nullptr, nullptr, nullptr);
    const QByteArray attach = "ATTACH '" + QFile::encodeName(source) + "' AS s";
    sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr);
    const QStringList target = columnsOf(db, "main");
    QStringList sourceColumns = columnsOf(db, "s");
    for (QString& c : sourceColumns)
        c = c.toLower();
    QStringList names, values, updates;
    for (const QString& c : target) {
        const QString lower = c.toLower();
        QString value;
        if (lower == idField.toLower())
            value = u"s.\"%1\""_s.arg(keyField);
        else if (lower == counterField.toLower())
            value = u"1"_s;
        else if (lower == u"pxh"_s)
            value = u"NULL"_s;
        else if (sourceColumns.contains(lower))
            value = u"s.\"%1\""_s.arg(c);
        else
            continue;
        names << u'"' + c + u'"';
        values << value;
        if (lower != idField.toLower()) updates << u"\"%1\"=excluded.\"%1\""_s.arg(c);
    }
    const QString statement = u"INSERT INTO main.\"data\" (%1) SELECT %2 FROM s.\"data\" s WHERE true "
                              u"ON CONFLICT(\"%3\") DO UPDATE SET %4"_s.arg(
                                  names.join(u','), values.join(u','), idField, updates.join(u','));
    QElapsedTimer t;
    t.start();
    char* error = nullptr;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "plain upsert failed: %s\n", error);
        sqlite3_free(error);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double elapsed = ms(t);
    sqlite3_close(db);
    return elapsed;
}

// Times a window's merge of `source` into its master and the floor on a copy made just
// before, and prints both with their ratio.
void measureMerge(const char* name, EntryForm& window, const QString& source, const QString& idField,
    const QString& keyField, const QString& counterField)
{
    const QString copy = u"floor_"_s + window.def().master.file;
    QFile::remove(copy);
    QFile::copy(QFileInfo(window.Table1.filePath()).fileName(), copy);
    store::Table& shared = sharedComponents().Table1;
    if (shared.isOpen()) shared.close();
    shared.setTableName(source);
    QElapsedTimer t;
    t.start();
    window.mergeFromFile(window.Table1, shared);
    const double merged = ms(t);
    const double floor = plainUpsert(copy, source, idField, keyField, counterField);
    print(name, merged, "ms");
    std::printf("%s_plain_sqlite: %.3f ms\n", name, floor);
    std::printf("ratio merge_vs_sqlite: %.3f\n", merged / floor);
    std::fflush(stdout);
    print("rows_after_merge", window.Table1.recordCount(), "rows");
    QFile::remove(copy);
}

void benchZoneEnterprises(int enterprises)
{
    QElapsedTimer t;
    t.start();
    DemoData::Options options;
    options.enterprises = enterprises;
    options.mistakePercent = 0;
    options.products = { 3, 3 };
    options.projects = { 1, 1 };
    DemoData(options).run();
    print("fill_tables", ms(t), "ms");

    // Half of a delivery overwrites stored returns, half is new.
    const int half = enterprises / 2;
    store::Table::copyToNative(u"kfq_1.db"_s, u"in_1.db"_s);
    sql(u"update \"in_1.db\" set qa01 = substr('000000' || (cast(qa01 as integer) + %1), -6), "
        u"qa03 = 'N' || substr('0000000' || (cast(qa01 as integer) + %1), -7) || '-0', qa04 = qa04 || '分公司', qc02 = qc02 + 1 where qa01 <= '%2'"_s
            .arg(enterprises)
            .arg(half, 6, 10, QLatin1Char('0')));

    TF_kfq window;
    t.restart();
    window.show();
    QApplication::processEvents();
    print("open_until_first_row", ms(t), "ms");

    t.restart();
    window.Table1.edit();
    window.Table1.fieldByName(u"qa05"_s).setValue(u"北京市海淀区中关村大街1号"_s);
    window.button(u"存盘"_s)->click();
    QApplication::processEvents();
    print("edit_store_master", ms(t), "ms");

    t.restart();
    window.PageControl1->setCurrentIndex(4);
    QApplication::processEvents();
    print("page_switch_products", ms(t), "ms");
    window.PageControl1->setCurrentIndex(0);

    measureMerge("merge_100k_half_new", window, u"in_1.db"_s, u"id"_s, u"qa01"_s, u"qa_one"_s);
    window.close();
}

// One single-table window: `rows` stored rows numbered 0000…, a delivery of as many rows,
// half of them new.
struct Single
{
    const char* name;
    std::function<EntryForm*()> make;
    QString table;
    QString id;
    QString code;
    QString counter;
    QString nameField;
    int width; // characters of the number
};

QString numberOf(int i, int width)
{
    return QString::number(i).rightJustified(width, u'0');
}

void benchSingle(const Single& s, int rows)
{
    // Stored rows through the store, as keyed-in rows would be.
    {
        store::Table t;
        t.setTableName(s.table);
        t.open();
        t.beginWriteGroup(rows);
        const int id = t.fieldIndex(s.id), code = t.fieldIndex(s.code), counter = t.fieldIndex(s.counter),
                  name = t.fieldIndex(s.nameField);
        for (int i = 0; i < rows; ++i) {
            t.append();
            const QString number = numberOf(i, s.width);
            t.setValue(id, number);
            t.setValue(code, number);
            t.setValue(counter, 1);
            t.setValue(name, u"机构%1"_s.arg(i));
            t.post();
        }
        t.endWriteGroup();
        t.close();
    }
    // The delivery: the upper half of the numbers again, renamed, and as many new ones
    // (a letter in front, so they stay within the number's width).
    const QString in = u"in_"_s + s.table;
    store::Table::copyToNative(s.table, in);
    sql(u"delete from \"%1\" where %2 < '%3'"_s.arg(in, s.code, numberOf(rows / 2, s.width)));
    sql(u"update \"%1\" set %2 = %2 || '改'"_s.arg(in, s.nameField));
    {
        store::Table t;
        t.setTableName(in);
        t.open();
        t.beginWriteGroup(rows);
        const int id = t.fieldIndex(s.id), code = t.fieldIndex(s.code), name = t.fieldIndex(s.nameField);
        for (int i = 0; i < rows - rows / 2; ++i) {
            t.append();
            const QString number = QChar(u'A' + i / 1000) + numberOf(i % 1000, s.width - 1);
            t.setValue(id, number);
            t.setValue(code, number);
            t.setValue(name, u"新机构%1"_s.arg(i));
            t.post();
        }
        t.endWriteGroup();
        t.close();
    }

    std::unique_ptr<EntryForm> window(s.make());
    QElapsedTimer t;
    t.start();
    window->show();
    QApplication::processEvents();
    print(qPrintable(u"%1_open_until_first_row"_s.arg(QString::fromLatin1(s.name))), ms(t), "ms");

    t.restart();
    window->Table1.edit();
    window->Table1.fieldByName(s.nameField).setValue(u"改过的名称"_s);
    window->button(entry::Action::Save)->click();
    QApplication::processEvents();
    print(qPrintable(u"%1_store_row"_s.arg(QString::fromLatin1(s.name))), ms(t), "ms");

    measureMerge(qPrintable(u"%1_append_%2_half_new"_s.arg(QString::fromLatin1(s.name)).arg(rows)), *window,
        in, s.id, s.code, s.counter);
    window->close();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutes();
    const int enterprises = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int rows = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 10000;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    WorkDirSetup().run();
    SharedComponents shared;

    benchZoneEnterprises(enterprises);
    const Single singles[] = {
        { "tzjg", [] { return new TF_tzjg; }, u"tzjg.db"_s, u"ID"_s, u"CODE"_s, u"Tzjg_ONE"_s, u"KZ00"_s, 4 },
        { "tsjd", [] { return new TF_tsjd; }, u"tsjd.db"_s, u"Id"_s, u"CODE"_s, u"Tsjd_one"_s, u"TDF911"_s,
            6 },
        { "sjgxq", [] { return new TF_sjgxq; }, u"sjgxq.db"_s, u"Id"_s, u"Code"_s, u"Sjgxq_one"_s, u"Mc"_s,
            4 },
    };
    for (const Single& s : singles)
        benchSingle(s, rows);
    return 0;
}
