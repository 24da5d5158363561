#pragma once

#include <QString>

// A made-up national project list gjxmqd.dbf (dBase, GBK) for a few regions, so that a demo
// directory can try "生成项目清单". Never written over an existing list: a real one is
// shipped data. Some amounts are left blank, as lists from above have them.
namespace demo {

// Writes `path` when it does not exist; returns the projects written (0 when it existed).
int writeProjectList(const QString& path);

} // namespace demo
