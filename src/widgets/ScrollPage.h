#pragma once

#include <QScrollArea>

// A scrolling page of fields, as entry windows have them: the control that takes the focus
// (by Enter, Tab, a click or the program) is scrolled into view, and the page opens at its
// top each time it is shown.
class ScrollPage : public QScrollArea
{
    Q_OBJECT

public:
    explicit ScrollPage(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void focusMoved(QWidget* now);
};
