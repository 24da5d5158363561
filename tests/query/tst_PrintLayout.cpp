#include "query/PrintLayout.h"
#include "store/FieldDef.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Ten printer units per byte of GBK text, so a Chinese character is twice as wide.
int textWidth(const QString& text)
{
    return 10 * store::gbkLength(text);
}

// Row height 10 and room for 40 rows a page: 40 × 10 < UB − TB − 2 × RH ≤ 41 × 10.
PrintLayout::Measures measures(int pageWidth)
{
    return { .pageWidth = pageWidth, .usableBottom = 445, .titleBlock = 15, .rowHeight = 10 };
}

// A page as (first column, column count, first row, row count).
using Page = QList<int>;

QList<Page> pagesOf(const PrintLayout& layout)
{
    QList<Page> pages;
    for (const PrintPage& p : layout.pages())
        pages.append({ p.firstColumn, p.columnCount, p.firstRow, p.rowCount });
    return pages;
}

QList<PrintHead> heads(int count, const QString& text = u"a"_s, int width = 10)
{
    QList<PrintHead> h;
    for (int i = 0; i < count; ++i)
        h.append({ text, width });
    return h;
}

} // namespace

class TestPrintLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paddedHead_data();
    void paddedHead();
    void pages_data();
    void pages();
    void fixedLeftColumn();
    void columnPositions();
    void noPageLimits();
};

void TestPrintLayout::paddedHead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("padded");
    QTest::newRow("latin, widened") << u"abc"_s << 6 << u"abc     "_s;
    QTest::newRow("Chinese counts two") << u"企业"_s << 6 << u"企业    "_s;
    QTest::newRow("odd width after Chinese") << u"企业"_s << 5 << u"企业   "_s;
    QTest::newRow("longer than the width") << u"企业详细名称"_s << 4 << u"企业详细名称  "_s;
    QTest::newRow("empty head") << QString() << 0 << u"  "_s;
}

void TestPrintLayout::paddedHead()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QTEST(PrintLayout::paddedHead({ text, width }), "padded");
}

void TestPrintLayout::pages_data()
{
    QTest::addColumn<QList<PrintHead>>("heads");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pageWidth");
    QTest::addColumn<QList<Page>>("pages");

    // Each head is 12 bytes padded: 120 units. A page of width 300 holds two (240 < 290).
    QTest::newRow("2 bands x 100 rows at 40 a page")
        << heads(4) << 100 << 300
        << QList<Page> { { 0, 2, 0, 40 }, { 0, 2, 40, 40 }, { 0, 2, 80, 20 },
                         { 2, 2, 0, 40 }, { 2, 2, 40, 40 }, { 2, 2, 80, 20 } };
    QTest::newRow("exactly one page of rows") << heads(2) << 40 << 300 << QList<Page> { { 0, 2, 0, 40 } };
    QTest::newRow("one row more opens a page")
        << heads(2) << 41 << 300 << QList<Page> { { 0, 2, 0, 40 }, { 0, 2, 40, 1 } };
    QTest::newRow("no records: one head-only page per band")
        << heads(3) << 0 << 300 << QList<Page> { { 0, 2, 0, 0 }, { 2, 1, 0, 0 } };
    QTest::newRow("band full when the next position reaches the usable width")
        << heads(3) << 1 << 250 << QList<Page> { { 0, 1, 0, 1 }, { 1, 1, 0, 1 }, { 2, 1, 0, 1 } };
    QTest::newRow("one short of it: the column fits")
        << heads(3) << 1 << 251 << QList<Page> { { 0, 2, 0, 1 }, { 2, 1, 0, 1 } };
    QList<PrintHead> wide = heads(3);
    wide[1] = { u"企业详细名称企业详细名称企业详细名称"_s, 40 }; // 380 units, wider than the page
    QTest::newRow("an over-wide column alone on its pages")
        << wide << 50 << 300
        << QList<Page> { { 0, 1, 0, 40 }, { 0, 1, 40, 10 }, { 1, 1, 0, 40 }, { 1, 1, 40, 10 }, { 2, 1, 0, 40 },
                         { 2, 1, 40, 10 } };
    QTest::newRow("heads missing from bt_p.db count as empty")
        << QList<PrintHead> {} << 1 << 300 << QList<Page> { { 0, 3, 0, 1 } };
}

void TestPrintLayout::pages()
{
    QFETCH(QList<PrintHead>, heads);
    QFETCH(int, records);
    QFETCH(int, pageWidth);
    PrintLayout layout;
    const int fields = heads.isEmpty() ? 3 : int(heads.size());
    layout.run(heads, fields, records, measures(pageWidth), false, textWidth);
    QTEST(pagesOf(layout), "pages");
}

void TestPrintLayout::fixedLeftColumn()
{
    // Field 0 goes to the left of every page; the bands start at field 1 and have less room.
    QList<PrintHead> h = heads(5);
    h[0] = { u"编号"_s, 4 }; // 4 bytes + 2 blanks: 60 units
    PrintLayout layout;
    layout.run(h, 5, 10, measures(320), true, textWidth);
    QCOMPARE(layout.fixedWidth(), 60);
    QCOMPARE(pagesOf(layout), (QList<Page> { { 1, 2, 0, 10 }, { 3, 2, 0, 10 } }));

    PrintLayout free;
    free.run(h, 5, 10, measures(320), false, textWidth);
    QCOMPARE(free.fixedWidth(), 0);
    QCOMPARE(pagesOf(free), (QList<Page> { { 0, 3, 0, 10 }, { 3, 2, 0, 10 } }));
}

void TestPrintLayout::columnPositions()
{
    const QList<PrintHead> h = { { u"企业名称"_s, 20 }, { u"总收入合计"_s, 10 }, { u"行业"_s, 2 } };
    PrintLayout layout;
    layout.run(h, 3, 1, measures(1000), false, textWidth);
    QCOMPARE(layout.pageCount(), 1);
    // 20 + 2, 10 + 2 (its own 10 bytes), 4 + 2 bytes.
    QCOMPARE(layout.pages()[0].x, (std::vector<int> { 0, 220, 340, 400 }));
}

void TestPrintLayout::noPageLimits()
{
    // More than 2000 pages, and more than 199 columns on one page.
    PrintLayout layout;
    layout.run(heads(300, QString(), 0), 300, 100000, measures(100000), false, textWidth);
    QCOMPARE(layout.pageCount(), 2500);
    QCOMPARE(layout.pages()[0].columnCount, 300);
    QCOMPARE(layout.pages().back().firstRow, 99960);
    QCOMPARE(int(layout.pages()[0].x.size()), 301);
}

QTEST_GUILESS_MAIN(TestPrintLayout)
#include "tst_PrintLayout.moc"
