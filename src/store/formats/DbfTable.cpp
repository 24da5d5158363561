#include "DbfTable.h"

#include "../StoreError.h"
#include "../TablePath.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace store::formats {

namespace {

constexpr int FileHeaderSize = 32;
constexpr int DescriptorSize = 32;
constexpr int Dbase7HeaderSize = 68;
constexpr int Dbase7DescriptorSize = 48;
constexpr int MaxNameBytes = 10;
constexpr int MaxCharLength = 255;
constexpr int MaxFields = 255;
constexpr int Dbase3MemoBlock = 512;
constexpr char EndOfFile = 0x1A;
constexpr quint8 Gbk = 0x7A;
// Records read at a time: large enough to keep reads efficient, small enough for any table.
constexpr qint64 ReadChunkBytes = 4 << 20;

quint32 le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

quint16 le16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16(u[0] | u[1] << 8);
}

quint32 be32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[3]) | quint32(u[2]) << 8 | quint32(u[1]) << 16 | quint32(u[0]) << 24;
}

void putLe32(char* p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

void putLe16(char* p, quint16 v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}

// The versions whose layout our writer keeps: dBase III/IV and FoxPro 2 with their memos.
bool isWritableVersion(quint8 v)
{
    switch (v) {
    case 0x03:
    case 0x83:
    case 0x8B:
    case 0xCB:
    case 0x43:
    case 0x63:
    case 0xF5:
    case 0xFB:
        return true;
    default:
        return false;
    }
}

bool isKnownVersion(quint8 v)
{
    return isWritableVersion(v) || v == 0x02 || v == 0x30 || v == 0x31 || v == 0x32 || v == 0x04 || v == 0x8C;
}

bool isVisualFoxPro(quint8 v)
{
    return v == 0x30 || v == 0x31 || v == 0x32;
}

// dBase 7 (level 7): 48-byte field descriptors after a 68-byte header.
bool isDbase7(quint8 v)
{
    return (v & 0x07) == 0x04;
}

quint32 be32flip(const char* p)
{
    return be32(p) ^ 0x80000000u;
}

double flippedDouble(const char* p)
{
    return sortableDouble(reinterpret_cast<const unsigned char*>(p));
}

quint64 le64(const char* p)
{
    return quint64(le32(p)) | quint64(le32(p + 4)) << 32;
}

bool allBytes(const char* p, int n, char a, char b)
{
    for (int i = 0; i < n; ++i)
        if (p[i] != a && p[i] != b) return false;
    return true;
}

// Types whose value lives in the memo file but is not text: read as null.
bool isBinaryMemo(char type, int length)
{
    return type == 'G' || type == 'W' || type == 'P' || (type == 'B' && length != 8);
}

FieldType typeOfColumn(char type, int length, int decimals, bool visualFoxPro)
{
    switch (type) {
    case 'C':
    case 'V':
    case 'T':
    case '@':
        return FieldType::Text;
    case 'N':
        if (decimals == 0 && length <= 4) return FieldType::SmallInt;
        if (decimals == 0 && length <= 9) return FieldType::Integer;
        return FieldType::Float;
    case 'I':
    case '+':
        return FieldType::Integer;
    case 'F':
    case 'Y':
    case 'O':
        return FieldType::Float;
    case 'B':
        return visualFoxPro || length == 8 ? FieldType::Float : FieldType::Memo;
    case 'D':
        return FieldType::Date;
    case 'L':
        return FieldType::Logical;
    default:
        return FieldType::Memo;
    }
}

// The width a fixed-width type must have; 0 for types of any width.
int fixedWidth(char type, bool visualFoxPro)
{
    switch (type) {
    case 'D':
    case 'Y':
    case 'T':
    case 'O':
    case '@':
        return 8;
    case 'L':
        return 1;
    case 'I':
    case '+':
        return 4;
    case 'B':
        return visualFoxPro ? 8 : 0;
    default:
        return 0;
    }
}

QByteArray rightAligned(const QByteArray& text, int width)
{
    return QByteArray(width - text.size(), ' ') + text;
}

} // namespace

struct DbfTable::Sink
{
    std::function<void(const QByteArray& record)> record;
    std::function<qint64(const QByteArray& memo)> memo;
};

DbfTable::DbfTable(const QString& path)
    : m_path(path)
    , m_name(displayName(path))
    , m_file(path)
{
}

DbfTable::~DbfTable() = default;

void DbfTable::fail(const QString& what) const
{
    throw StoreError(u"dBase 表 %1 %2"_s.arg(m_name, what));
}

std::unique_ptr<DbfTable> DbfTable::open(const QString& path)
{
    std::unique_ptr<DbfTable> table(new DbfTable(path));
    table->openFiles();
    table->readHeader();
    table->openMemo();
    return table;
}

void DbfTable::openFiles()
{
    if (!QFileInfo::exists(m_path)) fail(u"不存在"_s);
    m_fileWritable = m_file.open(QIODevice::ReadWrite);
    if (!m_fileWritable && !m_file.open(QIODevice::ReadOnly))
        fail(u"无法打开: %1"_s.arg(m_file.errorString()));
}

