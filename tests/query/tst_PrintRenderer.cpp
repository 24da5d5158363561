#include "QueryFixture.h"
#include "WorkDir.h"
#include "query/PrintRenderer.h"
#include "widgets/Fonts.h"

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

int pdfPages(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression page(u"/Type\\s*/Page(?![a-zA-Z])"_s);
    return int(QString::fromLatin1(f.readAll()).count(page));
}

bool hasInk(const QImage& image, int top, int bottom)
{
    for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
    return false;
}

} // namespace

class TestPrintRenderer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { installFontSubstitutes(); }
    void init();
    void cleanup();
    void previewAtScreenScale();
    void printsExactlyTheRange_data();
    void printsExactlyTheRange();
    void fixedLeftColumnOnEveryBand();
    void textClearOfRulesNumbersRightAligned_data();
    void textClearOfRulesNumbersRightAligned();
    void missingHeadTable();

private:
    std::unique_ptr<WorkDir> m_dir;
    std::unique_ptr<store::Table> m_rows;
    std::unique_ptr<PrintRenderer> m_renderer;
};

void TestPrintRenderer::init()
{
    m_dir = std::make_unique<WorkDir>();
    fixture::makePrintCopy(150, u"高新技术企业"_s, 1.5);
    m_rows = std::make_unique<store::Table>();
    m_rows->setTableName(u"query_p.db"_s);
    m_rows->open();
    m_renderer = std::make_unique<PrintRenderer>();
    m_renderer->printer().setOutputFormat(QPrinter::PdfFormat);
    m_renderer->printer().setOutputFileName(m_dir->filePath(u"out.pdf"_s));
    m_renderer->setRows(m_rows.get());
    m_renderer->title = u"查询统计结果"_s;
}

void TestPrintRenderer::cleanup()
{
    m_renderer.reset();
    m_rows.reset();
    m_dir.reset();
}

void TestPrintRenderer::previewAtScreenScale()
{
    PrintRenderer& r = *m_renderer;
    r.pageSetup();
    r.layout();
    QVERIFY(r.pageCount() >= 3); // 150 rows do not fit one A4 page
    QCOMPARE(r.pageTable().pages()[0].columnCount, 3);
    QCOMPARE(r.currentPage(), 0);
    const PrintLayout::Measures& m = r.measures();
    QVERIFY(m.titleBlock > 25);
    // The printer has more dots than the screen: the bitmap is smaller than the page.
    QVERIFY(r.preview().width() < r.printer().width());
    QVERIFY(r.preview().width() > 100);

    r.drawTitle();
    r.drawPage();
    QVERIFY(hasInk(r.preview(), 0, 40)); // title
    QVERIFY(hasInk(r.preview(), 60, r.preview().height()));

    // Without a title the block shrinks to its gap and the rows move up.
    r.title.clear();
    r.pageSetup();
    QCOMPARE(r.measures().titleBlock, 15);

    QCOMPARE(r.cellText(0, 2), u"1.5"_s);
    QCOMPARE(r.cellText(1, 1), u"高新技术企业2"_s);
}

void TestPrintRenderer::printsExactlyTheRange_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to"); // 0: the page count, -1: one past it
    QTest::addColumn<int>("sheets"); // -1: nothing printed
    QTest::newRow("2 to 3") << 2 << 3 << 2;
    QTest::newRow("one page") << 1 << 1 << 1;
    QTest::newRow("all") << 1 << 0 << 0;
    QTest::newRow("from 0") << 0 << 1 << -1;
    QTest::newRow("past the last page") << 1 << -1 << -1;
    QTest::newRow("to below from") << 3 << 2 << -1;
}

void TestPrintRenderer::printsExactlyTheRange()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, sheets);
    PrintRenderer& r = *m_renderer;
    r.pageSetup();
    r.layout();
    const int pages = r.pageCount();
    if (to == 0) to = pages;
    if (to == -1) to = pages + 1;
    if (sheets == 0) sheets = pages;
    const QString pdf = m_dir->filePath(u"out.pdf"_s);
    QFile::remove(pdf);
    QCOMPARE(r.printRange(from, to), sheets > 0);
    if (sheets < 0) {
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(r.currentPage(), 0);
        return;
    }
    QCOMPARE(pdfPages(pdf), sheets);
    QCOMPARE(r.currentPage(), to - 1);
}

