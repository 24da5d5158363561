// Report-printing figures on a national-size year: 100,000 zone-enterprise returns with
// about 300,000 products and 200,000 projects (the demo generator) and 20,000 national
// projects. The enterprise summary filled through the table store (all five steps) against
// the same statements run straight on SQLite; the national summary likewise; the revenue
// list and the service-enterprise list filled and laid out; a 100,000-row list laid out;
// the summary and the first page of each list drawn into a PDF. Prints `name: value unit`
// lines; asserts nothing.
#include "check/Printout.h"
#include "query/ExportResult.h"
#include "reports/ReportForms.h"
#include "reports/ReportSummaries.h"
#include "shell/DemoData.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"
#include "widgets/Fonts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;
using namespace reportSummaries;

#include "BenchSupport.h"

using bench::median;
using bench::ms;
using bench::print;
using bench::timeMedian;

namespace {

// The statements as the store hands them to SQLite, run on one plain connection with the
// table files attached under the names the translation uses; every value is read.
class PlainSqlite
{
public:
    PlainSqlite() { sqlite3_open(":memory:", &m_db); }
    ~PlainSqlite() { sqlite3_close(m_db); }

    void run(const QStringList& lines)
    {
        const QString text = lines.join(u'\n');
        // The translation names tables t1, t2, … in the order the statement first names them.
        QStringList files;
        static const QRegularExpression name(uR"re("([^"]+\.db)"|\b(kfq\dhz\.db)\b)re"_s);
        for (auto it = name.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            const QString f = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
            if (!files.contains(f, Qt::CaseInsensitive)) files.append(f);
        }
        for (qsizetype i = 0; i < files.size(); ++i) {
            const QByteArray attach
                = u"ATTACH '%1' AS t%2"_s.arg(QFileInfo(files[i]).absoluteFilePath()).arg(i + 1).toUtf8();
            sqlite3_exec(m_db, attach.constData(), nullptr, nullptr, nullptr);
        }
        const QByteArray sql = store::Query::translate(text).toUtf8();
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "sqlite: %s\n%s\n", sqlite3_errmsg(m_db), sql.constData());
            std::exit(1);
        }
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                sqlite3_column_value(st, c);
        sqlite3_finalize(st);
        for (qsizetype i = 0; i < files.size(); ++i)
            sqlite3_exec(m_db, u"DETACH t%1"_s.arg(i + 1).toUtf8().constData(), nullptr, nullptr, nullptr);
    }

private:
    sqlite3* m_db = nullptr;
};

void makeNationalProjects(int count)
{
    store::TableSchema schema;
    schema.fields = { { u"Id"_s, store::FieldType::Text, 12, 0 }, { u"JB00"_s, store::FieldType::Text, 9, 0 },
        { u"JB01"_s, store::FieldType::Text, 100, 0 }, { u"JB02"_s, store::FieldType::Text, 14, 0 },
        { u"IS_CHGE"_s, store::FieldType::Text, 1, 0 }, { u"GJ_ONE"_s, store::FieldType::SmallInt, 0, 0 } };
    const QStringList sums { u"JC100"_s, u"JC130"_s, u"JC150"_s, u"JF100_2"_s, u"JG10_2"_s, u"JG20_2"_s,
        u"JG21_2"_s, u"JG30_2"_s, u"JG40_2"_s };
    for (const QString& f : sums)
        schema.fields.append({ f, store::FieldType::Float, 0, 0 });
    store::Table::createTable(u"gjxm.db"_s, schema);
    store::Table t;
    t.setTableName(u"gjxm.db"_s);
    t.open();
    t.beginWriteGroup(5000);
    QRandomGenerator random(2012);
    static const QStringList states { QString(), u"1"_s, u"1"_s, u"2"_s };
    for (int i = 0; i < count; ++i) {
        t.append();
        const QString number = u"G%1"_s.arg(i, 8, 10, QChar(u'0'));
        t.setValue(0, number);
        t.setValue(1, number);
        t.setValue(2, u"国家级项目%1"_s.arg(i));
        t.setValue(3, u"2011GA%1"_s.arg(i));
        t.setValue(4, states[int(random.bounded(4))]);
        t.setValue(5, 1);
        for (int f = 0; f < int(sums.size()); ++f)
            t.setValue(6 + f, double(random.bounded(100000)) / 4);
        t.post();
    }
    t.endWriteGroup();
}

// The statements of the enterprise summary, as its five steps run them.
QList<QStringList> enterpriseSummaryStatements()
{
    QList<QStringList> statements { enterpriseSumsSql(), productSumsSql(), projectSumsSql() };
    for (const QString& c : countColumns())
        statements.append(countSql(c));
    statements.append(enterpriseSummarySql());
    return statements;
}

int layOut(ReportForm& form)
{
    QPdfWriter writer(u"measure.pdf"_s);
    writer.setResolution(600);
    writer.setPageLayout(form.pageLayout());
    return int(form.paginate(writer).size());
}

double renderPdf(const BandedReport& form, const QString& file)
{
    QElapsedTimer t;
    t.start();
    PdfFile pdf(file, file);
    pdf.add(form);
    pdf.commit();
    return ms(t);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    installFontSubstitutes();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    QElapsedTimer t;
    t.start();
    WorkDirSetup().run();
    const DemoData::Result made = DemoData({ .enterprises = 100000, .mistakePercent = 0 }).run();
    makeNationalProjects(20000);
    print("demo_data", ms(t) / 1000, "s");
    print("enterprises", made.enterprises, "rows");
    print("products", made.products, "rows");
    print("projects", made.projects, "rows");
    print("national_projects", 20000, "rows");

    // The enterprise summary: five steps through the store, then the same statements alone.
    const double summary = timeMedian(3, [] { fillEnterpriseSummary(); });
    print("enterprise_summary_fill", summary, "ms");
    PlainSqlite plain;
    const double summaryDirect = timeMedian(3, [&] {
        for (const QStringList& s : enterpriseSummaryStatements())
            plain.run(s);
    });
    print("enterprise_summary_plain_sqlite", summaryDirect, "ms");

    const double national = timeMedian(3, [] { fillNationalSummary(); });
    print("national_summary_fill", national, "ms");
    const double nationalDirect = timeMedian(3, [&] { plain.run(nationalSummarySql()); });
    print("national_summary_plain_sqlite", nationalDirect, "ms");

    // The lists: filled, opened and laid out; then a list of every enterprise laid out.
    TF_dqy_p dqy;
    dqy.setTitle(u"2012年国家高新技术产业开发区(区外)企业总收入亿元以上清单"_s);
    int pages = 0;
    print("revenue_list_fill", timeMedian(3, [] { fillEnterpriseList(EnterpriseList::Revenue); }), "ms");
    print("revenue_list_layout",
        timeMedian(3,
            [&] {
                dqy.open();
                pages = layOut(dqy);
                dqy.close();
            }),
        "ms");
    print(
        "revenue_list_rows",
        [] {
            store::Table t;
            t.setTableName(u"dqy.db"_s);
            t.open();
            return t.recordCount();
        }(),
        "rows");
    print("revenue_list_pages", pages, "pages");
    TF_fwqy_p fwqy;
    print("service_list_fill", timeMedian(3, [] { fillServiceList(); }), "ms");
    print("service_list_layout",
        timeMedian(3,
            [&] {
                fwqy.open();
                pages = layOut(fwqy);
                fwqy.close();
            }),
        "ms");
    print("service_list_pages", pages, "pages");

    {
        store::Query all;
        QStringList sql = enterpriseListSql(EnterpriseList::Revenue);
        sql.last() = u"from \"kfq_1.db\" order by qc05 desc"_s;
        all.setSql(sql);
        all.open();
        ExportResult(all, nullptr, u"dqy.db"_s);
    }
    TF_dqy_p everyone;
    const double longLayout = timeMedian(3, [&] {
        everyone.open();
        pages = layOut(everyone);
    });
    print("list_100k_layout", longLayout, "ms");
    print("list_100k_rows", everyone.rowCount(), "rows");
    print("list_100k_pages", pages, "pages");
    everyone.maxPages = 1;
    print("list_100k_first_page_pdf", renderPdf(everyone, u"long.pdf"_s), "ms");
    everyone.close();

    TF_qyhz_p qyhz;
    qyhz.open();
    print("enterprise_summary_pdf", renderPdf(qyhz, u"summary.pdf"_s), "ms");
    qyhz.close();
    fillEnterpriseList(EnterpriseList::Revenue);
    dqy.open();
    dqy.maxPages = 1;
    print("revenue_list_first_page_pdf", renderPdf(dqy, u"revenue.pdf"_s), "ms");
    dqy.close();
    fwqy.open();
    fwqy.maxPages = 1;
    print("service_list_first_page_pdf", renderPdf(fwqy, u"service.pdf"_s), "ms");
    fwqy.close();

    std::printf("ratio national_vs_sqlite: %.3f\n", national / nationalDirect);
    std::printf("ratio summary_vs_sqlite: %.3f\n", summary / summaryDirect);
    return 0;
}
