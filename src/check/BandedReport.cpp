#include "BandedReport.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr double pageHeaderMm = 12;
constexpr double titleBandMm = 16;
constexpr double titleOnlyMm = 14;
constexpr double headBandMm = 7;
constexpr double footerMm = 8;
constexpr double penMm = 0.2;

} // namespace

struct BandedReport::Geometry
{
    double perMm = 1;
    double width = 0;
    double height = 0;
    QList<double> x; // left edge of each column, and the right edge of the last
    double pageHeader = 0;
    double titleBand = 0;
    double groupRow = 0; // the group captions' row inside the head
    double headBand = 0; // the whole head, group row included
    double footer = 0;
    double row = 0; // rows without wrapping text
    double mm(double v) const { return v * perMm; }
};

BandedReport::BandedReport()
    : pageHeaderFont(font(u"黑体"_s, 14))
    , titleFont(font(u"黑体"_s, 16))
    , titleLineFont(font(u"黑体"_s, 10))
    , bodyFont(font(u"宋体"_s, 10))
{
}

QFont BandedReport::font(const QString& family, double points)
{
    QFont f(family);
    f.setPointSizeF(points);
    return f;
}

void BandedReport::setRows(int count, RowSource source)
{
    m_rowCount = count;
    m_source = std::move(source);
}

void BandedReport::setRows(QList<QStringList> rows)
{
    const int count = int(rows.size());
    setRows(count, [rows = std::move(rows)](int row) { return rows.value(row); });
}

QPageLayout BandedReport::pageLayout() const
{
    return a4(orientation);
}

BandedReport::Geometry BandedReport::geometry(const QPaintDevice& device) const
{
    Geometry g;
    g.perMm = device.logicalDpiY() / 25.4;
    g.width = device.width();
    g.height = device.height();
    double total = 0;
    for (const Column& c : columns)
        total += c.width;
    double x = 0;
    for (const Column& c : columns) {
        g.x.append(x);
        x += total > 0 ? c.width * g.width / total : 0;
    }
    g.x.append(g.width);

    const QFontMetricsF body(bodyFont, &device);
    const double line = body.height();
    if (!pageHeader.isEmpty())
        g.pageHeader = std::max(g.mm(pageHeaderMm), QFontMetricsF(pageHeaderFont, &device).height() * 1.6);
    if (!titleText.isEmpty() || !titleLine.isEmpty())
        g.titleBand = g.mm(titleLine.isEmpty() ? titleOnlyMm : titleBandMm);
    if (head != Head::None && !columns.isEmpty()) {
        qsizetype lines = 1;
        for (const Column& c : columns)
            lines = std::max(lines, c.head.count(u'\n') + 1);
        g.headBand = std::max(g.mm(headBandMm), lines * line + g.mm(1.5));
        if (!groups.isEmpty()) {
            g.groupRow = std::max(g.mm(headBandMm), line + g.mm(1.5));
            g.headBand += g.groupRow;
        }
    }
    if (pageNumbers) g.footer = g.mm(footerMm);
    g.row = std::max(g.mm(rowHeightMm), line + g.mm(1));
    return g;
}

QList<double> BandedReport::rowHeights(const Geometry& g, const QPaintDevice& device) const
{
    QList<double> heights;
    if (wrapColumn < 0 || wrapColumn >= columns.size()) return heights;
    const QFontMetricsF metrics(bodyFont, &device);
    const double width = g.x[wrapColumn + 1] - g.x[wrapColumn] - g.mm(2 * paddingMm);
    heights.reserve(m_rowCount);
    for (int r = 0; r < m_rowCount; ++r) {
        const QRectF needed = metrics.boundingRect(
            QRectF(0, 0, width, g.height), Qt::TextWrapAnywhere, rowAt(r).value(wrapColumn));
        heights.append(std::max(g.row, needed.height() + g.mm(1)));
    }
    return heights;
}

