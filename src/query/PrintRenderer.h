#pragma once

#include "PrintLayout.h"

#include <QFont>
#include <QImage>

#include <memory>

class QPainter;
class QPrinter;

namespace store {
class Dataset;
}

// Prints a table without a report designer: measures the column heads with the printer's
// fonts, lays the table out in printer units (PrintLayout), draws one page at a time into
// a preview bitmap at screen scale and prints a range of pages with the same drawing code
// at printer scale. The print window drives it; so can a test, without any window.
class PrintRenderer
{
public:
    enum Alignment { Left = 0, Centre = 1, Right = 2 };

    PrintRenderer();
    ~PrintRenderer();

    QPrinter& printer() { return *m_printer; }
    const QImage& preview() const { return m_bitmap; }

    // What to print: the rows (query_p.db, open) and the table of column heads (bt_p.db),
    // which page setup reads.
    void setRows(store::Dataset* rows) { m_rows = rows; }
    store::Dataset* rows() const { return m_rows; }
    void setHeadTable(const QString& name) { m_headTable = name; }

    QString title;
    QString titleFamily = QStringLiteral("宋体");
    int titleSize = 11;
    QString bodyFamily = QStringLiteral("宋体");
    int bodySize = 11;
    int alignment = Centre;
    bool fixedLeft = false;
    bool horizontalLines = true;
    bool verticalLines = true;

    // Reads the heads, measures fonts and page, sizes the bitmap. Throws store::StoreError.
    void pageSetup();
    void layout(); // fills the page table; the current page becomes 0
    void drawTitle(); // on the preview
    void drawPage(); // the current page on the preview

    // Prints pages from … to (1-based) on the printer. Returns false and prints nothing
    // when the range is not within the layout. The current page ends at to - 1.
    bool printRange(int from, int to);

    int currentPage() const { return m_current; }
    void setCurrentPage(int index) { m_current = index; }
    int pageCount() const { return m_layout.pageCount(); }
    const PrintLayout& pageTable() const { return m_layout; }
    const PrintLayout::Measures& measures() const { return m_measures; }
    bool hasTitle() const { return !title.isEmpty(); }

    // The printed text of a cell: empty for null, 备注 for a memo, else the value's text.
    QString cellText(int row, int field) const;

private:
    struct Scale
    {
        double x = 1;
        double y = 1;
    };
    struct Canvas
    {
        QPainter* painter = nullptr;
        bool fill = true;
        Scale title, body, footer;
        int width = 0;
        int height = 0;
    };

    QFont titleFont() const;
    QFont bodyFont() const;
    static QFont footerFont();
    Scale scaleOf(const QFont& font) const;
    int printerWidth(const QFont& font, const QString& text) const;
    int printerHeight(const QFont& font, const QString& text) const;
    void drawTitle(Canvas& canvas);
    void drawPage(Canvas& canvas);
    Canvas bitmapCanvas(QPainter& painter);
    void readHeads();

    std::unique_ptr<QPrinter> m_printer;
    QImage m_bitmap;
    store::Dataset* m_rows = nullptr;
    QString m_headTable = QStringLiteral("bt_p.db");
    QList<PrintHead> m_heads;
    PrintLayout m_layout;
    PrintLayout::Measures m_measures;
    int m_current = 0;

    Scale m_titleScale, m_bodyScale, m_footerScale;
    int m_footerHeight = 0; // FH
    int m_pageHeight = 0; // PH
    // Room between a cell's text and its rules, in printer units.
    int m_padX = 0;
    int m_padY = 0;
};