void DbfTable::readHeader()
{
    const qint64 fileSize = m_file.size();
    if (!m_file.seek(0)) fail(u"无法读取: %1"_s.arg(m_file.errorString()));
    const QByteArray head = m_file.read(FileHeaderSize);
    if (head.size() < FileHeaderSize) fail(u"的文件头不完整"_s);
    m_version = quint8(head[0]);
    if (!isKnownVersion(m_version))
        fail(u"不是 dBase、FoxPro 或 Visual FoxPro 格式的表 (版本字节 0x%1)"_s.arg(
            uint(m_version), 2, 16, QChar(u'0')));
    const bool foxPro = isVisualFoxPro(m_version);
    const bool level7 = isDbase7(m_version);
    const int descriptorSize = level7 ? Dbase7DescriptorSize : DescriptorSize;
    const int fieldsAt = level7 ? Dbase7HeaderSize : FileHeaderSize;
    const qint64 count = le32(head.constData() + 4);
    m_headerSize = le16(head.constData() + 8);
    m_recordSize = le16(head.constData() + 10);
    m_language = quint8(head[29]);
    if (m_headerSize < fieldsAt + 1) fail(u"的文件头不完整"_s);

    // Field descriptors end with 0x0D; some writers leave it out when the header ends there.
    const QByteArray header = head + m_file.read(std::min<qint64>(m_headerSize, fileSize) - FileHeaderSize);
    const qsizetype available = header.size();

    // The code page first: field names are in it too.
    m_codePage = codePageOverride();
    if (!m_codePage) m_codePage = codePageOfDbaseMark(m_language);
    if (!m_codePage && level7 && available >= fieldsAt) {
        // dBase 7 also names its language driver ("DB437US0", "DBWINUS0").
        const QByteArray driver = header.mid(FileHeaderSize, 32);
        if (driver.startsWith("DBWIN"))
            m_codePage = 1252;
        else if (driver.startsWith("DB") && driver.size() >= 5)
            m_codePage = driver.mid(2, 3).toInt();
        if (!isKnownCodePage(m_codePage)) m_codePage = 0;
    }
    if (!m_codePage) {
        // No mark (or one we do not know): the program's own files are GBK.
        if (m_language != 0)
            publishNote(u"dBase 表 %1 的语言驱动字节 0x%2 未知，按 GBK (代码页 936) 读取"_s.arg(m_name).arg(
                uint(m_language), 2, 16, QChar(u'0')));
        m_codePage = 936;
    }
    m_codec = TextCodec(m_codePage);

    m_columns.clear();
    m_schema = {};
    m_nullFlagsOffset = -1;
    m_nullFlagsLength = 0;
    bool legacyTypes = true;
    int flagBit = 0;
    int offset = 1;
    for (qsizetype pos = fieldsAt;; pos += descriptorSize) {
        if (pos >= available) {
            if (pos < m_headerSize) fail(u"的字段说明超出了文件末尾"_s);
            break;
        }
        if (header[pos] == '\r' || header[pos] == '\n') break;
        if (pos + descriptorSize > available)
            fail(available < m_headerSize ? u"的字段说明超出了文件末尾"_s : u"的字段说明超出了文件头"_s);
        const char* d = header.constData() + pos;
        const int nameBytes = level7 ? 32 : 11;
        const qsizetype nameLength = qsizetype(strnlen(d, size_t(nameBytes)));
        const QString name = m_codec.decode(d, nameLength).trimmed();
        const char* t = level7 ? d + 32 : d + 11;
        Column c;
        c.type = char(std::toupper(static_cast<unsigned char>(t[0])));
        c.length = quint8(t[level7 ? 1 : 5]);
        c.decimals = quint8(t[level7 ? 2 : 6]);
        const quint8 flags = level7 ? 0 : quint8(d[18]);
        if (c.type == 'C') {
            // Clipper and FoxPro keep the high byte of a long text's length in the decimals.
            c.length |= c.decimals << 8;
            c.decimals = 0;
        }
        const int columnNumber = int(m_columns.size()) + 1;
        if (c.length == 0)
            fail(u"的字段 %1 长度为 0"_s.arg(name.isEmpty() ? QString::number(columnNumber) : name));
        c.offset = offset;
        offset += c.length;
        if (foxPro && (c.type == '0' || (flags & 0x01))) {
            // A system field (_NullFlags): hidden; its bits say which values are null.
            if (c.type == '0' && m_nullFlagsOffset < 0) {
                m_nullFlagsOffset = c.offset;
                m_nullFlagsLength = c.length;
            }
            legacyTypes = false;
            continue;
        }
        if (name.isEmpty()) fail(u"的第 %1 个字段没有名字"_s.arg(columnNumber));
        if (c.type == '\0' || !std::strchr("CNFDLMIYTBVQWGPO@+", c.type))
            fail(u"的字段 %1 是不支持的类型 '%2'"_s.arg(name, QChar::fromLatin1(c.type)));
        if (const int width = fixedWidth(c.type, foxPro); width && c.length != width) {
            if (c.type == 'D') fail(u"的日期字段 %1 长度不是 8"_s.arg(name));
            if (c.type == 'L') fail(u"的逻辑字段 %1 长度不是 1"_s.arg(name));
            fail(u"的字段 %1 (类型 '%2') 长度 %3 不对"_s.arg(name, QChar::fromLatin1(c.type)).arg(c.length));
        }
        if (!std::strchr("CNFDLM", c.type) || (c.type == 'M' && c.length == 4)) legacyTypes = false;
        if (foxPro && (c.type == 'V' || c.type == 'Q')) c.varBit = flagBit++;
        if (foxPro && (flags & 0x02)) c.nullBit = flagBit++;
        FieldDef f;
        f.name = distinctName(m_schema, name);
        f.type = typeOfColumn(c.type, c.length, c.decimals, foxPro);
        f.size = c.type == 'T' || c.type == '@' ? 19 : f.type == FieldType::Text ? c.length : 0;
        f.decimals = c.type == 'Y'                                           ? 4
            : f.type == FieldType::Float && (c.type == 'N' || c.type == 'F') ? c.decimals
                                                                             : 0;
        m_columns.append(c);
        m_schema.fields.append(f);
    }
    if (m_headerSize > fileSize) fail(u"的文件头不完整"_s);
    // Some writers count the fields but forget the deletion flag: the fields decide.
    if (offset == m_recordSize + 1) m_recordSize = offset;
    if (offset > m_recordSize) fail(u"的记录长度 %1 小于字段长度之和 %2"_s.arg(m_recordSize).arg(offset));
    if (m_nullFlagsOffset >= 0) {
        if (flagBit > m_nullFlagsLength * 8) fail(u"的 _NullFlags 字段太短"_s);
    } else {
        // Without _NullFlags there are no bits to read.
        for (Column& c : m_columns)
            c.nullBit = c.varBit = -1;
    }
    if (qint64(m_headerSize) + count * m_recordSize > fileSize)
        fail(u"的记录数 %1 与文件大小不符 (文件只有 %2 字节)"_s.arg(count).arg(fileSize));
    m_count = count;

    m_readOnlyReason.clear();
    if (!isWritableVersion(m_version) || !legacyTypes)
        m_readOnlyReason = u"不是 dBase III/IV 格式，只能读取"_s;
    else if (m_codePage != 936)
        m_readOnlyReason = u"的代码页是 %1，不是 GBK (代码页 936)，只能读取"_s.arg(m_codePage);
}

