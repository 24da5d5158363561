#include "ScrollPage.h"

#include <QApplication>
#include <QScrollBar>
#include <QShowEvent>

ScrollPage::ScrollPage(QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // Qt scrolls to a control only when Tab reaches it inside the area; Enter moves the
    // focus from the window, and the program sets it directly.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
}

void ScrollPage::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    if (event->spontaneous()) return; // a window restored from the task bar keeps its place
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    focusMoved(QApplication::focusWidget());
}

void ScrollPage::focusMoved(QWidget* now)
{
    if (now && isVisible() && widget() && widget()->isAncestorOf(now)) ensureWidgetVisible(now, 16, 16);
}
