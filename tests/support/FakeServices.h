#pragma once

#include "widgets/FileDialog.h"
#include "widgets/Services.h"

#include <QList>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QWidget>

#include <functional>

// Services for tests: every question, message, error, chooser and modal showing is
// recorded, and answers come from a script instead of a user. Constructing it installs it
// process-wide; destroying it puts back what was there before.
class FakeServices : public Services
{
public:
    enum class Kind { Question, Message, Exception, OpenFile, SaveFile, Directory, Modal, Modeless };

    struct Event
    {
        Kind kind;
        QString text; // question or message text, exception message, chosen file or directory
        QString title; // box, dialog or window title at the time
        MessageKind messageKind = MessageKind::Plain;
        FileDialog dialog {}; // for file choosers: the request as the window made it
        QPointer<QWidget> window {}; // for modal and modeless showing
    };

    FakeServices();
    ~FakeServices() override;

    // Script. Each request takes the next scripted answer; without one a question is
    // answered No, a chooser is cancelled, and the request counts as unscripted.
    void setNextAnswer(bool yes);
    void setNextFileName(const QString& fileName, int filterIndex = -1); // empty name: cancel
    void setNextDirectory(const QString& dir); // empty: cancel
    // Called while a window is "shown modally"; it may act on the window. Without it the
    // window is shown and left open, and showModal returns at once.
    void setModalHandler(std::function<void(QWidget*)> handler) { m_modalHandler = std::move(handler); }

    const QList<Event>& events() const { return m_events; }
    QList<Event> eventsOf(Kind kind) const;
    QStringList messages() const; // texts of message boxes and exceptions, in order
    QStringList exceptions() const;
    int unscripted() const { return m_unscripted; }
    void clear();

    bool question(const QString& text, const QString& title) override;
    void message(const QString& text, const QString& title, MessageKind kind) override;
    void showException(const QString& message) override;
    bool chooseFile(FileDialog& dialog) override;
    QString chooseDirectory(const QString& title, const QString& startDir) override;
    void showModal(QWidget* window) override;
    void showModeless(QWidget* window) override;

private:
    struct FileAnswer
    {
        QString fileName;
        int filterIndex;
    };

    Services* m_previous;
    QList<Event> m_events;
    QQueue<bool> m_answers;
    QQueue<FileAnswer> m_files;
    QQueue<QString> m_dirs;
    std::function<void(QWidget*)> m_modalHandler;
    int m_unscripted = 0;
};
