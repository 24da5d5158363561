#include "PrintLayout.h"

#include "store/FieldDef.h"

QString PrintLayout::paddedHead(const PrintHead& head)
{
    QString text = head.text;
    const int bytes = store::gbkLength(text);
    if (bytes < head.width) text += QString(head.width - bytes, u' ');
    return text + QStringLiteral("  ");
}

void PrintLayout::run(const QList<PrintHead>& heads, int fields, int records, const Measures& m, bool fixedLeft,
                      const TextWidth& textWidth)
{
    m_pages.clear();
    m_headWidths.assign(size_t(std::max(fields, 0)), 0);
    for (int i = 0; i < fields; ++i)
        m_headWidths[size_t(i)] = textWidth(paddedHead(heads.value(i)));
    m_fixedWidth = fixedLeft && fields > 0 ? m_headWidths[0] : 0;

    const int rowLimit = m.usableBottom - m.titleBlock - 2 * m.rowHeight;
    int first = fixedLeft ? 1 : 0;
    while (first < fields) {
        PrintPage page;
        page.firstColumn = first;
        page.x.push_back(0);
        for (int i = first; i < fields; ++i) {
            const int next = page.x.back() + m_headWidths[size_t(i)];
            if (next >= m.pageWidth - 10 - m_fixedWidth) break;
            page.x.push_back(next);
            ++page.columnCount;
        }
        if (page.columnCount == 0) {
            // A column wider than the page still gets a band of its own.
            page.x.push_back(m_headWidths[size_t(first)]);
            page.columnCount = 1;
        }
        int used = m.rowHeight; // the head row
        for (int r = 0; r < records; ++r) {
            // A page too short for even one row still takes one, so the layout ends.
            if (used >= rowLimit && page.rowCount > 0) {
                m_pages.push_back(page);
                page.firstRow = r;
                page.rowCount = 0;
                used = m.rowHeight;
            }
            ++page.rowCount;
            used += m.rowHeight;
        }
        first += page.columnCount;
        m_pages.push_back(std::move(page));
    }
}
