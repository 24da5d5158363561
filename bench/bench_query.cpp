// Query-and-statistics figures on a national-size year: 100,000 zone-enterprise returns
// with about 300,000 products (the demo generator). The statistics statement of the query
// window (two sums by industry over the enterprise-product join) through the statement
// builder and the table store, and the same SELECT straight on SQLite; a sorted list; the
// export of answers to .dbf; a transpose; the print layout of a 100,000-row answer and the
// drawing of one preview page. Prints `name: value unit` lines; asserts nothing.
#include "query/ExportResult.h"
#include "query/PrintRenderer.h"
#include "query/QueryFields.h"
#include "query/QueryStatementBuilder.h"
#include "shell/DemoData.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

#include "BenchSupport.h"

using bench::median;
using bench::ms;
using bench::print;
using bench::timeMedian;

namespace {

int indexOf(const QList<DictionaryField>& list, const char* name)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].name.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0) return int(i);
    std::fprintf(stderr, "dictionary lacks %s\n", name);
    std::exit(1);
}

// The statement as the store would hand it to SQLite, run on a plain connection with the
// table files attached under the schema names the translation uses.
int plainSqlite(const QString& statement, const QStringList& files)
{
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QByteArray attach
            = u"ATTACH '%1' AS t%2"_s.arg(QFileInfo(files[i]).absoluteFilePath()).arg(i + 1).toUtf8();
        sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr);
    }
    const QByteArray sql = store::Query::translate(statement).toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            sqlite3_column_value(st, c);
        ++rows;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    QElapsedTimer t;
    t.start();
    WorkDirSetup().run();
    const DemoData::Result made = DemoData({ .enterprises = 100000, .mistakePercent = 0 }).run();
    print("demo_data", ms(t) / 1000, "s");
    print("enterprises", made.enterprises, "rows");
    print("products", made.products, "rows");

    const QueryFields fields = QueryFields::read(QueryCatalogEntry::read(1).dictionary);

    // Statistics: 总收入 and 全年产品产值 summed by 行业代码 over the join, as in the window.
    QueryChoices sums;
    sums.statisticsFields
        = { indexOf(fields.statisticsFields, "a.QC05"), indexOf(fields.statisticsFields, "b.QE14") };
    sums.classificationFields = { indexOf(fields.classificationFields, "a.QB03") };
    const QStringList statement = QueryStatementBuilder(fields, sums).statisticsStatement();
    store::Query answer;
    int groups = 0;
    const double statistics = timeMedian(5, [&] {
        answer.setSql(QueryStatementBuilder(fields, sums).statisticsStatement());
        answer.open();
        groups = answer.recordCount();
    });
    print("statistics_by_industry", statistics, "ms");
    print("statistics_groups", groups, "rows");
    const QString text = statement.join(u'\n');
    const QStringList files { u"kfq_1.db"_s, u"kfq_2.db"_s };
    const double direct = timeMedian(5, [&] { plainSqlite(text, files); });
    print("statistics_plain_sqlite", direct, "ms");

    // A sorted list: every enterprise with its name and income, largest income first.
    QueryChoices list;
    list.selectedFields
        = { indexOf(fields.conditionFields, "a.QA01"), indexOf(fields.conditionFields, "a.QA04"),
              indexOf(fields.conditionFields, "a.QB03"), indexOf(fields.conditionFields, "a.QC05") };
    list.sort = { { fields.conditionFields[list.selectedFields[3]].caption, true } };
    store::Query sorted;
    const double sortedMs = timeMedian(3, [&] {
        sorted.setSql(QueryStatementBuilder(fields, list).queryStatement());
        sorted.open();
        sorted.recordCount();
    });
    print("sorted_list_100k", sortedMs, "ms");
    const QString listText = QueryStatementBuilder(fields, list).queryStatement().join(u'\n');
    const double sortedDirect = timeMedian(3, [&] { plainSqlite(listText, { u"kfq_1.db"_s }); });
    print("sorted_list_plain_sqlite", sortedDirect, "ms");

    print(
        "export_statistics_dbf", timeMedian(5, [&] { ExportResult(answer, nullptr, u"stat.dbf"_s); }), "ms");
    print(
        "export_sorted_list_dbf", timeMedian(3, [&] { ExportResult(sorted, nullptr, u"list.dbf"_s); }), "ms");
    print("export_sorted_list_xlsx", timeMedian(1, [&] { ExportResult(sorted, nullptr, u"list.xlsx"_s); }),
        "ms");
    print("export_sorted_list_print_copy",
        timeMedian(1, [&] { ExportResult(sorted, nullptr, u"query_p.db"_s); }), "ms");

    store::Query transposed;
    transposed.setSql(statement);
    transposed.open();
    print("transpose_statistics", timeMedian(1, [&] { TransposeResult(transposed, transposed); }), "ms");
    print("transposed_columns", transposed.fieldCount(), "columns");

    // The print copy of the 100,000-row list: page setup and layout, then one page drawn.
    store::Table printCopy;
    printCopy.setTableName(u"query_p.db"_s);
    printCopy.open();
    PrintRenderer renderer;
    renderer.printer().setOutputFormat(QPrinter::PdfFormat);
    renderer.printer().setOutputFileName(dir.filePath(u"bench.pdf"_s));
    renderer.setRows(&printCopy);
    renderer.title = u"企业总收入排序"_s;
    const double layout = timeMedian(3, [&] {
        renderer.pageSetup();
        renderer.layout();
    });
    print("layout_100k_rows", layout, "ms");
    print("layout_pages", renderer.pageCount(), "pages");
    int page = 0;
    const double draw = timeMedian(9, [&] {
        renderer.setCurrentPage(page++ * 97 % renderer.pageCount());
        renderer.drawTitle();
        renderer.drawPage();
    });
    print("draw_one_page", draw, "ms");
    print("print_one_page_pdf", timeMedian(3, [&] { renderer.printRange(2, 2); }), "ms");

    std::printf("ratio sorted_vs_sqlite: %.3f\n", sortedMs / sortedDirect);
    std::printf("ratio query_vs_sqlite: %.3f\n", statistics / direct);
    return 0;
}
