#include "DbfTable.h"

#include "../StoreError.h"
#include "../TablePath.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace store::formats {

namespace {

constexpr int FileHeaderSize = 32;
constexpr int DescriptorSize = 32;
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

bool isGbkDriver(quint8 b)
{
    return b == 0x00 || b == 0x4D || b == 0x7A;
}

// The code page a language-driver byte stands for, for the message that refuses it.
int codePageOf(quint8 b)
{
    switch (b) {
    case 0x01:
        return 437;
    case 0x02:
        return 850;
    case 0x03:
    case 0x57:
    case 0x58:
    case 0x59:
        return 1252;
    case 0x13:
    case 0x7B:
        return 932;
    case 0x4E:
    case 0x79:
        return 949;
    case 0x4F:
    case 0x78:
        return 950;
    case 0x64:
        return 852;
    case 0x65:
    case 0x26:
        return 866;
    case 0x66:
        return 865;
    case 0x67:
        return 861;
    case 0x7C:
        return 874;
    case 0x7D:
        return 1255;
    case 0x7E:
        return 1256;
    case 0xC8:
        return 1250;
    case 0xC9:
        return 1251;
    case 0xCA:
        return 1254;
    case 0xCB:
        return 1253;
    default:
        return 0;
    }
}

FieldType typeOfColumn(char type, int length, int decimals)
{
    switch (type) {
    case 'C':
        return FieldType::Text;
    case 'N':
        if (decimals == 0 && length <= 4) return FieldType::SmallInt;
        if (decimals == 0 && length <= 9) return FieldType::Integer;
        return FieldType::Float;
    case 'F':
        return FieldType::Float;
    case 'D':
        return FieldType::Date;
    case 'L':
        return FieldType::Logical;
    default:
        return FieldType::Memo;
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
    switch (m_version) {
    case 0x03:
    case 0x83:
    case 0x8B:
    case 0xCB:
    case 0x43:
    case 0x63:
    case 0xF5:
    case 0xFB:
        break;
    default:
        fail(u"不是 dBase III/IV 格式的表 (版本字节 0x%1)"_s.arg(uint(m_version), 2, 16, QChar(u'0')));
    }
    const qint64 count = le32(head.constData() + 4);
    m_headerSize = le16(head.constData() + 8);
    m_recordSize = le16(head.constData() + 10);
    m_language = quint8(head[29]);
    if (m_headerSize < FileHeaderSize + 1) fail(u"的文件头不完整"_s);

    // Field descriptors end with 0x0D; some writers leave it out when the header ends there.
    const QByteArray header = head + m_file.read(std::min<qint64>(m_headerSize, fileSize) - FileHeaderSize);
    const qsizetype available = header.size();
    m_columns.clear();
    m_schema = {};
    int offset = 1;
    for (qsizetype pos = FileHeaderSize;; pos += DescriptorSize) {
        if (pos >= available) {
            if (pos < m_headerSize) fail(u"的字段说明超出了文件末尾"_s);
            break;
        }
        if (header[pos] == '\r' || header[pos] == '\n') break;
        if (pos + DescriptorSize > available)
            fail(available < m_headerSize ? u"的字段说明超出了文件末尾"_s : u"的字段说明超出了文件头"_s);
        const char* d = header.constData() + pos;
        const qsizetype nameLength = qsizetype(strnlen(d, 11));
        const QString name = m_codec.decode(d, nameLength).trimmed();
        Column c;
        c.type = char(std::toupper(static_cast<unsigned char>(d[11])));
        c.length = quint8(d[16]);
        c.decimals = quint8(d[17]);
        if (c.type == 'C') {
            // Clipper and FoxPro keep the high byte of a long text's length in the decimals.
            c.length |= c.decimals << 8;
            c.decimals = 0;
        }
        if (name.isEmpty()) fail(u"的第 %1 个字段没有名字"_s.arg(m_columns.size() + 1));
        if (c.type == '\0' || !std::strchr("CNFDLM", c.type))
            fail(u"的字段 %1 是不支持的类型 '%2'"_s.arg(name, QChar::fromLatin1(c.type)));
        if (c.length == 0) fail(u"的字段 %1 长度为 0"_s.arg(name));
        if (c.type == 'D' && c.length != 8) fail(u"的日期字段 %1 长度不是 8"_s.arg(name));
        if (c.type == 'L' && c.length != 1) fail(u"的逻辑字段 %1 长度不是 1"_s.arg(name));
        if (m_schema.fieldIndex(name) >= 0) fail(u"的字段名 %1 重复"_s.arg(name));
        c.offset = offset;
        offset += c.length;
        FieldDef f;
        f.name = name;
        f.type = typeOfColumn(c.type, c.length, c.decimals);
        f.size = f.type == FieldType::Text ? c.length : 0;
        f.decimals = f.type == FieldType::Float ? c.decimals : 0;
        m_columns.append(c);
        m_schema.fields.append(f);
    }
    if (m_headerSize > fileSize) fail(u"的文件头不完整"_s);
    if (m_columns.isEmpty()) fail(u"没有字段"_s);
    if (offset > m_recordSize) fail(u"的记录长度 %1 小于字段长度之和 %2"_s.arg(m_recordSize).arg(offset));
    if (!isGbkDriver(m_language)) {
        const int page = codePageOf(m_language);
        fail(u"的语言驱动字节 0x%1 表示%2，不是 GBK (代码页 936)，不能读取"_s
                 .arg(uint(m_language), 2, 16, QChar(u'0'))
                 .arg(page ? u"代码页 %1"_s.arg(page) : u"未知的代码页"_s));
    }
    if (qint64(m_headerSize) + count * m_recordSize > fileSize)
        fail(u"的记录数 %1 与文件大小不符 (文件只有 %2 字节)"_s.arg(count).arg(fileSize));
    m_count = count;
}

void DbfTable::openMemo()
{
    bool hasMemo = false;
    for (const Column& c : m_columns)
        hasMemo = hasMemo || c.type == 'M';
    m_memoFormat = MemoFormat::None;
    m_readOnlyReason.clear();
    m_memo.close();
    if (!hasMemo) return;
    switch (m_version) {
    case 0x8B:
    case 0xCB:
        m_memoFormat = MemoFormat::Dbase4;
        break;
    case 0xF5:
    case 0xFB:
        m_memoFormat = MemoFormat::FoxPro;
        break;
    default:
        m_memoFormat = MemoFormat::Dbase3;
        break;
    }
    m_memoPath = companionPath(m_path, m_memoFormat == MemoFormat::FoxPro ? u"fpt"_s : u"dbt"_s);
    const QString memoName = displayName(m_memoPath);
    if (!QFileInfo::exists(m_memoPath)) fail(u"的备注文件 %1 不存在"_s.arg(memoName));
    m_memo.setFileName(m_memoPath);
    const bool memoWritable = m_memo.open(QIODevice::ReadWrite);
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
    for (qint64 first = 0; first < m_count; first += perChunk) {
        const qint64 n = std::min(perChunk, m_count - first);
        const QByteArray chunk = m_file.read(n * m_recordSize);
        if (chunk.size() != n * m_recordSize) fail(u"的记录数 %1 与文件大小不符"_s.arg(m_count));
        for (qint64 i = 0; i < n; ++i) {
            const char* record = chunk.constData() + i * m_recordSize;
            if (record[0] == EndOfFile) return;
            if (record[0] == '*') continue;
            for (qsizetype c = 0; c < m_columns.size(); ++c)
                values[c] = decodeField(m_columns[c], m_schema.fields[c].type, record + m_columns[c].offset);
            row(first + i + 1, values);
        }
    }
}

QVariant DbfTable::decodeField(const Column& column, FieldType type, const char* data)
{
    const std::string_view raw(data, size_t(column.length));
    switch (column.type) {
    case 'C': {
        size_t end = raw.size();
        while (end > 0 && (raw[end - 1] == ' ' || raw[end - 1] == '\0'))
            --end;
        if (end == 0) return {};
        return m_codec.decode(data, qsizetype(end));
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
        int digits[8];
        for (int i = 0; i < 8; ++i) {
            if (data[i] < '0' || data[i] > '9') return {};
            digits[i] = data[i] - '0';
        }
        const int y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
        const int m = digits[4] * 10 + digits[5];
        const int d = digits[6] * 10 + digits[7];
        const QDate date(y, m, d);
        return date.isValid() && y > 0 ? QVariant(date) : QVariant();
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
    case 'M': {
        const QByteArray memo = readMemo(QByteArray(data, column.length));
        if (memo.isEmpty()) return {};
        return m_codec.decode(memo);
    }
    }
    return {};
}

qint64 DbfTable::memoBlock(const QByteArray& index) const
{
    if (m_memoFormat == MemoFormat::FoxPro && index.size() == 4) return le32(index.constData());
    const auto n = parseInteger(std::string_view(index.constData(), size_t(index.size())));
    return n && *n > 0 ? *n : 0;
}

QByteArray DbfTable::readMemo(const QByteArray& index)
{
    const qint64 block = memoBlock(index);
    if (block == 0) return {};
    const QString memoName = displayName(m_memoPath);
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
