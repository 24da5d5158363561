#include "TablePath.h"

#include "formats/ParadoxTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace store {

namespace {

// Finds `part` in `dir` ignoring letter case; the exact name wins when it exists.
QString matchEntry(const QString& dir, const QString& part)
{
    const QString prefix = dir.isEmpty() ? QString() : dir.endsWith(u'/') ? dir : dir + u'/';
    const QString exact = prefix + part;
    if (part == ".."_L1 || QFileInfo::exists(exact)) return exact;
    const QDir d(dir.isEmpty() ? u"."_s : dir);
    const QStringList entries
        = d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : entries)
        if (e.compare(part, Qt::CaseInsensitive) == 0) return prefix + e;
    return exact;
}

} // namespace

QString resolveFilePath(const QString& name)
{
    QString n = name.trimmed();
    n.replace(u'\\', u'/');
    if (n.isEmpty()) return n;
    const bool absolute = n.startsWith(u'/');
    const QStringList parts = n.split(u'/', Qt::SkipEmptyParts);
    QString path = absolute ? u"/"_s : QString();
    for (const QString& part : parts) {
        if (part == "."_L1) continue;
        path = matchEntry(path, part);
    }
    return path;
}

QString resolveTablePath(const QString& name)
{
    QString n = name.trimmed();
    n.replace(u'\\', u'/');
    const QString base = n.section(u'/', -1);
    if (!base.isEmpty() && !base.contains(u'.')) n += ".db"_L1;
    return resolveFilePath(n);
}

TableFormat formatOf(const QString& path, TableType type)
{
    if (type == TableType::Dbase) return TableFormat::Dbase;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "dbf"_L1) return TableFormat::Dbase;
    if (suffix == "txt"_L1) return TableFormat::Text;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray head = f.read(0x40);
        if (!head.startsWith("SQLite format 3") && formats::ParadoxTable::looksLikeParadox(head))
            return TableFormat::Paradox;
    }
    return TableFormat::Native;
}

QString displayName(const QString& path)
{
    return QFileInfo(path).fileName();
}

bool removeTableFiles(const QString& path)
{
    const QFileInfo info(path);
    const QString dir = info.path();
    const QString stem = info.completeBaseName();
    bool ok = true;
    auto removeIfThere = [&](const QString& file) {
        if (QFileInfo::exists(file) && !QFile::remove(file)) ok = false;
    };
    removeIfThere(path);
    removeIfThere(path + "-journal"_L1);
    removeIfThere(path + "-wal"_L1);
    removeIfThere(path + "-shm"_L1);
    const QString suffix = info.suffix().toLower();
    const QStringList companions = suffix == "dbf"_L1 ? QStringList { u"dbt"_s }
        : suffix == "txt"_L1                          ? QStringList { u"sch"_s }
                                                      : QStringList { u"mb"_s, u"px"_s };
    for (const QString& ext : companions)
        removeIfThere(resolveFilePath(dir + u'/' + stem + u'.' + ext));
    return ok;
}

} // namespace store
