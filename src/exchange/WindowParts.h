#pragma once

// Small parts the maintenance window and the table tool share.

#include "query/ExportResult.h"
#include "widgets/AppState.h"
#include "widgets/DbGrid.h"
#include "widgets/FileDialog.h"

#include <QFileInfo>
#include <QPushButton>

// The name a save dialog gave, with the extension of the chosen file type added when the
// user typed none ("kfq1" with "*.dbf" chosen is a dBase file kfq1.dbf).
inline QString savedFileName(const FileDialog& dialog)
{
    QString name = dialog.fileName;
    if (QFileInfo(QString(name).replace(u'\\', u'/')).suffix().isEmpty()) name += dialog.selectedExtension();
    return name;
}

// File types for saving a table: the store's table types and the spreadsheets the
// query window also offers.
inline QList<FileFilter> tableFileFilters(const QStringList& patterns)
{
    QList<FileFilter> filters;
    for (const QString& p : patterns)
        filters.append({ p, { p } });
    return filters;
}

// The columns of a grid as ExportResult takes them: titles and widths as the user set them.
inline ExportGrid exportGridOf(const DbGrid& grid)
{
    ExportGrid g;
    g.charWidth = GridCharWidth;
    for (int c = 0; c < grid.columnCount(); ++c)
        g.columns.append({ grid.columnTitle(c), grid.columnPixelWidth(c) });
    return g;
}

// A button with its object name (tests find controls by it) that Enter does not press.
inline QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}
