#include "FileDialog.h"

#include "Services.h"

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
    return services().chooseFile(*this);
}