void DbfTable::openMemo()
{
    bool hasMemo = false;
    for (const Column& c : m_columns)
        hasMemo = hasMemo || c.type == 'M' || (isBinaryMemo(c.type, c.length) && c.type != 'B');
    m_memoFormat = MemoFormat::None;
    m_memo.close();
    if (!hasMemo) return;
    switch (m_version) {
    case 0x8B:
    case 0xCB:
    case 0x8C:
    case 0x04:
        m_memoFormat = MemoFormat::Dbase4;
        break;
    case 0xF5:
    case 0xFB:
    case 0x30:
    case 0x31:
    case 0x32:
        m_memoFormat = MemoFormat::FoxPro;
        break;
    default:
        m_memoFormat = MemoFormat::Dbase3;
        break;
    }
    const QString own = m_memoFormat == MemoFormat::FoxPro ? u"fpt"_s : u"dbt"_s;
    m_memoPath = companionPath(m_path, own);
    if (!QFileInfo::exists(m_memoPath)) {
        // A FoxBase or dBase III table may come with a FoxPro memo, and the other way round.
        const QString other = companionPath(m_path, m_memoFormat == MemoFormat::FoxPro ? u"dbt"_s : u"fpt"_s);
        if (QFileInfo::exists(other)) {
            m_memoPath = other;
            m_memoFormat = m_memoFormat == MemoFormat::FoxPro ? MemoFormat::Dbase3 : MemoFormat::FoxPro;
        }
    }
    const QString memoName = displayName(m_memoPath);
    if (!QFileInfo::exists(m_memoPath)) fail(u"的备注文件 %1 不存在"_s.arg(memoName));
    m_memo.setFileName(m_memoPath);
    const bool memoWritable = m_readOnlyReason.isEmpty() && m_memo.open(QIODevice::ReadWrite);
    if (!memoWritable && !m_memo.open(QIODevice::ReadOnly))
        fail(u"的备注文件 %1 无法打开: %2"_s.arg(memoName, m_memo.errorString()));
    const QByteArray head = m_memo.read(Dbase3MemoBlock);
    if (head.size() < 24) fail(u"的备注文件 %1 不完整"_s.arg(memoName));
    if (m_memoFormat == MemoFormat::FoxPro)
        m_memoBlockSize = quint16((quint8(head[6]) << 8) | quint8(head[7]));
    else
        m_memoBlockSize = m_memoFormat == MemoFormat::Dbase4 ? le16(head.constData() + 20) : Dbase3MemoBlock;
    if (m_memoBlockSize <= 0) m_memoBlockSize = Dbase3MemoBlock;
    // New memos go after the last block the file holds. The header's next-free-block is
    // only kept up to date: trusting a damaged one would write far past the end.
    m_memoNext = std::max<qint64>((m_memo.size() + m_memoBlockSize - 1) / m_memoBlockSize, 1);
    if (!m_readOnlyReason.isEmpty()) return;
    if (m_memoFormat != MemoFormat::Dbase3)
        m_readOnlyReason = u"的备注文件不是 dBase III 格式，只能读取"_s;
    else if (!memoWritable)
        m_readOnlyReason = u"的备注文件是只读的"_s;
}

