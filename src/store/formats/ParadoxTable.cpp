#include "ParadoxTable.h"

#include "../StoreError.h"
#include "../TablePath.h"

#include <QFileInfo>

#include <bit>
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

constexpr int CommonHeader = 0x58; // through version 3 the field list starts here
constexpr int DataHeader = 0x78; // from version 4 on
constexpr int BlobPointer = 10; // offset, length and modification number after a blob's leader
constexpr int BlobBlock = 0x1000;

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

// Doubles sort as bytes: a positive one has its sign bit set, a negative one every bit inverted.
double unflipDouble(const unsigned char* p)
{
    quint64 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = bits << 8 | p[i];
    bits = (bits & 0x8000000000000000ull) ? bits ^ 0x8000000000000000ull : ~bits;
    return std::bit_cast<double>(bits);
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

QString timeText(qint64 ms)
{
    const qint64 s = ms / 1000;
    return u"%1:%2:%3"_s.arg(s / 3600 % 24, 2, 10, QChar(u'0'))
        .arg(s / 60 % 60, 2, 10, QChar(u'0'))
        .arg(s % 60, 2, 10, QChar(u'0'));
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
    m_version = h[0x39];

    if (fileType != 0 && fileType != 2) fail(u"不是 Paradox 数据表 (文件类型 %1)"_s.arg(fileType));
    if (m_version < 3 || m_version > 0x0C)
        fail(u"的版本字节 0x%1 不是 Paradox 3 到 7"_s.arg(uint(m_version), 2, 16, QChar(u'0')));
    if (maxTableSize < 1 || maxTableSize > 32) fail(u"的块大小 %1 不合理"_s.arg(maxTableSize));
    m_blockSize = maxTableSize * 0x400;
    const int infoStart = m_version <= 4 ? CommonHeader : DataHeader;
    if (m_headerSize < infoStart || m_headerSize > m_fileSize) fail(u"的文件头不完整"_s);
    if (numFields < 1 || numFields > 255) fail(u"的字段数 %1 不合理"_s.arg(numFields));
    if (m_recordSize < 1) fail(u"的记录长度为 0"_s);
    // Version 4 and later keep the key at 0x5C and mark 0x25 with FF00FF00, which some
    // writers leave in older layouts too.
    const quint32 encryption = m_version <= 4 ? le32(h + 0x25) : (start.size() >= 0x60 ? le32(h + 0x5C) : 0);
    if (encryption != 0 && encryption != 0xFF00FF00u) fail(u"已加密，不能读取"_s);

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
        if (m_schema.fieldIndex(name) >= 0) fail(u"的字段名 %1 重复"_s.arg(name));

        FieldDef f;
        f.name = name;
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
            f.type = FieldType::Float;
            f.decimals = size;
            c.decimals = size;
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
        if ((c.type == MemoBlob || c.type == FormattedMemo || c.type == Blob || c.type == Ole
                || c.type == Graphic)
            && c.length <= BlobPointer)
            fail(u"的备注字段 %1 长度 %2 太短"_s.arg(name).arg(size));
        c.offset = offset;
        offset += c.length;
        m_columns.append(c);
        m_schema.fields.append(f);
    }
    if (offset != m_recordSize) fail(u"的记录长度 %1 与字段长度之和 %2 不符"_s.arg(m_recordSize).arg(offset));
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
    for (const Column& c : m_columns)
        hasBlob = hasBlob || c.type == MemoBlob || c.type == FormattedMemo || c.type == Blob;
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
    // Data blocks form a list from the first block on; blocks are numbered from 1.
    const qint64 blocksInFile = (m_fileSize - m_headerSize) / m_blockSize;
    std::vector<bool> seen(65536, false);
    QVariantList values;
    values.resize(m_columns.size());
    qint64 recno = 0;
    QByteArray block;
    for (int number = m_numRecords > 0 || m_fileBlocks > 0 ? m_firstBlock : 0; number != 0;) {
        if (number > blocksInFile) fail(u"的数据块 %1 超出了文件末尾"_s.arg(number));
        if (seen[size_t(number)]) fail(u"的数据块链表出现循环 (块 %1)"_s.arg(number));
        seen[size_t(number)] = true;
        if (!m_file.seek(m_headerSize + qint64(number - 1) * m_blockSize))
            fail(u"无法读取: %1"_s.arg(m_file.errorString()));
        block = m_file.read(m_blockSize);
        if (block.size() != m_blockSize) fail(u"的数据块 %1 不完整"_s.arg(number));
        const auto* b = reinterpret_cast<const unsigned char*>(block.constData());
        const int next = le16(b);
        const int addDataSize = qint16(le16(b + 4));
        if (addDataSize >= 0) {
            const qint64 records = addDataSize / m_recordSize + 1;
            if (6 + records * m_recordSize > m_blockSize) fail(u"的数据块 %1 已损坏"_s.arg(number));
            for (qint64 r = 0; r < records; ++r) {
                const unsigned char* record = b + 6 + r * m_recordSize;
                for (qsizetype c = 0; c < m_columns.size(); ++c)
                    values[c] = decodeField(m_columns[c], record + m_columns[c].offset);
                row(++recno, values);
            }
        }
        number = next;
    }
}

