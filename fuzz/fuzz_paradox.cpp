// libFuzzer target: the Paradox reader. Input: the .db bytes, optionally followed by
// kMemoMark and the .mb bytes (without the mark the same bytes serve as both).
#include "FuzzSupport.h"

#include "store/ForeignTable.h"
#include "store/StoreError.h"

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kMemoMark = "\n--memo--\n";

void put(QByteArray& b, qsizetype at, quint64 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// A table of the published layout: alpha, long, number, date and memo fields; the memo file
// holds one text in a shared block and one in a block of its own. `version` 0x0C (7) or 3.
QByteArray seed(quint8 version, quint32 key)
{
    const bool modern = version >= 5;
    const int fieldsAt = modern ? 0x78 : 0x58;
    const QList<std::pair<quint8, quint8>> fields
        = { { 0x01, 10 }, { 0x04, 4 }, { 0x06, 8 }, { 0x02, 4 }, { 0x0C, 14 } };
    const QList<QByteArray> names = { "NAME", "N", "AMT", "DAY", "NOTE" };
    const int recordSize = 10 + 4 + 8 + 4 + 14;
    QByteArray h(0x800, '\0');
    put(h, 0, recordSize, 2);
    put(h, 2, 0x800, 2);
    h[4] = 2;
    h[5] = 2;
    put(h, 6, 2, 4);
    put(h, 0x0A, 1, 2);
    put(h, 0x0C, 1, 2);
    put(h, 0x0E, 1, 2);
    put(h, 0x10, 1, 2);
    put(h, 0x21, quint64(fields.size()), 2);
    put(h, 0x25, modern ? 0xFF00FF00u : key, 4);
    h[0x39] = char(version);
    if (modern) {
        put(h, 0x5C, key, 4);
        put(h, 0x6A, 936, 2);
    }
    qsizetype at = fieldsAt;
    for (const auto& [type, size] : fields) {
        h[at++] = char(type);
        h[at++] = char(size);
    }
    at += 4 + 4 * fields.size() + (version >= 0x0C ? 261 : 79);
    for (const QByteArray& name : names) {
        h.replace(at, name.size(), name);
        at += name.size() + 1;
    }

    QByteArray block(0x800, '\0');
    put(block, 4, recordSize, 2); // two records
    auto record = [&](qsizetype r, const QByteArray& name, quint32 n, quint32 memoAt, quint32 memoLength) {
        const qsizetype base = 6 + r * recordSize;
        block.replace(base, name.size(), name);
        const quint32 flipped = n ^ 0x80000000u;
        for (int i = 0; i < 4; ++i)
            block[base + 10 + i] = char(flipped >> (24 - 8 * i));
        block[base + 14] = char(0xC0); // 2.0 as a sortable double
        block[base + 22] = char(0x80), block[base + 23] = 0x0B, block[base + 24] = 0x46,
                     block[base + 25] = 0x54;
        block.replace(base + 26, 4, "memo");
        put(block, base + 30, memoAt, 4);
        put(block, base + 34, memoLength, 4);
    };
    record(0, "\xB8\xDF\xD0\xC2", 5, 0x1000 | 0x00, 20); // entry 0 of a shared block
    record(1, "abc", quint32(-7), 0x2000 | 0xFF, 300); // a block of its own

    QByteArray mb(0x3000, '\0');
    mb[0] = 0; // header block
    mb[0x1000] = 3;
    mb[0x1000 + 12] = 0x20; // entry 0: data at 0x200 in the block
    mb[0x1000 + 13] = 2;
    mb.replace(0x1000 + 0x200, 20, QByteArray(20, 'x'));
    mb[0x2000] = 2;
    put(mb, 0x2001, 1, 2);
    put(mb, 0x2003, 300, 4);
    mb.replace(0x2000 + 9, 300, QByteArray(300, 'y'));
    return h + block + kMemoMark + mb;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::seedCorpus(*argc, *argv, { seed(0x0C, 0), seed(0x03, 0), seed(0x0C, 0x6E25449Au) });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype mark = input.indexOf(kMemoMark);
    const QString path = fuzz::scratchDir() + u"/t.db"_s;
    fuzz::writeFile(path, mark < 0 ? input : input.left(mark));
    fuzz::writeFile(fuzz::scratchDir() + u"/t.mb"_s, mark < 0 ? input : input.mid(mark + kMemoMark.size()));
    fuzz::exerciseTable(path, store::TableFormat::Paradox);
    return 0;
}
