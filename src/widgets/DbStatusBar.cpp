#include "DbStatusBar.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>

DbStatusBar::DbStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_label(new QLabel(this))
    , m_progress(new QProgressBar(this))
{
    setSizeGripEnabled(false);
    addWidget(m_label, 1);
    m_label->setTextInteractionFlags(Qt::NoTextInteraction);
    // Double clicks on the text must reach the bar.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_progress->setTextVisible(true);
    m_progress->hide();
}

void DbStatusBar::setSimpleText(const QString& text)
{
    m_label->setText(text);
}

QString DbStatusBar::simpleText() const
{
    return m_label->text();
}

void DbStatusBar::showProgress(int maximum)
{
    m_progress->setGeometry(0, 0, width(), height());
    m_progress->setRange(0, qMax(0, maximum));
    m_progress->setValue(0);
    m_progress->show();
    m_progress->raise();
}

void DbStatusBar::setProgress(int value)
{
    // A step of a two-hundredth is all the eye sees; painting every row would cost more.
    const int step = qMax(1, m_progress->maximum() / 200);
    if (value < m_progress->maximum() && value - m_progress->value() < step) return;
    m_progress->setValue(value);
    // Long merges run on the one thread; let the bar repaint.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void DbStatusBar::hideProgress()
{
    m_progress->hide();
}

bool DbStatusBar::isProgressShown() const
{
    return !m_progress->isHidden();
}

void DbStatusBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    QStatusBar::mouseDoubleClickEvent(event);
    Q_EMIT doubleClicked();
}

void DbStatusBar::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    if (!m_progress->isHidden()) m_progress->setGeometry(0, 0, width(), height());
}
