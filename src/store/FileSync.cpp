#include "FileSync.h"

#include <QFile>
#include <QFileDevice>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <system_error>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace store::fileSync {

bool flushToDisk(QFileDevice& file)
{
    if (!file.flush()) return false;
#ifdef Q_OS_WIN
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
#elif defined(Q_OS_DARWIN)
    // fsync on macOS leaves the data in the drive's cache.
    return ::fcntl(file.handle(), F_FULLFSYNC) == 0 || ::fsync(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool copyData(QFileDevice& in, QFileDevice& out)
{
#ifdef Q_OS_LINUX
    // copy_file_range moves the bytes without a trip through this process's memory.
    if (out.flush()) {
        for (;;) {
            const ssize_t n = ::copy_file_range(in.handle(), nullptr, out.handle(), nullptr, 1 << 30, 0);
            if (n == 0) return true;
            if (n < 0) {
                if (errno == EINTR) continue;
                // Across file systems or on old kernels: the plain way below, from the start.
                if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
                if (!in.seek(0) || !out.seek(0) || !out.resize(0)) return false;
                break;
            }
        }
    }
#endif
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) return false;
        if (n == 0) return true;
        if (out.write(buffer.constData(), n) != n) return false;
    }
}

void syncDirectory(const QString& dirPath)
{
#ifdef Q_OS_WIN
    // NTFS journals directory changes; MoveFileEx with write-through already waited for it.
    Q_UNUSED(dirPath);
#else
    const int fd = ::open(QFile::encodeName(dirPath).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#endif
}

bool replaceFile(const QString& from, const QString& to, QString* error)
{
#ifdef Q_OS_WIN
    const bool ok = MoveFileExW(reinterpret_cast<const wchar_t*>(from.utf16()),
        reinterpret_cast<const wchar_t*>(to.utf16()), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok && error) *error = QString::fromStdString(std::system_category().message(int(GetLastError())));
    return ok;
#else
    const bool ok = ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
    if (!ok && error) *error = QString::fromLocal8Bit(std::strerror(errno));
    return ok;
#endif
}

} // namespace store::fileSync
