#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

// The printed validation results: A4 portrait, 10 mm margins; a title band on the first
// page ("校验表" and the kind's title line), a framed column head on every page, one framed
// row per result and the page number at the foot. Draws on any paged device: a printer,
// the print preview or a PDF writer.
class CheckPrintout
{
public:
    // One printed row: 序号, 状态, 编号, 字段名, 字段值, 错误信息.
    using Row = QStringList;

    void setTitle(const QString& title) { m_title = title; }
    const QString& title() const { return m_title; }
    void setRows(QList<Row> rows) { m_rows = std::move(rows); }
    const QList<Row>& rows() const { return m_rows; }

    // The column heads, left to right, and their relative widths in millimetres.
    static QStringList heads();
    static QList<double> columnWidths();

    // Sets the page layout of the device and draws every page; returns the page count.
    int render(QPagedPaintDevice& device) const;

private:
    QString m_title;
    QList<Row> m_rows;
};
