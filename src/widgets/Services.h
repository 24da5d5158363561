#pragma once

#include <QString>

#include <functional>

class FileDialog;
class QWidget;

// Every modal interaction of the program: questions, message boxes, the general error
// display, file and directory choosers, and showing a window modally. Windows use only
// this interface, so tests install a scripted replacement and never block on a dialog.
class Services
{
public:
    enum class MessageKind { Plain, Information, Warning, Error };

    virtual ~Services();

    // A Yes/No question; true for Yes. The title may be empty.
    virtual bool question(const QString& text, const QString& title) = 0;
    // A box with an OK button.
    virtual void message(const QString& text, const QString& title, MessageKind kind) = 0;
    // The general error display: an error no handler dealt with.
    virtual void showException(const QString& message) = 0;
    // Open or save dialog as `dialog` describes; fills in the answer. False when cancelled.
    virtual bool chooseFile(FileDialog& dialog) = 0;
    // A directory; empty when cancelled.
    virtual QString chooseDirectory(const QString& title, const QString& startDir) = 0;
    // Shows the window modally and returns when it has closed.
    virtual void showModal(QWidget* window) = 0;
    // Shows the window without blocking the others.
    virtual void showModeless(QWidget* window) = 0;

    void information(const QString& text, const QString& title)
    {
        message(text, title, MessageKind::Information);
    }
    void warning(const QString& text, const QString& title) { message(text, title, MessageKind::Warning); }
    void error(const QString& text, const QString& title) { message(text, title, MessageKind::Error); }

    // Makes `services` the process-wide instance (nullptr: back to the Qt dialogs) and
    // returns the one it replaces. The caller keeps ownership.
    static Services* install(Services* services);
};

// The process-wide services: the installed ones, or the Qt dialogs.
Services& services();

// The program's name as the user reads it; boxes that have no title of their own carry it.
QString programTitle();
// What a print button says when the system has no printer.
QString noPrinterText();

// Runs one event handler. A store::StoreError (or any other std::exception) that escapes
// it goes to the general error display; store::Abort ends it silently. Either way the
// program goes on. Returns true when the handler ran to its end.
bool guarded(const std::function<void()>& handler);

// A slot that runs `method` of `object` guarded, for connect().
template <typename T> auto guard(T* object, void (T::*method)())
{
    return [object, method] { guarded([object, method] { (object->*method)(); }); };
}
