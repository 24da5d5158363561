// The national projects of a national office's year: 20,000 projects issued in gjxm_s.dbf.
// Opening the national-project window on an empty table until the first row shows (the list
// is loaded), "数据追加" of 20,000 entered projects against the same upsert in bare SQLite,
// "生成未上报项目清单", and the validation of kind 4 both ways. Prints `name: value unit`
// lines; asserts nothing.
//
//     build/bench/bench_national [PROJECTS]

#include "check/CheckRun.h"
#include "entry/TF_gjwsb.h"
#include "entry/TF_gjxm.h"
#include "shell/DemoNationalProjects.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"
#include "store/TablePath.h"
#include "widgets/Fonts.h"
#include "widgets/SharedComponents.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

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

// The merge's floor: the entered rows of the source written over the target by key in one
// statement, on copies of the two files.
double bareMerge(const QString& target, const QString& source)
{
    QFile::remove(u"floor_t.db"_s);
    QFile::copy(store::resolveTablePath(target), u"floor_t.db"_s);
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "ATTACH 'floor_t.db' AS t1", nullptr, nullptr, nullptr);
    sqlite3_exec(db, (u"ATTACH '"_s + store::resolveTablePath(source) + u"' AS t2"_s).toUtf8().constData(),
        nullptr, nullptr, nullptr);
    // An attached table file holds its rows in the table "data".
    const QString statement
        = u"INSERT OR REPLACE INTO t1.data SELECT * FROM t2.data WHERE IS_CHGE IS NOT NULL"_s;
    QElapsedTimer t;
    t.start();
    char* error = nullptr;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "bare merge failed: %s\n", error);
        sqlite3_free(error);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double elapsed = ms(t);
    sqlite3_close(db);
    return elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutes();
    const int projects = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    WorkDirSetup().run();
    QElapsedTimer t;
    t.start();
    DemoNationalProjects::writeIssuedList(u"gjxm_s.dbf"_s, projects);
    print("national_write_issued_list", ms(t), "ms");

    SharedComponents shared;
    TF_gjxm window;
    t.restart();
    window.show();
    QApplication::processEvents();
    print("national_open_loading_list_until_first_row", ms(t), "ms");
    print("national_rows_loaded", window.Table1.recordCount(), "rows");

    // Another office's table: every project entered, half with a changed amount.
    window.close();
    store::Table::copyToNative(u"gjxm.db"_s, u"in_gjxm.db"_s);
    sql(u"update \"in_gjxm.db\" set is_chge='1', jbtbr='王建国', jc200=jc100*3"_s);
    window.show();
    QApplication::processEvents();
    const double floor = bareMerge(u"gjxm.db"_s, u"in_gjxm.db"_s);
    store::Table& source = shared.Table1;
    if (source.isOpen()) source.close();
    source.setTableName(u"in_gjxm.db"_s);
    t.restart();
    window.mergeFromFile(window.Table1, source);
    const double merge = ms(t);
    print("national_merge_entered", merge, "ms");
    print("national_merge_bare_sqlite", floor, "ms");
    std::printf("ratio merge_vs_sqlite: %.3f\n", merge / floor);
    window.close();

    // Half the projects are still to be entered when the list of the unreported is made.
    sql(u"update \"gjxm.db\" set is_chge=null where cast(substr(jb00,6) as integer) % 2 = 0"_s);
    TF_gjwsb reasons;
    reasons.show();
    QApplication::processEvents();
    t.restart();
    reasons.ToolButton1Click();
    print("national_unreported_list", ms(t), "ms");
    print("national_unreported_rows", reasons.Table1.recordCount(), "rows");
    reasons.close();

    CheckRun check;
    check.prepare(4);
    t.restart();
    check.run(CheckRun::Path::Reference);
    const double reference = ms(t);
    t.restart();
    check.run(CheckRun::Path::Fast);
    const double fast = ms(t);
    print("national_check_reference", reference, "ms");
    print("national_check_fast", fast, "ms");
    std::printf("ratio national_check_fast_vs_reference: %.3f\n", fast / reference);
    check.close();
    return 0;
}
