// The upload import ("数据入库") of a delivery of 20,000 enterprises (60,000 products,
// 40,000 projects) into tables holding 100,000 enterprises, of which 1,000 delivered ones
// come with report numbers the office already uses and are renumbered. Prints
// `name: value unit` lines; asserts nothing.
// Then system maintenance and the table tool on 100,000 enterprises with 300,000 products
// and 200,000 projects: backup and restore of the zone kind against cp of the same files,
// delivery of all kinds, transfer to .dbf, and the table tool opening kfq_1.db, answering
// a group-by statement (against the same SELECT straight on SQLite) and saving as .dbf.
// Usage: bench_exchange [STORED [DELIVERED [RENUMBERED]]]
//        bench_exchange maintenance [ENTERPRISES]   (the maintenance part only)
#include "entry/TF_kfq.h"
#include "exchange/Maintenance.h"
#include "exchange/TF_bhcl.h"
#include "exchange/TF_db_tool.h"
#include "exchange/UploadImport.h"
#include "shell/DemoData.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"
#include "widgets/AppState.h"
#include "widgets/DbGrid.h"
#include "widgets/FileDialog.h"
#include "widgets/Fonts.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

#include "BenchSupport.h"

using bench::ms;
using bench::print;
using exchange::UploadImport;

namespace {

int sql(const QString& statement)
{
    store::Query q;
    q.setSql(statement);
    return q.execSql();
}

int count(const QString& table)
{
    store::Query q;
    q.setSql(u"select count(*) from \"%1\""_s.arg(table));
    q.open();
    return q.value(0).toInt();
}

QString number(int n)
{
    return u"%1"_s.arg(n, 6, 10, QLatin1Char('0'));
}

const QString tables[] = { u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5.db"_s };

// The user of the benchmark's windows: picks the delivery, and plays the renumbering
// window through `modal`. Anything else it is asked goes to stderr.
class ScriptedServices : public Services
{
public:
    QString file;
    std::function<void(QWidget*)> modal;

    bool question(const QString& text, const QString&) override
    {
        std::fprintf(stderr, "question: %s\n", qPrintable(text));
        return false;
    }
    void message(const QString& text, const QString&, MessageKind) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    void showException(const QString& message) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(message));
    }
    bool chooseFile(FileDialog& dialog) override
    {
        dialog.fileName = file;
        return true;
    }
    QString chooseDirectory(const QString&, const QString&) override { return {}; }
    void showModal(QWidget* window) override
    {
        window->show();
        if (modal) modal(window);
        window->hide();
    }
    void showModeless(QWidget* window) override { window->show(); }
};

// Gives every listed enterprise whose number was taken its delivered number back.
void renumberList(store::Table& list, int offset)
{
    list.beginWriteGroup();
    for (int r = 0; r < list.recordCount(); ++r) {
        list.setRecNo(r + 1);
        list.edit();
        store::Field f = list.fieldByName(u"修改后编号"_s);
        f.setValue(number(int(f.asInteger()) + offset));
        list.post();
    }
    list.endWriteGroup();
}

// The floor of the table-tool statement: the same SELECT on a plain SQLite connection.
double plainSqlite(const QString& file, const char* sql)
{
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            sqlite3_column_value(st, c);
        ++rows;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return ms(t);
}

double runCp(const QStringList& files, const QString& dir, bool sync)
{
    QElapsedTimer t;
    t.start();
    QProcess::execute(u"cp"_s, QStringList(files) << dir);
    if (sync) {
        QStringList copies;
        for (const QString& f : files)
            copies << dir + u'/' + f;
        QProcess::execute(u"sync"_s, copies);
    }
    return ms(t);
}

