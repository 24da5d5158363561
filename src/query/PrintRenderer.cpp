#include "PrintRenderer.h"

#include "store/Table.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

int toInt(double v)
{
    return int(std::trunc(v));
}

double screenDpi()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->logicalDotsPerInchX();
    return 96;
}

QFont fontOf(const QString& family, int points)
{
    QFont font(family);
    font.setPointSize(std::max(points, 1)); // the size list starts at 0, which no font has
    return font;
}

} // namespace

PrintRenderer::PrintRenderer()
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    m_bitmap = QImage(1, 1, QImage::Format_RGB32);
}

PrintRenderer::~PrintRenderer() = default;

QFont PrintRenderer::titleFont() const
{
    return fontOf(titleFamily, titleSize);
}

QFont PrintRenderer::bodyFont() const
{
    return fontOf(bodyFamily, bodySize);
}

QFont PrintRenderer::footerFont()
{
    return fontOf(u"宋体"_s, 9);
}

int PrintRenderer::printerWidth(const QFont& font, const QString& text) const
{
    return toInt(QFontMetricsF(font, m_printer.get()).horizontalAdvance(text));
}

int PrintRenderer::printerHeight(const QFont& font, const QString& text) const
{
    Q_UNUSED(text); // a line's height, whatever its characters
    return toInt(QFontMetricsF(font, m_printer.get()).height());
}

PrintRenderer::Scale PrintRenderer::scaleOf(const QFont& font) const
{
    const QFontMetricsF printer(font, m_printer.get());
    const QFontMetricsF screen(font, &m_bitmap);
    Scale s;
    const double sw = screen.horizontalAdvance(u"宋"_s);
    const double sh = screen.height();
    if (sw > 0) s.x = printer.horizontalAdvance(u"宋"_s) / sw;
    if (sh > 0) s.y = printer.height() / sh;
    return s;
}

void PrintRenderer::readHeads()
{
    m_heads.clear();
    store::Table heads;
    heads.setTableName(m_headTable);
    heads.open();
    const int text = heads.fieldByName(u"表头文字"_s).index();
    const int width = heads.fieldByName(u"列宽度"_s).index();
    const int count = heads.recordCount();
    for (int r = 0; r < count; ++r)
        m_heads.append({ heads.valueAt(r, text).toString(), int(heads.valueAt(r, width).toLongLong()) });
    heads.close();
}

void PrintRenderer::pageSetup()
{
    readHeads();
    // The bitmap stands for the screen: its resolution decides the preview's scale.
    const int dotsPerMeter = toInt(screenDpi() / 0.0254);
    m_bitmap.setDotsPerMeterX(dotsPerMeter);
    m_bitmap.setDotsPerMeterY(dotsPerMeter);

    const QFont footer = footerFont();
    m_footerScale = scaleOf(footer);
    m_footerHeight = printerHeight(footer, u"宋"_s);

    const QFont titleF = titleFont();
    m_titleScale = scaleOf(titleF);
    m_measures.titleBlock = hasTitle() ? printerHeight(titleF, u"宋"_s) + 10 + 15 : 15;

    const QFont body = bodyFont();
    m_bodyScale = scaleOf(body);
    m_pageHeight = m_printer->height() - 10;
    m_measures.pageWidth = m_printer->width() - 10;
    // The gaps scale with the text: a fixed few printer dots vanish on a fine printer, and
    // the rules would run through the characters.
    const int line = printerHeight(body, u"宋体"_s);
    m_padY = std::max(2, line / 5);
    m_padX = std::max(2, line / 4);
    m_measures.rowHeight = line + 2 * m_padY;

    const int width = std::max(1, toInt(m_measures.pageWidth / m_bodyScale.x + 10));
    const int height = std::max(1, toInt(m_pageHeight / m_bodyScale.y + m_measures.titleBlock));
    const int dpm = m_bitmap.dotsPerMeterX();
    m_bitmap = QImage(width, height, QImage::Format_RGB32);
    m_bitmap.setDotsPerMeterX(dpm);
    m_bitmap.setDotsPerMeterY(dpm);
    m_bitmap.fill(Qt::white);

    m_measures.usableBottom = m_pageHeight - m_footerHeight - 20;
}

void PrintRenderer::layout()
{
    const QFont body = bodyFont();
    const int fields = m_rows && m_rows->isOpen() ? m_rows->fieldCount() : 0;
    const int records = m_rows && m_rows->isOpen() ? m_rows->recordCount() : 0;
    m_layout.run(m_heads, fields, records, m_measures, fixedLeft,
        [this, &body](const QString& text) { return printerWidth(body, text); });
    m_current = 0;
}

PrintRenderer::Canvas PrintRenderer::bitmapCanvas(QPainter& painter)
{
    Canvas c;
    c.painter = &painter;
    c.fill = true;
    c.title = m_titleScale;
    c.body = m_bodyScale;
    c.footer = m_footerScale;
    c.width = m_bitmap.width();
    c.height = m_bitmap.height();
    return c;
}

void PrintRenderer::drawTitle()
{
    QPainter painter(&m_bitmap);
    Canvas c = bitmapCanvas(painter);
    drawTitle(c);
}

