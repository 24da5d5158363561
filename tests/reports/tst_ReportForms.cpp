#include "PdfText.h"
#include "ReportFixture.h"
#include "WorkDir.h"
#include "check/Printout.h"
#include "cli/Cli.h"
#include "reports/ReportPrinter.h"
#include "shell/WorkDirSetup.h"
#include "widgets/Fonts.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Prints the items into one PDF file and returns its name.
QString printItems(ReportPrinter& printer, const QList<ReportItem>& items, const QString& name)
{
    const QString file = QDir::current().filePath(name);
    PdfFile pdf(file, name);
    PdfOutput output(pdf);
    for (const ReportItem& item : items)
        printer.print(item, output);
    pdf.commit();
    // With VELTO_SCREENSHOT_DIR set the printouts are kept there to be looked at.
    if (const QString keep = qEnvironmentVariable("VELTO_SCREENSHOT_DIR"); !keep.isEmpty()) {
        QFile::remove(QDir(keep).filePath(name));
        QFile::copy(file, QDir(keep).filePath(name));
    }
    return file;
}

// dqy.db with `rows` enterprises of falling revenue.
void makeEnterpriseList(int rows)
{
    store::TableSchema schema;
    for (const QString& f : { u"报表编号"_s, u"企业名称"_s })
        schema.fields.append({ f, store::FieldType::Text, 100, 0 });
    for (const QString& f : { u"总收入"_s, u"净利润"_s, u"实际上缴税费"_s, u"出口创汇总额"_s })
        schema.fields.append({ f, store::FieldType::Float, 0, 0 });
    store::Table::createTable(u"dqy.db"_s, schema);
    store::Table t;
    t.setTableName(u"dqy.db"_s);
    t.open();
    for (int r = 0; r < rows; ++r)
        fixture::insertRow(t,
            { { u"报表编号"_s, u"%1"_s.arg(r + 1, 6, 10, QChar(u'0')) },
                { u"企业名称"_s, u"第%1号企业有限公司"_s.arg(r + 1) }, { u"总收入"_s, 900000.0 - r },
                { u"净利润"_s, -12.5 } });
}

bool inOrder(const QString& text, const QStringList& parts)
{
    qsizetype at = -1;
    for (const QString& p : parts) {
        const qsizetype next = text.indexOf(p, at + 1);
        if (next <= at) return false;
        at = next;
    }
    return true;
}

} // namespace

class TestReportForms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void summaryValues_data();
    void summaryValues();
    void enterpriseListsAndServiceList();
    void longListPageCounts_data();
    void longListPageCounts();
    void unreportedReasonTicks_data();
    void unreportedReasonTicks();
    void unreportedListIsLandscape();
    void summarySheets();
    void genericItemPrintsTheResultsUnderItsName();
    void keysWithoutPrintoutPrintNothing();
    void commandLine();

private:
    std::unique_ptr<WorkDir> m_dir;
};

void TestReportForms::initTestCase()
{
    installFontSubstitutes();
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
}

void TestReportForms::init()
{
    m_dir = std::make_unique<WorkDir>();
    WorkDirSetup().run();
    fixture::makeEnterprises();
    fixture::makeDetails();
}

void TestReportForms::cleanup()
{
    m_dir.reset();
}

void TestReportForms::summaryValues_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("no value") << QVariant() << QString();
    QTest::newRow("whole") << QVariant(100000.0) << u"100000"_s;
    QTest::newRow("half rounds up") << QVariant(1234.5) << u"1235"_s;
    QTest::newRow("below half") << QVariant(2.49) << u"2"_s;
    QTest::newRow("negative half away from zero") << QVariant(-2.5) << u"-3"_s;
    QTest::newRow("small negative is 0") << QVariant(-0.4) << u"0"_s;
    QTest::newRow("large") << QVariant(123456789012.0) << u"123456789012"_s;
    QTest::newRow("integer count") << QVariant(7) << u"7"_s;
}

