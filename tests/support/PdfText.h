#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Reading printed PDF files back with poppler's tools (pdftotext, pdfinfo).
namespace printed {

// The text of one page (1-based), or of every page, laid out as on the page.
inline QString text(const QString& file, int page = 0)
{
    QProcess p;
    QStringList args { QStringLiteral("-layout") };
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    p.start(QStringLiteral("pdftotext"), args << file << QStringLiteral("-"));
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A line of pdfinfo, such as "Pages" or "Page size", without its key.
inline QString info(const QString& file, const QString& key)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), { file });
    p.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n'))
        if (line.startsWith(key + u':')) return line.mid(key.size() + 1).trimmed();
    return {};
}

inline int pages(const QString& file)
{
    return info(file, QStringLiteral("Pages")).toInt();
}

} // namespace printed