QList<BandedReport::Page> BandedReport::paginate(const QPaintDevice& device) const
{
    const Geometry g = geometry(device);
    const QList<double> heights = rowHeights(g, device);
    QList<Page> pages;
    Page page;
    auto top = [&](int index) {
        double y = g.pageHeader;
        if (index == 0) y += g.titleBand;
        if (head == Head::EveryPage || (head == Head::FirstPage && index == 0)) y += g.headBand;
        return y;
    };
    const double bottom = g.height - g.footer;
    double y = top(0);
    for (int r = 0; r < m_rowCount; ++r) {
        const double h = heights.isEmpty() ? g.row : heights[r];
        // A page takes at least one row, however tall.
        if (page.rowCount > 0 && y + h > bottom) {
            pages.append(page);
            page = Page { r, 0 };
            y = top(int(pages.size()));
        }
        ++page.rowCount;
        y += h;
    }
    pages.append(page);
    return pages;
}

int BandedReport::paint(QPainter& painter, QPagedPaintDevice& device) const
{
    const Geometry g = geometry(device);
    const QList<Page> pages = paginate(device);
    const QList<double> heights = rowHeights(g, device);
    const QFontMetricsF metrics(bodyFont, &device);

    QPen pen(Qt::black);
    pen.setWidthF(g.mm(penMm));
    painter.setPen(pen);

    auto cell = [&](const QRectF& frame, const QString& text, Qt::Alignment align, bool wraps) {
        painter.drawRect(frame);
        const QRectF inner = frame.adjusted(g.mm(paddingMm), 0, -g.mm(paddingMm), 0);
        if (wraps)
            painter.drawText(inner, int(align | Qt::AlignVCenter) | Qt::TextWrapAnywhere, text);
        else
            painter.drawText(inner, int(align | Qt::AlignVCenter),
                metrics.elidedText(text, Qt::ElideRight, std::max(0.0, inner.width())));
    };
    auto drawHead = [&](double y) {
        painter.setFont(bodyFont);
        const int n = int(columns.size());
        for (int c = 0; c < n; ++c) {
            const auto group = std::find_if(groups.begin(), groups.end(),
                [c](const Group& gr) { return c >= gr.first && c < gr.first + gr.count; });
            const double top = group == groups.end() ? y : y + g.groupRow;
            const QRectF frame(g.x[c], top, g.x[c + 1] - g.x[c], y + g.headBand - top);
            painter.drawRect(frame);
            painter.drawText(frame, Qt::AlignCenter, columns[c].head);
            if (group != groups.end() && c == group->first) {
                const int last = std::min(n, group->first + group->count);
                const QRectF over(g.x[c], y, g.x[last] - g.x[c], g.groupRow);
                painter.drawRect(over);
                painter.drawText(over, Qt::AlignCenter, group->caption);
            }
        }
    };

    const int last = maxPages > 0 ? std::min(int(pages.size()), maxPages) : int(pages.size());
    for (int p = 0; p < last; ++p) {
        if (p > 0 && !device.newPage()) return p;
        double y = 0;
        if (!pageHeader.isEmpty()) {
            painter.setFont(pageHeaderFont);
            painter.drawText(QRectF(0, 0, g.width, g.pageHeader), Qt::AlignCenter, pageHeader);
            y += g.pageHeader;
        }
        if (p == 0 && g.titleBand > 0) {
            const double titleHeight = titleLine.isEmpty() ? g.titleBand : g.titleBand * 0.6;
            painter.setFont(titleFont);
            painter.drawText(QRectF(0, y, g.width, titleHeight), Qt::AlignCenter, titleText);
            if (!titleLine.isEmpty()) {
                painter.setFont(titleLineFont);
                painter.drawText(QRectF(0, y + titleHeight, g.width, g.titleBand - titleHeight),
                    Qt::AlignLeft | Qt::AlignVCenter, titleLine);
            }
            y += g.titleBand;
        }
        if (head == Head::EveryPage || (head == Head::FirstPage && p == 0)) {
            if (g.headBand > 0) drawHead(y);
            y += g.headBand;
        }
        painter.setFont(bodyFont);
        const Page& page = pages[p];
        for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
            const double h = heights.isEmpty() ? g.row : heights[r];
            const QStringList texts = rowAt(r);
            const int cells = std::min(int(columns.size()), int(texts.size()));
            for (int c = 0; c < cells; ++c)
                cell(QRectF(g.x[c], y, g.x[c + 1] - g.x[c], h), texts[c], columns[c].align, c == wrapColumn);
            y += h;
        }
        if (pageNumbers) {
            painter.setFont(bodyFont);
            painter.drawText(
                QRectF(0, g.height - g.footer, g.width, g.footer), Qt::AlignCenter, QString::number(p + 1));
        }
    }
    return last;
}