QVariant ParadoxTable::decodeField(const Column& c, const unsigned char* data)
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
        return unflipDouble(data);
    case DateField: {
        const QDate d = dateFromOrdinal(qint32(unflip32(data)));
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case LogicalField:
        return (data[0] & 0x7F) != 0;
    case Time:
        return timeText(qint32(unflip32(data)));
    case Timestamp: {
        const double ms = unflipDouble(data);
        if (!std::isfinite(ms)) return {};
        const double days = std::floor(ms / 86400000.0);
        const QDate d = dateFromOrdinal(qint64(days));
        if (!d.isValid()) return {};
        return d.toString(u"yyyy-MM-dd "_s) + timeText(qint64(ms - days * 86400000.0));
    }
    case Bcd: {
        // Sign bit, then 32 decimal digits (inverted when negative); the last `decimals` follow the point.
        const bool negative = !(data[0] & 0x80);
        QByteArray digits;
        for (int i = 0; i < 32; ++i) {
            int nibble = (data[1 + i / 2] >> (i % 2 ? 0 : 4)) & 0x0F;
            if (negative) nibble = 15 - nibble;
            if (nibble > 9) return {};
            digits += char('0' + nibble);
        }
        const int decimals = std::min(c.decimals, 32);
        const QByteArray text
            = (negative ? "-" : "") + digits.left(32 - decimals) + '.' + digits.mid(32 - decimals);
        const auto v = parseDouble(std::string_view(text.constData(), size_t(text.size())));
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
    if (blockAt + 9 > blobSize || !m_blobFile.seek(blockAt)) return broken();
    if (index == 0xFF) {
        // A block of its own: type 2, block count, length, modification number, then the text.
        const QByteArray head = m_blobFile.read(9);
        if (head.size() != 9 || head[0] != 2 || blockAt + 9 + length > blobSize) return broken();
        const QByteArray data = m_blobFile.read(length);
        if (data.size() != length) return broken();
        return data;
    }
    // A block shared by small texts: type 3, then 64 five-byte entries (offset / 16, length
    // in 16-byte units, modification number, length modulo 16).
    const QByteArray head = m_blobFile.read(12 + 5 * 64);
    if (head.size() != 12 + 5 * 64 || head[0] != 3) return broken();
    const auto* entry = reinterpret_cast<const unsigned char*>(head.constData()) + 12 + 5 * index;
    const qint64 dataAt = blockAt + qint64(entry[0]) * 16;
    if (entry[0] == 0 || length > qint64(entry[1]) * 16 || qint64(entry[0]) * 16 + length > BlobBlock
        || dataAt + length > blobSize || !m_blobFile.seek(dataAt))
        return broken();
    const QByteArray data = m_blobFile.read(length);
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