void TestReportForms::summaryValues()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QCOMPARE(summaryText(value), text);
}

void TestReportForms::enterpriseListsAndServiceList()
{
    ReportPrinter printer;
    const QString pdf = printItems(printer,
        { { u"亿元以上"_s, u"dqy"_s, 1 }, { u"上市"_s, u"shqy"_s, 1 }, { u"服务业"_s, u"fwqy"_s, 1 } },
        u"lists.pdf"_s);
    QCOMPARE(printed::pages(pdf), 3);
    const QString revenue = printed::text(pdf, 1);
    QVERIFY(revenue.contains(u"2012年国家高新技术产业开发区(区外)企业总收入亿元以上清单"_s));
    QVERIFY2(inOrder(revenue,
                 { u"报表编号"_s, u"企业名称"_s, u"总收入"_s, u"净利润"_s, u"上缴税费"_s, u"出口创汇"_s,
                     u"戊环保有限公司"_s, u"300000"_s, u"甲软件有限公司"_s, u"250000"_s, u"乙服务有限公司"_s,
                     u"100000"_s }),
        qPrintable(revenue));
    QVERIFY(!revenue.contains(u"丙电子有限公司"_s)); // 99999.5 stays below the threshold
    const QString listed = printed::text(pdf, 2);
    QVERIFY(listed.contains(u"2012年上市企业清单"_s));
    QVERIFY(inOrder(listed, { u"甲软件有限公司"_s, u"丙电子有限公司"_s, u"99999.5"_s }));
    const QString services = printed::text(pdf, 3);
    QVERIFY(inOrder(services,
        { u"高技术服务业企业"_s, u"报表编号"_s, u"企业名称"_s, u"行业代码"_s, u"总收入"_s, u"净利润"_s,
            u"上缴税费"_s, u"人数"_s }));
    QVERIFY(inOrder(services,
        { u"甲软件有限公司"_s, u"6311"_s, u"乙服务有限公司"_s, u"7590"_s, u"丁信息有限公司"_s,
            u"己研究院有限公司"_s }));
    QVERIFY(!services.contains(u"7591"_s));
    // The forms closed their tables after printing.
    QVERIFY(!printer.dqy().Table1.isOpen());
    QVERIFY(!printer.fwqy().Table1.isOpen());
}

void TestReportForms::longListPageCounts_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    // 41 rows under the captions on the first page, 42 on each further page.
    QTest::newRow("empty") << 0 << 1;
    QTest::newRow("first page full") << 41 << 1;
    QTest::newRow("one more") << 42 << 2;
    QTest::newRow("second page full") << 83 << 2;
    QTest::newRow("third page") << 84 << 3;
    QTest::newRow("long") << 1000 << 24;
}

void TestReportForms::longListPageCounts()
{
    QFETCH(int, rows);
    QFETCH(int, pages);
    makeEnterpriseList(rows);
    TF_dqy_p form;
    form.setTitle(u"清单"_s);
    form.open();
    QPdfWriter writer(m_dir->filePath(u"measure.pdf"_s));
    writer.setResolution(600);
    writer.setPageLayout(form.pageLayout());
    const QList<BandedReport::Page> layout = form.paginate(writer);
    QCOMPARE(int(layout.size()), pages);
    const QString file = m_dir->filePath(u"long.pdf"_s);
    {
        PdfFile pdf(file, u"清单"_s);
        QCOMPARE(pdf.add(form), pages);
        pdf.commit();
    }
    form.close();
    QCOMPARE(printed::pages(file), pages);
    const QString last = printed::text(file, pages);
    QVERIFY(last.contains(u"清单"_s)); // the page header on every page
    QVERIFY(last.contains(QString::number(pages)));
    if (rows > 0) QVERIFY(last.contains(u"%1"_s.arg(rows, 6, 10, QChar(u'0'))));
    if (pages > 1) {
        QVERIFY(!last.contains(u"企业名称"_s)); // the captions only on the first page
        QVERIFY(printed::text(file, 1).contains(u"企业名称"_s));
    }
}

