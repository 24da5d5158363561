#include "OpenTables.h"

#include "StoreError.h"
#include "TablePath.h"

#include <QFileInfo>
#include <QHash>

using namespace Qt::StringLiterals;

namespace store::openTables {

namespace {

QHash<QString, int>& registry()
{
    static QHash<QString, int> files;
    return files;
}

QString key(const QString& path)
{
    const QFileInfo info(path);
    return (info.exists() ? info.canonicalFilePath() : info.absoluteFilePath()).toLower();
}

} // namespace

void add(const QString& path)
{
    ++registry()[key(path)];
}

void remove(const QString& path)
{
    auto& r = registry();
    const QString k = key(path);
    auto it = r.find(k);
    if (it == r.end()) return;
    if (--it.value() <= 0) r.erase(it);
}

bool isOpen(const QString& path)
{
    return registry().contains(key(path));
}

void requireClosed(const QString& path, const QString& what)
{
    if (isOpen(path)) throw StoreError(u"表 %1 正在使用中，不能%2"_s.arg(displayName(path), what));
}

} // namespace store::openTables
