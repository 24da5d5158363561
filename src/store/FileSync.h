#pragma once

#include <QString>

class QFileDevice;

// The platform calls that make written files durable, in one place for every writer.
namespace store::fileSync {

// Flushes Qt's buffer and the system's cache of an open file to the disk. False on failure
// (the file's errorString() or errno tells why).
bool flushToDisk(QFileDevice& file);

// Copies the rest of `in` to `out` (both open), inside the kernel where the system can.
// False on failure (the files' errorString() or errno tells why).
bool copyData(QFileDevice& in, QFileDevice& out);

// Makes a file created, renamed or removed in `dirPath` durable (best effort: where the
// system keeps directory changes in its journal, nothing is needed).
void syncDirectory(const QString& dirPath);

// Moves `from` over `to` in one step: afterwards `to` is either the old file or the new
// one, never missing, also after a crash. Both must be in the same directory. On failure
// returns false and fills `error`.
bool replaceFile(const QString& from, const QString& to, QString* error = nullptr);

} // namespace store::fileSync