void TestReportForms::unreportedReasonTicks_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("ticked"); // reason column 0 … 3, or -1
    QTest::newRow("1") << u"1"_s << 0;
    QTest::newRow("2") << u"2"_s << 1;
    QTest::newRow("3") << u"3"_s << 2;
    QTest::newRow("4") << u"4"_s << 3;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("outside 1 to 4") << u"5"_s << -1;
    QTest::newRow("0") << u"0"_s << -1;
}

void TestReportForms::unreportedReasonTicks()
{
    QFETCH(QString, reason);
    QFETCH(int, ticked);
    fixture::makeUnreported({ { u"P09"_s, u"某项目"_s, u"2011AA09"_s, reason } });
    TF_gjwsb_p form;
    form.open();
    QCOMPARE(form.rowCount(), 1);
    const QStringList row = form.rowAt(0);
    QCOMPARE(row.mid(0, 3), (QStringList { u"P09"_s, u"2011AA09"_s, u"某项目"_s }));
    for (int c = 0; c < 4; ++c)
        QCOMPARE(row.value(3 + c), c == ticked ? u"√"_s : QString());
    form.close();
}

void TestReportForms::unreportedListIsLandscape()
{
    QList<QStringList> rows;
    for (int i = 0; i < 60; ++i)
        rows.append({ u"P%1"_s.arg(i, 2, 10, QChar(u'0')), u"未上报项目%1"_s.arg(i), u"2011AB%1"_s.arg(i),
            QString::number(i % 6) });
    fixture::makeUnreported(rows);
    ReportPrinter printer;
    const QString pdf = printItems(printer, { { u"未上报"_s, u"gjwsb"_s, 5 } }, u"gjwsb.pdf"_s);
    QVERIFY2(printed::info(pdf, u"Page size"_s).startsWith(u"842 x 595"_s),
        qPrintable(printed::info(pdf, u"Page size"_s)));
    const int pages = printed::pages(pdf);
    QVERIFY(pages >= 2);
    const QString first = printed::text(pdf, 1);
    QVERIFY(first.contains(u"2012年国家级Velto计划项目未统计上报原因调查表"_s));
    for (int p = 1; p <= pages; ++p) {
        const QString page = printed::text(pdf, p);
        for (const QString& caption : { u"项目编号"_s, u"计划编号"_s, u"项目名称"_s, u"未上报原因"_s,
                 u"验收、结题过"_s, u"早或已经撤项"_s, u"项目承担"_s, u"单位拒报"_s, u"单位迁扯或项"_s,
                 u"目负责人调动"_s, u"其它原因"_s })
            QVERIFY2(page.contains(caption), qPrintable(caption + u" on page "_s + QString::number(p)));
    }
    QVERIFY(!printed::text(pdf, 2).contains(u"调查表"_s)); // the title on the first page only
    QVERIFY(first.contains(u"√"_s));
    QVERIFY(inOrder(first, { u"P00"_s, u"2011AB0"_s, u"未上报项目0"_s, u"P01"_s }));
}