int maintenanceBench(int enterprises, ScriptedServices& services)
{
    QTemporaryDir root;
    const QString office = root.filePath(u"office"_s);
    const QString delivery = root.filePath(u"delivery"_s);
    const QString copies = root.filePath(u"cp"_s);
    for (const QString& d : { office, delivery, copies })
        QDir().mkpath(d);
    QDir::setCurrent(office);
    WorkDirSetup().run();
    DemoData::Options options;
    options.enterprises = enterprises;
    options.mistakePercent = 0;
    options.products = { 3, 3 };
    options.projects = { 2, 2 };
    DemoData(options).run();
    print("maint_enterprises", count(u"kfq_1.db"_s), "rows");
    print("maint_products", count(u"kfq_2.db"_s), "rows");
    print("maint_projects", count(u"kfq_5.db"_s), "rows");
    qint64 bytes = 0;
    const QStringList zone = { u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5.db"_s };
    for (const QString& f : zone)
        bytes += QFileInfo(f).size();
    print("maint_zone_files", double(bytes) / 1e6, "MB");

    exchange::Maintenance m;
    // Warm the page cache the same way for both sides.
    runCp(zone, copies, false);
    std::vector<double> cp, cpSync, backup, restore;
    for (int run = 0; run < 3; ++run) {
        cp.push_back(runCp(zone, copies, false));
        cpSync.push_back(runCp(zone, copies, true));
        QElapsedTimer t;
        t.start();
        m.backup({ 0 });
        backup.push_back(ms(t));
        t.restart();
        m.restore({ 0 });
        restore.push_back(ms(t));
    }
    print("maint_cp_zone", bench::median(cp), "ms");
    print("maint_cp_sync_zone", bench::median(cpSync), "ms");
    print("maint_backup_zone", bench::median(backup), "ms");
    print("maint_restore_zone", bench::median(restore), "ms");
    print("ratio backup_vs_cp", bench::median(backup) / bench::median(cp), "x");
    print("ratio backup_vs_cp_sync", bench::median(backup) / bench::median(cpSync), "x");

    QElapsedTimer t;
    t.start();
    m.deliver(delivery);
    print("maint_deliver_all", ms(t), "ms");
    t.restart();
    m.transfer(u"kfq_1.db"_s, root.filePath(u"kfq_1.dbf"_s));
    print("maint_transfer_kfq_1_dbf", ms(t), "ms");

    // The table tool, as the user drives it.
    TF_db_tool tool;
    services.file = office + u"/kfq_1.db"_s;
    t.restart();
    tool.show(); // the first activation asks for the table
    tool.FormActivate();

    tool.DBGrid1->model()->data(tool.DBGrid1->model()->index(0, 1));
    QApplication::processEvents();
    print("tool_open_kfq_1_first_row", ms(t), "ms");
    t.restart();
    sqlite3* db = nullptr;
    sqlite3_open_v2(
        QFile::encodeName(office + u"/kfq_1.db"_s).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select * from data limit 1", -1, &st, nullptr);
    sqlite3_step(st);
    sqlite3_finalize(st);
    sqlite3_close(db);
    print("plain_sqlite_first_row", ms(t), "ms");

    const char* groupBy = "select qb03, count(*), sum(qc02) from data group by qb03 order by qb03";
    tool.Memo1->setPlainText(
        u"select qb03 行业, count(*) 企业数, sum(qc02) 合计\nfrom \"kfq_1.db\"\ngroup by qb03\norder by qb03"_s);
    t.restart();
    tool.Button6Click();
    QApplication::processEvents();
    const double answer = ms(t);
    const double floor = plainSqlite(office + u"/kfq_1.db"_s, groupBy);
    print("tool_group_by_answer", answer, "ms");
    print("plain_sqlite_group_by", floor, "ms");
    print("ratio tool_group_by_vs_sqlite", answer / floor, "x");
    print("tool_answer_rows", tool.Query1.recordCount(), "rows");

    tool.Button1Click(); // the table again, for saving it whole
    services.file = root.filePath(u"saved.dbf"_s);
    t.restart();
    tool.Button2Click();
    print("tool_save_kfq_1_dbf", ms(t), "ms");
    tool.reject();
    QDir::setCurrent(QDir::tempPath());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutes();
    if (argc > 1 && qstrcmp(argv[1], "maintenance") == 0) {
        SharedComponents shared;
        ScriptedServices services;
        Services::install(&services);
        const int status
            = maintenanceBench(argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 100000, services);
        Services::install(nullptr);
        return status;
    }
    const int stored = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int delivered = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    const int taken = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 1000;

    QTemporaryDir root;
    const QString office = root.filePath(u"office"_s);
    const QString second = root.filePath(u"office2"_s);
    const QString delivery = root.filePath(u"delivery"_s);
    for (const QString& d : { office, second, delivery })
        QDir().mkpath(d);

    // Office and delivery are drawn as one population, so that names and legal-person
    // codes differ between them as between two real offices' returns.
    QDir::setCurrent(office);
    WorkDirSetup().run();
    QElapsedTimer t;
    t.start();
    DemoData::Options options;
    options.enterprises = stored + delivered;
    options.mistakePercent = 0;
    options.products = { 3, 3 };
    options.projects = { 2, 2 };
    DemoData(options).run();
    print("upload_fill_tables", ms(t), "ms");
    for (const QString& table : tables) {
        QFile::copy(table, delivery + u'/' + table);
        sql(u"delete from \"%1\" where qa01 > '%2'"_s.arg(table, number(stored)));
        sql(u"delete from \"%1/%2\" where qa01 <= '%3'"_s.arg(delivery, table, number(stored)));
        // The first delivered enterprises come under numbers the office already uses.
        sql(u"update \"%1/%2\" set qa01 = substr('000000' || (cast(qa01 as integer) - %3), -6) where qa01 <= '%4'"_s
                .arg(delivery, table)
                .arg(stored)
                .arg(number(stored + taken)));
    }
    QDir::setCurrent(second);
    WorkDirSetup().run();
    for (const QString& table : tables) {
        QFile::remove(table);
        QFile::copy(office + u'/' + table, table);
    }
    QDir::setCurrent(office);
    print("upload_stored_enterprises", stored, "rows");
    print("upload_delivered_enterprises", delivered, "rows");
    print("upload_delivered_products", count(delivery + u"/kfq_2.db"_s), "rows");
    print("upload_delivered_projects", count(delivery + u"/kfq_5.db"_s), "rows");

    SharedComponents shared;
    ScriptedServices services;
    Services::install(&services);
    windowRegistry().add<TF_bhcl>(&F_bhcl);

    // The steps one by one, as the renumbering window runs them.
    double whole = 0;
    t.restart();
    UploadImport::stage(delivery);
    UploadImport::fillListFromStage();
    whole += ms(t);
    print("upload_prepare", ms(t), "ms");

    t.restart();
    const int clashes = UploadImport::checkClashes();
    whole += ms(t);
    print("upload_check_with_clashes", ms(t), "ms");
    print("upload_clashes_found", clashes, "rows");

    QList<exchange::ListRow> rows;
    {
        store::Table list;
        list.setTableName(UploadImport::listTable());
        list.open();
        renumberList(list, stored);
        rows = UploadImport::readList(list);
    }
    t.restart();
    const int renumbered = UploadImport::renumber(rows);
    whole += ms(t);
    print("upload_renumber", ms(t), "ms");
    print("upload_renumbered", renumbered, "rows");

    t.restart();
    const int left = UploadImport::checkClashes();
    whole += ms(t);
    print("upload_check_clean", ms(t), "ms");
    print("upload_clashes_left", left, "rows");

    {
        TF_kfq window;
        window.show();
        store::Table* targets[] = { &window.Table1, &window.Table2, &window.Table5 };
        const char* names[]
            = { "upload_merge_enterprises", "upload_merge_products", "upload_merge_projects" };
        for (int i = 0; i < 3; ++i) {
            t.restart();
            shared.Table1.setTableName(UploadImport::scratchTables()[i]);
            window.mergeFromFile(*targets[i], shared.Table1);
            whole += ms(t);
            print(names[i], ms(t), "ms");
        }
        t.restart();
        UploadImport::removeStage();
        whole += ms(t);
        print("upload_enterprises_after", window.Table1.recordCount(), "rows");
        window.close();
    }
    print("upload_whole_import", whole, "ms");

    // The same import on a second copy of the office through the windows: "数据入库",
    // the renumbering window's two presses (typing the numbers in between is not timed)
    // and the merge.
    QDir::setCurrent(second);
    {
        TF_kfq window;
        window.show();
        services.file = delivery + u"/kfq_1.db"_s;
        double typing = 0;
        double firstPress = 0;
        double secondPress = 0;
        QElapsedTimer whole2;
        services.modal = [&](QWidget* w) {
            auto* bhcl = static_cast<TF_bhcl*>(w);
            QElapsedTimer step;
            step.start();
            bhcl->Button1->click();
            firstPress = ms(step);
            step.restart();
            renumberList(bhcl->Table1, stored);
            typing = ms(step);
            step.restart();
            bhcl->Button1->click();
            secondPress = ms(step);
        };
        whole2.start();
        window.button(u"数据入库"_s)->click();
        const double total = ms(whole2) - typing;
        print("upload_window_first_press", firstPress, "ms");
        print("upload_window_second_press", secondPress, "ms");
        print("upload_window_whole_import", total, "ms");
        print("upload_window_confirmed", ImportConfirmed ? 1 : 0, "flag");
        print("upload_window_enterprises_after", window.Table1.recordCount(), "rows");
        window.close();
    }
    const int status = maintenanceBench(stored, services);
    Services::install(nullptr);
    return status;
}
