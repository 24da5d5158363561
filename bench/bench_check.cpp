// Validation of 100,000 zone-enterprise returns (about 300,000 products and 200,000
// projects) with the shipped rules of report kind 1: the rule-by-rule reference way, the
// fast way, and the same rules as bare SQLite statements for scale. Then the same three for
// 5,000 returns each of the venture-investment institutions (kind 6), industry bases (10)
// and provincial zones (11), whose four-digit numbers allow at most 9,999.
//
//     build-check/bench/bench_check [ENTERPRISES] [--fast-only]
//
// --fast-only times the fast way of kind 1 alone (for profiling it).

#include "check/CheckRun.h"
#include "shell/DemoData.h"
#include "shell/DemoInstitutions.h"
#include "store/SqlTranslator.h"
#include "store/Table.h"
#include "store/TablePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

#include "BenchSupport.h"

namespace {

QList<QStringList> rowsOf(const QString& name)
{
    store::Table t;
    t.setTableName(name);
    t.open();
    QList<QStringList> out;
    for (int r = 0; r < t.recordCount(); ++r) {
        QStringList row;
        for (const QVariant& v : t.rowAt(r))
            row.append(store::displayText(v));
        out.append(row);
    }
    return out;
}

// Runs one statement of the program's SQL straight on SQLite, every table attached as it
// is named; returns the rows of the answer.
qint64 bare(sqlite3* db, const QString& statement)
{
    QStringList files;
    const store::SqlTranslation t = store::translateSql(statement, [&](const QString& file) {
        const QString key = store::sqlTableKey(file);
        qsizetype i = files.indexOf(key);
        if (i < 0) {
            files.append(key);
            i = files.size() - 1;
        }
        return u"t%1"_s.arg(i + 1);
    });
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QByteArray attach
            = (u"ATTACH '"_s + store::resolveTablePath(files[i]) + u"' AS t%1"_s.arg(i + 1)).toUtf8();
        sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_stmt* st = nullptr;
    qint64 rows = 0;
    const QByteArray sql = t.sql.toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW)
            ++rows;
    } else {
        std::fprintf(stderr, "bare statement failed: %s\n", sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
    for (qsizetype i = 0; i < files.size(); ++i)
        sqlite3_exec(db, u"DETACH t%1"_s.arg(i + 1).toUtf8().constData(), nullptr, nullptr, nullptr);
    return rows;
}

// Every rule of a kind as one bare statement: plain rules as their failing rows, aggregate
// rules as the grouped answer filtered by the rule's condition, code lists in one IN.
qint64 bareRules(sqlite3* db, int kind)
{
    qint64 rows = 0;
    store::Table catalogue;
    catalogue.setTableName(u"check_db.DB"_s);
    catalogue.open();
    for (catalogue.first(); !catalogue.eof(); catalogue.next()) {
        if (catalogue.field(0).asInteger() != kind) continue;
        const QString table = catalogue.fieldByName(u"db_name"_s).asString();
        const QString key = catalogue.fieldByName(u"field_name"_s).asString();
        store::Table rules;
        rules.setTableName(catalogue.fieldByName(u"check_name"_s).asString());
        rules.open();
        if (table.endsWith(u';')) {
            QStringList codes;
            for (rules.first(); !rules.eof(); rules.next())
                codes.append(store::sqlQuote(rules.fieldByName(u"code"_s).asString()));
            const QString f = catalogue.fieldByName(u"check_result"_s).asString();
            rows += bare(db,
                u"select "_s + key + u" 编号,"_s + f + u" from \""_s + table.chopped(1) + u" where not ("_s
                    + f + u" in ("_s + codes.join(u',') + u"))"_s);
            continue;
        }
        const qsizetype comma = table.indexOf(u',');
        for (rules.first(); !rules.eof(); rules.next()) {
            const QString name = rules.fieldByName(u"field_name"_s).asString();
            const QString value = rules.fieldByName(u"field_value"_s).asString();
            if (comma < 0) {
                rows += bare(db,
                    u"select "_s + key + u" 编号,"_s + name + u" from \""_s + table + u" where not ("_s
                        + value + u')');
            } else {
                rows += bare(db,
                    u"select * from (select "_s + key + u" 编号,"_s + name + u" from \""_s + table.left(comma)
                        + u" left join \""_s + table.mid(comma + 1) + u" on "_s
                        + rules.fieldByName(u"link"_s).asString() + u" group by "_s
                        + rules.fieldByName(u"group"_s).asString() + u") where ("_s + value + u')');
            }
        }
    }
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int enterprises = argc > 1 ? std::atoi(argv[1]) : 100000;
    const bool fastOnly = argc > 2 && std::strcmp(argv[2], "--fast-only") == 0;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    QElapsedTimer timer;
    timer.start();
    DemoData::Options options;
    options.enterprises = enterprises;
    options.seed = 1;
    const DemoData::Result demo = DemoData(options).run();
    bench::print("check_demo_generation", timer.elapsed() / 1000.0, "s");
    bench::print("check_enterprises", demo.enterprises, "rows");
    bench::print("check_products", demo.products, "rows");
    bench::print("check_projects", demo.projects, "rows");

    CheckRun run;
    run.prepare(1);
    if (fastOnly) {
        timer.restart();
        run.run(CheckRun::Path::Fast);
        bench::print("check_fast", timer.elapsed() / 1000.0, "s");
        bench::print("check_failures", rowsOf(run.resultTable()).size(), "rows");
        return 0;
    }
    timer.restart();
    run.run(CheckRun::Path::Reference);
    const double reference = timer.elapsed() / 1000.0;
    const QList<QStringList> referenceRows = rowsOf(run.resultTable());
    bench::print("check_reference", reference, "s");

    timer.restart();
    run.run(CheckRun::Path::Fast);
    const double fast = timer.elapsed() / 1000.0;
    const QList<QStringList> fastRows = rowsOf(run.resultTable());
    bench::print("check_fast", fast, "s");
    bench::print("check_failures", fastRows.size(), "rows");
    bench::print("check_planted_mistakes", demo.mistakes.size(), "rows");
    bench::print("check_fast_equals_reference", fastRows == referenceRows ? 1 : 0, "bool");

    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    timer.restart();
    const qint64 bareRows = bareRules(db, 1);
    const double sqlite = timer.elapsed() / 1000.0;
    sqlite3_close(db);
    bench::print("check_bare_sqlite_statements", sqlite, "s");
    bench::print("check_bare_sqlite_failures", double(bareRows), "rows");
    std::printf("ratio check_fast_vs_bare_sqlite: %.3f\n", fast / sqlite);
    std::printf("ratio check_fast_vs_reference: %.3f\n", fast / reference);

    DemoInstitutions::Options institutions;
    institutions.ventureFunds = institutions.industryBases = institutions.provincialZones = 5000;
    institutions.seed = 1;
    timer.restart();
    const DemoInstitutions::Result made = DemoInstitutions(institutions).run();
    bench::print("check_institutions_demo_generation", timer.elapsed() / 1000.0, "s");
    for (int k = 0; k < DemoInstitutions::kindCount; ++k) {
        const auto kind = DemoInstitutions::Kind(k);
        const QByteArray name = "check_kind" + QByteArray::number(DemoInstitutions::reportKind(kind));
        auto line = [&](const char* what) { return name + what; };
        bench::print(line("_rows").constData(), made.made[k].rows, "rows");
        CheckRun check;
        check.prepare(DemoInstitutions::reportKind(kind));
        timer.restart();
        check.run(CheckRun::Path::Reference);
        const double slow = timer.elapsed() / 1000.0;
        const QList<QStringList> slowRows = rowsOf(check.resultTable());
        bench::print(line("_reference").constData(), slow, "s");
        timer.restart();
        check.run(CheckRun::Path::Fast);
        const double quick = timer.elapsed() / 1000.0;
        const QList<QStringList> quickRows = rowsOf(check.resultTable());
        bench::print(line("_fast").constData(), quick, "s");
        bench::print(line("_failures").constData(), quickRows.size(), "rows");
        bench::print(line("_planted_mistakes").constData(),
            double(std::count_if(made.mistakes.begin(), made.mistakes.end(),
                [&](const DemoInstitutions::PlantedMistake& m) { return m.kind == kind; })),
            "rows");
        bench::print(line("_fast_equals_reference").constData(), quickRows == slowRows ? 1 : 0, "bool");
        sqlite3_open(":memory:", &db);
        timer.restart();
        bareRules(db, DemoInstitutions::reportKind(kind));
        const double plain = timer.elapsed() / 1000.0;
        sqlite3_close(db);
        bench::print(line("_bare_sqlite_statements").constData(), plain, "s");
        std::printf("ratio %s_fast_vs_reference: %.3f\n", name.constData(), quick / slow);
        std::printf("ratio %s_fast_vs_bare_sqlite: %.3f\n", name.constData(), quick / plain);
    }
    return 0;
}
