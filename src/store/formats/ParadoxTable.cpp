#include "ParadoxTable.h"

#include "../StoreError.h"
#include "../TablePath.h"

#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace store::formats {

namespace {

// Field type codes of the header's field list.
enum : quint8 {
    Alpha = 0x01,
    DateField = 0x02,
    Short = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Number = 0x06,
    LogicalField = 0x09,
    MemoBlob = 0x0C,
    Blob = 0x0D,
    FormattedMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoInc = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

constexpr int CommonHeader = 0x58; // through version 3.5 the field list starts here
constexpr int DataHeader = 0x78; // from version 4 on
constexpr int VersionByte = 0x39;
constexpr int CodePageAt = 0x6A;
constexpr int BlobPointer = 10; // offset, length and modification number after a blob's leader
constexpr int BlobBlock = 0x1000;
constexpr int SubBlocks = 64; // small texts in one shared memo block
constexpr int CryptChunk = 256;

// The fixed tables of the format's encryption. A table's key (its header's encryption
// value) scrambles every data block and the whole memo file in chunks of 256 bytes; the
// password is only checked against the key, so the key alone reads the table.
constexpr unsigned char CryptA[256] = {
    0xB2,
    0xA5,
    0x0C,
    0xDD,
    0x38,
    0xFE,
    0xCB,
    0x5B,
    0x0C,
    0x23,
    0xEC,
    0x6A,
    0x95,
    0x3E,
    0xD5,
    0x2D,
    0x2C,
    0xF7,
    0x2D,
    0x30,
    0xEA,
    0x15,
    0x98,
    0xB4,
    0x5F,
    0x82,
    0xD3,
    0xAF,
    0xF4,
    0x4C,
    0x84,
    0x16,
    0x74,
    0x17,
    0x05,
    0x11,
    0xAC,
    0xDB,
    0x43,
    0x91,
    0x9C,
    0x77,
    0xA0,
    0x38,
    0xBE,
    0xD6,
    0x8F,
    0x25,
    0xB1,
    0xEE,
    0x6D,
    0x80,
    0x37,
    0x14,
    0xA9,
    0x7A,
    0x57,
    0x38,
    0x6C,
    0x2F,
    0xA6,
    0x4F,
    0x7C,
    0x38,
    0x71,
    0xD4,
    0x0B,
    0x51,
    0xF6,
    0xB9,
    0x45,
    0x21,
    0x1D,
    0x6C,
    0x4D,
    0x87,
    0x6E,
    0xA7,
    0xE7,
    0x21,
    0x0D,
    0x85,
    0xF4,
    0xCE,
    0x3A,
    0x81,
    0x6A,
    0x3E,
    0xD7,
    0x32,
    0xA4,
    0x23,
    0xAC,
    0xE9,
    0x01,
    0x91,
    0xB0,
    0xED,
    0xC7,
    0x46,
    0x12,
    0xAC,
    0x15,
    0x3D,
    0xFF,
    0x1B,
    0x7B,
    0x3B,
    0xBA,
    0xEE,
    0x2C,
    0x2C,
    0x68,
    0xA6,
    0x62,
    0x60,
    0xED,
    0x5B,
    0x84,
    0x33,
    0x61,
    0x62,
    0x39,
    0x79,
    0xD4,
    0xD2,
    0xEB,
    0x60,
    0xB8,
    0x25,
    0x1D,
    0xDB,
    0xFF,
    0x3A,
    0x21,
    0x9A,
    0xB0,
    0xC3,
    0xF7,
    0x63,
    0x52,
    0xF5,
    0x22,
    0x94,
    0xF9,
    0xB4,
    0xB7,
    0xBE,
    0x9F,
    0x54,
    0x3B,
    0xCE,
    0xE1,
    0x3C,
    0x73,
    0xCB,
    0xEA,
    0x2D,
    0x45,
    0x00,
    0x9D,
    0xC2,
    0x78,
    0xE7,
    0x96,
    0x0F,
    0x14,
    0x3A,
    0xA4,
    0xDC,
    0x01,
    0x64,
    0x8D,
    0xD6,
    0x59,
    0x4E,
    0x39,
    0x0F,
    0x15,
    0x7D,
    0xF0,
    0x8C,
    0x8A,
    0xC5,
    0x78,
    0x03,
    0x4A,
    0xE8,
    0xFB,
    0xEF,
    0x18,
    0xB4,
    0x52,
    0x31,
    0x79,
    0xD0,
    0x8E,
    0xAA,
    0xC3,
    0xC6,
    0xCE,
    0xED,
    0xE9,
    0x42,
    0x5A,
    0xD6,
    0x2D,
    0x06,
    0xC7,
    0x9A,
    0xB1,
    0x38,
    0x62,
    0xD9,
    0x7E,
    0x61,
    0x74,
    0xD2,
    0x46,
    0xDE,
    0xCB,
    0x2B,
    0x0C,
    0x59,
    0x0B,
    0x64,
    0x9D,
    0x1C,
    0x4F,
    0xB2,
    0x06,
    0x91,
    0x9B,
    0x63,
    0xB5,
    0xB2,
    0xA9,
    0xFD,
    0xAD,
    0x5A,
    0x38,
    0xF9,
    0x13,
    0x6E,
    0x9D,
    0x2D,
    0x4B,
    0x02,
    0xF9,
    0x13,
    0x6F,
    0x50,
    0xCB,
    0x21,
    0x09,
    0xFA,
};
constexpr unsigned char CryptB[256] = {
    0x61,
    0xA7,
    0x79,
    0x02,
    0x37,
    0x34,
    0x6F,
    0x81,
    0x01,
    0xC2,
    0xB2,
    0xB3,
    0xD6,
    0x4D,
    0x3E,
    0x03,
    0x06,
    0x60,
    0x98,
    0x44,
    0x46,
    0x68,
    0x1C,
    0xEB,
    0x10,
    0x4A,
    0x5B,
    0xAE,
    0x22,
    0x48,
    0x24,
    0x42,
    0x9F,
    0x55,
    0x90,
    0xC1,
    0x7D,
    0x2F,
    0x6C,
    0x41,
    0x4E,
    0x82,
    0x56,
    0xD8,
    0x1E,
    0x32,
    0x28,
    0xC6,
    0xED,
    0xBC,
    0x3C,
    0x3A,
    0xE9,
    0x87,
    0x3B,
    0x8F,
    0x86,
    0x08,
    0xA3,
    0xFB,
    0xA4,
    0x62,
    0x99,
    0xFF,
    0x59,
    0xB9,
    0xDE,
    0x2D,
    0x58,
    0x93,
    0x1B,
    0xB1,
    0x76,
    0x2B,
    0xAA,
    0xD9,
    0x2A,
    0xAC,
    0xCA,
    0xF9,
    0xE0,
    0xB7,
    0x05,
    0x11,
    0x77,
    0xA9,
    0x8E,
    0xEF,
    0xB5,
    0xBB,
    0x26,
    0xEA,
    0x8D,
    0x18,
    0x9B,
    0xFE,
    0xC7,
    0xF8,
    0x5A,
    0x83,
    0xFD,
    0x2E,
    0x6B,
    0x84,
    0x33,
    0xFA,
    0x69,
    0xD4,
    0x74,
    0xBF,
    0xCB,
    0xC4,
    0x19,
    0x96,
    0x3F,
    0xE5,
    0x25,
    0xF2,
    0xA5,
    0xD5,
    0x95,
    0xF3,
    0xA0,
    0x39,
    0xDC,
    0xE4,
    0xA1,
    0x7F,
    0x7B,
    0x49,
    0x7A,
    0xF1,
    0xEE,
    0xF7,
    0x75,
    0x09,
    0x91,
    0x67,
    0x97,
    0x38,
    0xD3,
    0x89,
    0x47,
    0x31,
    0x1F,
    0x2C,
    0x0E,
    0xCE,
    0x20,
    0xCC,
    0x9C,
    0x23,
    0x17,
    0x92,
    0x0F,
    0xF4,
    0x13,
    0x64,
    0x71,
    0xC8,
    0xCD,
    0x3D,
    0xB4,
    0xCF,
    0xE1,
    0x50,
    0x52,
    0xAF,
    0x6D,
    0x27,
    0xB6,
    0x94,
    0x30,
    0x04,
    0x8C,
    0x53,
    0x4B,
    0xD2,
    0x4F,
    0x21,
    0x29,
    0x6A,
    0x1A,
    0xEC,
    0x5C,
    0x7E,
    0x51,
    0x9A,
    0x0D,
    0x85,
    0xE6,
    0x1D,
    0xC5,
    0x88,
    0xA8,
    0xDD,
    0x9E,
    0xF6,
    0x5F,
    0xDA,
    0xBD,
    0x6E,
    0x9D,
    0x54,
    0xDB,
    0x5E,
    0xC0,
    0x80,
    0x5D,
    0xB8,
    0x40,
    0x63,
    0x15,
    0x12,
    0xA2,
    0x0C,
    0x07,
    0xAD,
    0x70,
    0x14,
    0x72,
    0x16,
    0xD0,
    0xA6,
    0x65,
    0x35,
    0xBA,
    0xE7,
    0xAB,
    0xFC,
    0xC3,
    0xC9,
    0xBE,
    0x0B,
    0xB0,
    0xF5,
    0x45,
    0xE2,
    0x4C,
    0x73,
    0x0A,
    0x36,
    0x78,
    0x43,
    0x8B,
    0x8A,
    0xF0,
    0x66,
    0xD1,
    0x00,
    0xDF,
    0x7C,
    0xE3,
    0xE8,
    0x57,
    0xD7,
};
constexpr unsigned char CryptC[256] = {
    0xF9,
    0x08,
    0x03,
    0x0F,
    0xAD,
    0x52,
    0x10,
    0xD8,
    0x39,
    0x87,
    0xF0,
    0xE9,
    0xD7,
    0xBC,
    0x92,
    0x9A,
    0x18,
    0x53,
    0xD5,
    0x9C,
    0xDB,
    0xD4,
    0xDD,
    0x98,
    0x5D,
    0x70,
    0xB6,
    0x46,
    0x16,
    0xBF,
    0x2C,
    0x90,
    0x94,
    0xB3,
    0x1C,
    0x97,
    0x1E,
    0x74,
    0x5A,
    0xA9,
    0x2E,
    0xB4,
    0x4C,
    0x49,
    0x91,
    0x43,
    0x65,
    0x25,
    0xAC,
    0x8F,
    0x2D,
    0x68,
    0x05,
    0xE1,
    0xF1,
    0x04,
    0x8B,
    0x7B,
    0x33,
    0x36,
    0x32,
    0xA1,
    0x0E,
    0x72,
    0xD2,
    0x27,
    0x1F,
    0xF3,
    0x13,
    0xEC,
    0x14,
    0x8E,
    0x1D,
    0x81,
    0x19,
    0xB0,
    0xEE,
    0x0D,
    0x28,
    0xB2,
    0xA5,
    0xBA,
    0xA6,
    0xAF,
    0xCB,
    0x21,
    0x2A,
    0xFE,
    0x44,
    0x40,
    0x62,
    0x1A,
    0xB8,
    0xD0,
    0xCD,
    0xC6,
    0x11,
    0x00,
    0x3D,
    0xD3,
    0x9D,
    0xE0,
    0xF7,
    0x89,
    0x15,
    0x6A,
    0xB5,
    0x66,
    0x26,
    0xA8,
    0xC9,
    0x06,
    0xDA,
    0x9E,
    0xDC,
    0xEF,
    0x6C,
    0x86,
    0x48,
    0x54,
    0xF2,
    0x02,
    0x82,
    0x80,
    0xFB,
    0x24,
    0xB9,
    0x7F,
    0xCF,
    0x07,
    0x29,
    0x63,
    0x67,
    0xBD,
    0x38,
    0x35,
    0xC1,
    0x8D,
    0xF5,
    0xF4,
    0xAE,
    0x5C,
    0x56,
    0x37,
    0x22,
    0x88,
    0x99,
    0x45,
    0xAB,
    0x78,
    0x71,
    0x8A,
    0x12,
    0x3E,
    0xBB,
    0x5E,
    0x96,
    0xCA,
    0xC4,
    0x20,
    0x7A,
    0x7E,
    0xD6,
    0x3A,
    0x3C,
    0x76,
    0xDF,
    0x01,
    0xC2,
    0x55,
    0x4A,
    0xE4,
    0x4D,
    0xD9,
    0x1B,
    0xA7,
    0xEA,
    0x47,
    0x0A,
    0x0B,
    0xA2,
    0x58,
    0xAA,
    0x51,
    0xD1,
    0x41,
    0xE2,
    0x59,
    0x31,
    0xC8,
    0xE8,
    0x6D,
    0xCE,
    0x23,
    0x09,
    0xE6,
    0x6F,
    0xC0,
    0x2F,
    0x60,
    0x9F,
    0xE7,
    0x4E,
    0x6E,
    0x95,
    0xA0,
    0x93,
    0xA3,
    0xDE,
    0xF8,
    0xB1,
    0x8C,
    0x6B,
    0x77,
    0x0C,
    0xFF,
    0x2B,
    0x4B,
    0xC7,
    0xCC,
    0x7C,
    0xC3,
    0x42,
    0xFA,
    0x50,
    0xA4,
    0xED,
    0xFC,
    0x7D,
    0x73,
    0xBE,
    0xE3,
    0xFD,
    0x34,
    0x5B,
    0x17,
    0xB7,
    0x30,
    0x84,
    0x57,
    0xF6,
    0x83,
    0x75,
    0x79,
    0x9B,
    0xEB,
    0xC5,
    0x85,
    0x61,
    0x4F,
    0x69,
    0x3B,
    0xE5,
    0x64,
    0x5F,
    0x3F,
};

void decryptChunk(unsigned char* chunk, quint8 a, quint8 b, quint8 c, quint8 d)
{
    unsigned char plain[CryptChunk];
    for (int x = 0; x < CryptChunk; ++x) {
        const int y = (CryptC[x] - d) & 0xFF;
        plain[x] = chunk[y] ^ CryptA[(x + a) & 0xFF] ^ CryptB[(y + b) & 0xFF] ^ CryptC[(y + c) & 0xFF];
    }
    std::memcpy(chunk, plain, CryptChunk);
}

quint16 le16(const unsigned char* p)
{
    return quint16(p[0] | p[1] << 8);
}

quint32 le32(const unsigned char* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

bool allZero(const unsigned char* p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

// Numbers are stored high byte first with the sign bit flipped, so that zero bytes mean blank.
quint32 unflip32(const unsigned char* p)
{
    return (quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3])) ^ 0x80000000u;
}

int fixedLength(quint8 type)
{
    switch (type) {
    case Short:
        return 2;
    case DateField:
    case Long:
    case Time:
    case AutoInc:
        return 4;
    case Currency:
    case Number:
    case Timestamp:
        return 8;
    case LogicalField:
        return 1;
    case Bcd:
        return 17;
    default:
        return 0;
    }
}

bool isBlob(quint8 type)
{
    return type == MemoBlob || type == FormattedMemo || type == Blob || type == Ole || type == Graphic;
}

// Blobs whose bytes read as text; OLE and graphic ones hold nothing that does.
bool isTextBlob(quint8 type)
{
    return type == MemoBlob || type == FormattedMemo || type == Blob;
}

} // namespace

ParadoxTable::ParadoxTable(const QString& path)
    : m_path(path)
    , m_name(displayName(path))
    , m_file(path)
{
}

ParadoxTable::~ParadoxTable() = default;

void ParadoxTable::fail(const QString& what) const
{
    throw StoreError(u"Paradox 表 %1 %2"_s.arg(m_name, what));
}

void ParadoxTable::refuseWrite(const QString& path)
{
    throw StoreError(u"Paradox 表 %1 只能读取，不能修改"_s.arg(displayName(path)));
}

bool ParadoxTable::looksLikeParadox(const QByteArray& head)
{
    if (head.size() <= VersionByte) return false;
    const auto* h = reinterpret_cast<const unsigned char*>(head.constData());
    const quint8 version = h[VersionByte];
    return le16(h) >= 1 && le16(h + 2) >= CommonHeader && (h[4] == 0 || h[4] == 2) && h[5] >= 1 && h[5] <= 32
        && version >= 3 && version <= 0x0C;
}

std::unique_ptr<ParadoxTable> ParadoxTable::open(const QString& path)
{
    std::unique_ptr<ParadoxTable> table(new ParadoxTable(path));
    if (!QFileInfo::exists(path)) table->fail(u"不存在"_s);
    if (!table->m_file.open(QIODevice::ReadOnly))
        table->fail(u"无法打开: %1"_s.arg(table->m_file.errorString()));
    table->readHeader();
    return table;
}

void ParadoxTable::readHeader()
{
    m_fileSize = m_file.size();
    const QByteArray start = m_file.read(DataHeader);
    if (start.size() < CommonHeader) fail(u"的文件头不完整"_s);
    const auto* h = reinterpret_cast<const unsigned char*>(start.constData());
    m_recordSize = le16(h);
    m_headerSize = le16(h + 2);
    const quint8 fileType = h[4];
    const quint8 maxTableSize = h[5];
    m_numRecords = qint32(le32(h + 6));
    m_fileBlocks = le16(h + 0x0C);
    m_firstBlock = le16(h + 0x0E);
    const int numFields = qint16(le16(h + 0x21));
    m_version = h[VersionByte];

    if (fileType != 0 && fileType != 2) fail(u"不是 Paradox 数据表 (文件类型 %1)"_s.arg(fileType));
    if (m_version < 3 || m_version > 0x0C)
        fail(u"的版本字节 0x%1 不是 Paradox 3 到 7"_s.arg(uint(m_version), 2, 16, QChar(u'0')));
    if (maxTableSize < 1 || maxTableSize > 32) fail(u"的块大小 %1 不合理"_s.arg(maxTableSize));
    m_blockSize = maxTableSize * 0x400;
    // Version 3.0 and 3.5 (bytes 3 and 4) lack the section at 0x58.
    const bool modern = m_version >= 5;
    const int infoStart = modern ? DataHeader : CommonHeader;
    if (m_headerSize < infoStart || m_headerSize > m_fileSize || start.size() < infoStart)
        fail(u"的文件头不完整"_s);
    if (numFields < 0 || numFields > 255) fail(u"的字段数 %1 不合理"_s.arg(numFields));
    if (m_numRecords < 0) fail(u"的记录数 %1 不合理"_s.arg(m_numRecords));
    // Version 4 and later keep the key at 0x5C and mark 0x25 with FF00FF00, which some
    // writers leave in older layouts too.
    const quint32 key1 = le32(h + 0x25);
    m_key = modern ? le32(h + 0x5C) : (key1 == 0xFF00FF00u ? 0 : key1);

    int codePage = codePageOverride();
    if (!codePage) {
        const int declared = modern ? le16(h + CodePageAt) : 0;
        if (declared && isKnownCodePage(declared))
            codePage = declared;
        else if (declared)
            publishNote(
                u"Paradox 表 %1 的代码页 %2 未知，按 GBK (代码页 936) 读取"_s.arg(m_name).arg(declared));
    }
    m_codePage = codePage ? codePage : 936;
    m_codec = TextCodec(m_codePage);

    m_file.seek(0);
    const QByteArray header = m_file.read(m_headerSize);
    if (header.size() < m_headerSize) fail(u"的文件头不完整"_s);
    const auto* p = reinterpret_cast<const unsigned char*>(header.constData());
    // Field list, then in-memory pointers (table name, each field name), the table name, and
    // the field names one after the other, each ending in a zero byte.
    const qsizetype tableNameLength = m_version >= 0x0C ? 261 : 79;
    qsizetype namesAt = infoStart + 2 * qsizetype(numFields) + 4 + 4 * qsizetype(numFields) + tableNameLength;
    if (namesAt > m_headerSize) fail(u"的字段说明超出了文件头"_s);

    int offset = 0;
    for (int i = 0; i < numFields; ++i) {
        Column c;
        c.type = p[infoStart + 2 * i];
        const int size = p[infoStart + 2 * i + 1];
        const void* zero = std::memchr(p + namesAt, 0, size_t(m_headerSize - namesAt));
        if (!zero) fail(u"的字段说明超出了文件头"_s);
        const qsizetype nameLength = static_cast<const unsigned char*>(zero) - (p + namesAt);
        const QString name = m_codec.decode(header.constData() + namesAt, nameLength).trimmed();
        namesAt += nameLength + 1;
        if (name.isEmpty()) fail(u"的第 %1 个字段没有名字"_s.arg(i + 1));
        FieldDef f;
        f.name = distinctName(m_schema, name);
        c.length = size;
        switch (c.type) {
        case Alpha:
            f.type = FieldType::Text, f.size = size;
            break;
        case Short:
            f.type = FieldType::SmallInt;
            break;
        case Long:
        case AutoInc:
            f.type = FieldType::Integer;
            break;
        case Number:
        case Currency:
            f.type = FieldType::Float;
            break;
        case Bcd:
            // The size is the number of decimals; the field always takes 17 bytes.
            f.type = FieldType::Float;
            f.decimals = std::min(size, 32);
            c.decimals = f.decimals;
            c.length = 17;
            break;
        case DateField:
            f.type = FieldType::Date;
            break;
        case LogicalField:
            f.type = FieldType::Logical;
            break;
        case Time:
            f.type = FieldType::Text, f.size = 8;
            break;
        case Timestamp:
            f.type = FieldType::Text, f.size = 19;
            break;
        case MemoBlob:
        case FormattedMemo:
        case Blob:
        case Ole:
        case Graphic:
        case Bytes:
            f.type = FieldType::Memo;
            break;
        default:
            fail(u"的字段 %1 是不支持的类型 0x%2"_s.arg(name).arg(uint(c.type), 2, 16, QChar(u'0')));
        }
        const int fixed = fixedLength(c.type);
        if ((fixed && c.length != fixed) || c.length == 0)
            fail(u"的字段 %1 长度 %2 与其类型不符"_s.arg(name).arg(size));
        // A blob field holds at least its pointer; what is left is the leader.
        if (isBlob(c.type) && c.length < BlobPointer)
            fail(u"的备注字段 %1 长度 %2 太短"_s.arg(name).arg(size));
        c.offset = offset;
        offset += c.length;
        m_columns.append(c);
        m_schema.fields.append(f);
    }
    // A table without fields reads as one without columns, whatever its records hold.
    if (numFields > 0 && offset != m_recordSize)
        fail(u"的记录长度 %1 与字段长度之和 %2 不符"_s.arg(m_recordSize).arg(offset));
    // A keyed table's first fields are its primary key; a native copy keeps it.
    const int keyFields = le16(h + 0x23);
    if (fileType == 0 && keyFields > 0 && keyFields <= numFields) {
        IndexDef primary;
        primary.primary = primary.unique = true;
        for (int i = 0; i < keyFields; ++i)
            primary.fields.append(m_schema.fields[i].name);
        m_schema.indexes.append(primary);
    }
    if (6 + m_recordSize > m_blockSize) fail(u"的记录长度 %1 超过了块大小"_s.arg(m_recordSize));

    bool hasBlob = false;
    for (const Column& c : std::as_const(m_columns))
        hasBlob = hasBlob || isTextBlob(c.type);
    if (hasBlob) {
        m_blobPath = companionPath(m_path, u"mb"_s);
        if (!QFileInfo::exists(m_blobPath)) fail(u"的备注文件 %1 不存在"_s.arg(displayName(m_blobPath)));
        m_blobFile.setFileName(m_blobPath);
        if (!m_blobFile.open(QIODevice::ReadOnly))
            fail(u"的备注文件 %1 无法打开: %2"_s.arg(displayName(m_blobPath), m_blobFile.errorString()));
    }
}

void ParadoxTable::readAll(const std::function<void(qint64 recno, const QVariantList& values)>& row)
{
    // Data blocks form a list from the first block on; blocks are numbered from 1. The
    // last block may end early, as long as the rows it holds are there.
    const qint64 dataBytes = m_fileSize - m_headerSize;
    const qint64 blocksInFile = (dataBytes + m_blockSize - 1) / m_blockSize;
    std::vector<bool> seen(65536, false);
    QVariantList values;
    values.resize(m_columns.size());
    ReadNotes notes;
    m_codec.takeMarked();
    qint64 recno = 0;
    QByteArray block;
    const bool readBlocks = m_recordSize > 0 && (m_numRecords > 0 || m_fileBlocks > 0);
    for (int number = readBlocks ? m_firstBlock : 0; number != 0;) {
        if (number > blocksInFile) {
            if (recno < m_numRecords) break; // the rows the header counts tell what is missing
            fail(u"的数据块 %1 超出了文件末尾"_s.arg(number));
        }
        if (seen[size_t(number)]) fail(u"的数据块链表出现循环 (块 %1)"_s.arg(number));
        seen[size_t(number)] = true;
        const qint64 at = m_headerSize + qint64(number - 1) * m_blockSize;
        if (!m_file.seek(at)) fail(u"无法读取: %1"_s.arg(m_file.errorString()));
        block = m_file.read(m_blockSize);
        const qsizetype present = block.size();
        if (present < 6) break;
        if (m_key) {
            block.resize(m_blockSize, '\0');
            auto* u = reinterpret_cast<unsigned char*>(block.data());
            for (int chunk = 0; chunk < m_blockSize / CryptChunk; ++chunk)
                decryptChunk(
                    u + chunk * CryptChunk, quint8(m_key), quint8(m_key >> 8), quint8(chunk), quint8(number));
        }
        const auto* b = reinterpret_cast<const unsigned char*>(block.constData());
        const int next = le16(b);
        const int addDataSize = qint16(le16(b + 4));
        if (addDataSize >= 0) {
            const qint64 records = addDataSize / m_recordSize + 1;
            if (6 + records * m_recordSize > m_blockSize) fail(u"的数据块 %1 已损坏"_s.arg(number));
            const qint64 whole = std::min<qint64>(records, (present - 6) / m_recordSize);
            for (qint64 r = 0; r < whole; ++r) {
                const unsigned char* record = b + 6 + r * m_recordSize;
                ++recno;
                for (qsizetype c = 0; c < m_columns.size(); ++c) {
                    bool invalid = false;
                    values[c] = decodeField(m_columns[c], record + m_columns[c].offset, &invalid);
                    if (invalid) notes.add(ReadNotes::InvalidDate, m_schema.fields[c].name, recno);
                    if (m_codec.takeMarked())
                        notes.add(ReadNotes::Undecodable, m_schema.fields[c].name, recno);
                }
                row(recno, values);
            }
            if (whole < records) break;
        }
        number = next;
    }
    if (recno < m_numRecords)
        fail(u"的文件头说有 %1 行，文件里只有 %2 行，缺少 %3 行"_s.arg(m_numRecords)
                 .arg(recno)
                 .arg(m_numRecords - recno));
    notes.publish(u"Paradox 表 "_s + m_name, m_codePage);
}

QVariant ParadoxTable::decodeField(const Column& c, const unsigned char* data, bool* invalid)
{
    if (allZero(data, c.length)) return {};
    switch (c.type) {
    case Alpha: {
        const void* zero = std::memchr(data, 0, size_t(c.length));
        const qsizetype n = zero ? static_cast<const unsigned char*>(zero) - data : c.length;
        return m_codec.decode(reinterpret_cast<const char*>(data), n);
    }
    case Short:
        return qint64(qint16(quint16((data[0] << 8 | data[1]) ^ 0x8000)));
    case Long:
    case AutoInc:
        return qint64(qint32(unflip32(data)));
    case Number:
    case Currency:
        return sortableDouble(data);
    case DateField: {
        const QDate d = dateFromOrdinal(qint32(unflip32(data)));
        if (d.isValid()) return d;
        *invalid = true;
        return {};
    }
    case LogicalField:
        return (data[0] & 0x7F) != 0;
    case Time: {
        const QString t = timeText(qint32(unflip32(data)));
        if (t.isEmpty()) *invalid = true;
        return t.isEmpty() ? QVariant() : QVariant(t);
    }
    case Timestamp: {
        const double ms = sortableDouble(data);
        QString text;
        if (std::isfinite(ms) && std::fabs(ms) < 1e15) {
            const double days = std::floor(ms / 86400000.0);
            text = timestampText(dateFromOrdinal(qint64(days)), qint64(ms - days * 86400000.0));
        }
        if (text.isEmpty()) *invalid = true;
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case Bcd: {
        // Sign bit and the number of decimals, then 32 digits (inverted when negative).
        const bool negative = !(data[0] & 0x80);
        const int own = data[0] & 0x3F;
        const int decimals = own <= 32 ? own : c.decimals;
        char text[40];
        int n = 0;
        if (negative) text[n++] = '-';
        for (int i = 0; i < 32; ++i) {
            if (i == 32 - decimals) {
                if (i == 0) text[n++] = '0';
                text[n++] = '.';
            }
            int nibble = (data[1 + i / 2] >> (i % 2 ? 0 : 4)) & 0x0F;
            if (negative) nibble = 15 - nibble;
            if (nibble > 9) return {};
            text[n++] = char('0' + nibble);
        }
        const auto v = parseDouble(std::string_view(text, size_t(n)));
        return v ? QVariant(*v) : QVariant();
    }
    case MemoBlob:
    case FormattedMemo:
    case Blob: {
        QByteArray bytes = readBlob(data, c.length - BlobPointer);
        while (bytes.endsWith('\0'))
            bytes.chop(1);
        if (bytes.isEmpty()) return {};
        return m_codec.decode(bytes);
    }
    default:
        return {};
    }
}

QByteArray ParadoxTable::readBlobBytes(qint64 at, qint64 length)
{
    if (at < 0 || length < 0 || at + length > m_blobFile.size()) return {};
    if (!m_key) {
        if (!m_blobFile.seek(at)) return {};
        return m_blobFile.read(length);
    }
    // The memo file is scrambled in 256-byte chunks from its start.
    const qint64 first = at / CryptChunk * CryptChunk;
    const qint64 end = (at + length + CryptChunk - 1) / CryptChunk * CryptChunk;
    if (!m_blobFile.seek(first)) return {};
    QByteArray chunks = m_blobFile.read(end - first);
    chunks.resize(end - first, '\0');
    auto* u = reinterpret_cast<unsigned char*>(chunks.data());
    for (qint64 i = 0; i < chunks.size(); i += CryptChunk)
        decryptChunk(u + i, quint8(m_key), quint8(m_key >> 8), quint8(m_key + 1), quint8((m_key >> 8) + 1));
    return chunks.mid(at - first, length);
}

QByteArray ParadoxTable::readBlob(const unsigned char* field, int leaderLength)
{
    const unsigned char* pointer = field + leaderLength;
    const quint32 offset = le32(pointer);
    const qint64 length = le32(pointer + 4);
    if (length == 0) return {};
    // Short texts live in the record's leader alone.
    if (offset == 0) {
        if (length > leaderLength) fail(u"的备注指针已损坏"_s);
        return QByteArray(reinterpret_cast<const char*>(field), qsizetype(length));
    }
    const QString blobName = displayName(m_blobPath);
    const qint64 blobSize = m_blobFile.size();
    const int index = int(offset & 0xFF);
    const qint64 blockAt = offset & ~quint32(0xFF);
    auto broken
        = [&]() -> QByteArray { fail(u"的备注文件 %1 在位置 %2 已损坏"_s.arg(blobName).arg(blockAt)); };
    if (blockAt + 9 > blobSize) return broken();
    if (index == 0xFF) {
        // A block of its own: type 2, block count, length, modification number, then the text.
        const QByteArray head = readBlobBytes(blockAt, 9);
        if (head.size() != 9 || head[0] != 2 || blockAt + 9 + length > blobSize) return broken();
        const QByteArray data = readBlobBytes(blockAt + 9, length);
        if (data.size() != length) return broken();
        return data;
    }
    // A block shared by small texts: type 3, then 64 five-byte entries (offset / 16, length
    // in 16-byte units, modification number, length modulo 16). The pointer's low byte
    // picks the entry; a damaged one may name any of 255.
    if (index >= SubBlocks) return broken();
    const QByteArray head = readBlobBytes(blockAt, 12 + 5 * SubBlocks);
    if (head.size() != 12 + 5 * SubBlocks || head[0] != 3) return broken();
    const auto* entry = reinterpret_cast<const unsigned char*>(head.constData()) + 12 + 5 * index;
    const qint64 dataAt = blockAt + qint64(entry[0]) * 16;
    if (entry[0] == 0 || qint64(entry[0]) * 16 + length > BlobBlock || dataAt + length > blobSize)
        return broken();
    const QByteArray data = readBlobBytes(dataAt, length);
    if (data.size() != length) return broken();
    return data;
}

qint64 ParadoxTable::append(const QVariantList&)
{
    refuseWrite(m_path);
}

void ParadoxTable::update(qint64, const QVariantList&)
{
    refuseWrite(m_path);
}

void ParadoxTable::remove(qint64)
{
    refuseWrite(m_path);
}

void ParadoxTable::pack()
{
    refuseWrite(m_path);
}

void ParadoxTable::rewrite(const QList<QVariantList>&)
{
    refuseWrite(m_path);
}

} // namespace store::formats
