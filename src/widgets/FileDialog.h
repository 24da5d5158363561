#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One entry of a file dialog's type list: the text the list shows and the patterns it offers.
struct FileFilter
{
    QString label;
    QStringList patterns; // "*.db", or a fixed name such as "kfq_1.db"

    bool operator==(const FileFilter&) const = default;
};

// What an open or save dialog asks for. The dialog itself is shown by the services
// (Services::chooseFile), so a window only fills this in and reads the answer back.
// No dialog ever changes the working directory.
class FileDialog
{
public:
    enum class Mode { Open, Save };

    FileDialog() = default;
    explicit FileDialog(Mode mode)
        : m_mode(mode)
    {
    }

    Mode mode() const { return m_mode; }

    QString title;
    QList<FileFilter> filters;
    int filterIndex = 0; // the type selected at start; after execute(), the type chosen
    // Extension (without dot) a save dialog adds to a typed name that has none, when the
    // chosen type does not name a concrete one.
    QString defaultExtension;
    QString initialDir;
    QString fileName; // the name offered at start; after execute(), the name chosen

    // Filters in the "label|patterns|label|patterns" form, patterns separated by ';'.
    void setFilter(const QString& text);
    QString filter() const;

    // ".db" for a chosen type "*.db"; empty when the type has no single concrete extension.
    QString selectedExtension() const;

    // Shows the dialog through the services; true when a file was chosen (then `fileName`
    // and `filterIndex` hold the answer), false when cancelled. An open dialog starts
    // without a name; a saved name without extension gets the chosen type's.
    bool execute();

private:
    Mode m_mode = Mode::Open;
};
