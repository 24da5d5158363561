#include "../ForeignTable.h"

#include "../StoreError.h"
#include "DbfTable.h"
#include "ParadoxTable.h"
#include "TextTable.h"

using namespace Qt::StringLiterals;

namespace store {

std::unique_ptr<ForeignTable> ForeignTable::open(const QString& path, TableFormat format)
{
    switch (format) {
    case TableFormat::Dbase:
        return formats::DbfTable::open(path);
    case TableFormat::Text:
        return formats::TextTable::open(path);
    case TableFormat::Paradox:
        return formats::ParadoxTable::open(path);
    case TableFormat::Native:
        break;
    }
    throw StoreError(u"表 %1 不是交换格式的表"_s.arg(displayName(path)));
}

void ForeignTable::setCodePageOverride(int codePage)
{
    formats::setCodePageOverride(codePage);
}

QStringList ForeignTable::takeReadNotes()
{
    return formats::takePublishedNotes();
}

std::unique_ptr<ForeignTable> ForeignTable::create(
    const QString& path, TableFormat format, const TableSchema& schema)
{
    switch (format) {
    case TableFormat::Dbase:
        return formats::DbfTable::create(path, schema);
    case TableFormat::Text:
        return formats::TextTable::create(path, schema);
    case TableFormat::Paradox:
        formats::ParadoxTable::refuseWrite(path);
    case TableFormat::Native:
        break;
    }
    throw StoreError(u"表 %1 不是交换格式的表"_s.arg(displayName(path)));
}

} // namespace store