void TestPrintRenderer::fixedLeftColumnOnEveryBand()
{
    PrintRenderer& r = *m_renderer;
    r.fixedLeft = true;
    r.bodySize = 48; // large enough to need two bands
    r.pageSetup();
    r.layout();
    QVERIFY(r.pageTable().fixedWidth() > 0);
    int first = -1;
    for (const PrintPage& p : r.pageTable().pages()) {
        QVERIFY(p.firstColumn >= 1);
        if (p.firstColumn != first) QCOMPARE(p.firstRow, 0); // a band starts at the first row
        first = p.firstColumn;
    }
    QCOMPARE(r.pageTable().pages().back().firstColumn, 2);
    r.drawPage();
    QVERIFY(hasInk(r.preview(), 0, r.preview().height()));
}

void TestPrintRenderer::textClearOfRulesNumbersRightAligned_data()
{
    QTest::addColumn<int>("bodySize");
    QTest::newRow("default size") << 11;
    QTest::newRow("small") << 8;
    QTest::newRow("large") << 20;
}

void TestPrintRenderer::textClearOfRulesNumbersRightAligned()
{
    // Read from the preview itself: where the rules are, and where ink is beside them.
    QFETCH(int, bodySize);
    PrintRenderer& r = *m_renderer;
    r.bodySize = bodySize;
    r.pageSetup();
    r.layout();
    r.drawPage();
    const QImage img = r.preview();
    auto black = [&](int x, int y) { return img.pixel(x, y) == qRgb(0, 0, 0); };
    auto ink = [&](int x, int y) { return img.pixel(x, y) != qRgb(255, 255, 255); };

    QList<int> rules; // rows of a horizontal rule
    int left = 0, right = 0;
    for (int y = 0; y < img.height(); ++y) {
        int run = 0, start = 0;
        for (int x = 0; x < img.width(); ++x) {
            run = black(x, y) ? run + 1 : 0;
            if (run == 1) start = x;
            if (run > 100) {
                rules.append(y);
                left = start;
                for (right = x; right + 1 < img.width() && black(right + 1, y);)
                    ++right;
                break;
            }
        }
    }
    QVERIFY(rules.size() >= 4);
    QList<int> verticals;
    for (int x = left; x <= right; ++x) {
        bool all = true;
        for (int y = rules[0]; y <= rules[1] && all; ++y)
            all = black(x, y);
        if (all) verticals.append(x);
    }
    const int columns = r.pageTable().pages()[0].columnCount;
    QCOMPARE(verticals.size(), columns + 1);

    for (int i = 0; i + 1 < rules.size(); ++i) {
        const int top = rules[i], bottom = rules[i + 1];
        QVERIFY2(bottom - top >= 6, qPrintable(u"row %1 is %2 pixels high"_s.arg(i).arg(bottom - top)));
        for (int x = left; x <= right; ++x) {
            if (verticals.contains(x)) continue;
            QVERIFY2(!ink(x, top + 1) && !ink(x, bottom - 1),
                qPrintable(u"row %1 touches its rule at x %2"_s.arg(i).arg(x)));
        }
        for (int v : verticals)
            for (int y = top + 1; y < bottom; ++y)
                QVERIFY2((v == left || !ink(v - 1, y)) && (v == right || !ink(v + 1, y)),
                    qPrintable(u"row %1 touches the rule at x %2"_s.arg(i).arg(v)));
    }

    // 总收入合计 of the first rows: 1.5 and 3 end at the same place.
    if (columns < 3) return; // a large font puts it on a later band
    auto inkEdges = [&](int row) {
        int first = -1, last = -1;
        for (int x = verticals[2] + 1; x < verticals[3]; ++x)
            for (int y = rules[row + 1] + 1; y < rules[row + 2]; ++y)
                if (ink(x, y)) {
                    if (first < 0) first = x;
                    last = x;
                }
        return std::pair { first, last };
    };
    const auto [firstA, lastA] = inkEdges(0);
    const auto [firstB, lastB] = inkEdges(1);
    QVERIFY(firstA > 0 && firstB > 0);
    QVERIFY2(std::abs(lastA - lastB) <= 2, qPrintable(u"%1 vs %2"_s.arg(lastA).arg(lastB)));
    QVERIFY(firstB - firstA > 4);
    QVERIFY(verticals[3] - lastA >= 2);
}

void TestPrintRenderer::missingHeadTable()
{
    QVERIFY(store::removeTableFiles(store::resolveTablePath(u"bt_p.db"_s)));
    QVERIFY_THROWS_EXCEPTION(store::StoreError, m_renderer->pageSetup());
}

QTEST_MAIN(TestPrintRenderer)
#include "tst_PrintRenderer.moc"