void TestReportForms::summarySheets()
{
    fixture::makeNationalProjects();
    ReportPrinter printer;
    const QString pdf = printItems(
        printer, { { u"汇总"_s, u"kfqhz"_s, 1 }, { u"国家级"_s, u"gjhz"_s, 4 } }, u"summaries.pdf"_s);
    QCOMPARE(printed::pages(pdf), 2);
    const QString enterprises = printed::text(pdf, 1);
    QVERIFY(enterprises.contains(u"2012年高新技术产业开发区（区外）企业汇总表"_s));
    // Three columns filled from the top: the first row holds the first of each column.
    const QString firstRow = enterprises.section(u'\n', 0, -1).split(u'\n').filter(u"企业数"_s).value(0);
    QVERIFY2(inOrder(firstRow, { u"企业数"_s, u"6"_s, u"流动资产"_s, u"科技项目内部支出"_s }),
        qPrintable(enterprises));
    QVERIFY(inOrder(enterprises, { u"实际上缴税"_s, u"年末资产总计"_s }));
    QVERIFY(enterprises.contains(u"项目经费内部支出"_s));
    QVERIFY(enterprises.contains(u" 201"_s)); // 120.5 + 80.25 = 200.75, rounded
    QVERIFY(!enterprises.contains(u"200.75"_s));
    const QString national = printed::text(pdf, 2);
    QVERIFY(national.contains(u"2012年国家级项目汇总表"_s));
    QVERIFY(inOrder(national,
        { u"国家级项目数"_s, u"2"_s, u"计划总投资"_s, u"751"_s, u"落实资金合计"_s, u"贷款"_s, u"自有资金"_s,
            u"产值"_s, u"产品销售收入"_s, u"出口创汇"_s, u"净利润"_s, u"交税总额"_s }));
    QVERIFY(!national.contains(u"750.75"_s));
}

void TestReportForms::genericItemPrintsTheResultsUnderItsName()
{
    store::Query q;
    q.setSql(
        u"insert into \"kfq_r.db\" (编号,字段值,字段名,错误信息,状态,序号) values ('000003','','qa04','企业详细名称不能为空','错误',1)"_s);
    q.execSql();
    ReportPrinter printer;
    const QString pdf
        = printItems(printer, { { u"企业校验结果清单"_s, u"kfq_r.db"_s, 1 } }, u"results.pdf"_s);
    const QString text = printed::text(pdf);
    QVERIFY(inOrder(
        text, { u"校验表"_s, u"企业校验结果清单"_s, u"序号"_s, u"000003"_s, u"企业详细名称不能为空"_s }));
    store::Table title;
    title.setTableName(u"check_pt.db"_s);
    title.open();
    QCOMPARE(title.recordCount(), 1);
    QCOMPARE(title.fieldByName(u"Text"_s).asString(), u"企业校验结果清单"_s);
}

void TestReportForms::keysWithoutPrintoutPrintNothing()
{
    ReportPrinter printer;
    struct Counting : ReportOutput
    {
        int n = 0;
        void output(const Printout&, const QString&) override { ++n; }
    } output;
    for (const QString& key : { u"xmdcb"_s, u"dfwsb"_s, u"dfhz"_s, u"gyqy"_s, u"rjqyhz"_s, u"kfqrdhz"_s })
        QVERIFY(!printer.print({ key, key, 1 }, output));
    QCOMPARE(output.n, 0);
    // Keys compare exactly: another case is the name of a table.
    QVERIFY_THROWS_EXCEPTION(store::StoreError, printer.print({ u"x"_s, u"DQY"_s, 1 }, output));
}

void TestReportForms::commandLine()
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(
        cli::printCommand({ u"dqy"_s, u"高技术服务业企业清单"_s, u"--pdf"_s, u"cli.pdf"_s }, out, err), 0);
    QCOMPARE(printed::pages(u"cli.pdf"_s), 2);
    QVERIFY(inOrder(printed::text(u"cli.pdf"_s), { u"亿元以上清单"_s, u"高技术服务业企业"_s }));

    QCOMPARE(cli::printCommand({ u"nosuch"_s, u"--pdf"_s, u"x.pdf"_s }, out, err), 1);
    QFile::remove(u"gjxm.db"_s);
    QCOMPARE(cli::printCommand({ u"gjhz"_s, u"--pdf"_s, u"x.pdf"_s }, out, err), 1);
    err.flush();
    QVERIFY2(errText.contains(u"gjxm.db"_s), qPrintable(errText));
    QVERIFY(!QFile::exists(u"x.pdf"_s));
    QCOMPARE(cli::printCommand({ u"dqy"_s }, out, err), 2);
}

QTEST_MAIN(TestReportForms)
#include "tst_ReportForms.moc"