bool DbfTable::isWritable() const
{
    return m_fileWritable && m_readOnlyReason.isEmpty();
}

void DbfTable::requireWritable() const
{
    if (!m_fileWritable) fail(u"是只读文件，不能修改"_s);
    if (!m_readOnlyReason.isEmpty()) fail(m_readOnlyReason);
}

void DbfTable::requireRecord(qint64 recno) const
{
    if (recno < 1 || recno > m_count) fail(u"没有第 %1 条记录"_s.arg(recno));
}

// ---- reading --------------------------------------------------------------------------

void DbfTable::readAll(const std::function<void(qint64 recno, const QVariantList& values)>& row)
{
    const qint64 perChunk = std::max<qint64>(1, ReadChunkBytes / m_recordSize);
    if (!m_file.seek(m_headerSize)) fail(u"无法读取: %1"_s.arg(m_file.errorString()));
    QVariantList values;
    values.resize(m_columns.size());
    ReadNotes notes;
    m_codec.takeMarked();
    for (qint64 first = 0; first < m_count; first += perChunk) {
        const qint64 n = std::min(perChunk, m_count - first);
        const QByteArray chunk = m_file.read(n * m_recordSize);
        if (chunk.size() != n * m_recordSize) fail(u"的记录数 %1 与文件大小不符"_s.arg(m_count));
        for (qint64 i = 0; i < n; ++i) {
            const char* record = chunk.constData() + i * m_recordSize;
            if (record[0] == EndOfFile) break;
            if (record[0] == '*') continue;
            const qint64 recno = first + i + 1;
            for (qsizetype c = 0; c < m_columns.size(); ++c) {
                bool invalid = false;
                values[c] = decodeField(m_columns[c], m_schema.fields[c].type, record, &invalid);
                if (invalid) notes.add(ReadNotes::InvalidDate, m_schema.fields[c].name, recno);
                if (m_codec.takeMarked()) notes.add(ReadNotes::Undecodable, m_schema.fields[c].name, recno);
            }
            row(recno, values);
        }
    }
    notes.publish(u"dBase 表 "_s + m_name, m_codePage);
}

bool DbfTable::flagBit(const char* record, int bit) const
{
    return (quint8(record[m_nullFlagsOffset + bit / 8]) >> (bit % 8)) & 1;
}

