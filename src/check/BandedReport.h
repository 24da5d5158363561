#pragma once

#include "Printout.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QPaintDevice;

// A banded printout on A4 with 10 mm margins: a page header on every page, a title band
// on the first page, a framed column head (every page, first page only or none), one
// framed row per record with vertical rules between the cells, and the page number
// centred in the footer. The validation results and the official lists and summary sheets
// are all this one layout with their own columns, captions and fonts.
class BandedReport : public Printout
{
public:
    struct Column
    {
        QString head; // a line break in it makes a caption of two lines
        double width = 0; // relative; the columns share the page width in these proportions
        Qt::Alignment align = Qt::AlignLeft;
    };
    // A caption over several neighbouring columns; their own captions stand below it.
    struct Group
    {
        int first = 0;
        int count = 0;
        QString caption;
    };
    enum class Head { EveryPage, FirstPage, None };
    struct Page
    {
        int firstRow = 0;
        int rowCount = 0;
    };
    // The cell texts of one row, left to right. A row with fewer texts than columns leaves
    // the remaining cells out: they are neither framed nor filled.
    using RowSource = std::function<QStringList(int row)>;

    BandedReport();

    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QString pageHeader; // on every page, centred
    QFont pageHeaderFont;
    QString titleText; // first page, centred
    QFont titleFont;
    QString titleLine; // first page, at the left under the title
    QFont titleLineFont;
    QList<Column> columns;
    QList<Group> groups;
    Head head = Head::EveryPage;
    QFont bodyFont;
    int wrapColumn = -1; // the one column whose text may take several lines (-1: none)
    bool pageNumbers = true;
    double rowHeightMm = 6; // at least; a taller body font makes rows taller
    double paddingMm = 0.4; // between a cell's text and its rules
    int maxPages = 0; // draw at most this many pages; 0 draws them all

    void setRows(int count, RowSource source);
    void setRows(QList<QStringList> rows);
    int rowCount() const { return m_rowCount; }
    QStringList rowAt(int row) const { return m_source ? m_source(row) : QStringList(); }

    QPageLayout pageLayout() const override;
    // Cuts the rows into pages for a device that has this report's page layout.
    QList<Page> paginate(const QPaintDevice& device) const;
    int paint(QPainter& painter, QPagedPaintDevice& device) const override;

    static QFont font(const QString& family, double points);

private:
    struct Geometry;
    Geometry geometry(const QPaintDevice& device) const;
    QList<double> rowHeights(const Geometry& g, const QPaintDevice& device) const;

    int m_rowCount = 0;
    RowSource m_source;
};
