#include "CheckPrintout.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr double marginMm = 10;
constexpr double titleBandMm = 16;
constexpr double headBandMm = 7;
constexpr double rowMinMm = 6;
constexpr double footerMm = 8;
constexpr double paddingMm = 0.4;

QFont font(const QString& family, double points)
{
    QFont f(family);
    f.setPointSizeF(points);
    return f;
}

} // namespace

QStringList CheckPrintout::heads()
{
    return { u"序号"_s, u"状态"_s, u"编号"_s, u"字段名"_s, u"字段值"_s, u"错误信息"_s };
}

QList<double> CheckPrintout::columnWidths()
{
    return { 10, 8, 21, 17, 27, 103 };
}

int CheckPrintout::render(QPagedPaintDevice& device) const
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter));
    QPainter painter(&device);
    if (!painter.isActive()) return 0;
    // Device pixels from millimetres; the origin is the top left corner inside the margins.
    const double perMm = device.logicalDpiY() / 25.4;
    auto mm = [perMm](double v) { return v * perMm; };
    const double width = device.width();
    const double height = device.height();

    const QFont body = font(u"宋体"_s, 10);
    const QFont titleFont = font(u"黑体"_s, 16);
    const QFont titleLineFont = font(u"黑体"_s, 10);

    QList<double> columns = columnWidths();
    double total = 0;
    for (double w : columns)
        total += w;
    for (double& w : columns)
        w = w * width / total;

    QPen pen(Qt::black);
    pen.setWidthF(mm(0.2));
    painter.setPen(pen);

    int page = 1;
    double y = 0;
    auto footer = [&] {
        painter.setFont(body);
        painter.drawText(QRectF(0, height - mm(footerMm), width, mm(footerMm)), Qt::AlignCenter, QString::number(page));
    };
    auto framedRow = [&](const QStringList& cells, double rowHeight, bool head) {
        const QFontMetricsF metrics(painter.font(), &device);
        painter.drawRect(QRectF(0, y, width, rowHeight));
        double x = 0;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (c > 0) painter.drawLine(QPointF(x, y), QPointF(x, y + rowHeight));
            const QRectF cell(x + mm(paddingMm), y, columns[c] - mm(2 * paddingMm), rowHeight);
            // The message may take several lines; the other cells keep to one.
            const bool wraps = !head && c == columns.size() - 1;
            const QString text = wraps ? cells.value(c) : metrics.elidedText(cells.value(c), Qt::ElideRight, cell.width());
            painter.drawText(cell, (head ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter) | (wraps ? Qt::TextWrapAnywhere : 0),
                             text);
            x += columns[c];
        }
        y += rowHeight;
    };
    auto columnHead = [&] {
        painter.setFont(body);
        framedRow(heads(), mm(headBandMm), true);
    };

    painter.setFont(titleFont);
    painter.drawText(QRectF(0, 0, width, mm(titleBandMm * 0.6)), Qt::AlignCenter, u"校验表"_s);
    painter.setFont(titleLineFont);
    painter.drawText(QRectF(0, mm(titleBandMm * 0.6), width, mm(titleBandMm * 0.4)), Qt::AlignLeft | Qt::AlignVCenter,
                     m_title);
    y = mm(titleBandMm);
    columnHead();

    painter.setFont(body);
    const double lastWidth = columns.last() - mm(2 * paddingMm);
    for (const Row& row : m_rows) {
        const QRectF needed = painter.boundingRect(QRectF(0, 0, lastWidth, height), Qt::TextWrapAnywhere, row.value(5));
        const double rowHeight = std::max(mm(rowMinMm), needed.height() + mm(1));
        if (y + rowHeight > height - mm(footerMm)) {
            footer();
            if (!device.newPage()) return page;
            ++page;
            y = 0;
            columnHead();
            painter.setFont(body);
        }
        framedRow(row, rowHeight, false);
    }
    footer();
    return page;
}