QVariant DbfTable::decodeField(const Column& column, FieldType type, const char* record, bool* invalid)
{
    if (column.nullBit >= 0 && flagBit(record, column.nullBit)) return {};
    const char* data = record + column.offset;
    const std::string_view raw(data, size_t(column.length));
    switch (column.type) {
    case 'C': {
        size_t end = raw.size();
        while (end > 0 && (raw[end - 1] == ' ' || raw[end - 1] == '\0'))
            --end;
        if (end == 0) return {};
        return m_codec.decode(data, qsizetype(end));
    }
    case 'V': {
        // A shorter value keeps its length in the field's last byte.
        int length = column.length;
        if (column.varBit >= 0 && flagBit(record, column.varBit))
            length = std::min(int(quint8(data[column.length - 1])), column.length - 1);
        if (length == 0) return {};
        return m_codec.decode(data, length);
    }
    case 'N':
    case 'F': {
        std::string_view text = trimmed(raw);
        // A value too wide for its field is written as asterisks: no value survives.
        while (!text.empty() && text.front() == '*')
            text.remove_prefix(1);
        if (text.empty()) return {};
        if (type == FieldType::Float) {
            const auto d = parseDouble(text);
            return d ? QVariant(*d) : QVariant();
        }
        if (const auto n = parseInteger(text)) return QVariant(qint64(*n));
        const auto d = parseDouble(text);
        return d ? QVariant(qint64(std::llround(*d))) : QVariant();
    }
    case 'D': {
        if (allBytes(data, 8, ' ', '\0') || allBytes(data, 8, '0', ' ')) return {};
        int digits[8];
        bool ok = true;
        for (int i = 0; i < 8 && ok; ++i) {
            ok = data[i] >= '0' && data[i] <= '9';
            digits[i] = data[i] - '0';
        }
        if (ok) {
            const int y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
            const int m = digits[4] * 10 + digits[5];
            const int d = digits[6] * 10 + digits[7];
            const QDate date(y, m, d);
            if (date.isValid() && y > 0) return date;
        }
        *invalid = true;
        return {};
    }
    case 'L':
        switch (data[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return true;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return false;
        default:
            return {};
        }
    case 'I':
    case '+':
        if (isDbase7(m_version)) {
            if (allBytes(data, 4, '\0', '\0')) return {};
            return qint64(qint32(be32flip(data)));
        }
        return qint64(qint32(le32(data)));
    case 'Y':
        return double(qint64(le64(data))) / 10000.0;
    case 'B':
        if (column.length != 8) return {};
        return std::bit_cast<double>(le64(data));
    case 'O': {
        if (allBytes(data, 8, '\0', '\0')) return {};
        return flippedDouble(data);
    }
    case 'T': {
        const qint64 day = le32(data);
        const qint64 ms = le32(data + 4);
        if (day == 0 && ms == 0) return {};
        const QString text = timestampText(QDate::fromJulianDay(day), ms);
        if (text.isEmpty()) *invalid = true;
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case '@': {
        if (allBytes(data, 8, '\0', '\0')) return {};
        const double ms = flippedDouble(data);
        if (!std::isfinite(ms) || std::fabs(ms) > 1e15) {
            *invalid = true;
            return {};
        }
        const double days = std::floor(ms / 86400000.0);
        const QString text = timestampText(dateFromOrdinal(qint64(days)), qint64(ms - days * 86400000.0));
        if (text.isEmpty()) *invalid = true;
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case 'M': {
        const QByteArray memo = readMemo(QByteArray(data, column.length));
        if (memo.isEmpty()) return {};
        return m_codec.decode(memo);
    }
    default:
        // Binary values (varbinary, blob, general, picture, OLE) hold nothing that reads as text.
        return {};
    }
}

qint64 DbfTable::memoBlock(const QByteArray& index) const
{
    // Visual FoxPro and some dBase 7 writers keep the block number in four binary bytes.
    if (index.size() == 4) return le32(index.constData());
    const auto n = parseInteger(std::string_view(index.constData(), size_t(index.size())));
    return n && *n > 0 ? *n : 0;
}

QByteArray DbfTable::readMemo(const QByteArray& index)
{
    const qint64 block = memoBlock(index);
    if (block == 0) return {};
    const QString memoName = displayName(m_memoPath);
    if (!m_memo.isOpen()) fail(u"的备注文件 %1 不存在"_s.arg(memoName));
    const qint64 memoSize = m_memo.size();
    const qint64 pos = block * m_memoBlockSize;
    if (block > memoSize / m_memoBlockSize || pos >= memoSize || !m_memo.seek(pos))
        fail(u"的备注文件 %1 中没有第 %2 块"_s.arg(memoName).arg(block));
    const qint64 left = memoSize - pos;
    if (m_memoFormat == MemoFormat::FoxPro) {
        const QByteArray head = m_memo.read(8);
        const qint64 length = head.size() == 8 ? be32(head.constData() + 4) : -1;
        if (length < 0 || length > left - 8) fail(u"的备注文件 %1 第 %2 块已损坏"_s.arg(memoName).arg(block));
        return m_memo.read(length);
    }
    if (m_memoFormat == MemoFormat::Dbase4) {
        const QByteArray head = m_memo.read(8);
        if (head.size() == 8 && quint8(head[0]) == 0xFF && quint8(head[1]) == 0xFF) {
            // The length counts the eight header bytes.
            const qint64 length = qint64(le32(head.constData() + 4)) - 8;
            if (length < 0 || length > left - 8)
                fail(u"的备注文件 %1 第 %2 块已损坏"_s.arg(memoName).arg(block));
            QByteArray data = m_memo.read(length);
            const qsizetype end = data.indexOf(EndOfFile);
            return end >= 0 ? data.left(end) : data;
        }
        m_memo.seek(pos);
    }
    // dBase III: the text runs to the first end-of-file byte.
    QByteArray data;
    while (data.size() < left) {
        const QByteArray part = m_memo.read(std::min<qint64>(Dbase3MemoBlock, left - data.size()));
        if (part.isEmpty()) break;
        const qsizetype end = part.indexOf(EndOfFile);
        if (end >= 0) return data + part.left(end);
        data += part;
    }
    return data;
}

// ---- writing --------------------------------------------------------------------------

QByteArray DbfTable::headerBytes(qint64 count) const
{
    QByteArray h(m_headerSize, '\0');
    h[0] = char(m_version);
    const QDate today = QDate::currentDate();
    h[1] = char(std::clamp(today.year() - 1900, 0, 255));
    h[2] = char(today.month());
    h[3] = char(today.day());
    putLe32(h.data() + 4, quint32(count));
    putLe16(h.data() + 8, quint16(m_headerSize));
    putLe16(h.data() + 10, quint16(m_recordSize));
    h[29] = char(m_language);
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        char* d = h.data() + FileHeaderSize + i * DescriptorSize;
        const QByteArray name = m_codec.encode(m_schema.fields[i].name);
        std::memcpy(d, name.constData(), size_t(std::min<qsizetype>(name.size(), MaxNameBytes)));
        const Column& c = m_columns[i];
        d[11] = c.type;
        d[16] = char(c.length & 0xFF);
        d[17] = char(c.type == 'C' ? c.length >> 8 : c.decimals);
    }
    h[FileHeaderSize + m_columns.size() * DescriptorSize] = '\r';
    return h;
}

QByteArray DbfTable::memoBytes(const QString& text)
{
    // The end-of-file byte ends a dBase III memo, so it cannot be part of one.
    QByteArray data = m_codec.encode(text);
    data.replace(EndOfFile, "");
    return data;
}

void DbfTable::encodeField(const Column& c, const FieldDef& field, const QVariant& value, char* out,
    const std::function<qint64(const QByteArray&)>& writeMemo)
{
    std::memset(out, ' ', size_t(c.length));
    if (value.isNull() || !value.isValid()) return;
    auto put = [&](const QByteArray& text) { std::memcpy(out, text.constData(), size_t(text.size())); };
    auto tooWide = [&](const QString& shown) {
        fail(u"的字段 %1 (宽 %2) 放不下数值 %3"_s.arg(field.name).arg(c.length).arg(shown));
    };
    switch (c.type) {
    case 'C': {
        const QByteArray bytes = m_codec.encode(value.toString());
        if (bytes.size() > c.length)
            fail(u"的字段 %1 的内容超过 %2 字节: %3"_s.arg(field.name).arg(c.length).arg(value.toString()));
        put(bytes);
        return;
    }
    case 'N':
    case 'F': {
        // The common cases go through a stack buffer: this runs for every number written.
        char buf[32];
        auto putRight
            = [&](const char* end) { std::memcpy(out + c.length - (end - buf), buf, size_t(end - buf)); };
        if (field.type == FieldType::SmallInt || field.type == FieldType::Integer) {
            const qint64 n
                = value.typeId() == QMetaType::Double ? std::llround(value.toDouble()) : value.toLongLong();
            const auto r = std::to_chars(buf, buf + sizeof buf, n);
            if (r.ptr - buf > c.length) tooWide(QString::number(n));
            putRight(r.ptr);
            return;
        }
        const double v = value.toDouble();
        if (!std::isfinite(v)) tooWide(QString::number(v));
        if (const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, c.decimals);
            r.ec == std::errc() && r.ptr - buf <= c.length) {
            double back = 0;
            const auto p = std::from_chars(buf, r.ptr, back);
            if (p.ec == std::errc() && back == v) {
                putRight(r.ptr);
                return;
            }
        }
        const auto fits = [&](const QByteArray& t) { return t.size() <= c.length; };
        if (const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
            r.ec == std::errc() && r.ptr - buf <= c.length) {
            putRight(r.ptr);
            return;
        }
        // Not exact with the declared places: the shortest exact text, then 15 significant
        // digits, then as many as the width holds.
        const QByteArray candidates[] = { shortestFixedNumber(v), shortestNumber(v),
            significantFixedNumber(v, 15), scientificNumber(v, 15) };
        QByteArray text;
        for (const QByteArray& t : candidates)
            if (fits(t)) {
                text = t;
                break;
            }
        for (int digits = 14; text.isEmpty() && digits > 0; --digits) {
            const QByteArray t = significantFixedNumber(v, digits);
            if (fits(t)) text = t;
        }
        if (text.isEmpty()) tooWide(QString::fromLatin1(shortestNumber(v)));
        put(rightAligned(text, c.length));
        return;
    }
    case 'D': {
        const QDate d = value.toDate();
        if (!d.isValid()) return;
        if (d.year() < 1 || d.year() > 9999)
            fail(u"的日期字段 %1 放不下日期 %2"_s.arg(field.name, d.toString(Qt::ISODate)));
        char buf[9];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year(), d.month(), d.day());
        std::memcpy(out, buf, 8);
        return;
    }
    case 'L':
        out[0] = value.toBool() ? 'T' : 'F';
        return;
    case 'M': {
        const QByteArray data = memoBytes(value.toString());
        if (data.isEmpty()) return;
        put(rightAligned(QByteArray::number(writeMemo(data)), c.length));
        return;
    }
    }
}

