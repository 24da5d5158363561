#pragma once

#include <QApplication>

// The application object. An error that escapes an event handler unguarded still reaches
// the general error display here, and the program goes on.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
