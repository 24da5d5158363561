#pragma once

#include <QStatusBar>

class QLabel;
class QProgressBar;

// A one-line status bar that reports double clicks, with a progress bar that can be laid
// over it for long runs.
class DbStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit DbStatusBar(QWidget* parent = nullptr);

    void setSimpleText(const QString& text);
    QString simpleText() const;

    QProgressBar* progressBar() const { return m_progress; }
    // Lays the progress bar over the status bar (same top and width) at position 0.
    void showProgress(int maximum);
    void setProgress(int value);
    void hideProgress();
    bool isProgressShown() const;

Q_SIGNALS:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_label;
    QProgressBar* m_progress;
};