QByteArray DbfTable::encodeRecord(const QVariantList& values,
    const std::function<qint64(const QByteArray&)>& writeMemo, const QByteArray* previous)
{
    QByteArray record(m_recordSize, ' ');
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        const Column& c = m_columns[i];
        const QVariant value = i < values.size() ? values[i] : QVariant();
        if (c.type == 'M' && previous) {
            // An unchanged memo keeps its block, so editing other fields does not grow the .dbt.
            const QByteArray oldIndex = previous->mid(c.offset, c.length);
            bool same = false;
            try {
                same = !value.isNull() && memoBlock(oldIndex) > 0
                    && readMemo(oldIndex) == memoBytes(value.toString());
            } catch (const StoreError&) {
                // A broken old link is simply replaced.
            }
            if (same) {
                std::memcpy(record.data() + c.offset, oldIndex.constData(), size_t(c.length));
                continue;
            }
        }
        encodeField(c, m_schema.fields[i], value, record.data() + c.offset, writeMemo);
    }
    return record;
}

qint64 DbfTable::appendMemo(QFileDevice& file, qint64& nextBlock, const QByteArray& data)
{
    QByteArray block = data + "\x1A\x1A";
    block.append((Dbase3MemoBlock - block.size() % Dbase3MemoBlock) % Dbase3MemoBlock, '\0');
    const qint64 at = nextBlock;
    if (!file.seek(at * Dbase3MemoBlock) || file.write(block) != block.size()) throwIoError(m_name, file);
    nextBlock = at + block.size() / Dbase3MemoBlock;
    char head[4];
    putLe32(head, quint32(nextBlock));
    if (!file.seek(0) || file.write(head, 4) != 4) throwIoError(m_name, file);
    return at;
}

