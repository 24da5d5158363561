#pragma once

#include <QToolBar>

class DataSource;
class QAction;

// The record navigator under a grid: first, prior, next, last, insert, delete (after a
// question), edit, post, cancel and refresh on the data source's dataset. Buttons follow
// the dataset's position and state.
class DbNavigator : public QToolBar
{
    Q_OBJECT

public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh, ButtonCount };

    explicit DbNavigator(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    QAction* action(Button button) const { return m_actions[button]; }
    // What a press does (also for tests); errors go to the general error display.
    void click(Button button);

private:
    void run(Button button);
    void updateButtons();

    DataSource* m_source = nullptr;
    QAction* m_actions[ButtonCount] {};
};
