#include "FakeServices.h"

FakeServices::FakeServices()
    : m_previous(Services::install(this))
{
}

FakeServices::~FakeServices()
{
    Services::install(m_previous);
}

void FakeServices::setNextAnswer(bool yes)
{
    m_answers.enqueue(yes);
}

void FakeServices::setNextFileName(const QString& fileName, int filterIndex)
{
    m_files.enqueue({ fileName, filterIndex });
}

void FakeServices::setNextDirectory(const QString& dir)
{
    m_dirs.enqueue(dir);
}

QList<FakeServices::Event> FakeServices::eventsOf(Kind kind) const
{
    QList<Event> list;
    for (const Event& e : m_events)
        if (e.kind == kind) list << e;
    return list;
}

QStringList FakeServices::messages() const
{
    QStringList list;
    for (const Event& e : m_events)
        if (e.kind == Kind::Message || e.kind == Kind::Exception) list << e.text;
    return list;
}

QStringList FakeServices::exceptions() const
{
    QStringList list;
    for (const Event& e : m_events)
        if (e.kind == Kind::Exception) list << e.text;
    return list;
}

void FakeServices::clear()
{
    m_events.clear();
    m_answers.clear();
    m_files.clear();
    m_dirs.clear();
    m_unscripted = 0;
}

bool FakeServices::question(const QString& text, const QString& title)
{
    m_events << Event { Kind::Question, text, title };
    if (m_answers.isEmpty()) {
        ++m_unscripted;
        return false;
    }
    return m_answers.dequeue();
}

void FakeServices::message(const QString& text, const QString& title, MessageKind kind)
{
    m_events << Event { Kind::Message, text, title, kind };
}

void FakeServices::showException(const QString& message)
{
    m_events << Event { Kind::Exception, message, QString(), MessageKind::Error };
}

bool FakeServices::chooseFile(FileDialog& dialog)
{
    Event e { dialog.mode() == FileDialog::Mode::Open ? Kind::OpenFile : Kind::SaveFile, QString(),
        dialog.title };
    e.dialog = dialog;
    bool chosen = false;
    if (m_files.isEmpty()) {
        ++m_unscripted;
    } else {
        const FileAnswer a = m_files.dequeue();
        if (!a.fileName.isEmpty()) {
            dialog.fileName = a.fileName;
            if (a.filterIndex >= 0) dialog.filterIndex = a.filterIndex;
            e.text = a.fileName;
            chosen = true;
        }
    }
    m_events << e;
    return chosen;
}

QString FakeServices::chooseDirectory(const QString& title, const QString& startDir)
{
    Q_UNUSED(startDir);
    QString dir;
    if (m_dirs.isEmpty())
        ++m_unscripted;
    else
        dir = m_dirs.dequeue();
    m_events << Event { Kind::Directory, dir, title };
    return dir;
}

void FakeServices::showModal(QWidget* window)
{
    Event e { Kind::Modal, QString(), window->windowTitle() };
    e.window = window;
    m_events << e;
    window->show();
    if (m_modalHandler) m_modalHandler(window);
}

void FakeServices::showModeless(QWidget* window)
{
    Event e { Kind::Modeless, QString(), window->windowTitle() };
    e.window = window;
    m_events << e;
    window->show();
}