void DbfTable::touchHeader(qint64 count)
{
    // The whole fixed header: it also clears a production-index flag, as we keep no .mdx.
    const QByteArray head = headerBytes(count).left(FileHeaderSize);
    if (!m_file.seek(0) || m_file.write(head) != head.size()) throwIoError(m_name, m_file);
}

void DbfTable::syncAll()
{
    // The memo first: a record must never point at memo text that is not yet on disk.
    if (m_memo.isOpen()) syncToDisk(m_memo, m_name);
    syncToDisk(m_file, m_name);
}

qint64 DbfTable::append(const QVariantList& values)
{
    requireWritable();
    const QByteArray record
        = encodeRecord(values, [&](const QByteArray& memo) { return appendMemo(m_memo, m_memoNext, memo); });
    const qint64 at = qint64(m_headerSize) + m_count * m_recordSize;
    if (!m_file.seek(at) || m_file.write(record + EndOfFile) != record.size() + 1)
        throwIoError(m_name, m_file);
    touchHeader(m_count + 1);
    syncAll();
    return ++m_count;
}

void DbfTable::update(qint64 recno, const QVariantList& values)
{
    requireWritable();
    requireRecord(recno);
    const qint64 at = qint64(m_headerSize) + (recno - 1) * m_recordSize;
    if (!m_file.seek(at)) throwIoError(m_name, m_file);
    const QByteArray previous = m_file.read(m_recordSize);
    QByteArray record = encodeRecord(
        values, [&](const QByteArray& memo) { return appendMemo(m_memo, m_memoNext, memo); }, &previous);
    if (!previous.isEmpty() && previous[0] == '*') record[0] = '*';
    if (!m_file.seek(at) || m_file.write(record) != record.size()) throwIoError(m_name, m_file);
    touchHeader(m_count);
    syncAll();
}

void DbfTable::remove(qint64 recno)
{
    requireWritable();
    requireRecord(recno);
    if (!m_file.seek(qint64(m_headerSize) + (recno - 1) * m_recordSize) || m_file.write("*", 1) != 1)
        throwIoError(m_name, m_file);
    touchHeader(m_count);
    syncToDisk(m_file, m_name);
}

void DbfTable::replaceWith(const std::function<void(Sink&)>& produce)
{
    const bool memo = m_memoFormat != MemoFormat::None;
    QSaveFile dbf(m_path);
    QSaveFile dbt(memo ? m_memoPath : QString());
    if (!dbf.open(QIODevice::WriteOnly)) throwIoError(m_name, dbf);
    if (memo && !dbt.open(QIODevice::WriteOnly)) throwIoError(m_name, dbt);
    qint64 memoNext = 1;
    if (memo) {
        QByteArray head(Dbase3MemoBlock, '\0');
        head[16] = 0x03;
        if (dbt.write(head) != head.size()) throwIoError(m_name, dbt);
    }
    if (dbf.write(headerBytes(0)) != m_headerSize) throwIoError(m_name, dbf);
    qint64 count = 0;
    QByteArray buffer;
    auto drain = [&] {
        if (dbf.write(buffer) != buffer.size()) throwIoError(m_name, dbf);
        buffer.clear();
    };
    Sink sink;
    sink.record = [&](const QByteArray& record) {
        buffer += record;
        ++count;
        if (buffer.size() >= ReadChunkBytes) drain();
    };
    sink.memo = [&](const QByteArray& data) { return appendMemo(dbt, memoNext, data); };
    produce(sink);
    buffer += EndOfFile;
    drain();
    const QByteArray head = headerBytes(count).left(12);
    if (!dbf.seek(0) || dbf.write(head) != head.size()) throwIoError(m_name, dbf);
    if (memo) {
        syncToDisk(dbt, m_name);
        if (!dbt.commit()) throwIoError(m_name, dbt);
    }
    syncToDisk(dbf, m_name);
    m_file.close();
    m_memo.close();
    if (!dbf.commit()) throwIoError(m_name, dbf);
    syncDirectory(QFileInfo(m_path).absolutePath());
    openFiles();
    readHeader();
    openMemo();
}

