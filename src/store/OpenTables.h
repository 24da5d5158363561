#pragma once

#include <QString>

namespace store::openTables {

// Files held open by tables of this process, so that nothing replaces, packs or removes a
// file under a table that is using it.
void add(const QString& path);
void remove(const QString& path);
bool isOpen(const QString& path);
// Throws StoreError when the file is open ("what" says what was refused).
void requireClosed(const QString& path, const QString& what);

} // namespace store::openTables
