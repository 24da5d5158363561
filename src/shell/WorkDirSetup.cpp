#include "WorkDirSetup.h"

#include "store/Table.h"
#include "store/TablePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

const QLatin1StringView suffix = ".tsv"_L1;
const QStringList folders = { u"bak"_s, u"tmp"_s };

} // namespace

WorkDirSetup::WorkDirSetup(QString definitionDir)
    : m_dir(std::move(definitionDir))
{
}

QString WorkDirSetup::defaultDefinitionDir()
{
    return u":/tables"_s;
}

QList<TableDefinition> WorkDirSetup::definitions() const
{
    const QDir dir(m_dir);
    if (!dir.exists()) throw store::StoreError(u"找不到数据表定义: %1"_s.arg(m_dir));
    QList<TableDefinition> list;
    const QStringList files = dir.entryList({ u"*"_s + suffix }, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        QFile f(dir.filePath(file));
        if (!f.open(QIODevice::ReadOnly)) throw store::StoreError(u"无法读取 %1"_s.arg(f.fileName()));
        const QString text = QString::fromUtf8(f.readAll());
        list << TableDefinition::parse(text, file.chopped(suffix.size()), file);
    }
    return list;
}

QStringList WorkDirSetup::run() const
{
    const QList<TableDefinition> defs = definitions();
    QStringList made;
    for (const QString& folder : folders) {
        const QFileInfo existing(store::resolveFilePath(folder));
        if (existing.exists()) {
            if (!existing.isDir()) throw store::StoreError(u"%1 不是目录"_s.arg(folder));
            continue;
        }
        if (!QDir().mkdir(folder)) throw store::StoreError(u"无法建立目录 %1"_s.arg(folder));
        made << folder + u'/';
    }
    for (const TableDefinition& def : defs) {
        if (QFileInfo::exists(store::resolveTablePath(def.tableName))) continue;
        createTable(def);
        made << def.tableName;
    }
    return made;
}

void WorkDirSetup::createTable(const TableDefinition& definition)
{
    store::Table::createTable(definition.tableName, definition.schema);
    try {
        store::Table table;
        table.setTableName(definition.tableName);
        table.open();
        // A new file either gets all its rows or is removed: one write for all of them.
        table.beginWriteGroup(int(qMax<qsizetype>(1, definition.rows.size())));
        for (const QVariantList& row : definition.rows) {
            table.append();
            for (int i = 0; i < row.size(); ++i)
                table.setValue(i, row[i]);
            table.post();
        }
        table.endWriteGroup();
        table.close();
    } catch (...) {
        store::removeTableFiles(store::resolveTablePath(definition.tableName));
        throw;
    }
}