void DbfTable::rewrite(const QList<QVariantList>& rows)
{
    requireWritable();
    replaceWith([&](Sink& sink) {
        for (const QVariantList& values : rows)
            sink.record(encodeRecord(values, sink.memo));
    });
}

void DbfTable::pack()
{
    requireWritable();
    // Live records are copied byte for byte; only their memo block numbers change.
    replaceWith([&](Sink& sink) {
        const qint64 perChunk = std::max<qint64>(1, ReadChunkBytes / m_recordSize);
        for (qint64 first = 0; first < m_count; first += perChunk) {
            const qint64 n = std::min(perChunk, m_count - first);
            if (!m_file.seek(m_headerSize + first * m_recordSize)) throwIoError(m_name, m_file);
            const QByteArray chunk = m_file.read(n * m_recordSize);
            if (chunk.size() != n * m_recordSize) fail(u"的记录数 %1 与文件大小不符"_s.arg(m_count));
            for (qint64 i = 0; i < n; ++i) {
                QByteArray record = chunk.mid(i * m_recordSize, m_recordSize);
                if (record[0] == EndOfFile) return;
                if (record[0] == '*') continue;
                record[0] = ' ';
                for (const Column& c : m_columns) {
                    if (c.type != 'M') continue;
                    const QByteArray index = record.mid(c.offset, c.length);
                    const QByteArray data = readMemo(index);
                    QByteArray field(c.length, ' ');
                    if (!data.isEmpty()) field = rightAligned(QByteArray::number(sink.memo(data)), c.length);
                    record.replace(c.offset, c.length, field);
                }
                sink.record(record);
            }
        }
    });
}

std::unique_ptr<DbfTable> DbfTable::create(const QString& path, const TableSchema& schema)
{
    std::unique_ptr<DbfTable> table(new DbfTable(path));
    DbfTable& t = *table;
    if (schema.fields.isEmpty()) t.fail(u"至少要有一个字段"_s);
    if (schema.fields.size() > MaxFields) t.fail(u"最多只能有 %1 个字段"_s.arg(MaxFields));
    bool hasMemo = false;
    int offset = 1;
    TableSchema own;
    for (const FieldDef& f : schema.fields) {
        const QByteArray name = t.m_codec.encode(f.name);
        if (f.name.trimmed().isEmpty()) t.fail(u"的字段名不能为空"_s);
        if (name.size() > MaxNameBytes)
            t.fail(u"的字段名 %1 超过 %2 字节 (dBase 字段名最长 10 字节)"_s.arg(f.name).arg(MaxNameBytes));
        if (own.fieldIndex(f.name) >= 0) t.fail(u"的字段名 %1 重复"_s.arg(f.name));
        Column c;
        FieldDef def = f;
        switch (f.type) {
        case FieldType::Text:
            c.type = 'C';
            c.length = std::max(f.size, 1);
            if (c.length > MaxCharLength)
                t.fail(
                    u"的字符字段 %1 长 %2 字节，dBase 字符字段最长 %3 字节"_s.arg(f.name).arg(c.length).arg(
                        MaxCharLength));
            def.size = c.length;
            break;
        case FieldType::SmallInt:
            c.type = 'N', c.length = 6;
            break;
        case FieldType::Integer:
            c.type = 'N', c.length = 11;
            break;
        case FieldType::Float:
            c.type = 'N';
            c.length = 20;
            c.decimals = f.decimals > 0 ? std::min(f.decimals, 15) : 4;
            def.decimals = c.decimals;
            break;
        case FieldType::Date:
            c.type = 'D', c.length = 8;
            break;
        case FieldType::Logical:
            c.type = 'L', c.length = 1;
            break;
        case FieldType::Memo:
            c.type = 'M';
            c.length = 10;
            hasMemo = true;
            break;
        }
        if (f.type != FieldType::Text) def.size = 0;
        if (f.type != FieldType::Float) def.decimals = 0;
        c.offset = offset;
        offset += c.length;
        t.m_columns.append(c);
        own.fields.append(def);
    }
    if (offset > 0xFFFF) t.fail(u"的记录长度 %1 超过 dBase 的上限 65535 字节"_s.arg(offset));
    t.m_schema = own;
    t.m_version = hasMemo ? 0x83 : 0x03;
    t.m_language = Gbk;
    t.m_headerSize = FileHeaderSize + int(t.m_columns.size()) * DescriptorSize + 1;
    t.m_recordSize = offset;

    QByteArray dbf = t.headerBytes(0);
    dbf += EndOfFile;
    const QString memoPath = companionPath(path, u"dbt"_s);
    if (hasMemo) {
        QByteArray head(Dbase3MemoBlock, '\0');
        putLe32(head.data(), 1);
        head[16] = 0x03;
        replaceFile(memoPath, head, t.m_name);
    } else if (QFileInfo::exists(memoPath) && !QFile::remove(memoPath)) {
        t.fail(u"的旧备注文件 %1 无法删除"_s.arg(displayName(memoPath)));
    }
    replaceFile(path, dbf, t.m_name);
    return open(path);
}

} // namespace store::formats
