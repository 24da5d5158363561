#pragma once

#include "store/ForeignTable.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdlib>
#include <unistd.h>

namespace fuzz {

// A private scratch directory, in memory when the machine has /dev/shm.
inline const QString& scratchDir()
{
    static const QString dir = [] {
        QByteArray pattern = QDir(QStringLiteral("/dev/shm")).exists() ? "/dev/shm/velto-fuzz-XXXXXX"
                                                                       : "/tmp/velto-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern.data());
        return made ? QString::fromLocal8Bit(made) : QDir::tempPath();
    }();
    return dir;
}

inline void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(data);
}

// Writes the seeds into the corpus directory named on the command line when it is empty,
// so that the first run starts from well-formed files instead of nothing.
inline void seedCorpus(int argc, char** argv, const QList<QByteArray>& seeds)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') continue;
        const QDir corpus(QString::fromLocal8Bit(argv[i]));
        if (!corpus.exists() || !corpus.isEmpty()) continue;
        for (qsizetype k = 0; k < seeds.size(); ++k)
            writeFile(corpus.filePath(QStringLiteral("seed%1").arg(k)), seeds[k]);
    }
}

// Reads whatever the reader accepts, then runs every write path over it.
inline void exerciseTable(const QString& path, store::TableFormat format)
{
    try {
        auto table = store::ForeignTable::open(path, format);
        QList<std::pair<qint64, QVariantList>> rows;
        table->readAll([&](qint64 recno, const QVariantList& values) {
            if (rows.size() < 64) rows.append({ recno, values });
        });
        if (table->isWritable() && !rows.isEmpty()) {
            table->update(rows.front().first, rows.back().second);
            table->remove(rows.back().first);
            table->append(rows.front().second);
            table->pack();
            table->readAll([](qint64, const QVariantList&) {});
        }
    } catch (const store::StoreError&) {
    }
}

} // namespace fuzz
