#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <vector>

// One printed page: a band of columns and a run of rows.
struct PrintPage
{
    int firstColumn = 0; // field index in the printed table
    int columnCount = 0;
    std::vector<int> x; // x0 … xc, printer units: x0 = 0, each next one plus a head width
    int firstRow = 0; // 0-based record number
    int rowCount = 0;
};

// A column head of the printed table: its text and its width in characters.
struct PrintHead
{
    QString text;
    int width = 0;
};

// Cuts a table into column bands that fit the page width and each band into pages that fit
// the page height. Bands come one after the other; all pages of a band before the next.
// Every measure is in printer units. The page table grows as needed: any number of pages
// and of columns on a page.
class PrintLayout
{
public:
    struct Measures
    {
        int pageWidth = 0; // PW: printer page width less the margin
        int usableBottom = 0; // UB
        int titleBlock = 0; // TB
        int rowHeight = 0; // RH
    };
    using TextWidth = std::function<int(const QString&)>;

    // The head padded with blanks to at least `width` bytes (a Chinese character counts two),
    // then two more blanks.
    static QString paddedHead(const PrintHead& head);

    // `heads` matches the fields by position; `fields` is the number of fields printed.
    // With `fixedLeft` field 0 is printed at the left of every page instead of in a band.
    void run(const QList<PrintHead>& heads, int fields, int records, const Measures& measures, bool fixedLeft,
             const TextWidth& textWidth);

    const std::vector<PrintPage>& pages() const { return m_pages; }
    int pageCount() const { return int(m_pages.size()); }
    int fixedWidth() const { return m_fixedWidth; } // FW
    const std::vector<int>& headWidths() const { return m_headWidths; }

private:
    std::vector<PrintPage> m_pages;
    std::vector<int> m_headWidths;
    int m_fixedWidth = 0;
};
