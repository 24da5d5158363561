#pragma once

#include <QStringView>

struct sqlite3;

namespace store {

// Text orders as its GBK bytes, as the old engine's Chinese driver ordered it: ASCII first,
// then the common characters in pinyin order (保定, 佛山, 丽水, 临夏, 三明, 上海).
// Characters GBK lacks come after every GBK character, by code point, so two texts are
// equal only when they are the same text (with `noCase`: up to the case of ASCII letters).
int compareGbk(QStringView a, QStringView b, bool noCase = false);

// The names under which every connection of the store knows that order. They live only in
// statements, never in a stored schema: a file must stay readable and writable by any
// SQLite, which knows nothing of them.
inline constexpr auto kGbkCollation = "GBK";
inline constexpr auto kGbkNoCaseCollation = "GBK_NOCASE";

void registerCollations(sqlite3* db);

// An ordering term for a column: the quoted name and the GBK collation.
QString gbkOrderTerm(const QString& column, bool noCase = false);

} // namespace store