void PrintRenderer::drawPage()
{
    QPainter painter(&m_bitmap);
    Canvas c = bitmapCanvas(painter);
    drawPage(c);
}

// Text placed as the old canvases placed it: (x, y) is the top left corner of the line.
static void textOut(QPainter& p, int x, int y, const QString& text)
{
    p.drawText(QPointF(x, y + p.fontMetrics().ascent()), text);
}

void PrintRenderer::drawTitle(Canvas& c)
{
    if (title.isEmpty()) return;
    QPainter& p = *c.painter;
    const QFont font = titleFont();
    p.setFont(font);
    if (c.fill) p.fillRect(0, 0, c.width, toInt((m_measures.titleBlock - 25) / c.title.y + 10), Qt::white);
    const int w = printerWidth(font, title);
    const int pw = m_measures.pageWidth;
    int x = 10;
    if (alignment == Centre)
        x = toInt(double((pw - w) / 2) / c.title.x);
    else if (alignment == Right)
        x = toInt((pw - w) / c.title.x - 10);
    p.setPen(Qt::black);
    textOut(p, x, 10, title);
}

QString PrintRenderer::cellText(int row, int field) const
{
    const QVariant v = m_rows->valueAt(row, field);
    if (v.isNull()) return {};
    if (m_rows->fieldDefs()[field].type == store::FieldType::Memo) return u"备注"_s;
    return store::displayText(v);
}

void PrintRenderer::drawPage(Canvas& c)
{
    QPainter& p = *c.painter;
    p.setFont(bodyFont());
    const int tb = m_measures.titleBlock;
    const int t0 = hasTitle() ? toInt((tb - 25) / c.title.y + 10) : 0;
    const int top = hasTitle() ? toInt((tb - 25) / c.title.y + 25) : 15;
    if (c.fill) p.fillRect(0, t0, c.width, c.height - t0, Qt::white);
    if (m_current < 0 || m_current >= m_layout.pageCount()) return;

    const PrintPage& page = m_layout.pages()[size_t(m_current)];
    const int fw = m_layout.fixedWidth();
    const int rh = m_measures.rowHeight;
    auto X = [&](int x) { return toInt(x / c.body.x + 10); };
    auto Y = [&](int y) { return toInt(y / c.body.y + top); };
    const int columns = page.columnCount;
    // Column k spans [left(k), left(k + 1)); the fixed column, when there is one, [0, fw).
    auto left = [&](int k) { return page.x[size_t(k)] + fw; };
    const int right = X(left(columns));
    const int fields = m_rows ? m_rows->fieldCount() : 0;
    QPen pen(Qt::black);
    pen.setCosmetic(true);
    p.setPen(pen);

    // Text stands clear of the rules around it; numbers end at the right rule of their column.
    auto cell = [&](int from, int to, int y, const QString& text, bool number) {
        int x = X(from + m_padX);
        if (number) x = std::max(x, X(to - m_padX) - toInt(p.fontMetrics().horizontalAdvance(text)));
        textOut(p, x, Y(y + m_padY), text);
    };
    auto isNumber
        = [&](int field) { return field < fields && store::isNumeric(m_rows->fieldDefs()[field].type); };

    int y = 0;
    if (fixedLeft) cell(0, fw, 0, m_heads.value(0).text, false);
    for (int k = 0; k < columns; ++k)
        cell(left(k), left(k + 1), 0, m_heads.value(page.firstColumn + k).text, false);
    const int tableLeft = fixedLeft ? X(0) : X(left(0));
    if (horizontalLines) {
        p.drawLine(tableLeft, Y(0), right, Y(0));
        p.drawLine(tableLeft, Y(rh), right, Y(rh));
    }
    y += rh;

    for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
        if (fixedLeft && fields > 0) cell(0, fw, y, cellText(r, 0), isNumber(0));
        for (int k = 0; k < columns; ++k) {
            const int field = page.firstColumn + k;
            if (field < fields) cell(left(k), left(k + 1), y, cellText(r, field), isNumber(field));
        }
        y += rh;
        if (horizontalLines) p.drawLine(tableLeft, Y(y), right, Y(y));
    }

    if (verticalLines) {
        const int bottom = Y(y);
        if (fixedLeft) p.drawLine(X(0), Y(0), X(0), bottom);
        for (int k = 0; k <= columns; ++k)
            p.drawLine(X(left(k)), Y(0), X(left(k)), bottom);
    }

    const QFont footer = footerFont();
    p.setFont(footer);
    const QString number = QString::number(m_current + 1);
    const int w = printerWidth(footer, number);
    textOut(p, toInt(double((m_measures.pageWidth - w) / 2) / c.footer.x), toInt(y / c.body.y + top + 20),
        number);
}

bool PrintRenderer::printRange(int from, int to)
{
    if (from <= 0 || to > pageCount() || to < from) return false;
    QPainter painter;
    if (!painter.begin(m_printer.get())) return false;
    Canvas c;
    c.painter = &painter;
    c.fill = false; // the sheet is white: nothing to clear, and every scale is 1
    c.width = m_printer->width();
    c.height = m_printer->height();
    for (int n = from; n <= to; ++n) {
        m_current = n - 1;
        drawTitle(c);
        drawPage(c);
        if (n != to) m_printer->newPage();
    }
    painter.end();
    return true;
}
