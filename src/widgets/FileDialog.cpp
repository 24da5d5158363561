#include "FileDialog.h"

#include "Services.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

void FileDialog::setFilter(const QString& text)
{
    filters.clear();
    const QStringList parts = text.split(u'|');
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        FileFilter f;
        f.label = parts[i];
        const QString patterns = i + 1 < parts.size() ? parts[i + 1] : parts[i];
        for (const QString& p : patterns.split(u';', Qt::SkipEmptyParts))
            f.patterns << p.trimmed();
        filters << f;
    }
    if (filterIndex >= filters.size()) filterIndex = 0;
}

QString FileDialog::filter() const
{
    QStringList parts;
    for (const FileFilter& f : filters)
        parts << f.label << f.patterns.join(u';');
    return parts.join(u'|');
}

QString FileDialog::selectedExtension() const
{
    if (filterIndex < 0 || filterIndex >= filters.size()) return {};
    const QStringList& patterns = filters[filterIndex].patterns;
    if (patterns.size() != 1) return {};
    const QString& p = patterns.first();
    if (!p.startsWith("*."_L1)) return {};
    const QString ext = p.mid(1);
    if (ext.contains(u'*') || ext.contains(u'?') || ext.size() < 2) return {};
    return ext;
}

bool FileDialog::execute()
{
    // An open dialog offers no earlier answer: it was chosen for another table.
    if (m_mode == Mode::Open) fileName.clear();
    if (!services().chooseFile(*this)) return false;
    if (m_mode == Mode::Save && QFileInfo(QString(fileName).replace(u'\\', u'/')).suffix().isEmpty()) {
        // A name typed without extension takes the type chosen in the list.
        QString extension = selectedExtension();
        if (extension.isEmpty() && !defaultExtension.isEmpty())
            extension = u'.' + QString(defaultExtension).remove("*."_L1).remove(u'.');
        fileName += extension;
    }
    return true;
}
