#include "NationalProjectMigration.h"

#include "store/Table.h"
#include "store/TablePath.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// The Paradox table file and its index files, in the order they are handled.
const QStringList extensions = { u"db"_s, u"px"_s, u"xg0"_s, u"yg0"_s };

// Delivered files come from Windows in any letter case.
QString existingFile(const QString& name)
{
    const QString path = store::resolveFilePath(name);
    return QFileInfo(path).isFile() ? path : QString();
}

void renameIfThere(const QString& from, const QString& to)
{
    const QString path = existingFile(from);
    if (!path.isEmpty()) QFile::rename(path, to);
}

} // namespace

NationalProjectMigration::NationalProjectMigration(store::Table& source, store::Table& target)
    : m_source(source)
    , m_target(target)
{
}

bool NationalProjectMigration::run()
{
    if (existingFile(u"gjxm_up.db"_s).isEmpty()) return false;

    for (const QString& ext : extensions) {
        const QString old = existingFile(u"gjxm_bak."_s + ext);
        if (!old.isEmpty()) QFile::remove(old);
    }
    for (const QString& ext : extensions)
        renameIfThere(u"gjxm."_s + ext, u"gjxm_bak."_s + ext);
    for (const QString& ext : extensions)
        renameIfThere(u"gjxm_up."_s + ext, u"gjxm."_s + ext);

    m_source.close();
    m_target.close();
    m_source.setTableName(u"gjxm_bak.db"_s);
    m_target.setTableName(u"gjxm.db"_s);
    try {
        // An update written by older software delivers a Paradox table, which the store
        // only reads: the live table must be one we can append to.
        store::Table::makeNative(u"gjxm.db"_s);
        m_source.open();
        m_target.batchAppend(m_source);
    } catch (...) {
        m_target.close();
        m_source.close();
        throw;
    }
    m_target.close();
    m_source.close();
    return true;
}
