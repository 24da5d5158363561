#include "FormatSupport.h"

#include "../FieldDef.h"
#include "../FileSync.h"
#include "../StoreError.h"
#include "../TablePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

using namespace Qt::StringLiterals;

namespace store::formats {

namespace {

// Qt's (ICU's) names for the code pages exchange files declare.
const char* codecName(int codePage)
{
    switch (codePage) {
    case 437:
        return "IBM437";
    case 737:
        return "IBM737";
    case 850:
        return "IBM850";
    case 852:
        return "IBM852";
    case 855:
        return "IBM855";
    case 857:
        return "IBM857";
    case 860:
        return "IBM860";
    case 861:
        return "IBM861";
    case 862:
        return "IBM862";
    case 863:
        return "IBM863";
    case 864:
        return "IBM864";
    case 865:
        return "IBM865";
    case 866:
        return "IBM866";
    case 869:
        return "IBM869";
    case 874:
        return "windows-874";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1252:
        return "windows-1252";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 10000:
        return "macintosh";
    case 10006:
        return "x-mac-greek";
    case 10007:
        return "x-mac-cyrillic";
    case 10029:
        return "x-mac-centraleurroman";
    default:
        return nullptr;
    }
}

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

// 0: no character begins with this byte; 1: a character of its own; 2: the lead of a pair.
int byteClass(int codePage, unsigned char b)
{
    if (b < 0x80) return 1;
    switch (codePage) {
    case 936:
        return b == 0x80 ? 1 : b == 0xFF ? 0 : 2; // 0x80 is the euro sign
    case 932:
        if (b >= 0xA1 && b <= 0xDF) return 1; // half-width katakana
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC) ? 2 : 0;
    default: // 949, 950
        return b >= 0x81 && b <= 0xFE ? 2 : 0;
    }
}

bool isTrail(int codePage, unsigned char b)
{
    switch (codePage) {
    case 936:
        return b >= 0x40 && b <= 0xFE && b != 0x7F;
    case 932:
        return b >= 0x40 && b <= 0xFC && b != 0x7F;
    case 949:
        return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
    default: // 950
        return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE);
    }
}

int g_codePageOverride = 0;
QStringList g_notes;
constexpr qsizetype MaxNotes = 200;
constexpr qsizetype RowsNamed = 10;

} // namespace

TextCodec::TextCodec(int codePage)
    : m_codePage(codecName(codePage) ? codePage : 936)
    , m_decoder(codecName(m_codePage))
    , m_encoder("GBK")
{
    if (!m_decoder.isValid() || !m_encoder.isValid())
        throw StoreError(u"本机的 Qt 不支持代码页 %1，无法读写交换格式的表"_s.arg(m_codePage));
}

QString TextCodec::decode(const char* data, qsizetype size)
{
    bool ascii = true;
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return QString::fromLatin1(data, size);
    if (isDoubleByte(m_codePage)) return decodeDoubleByte(reinterpret_cast<const unsigned char*>(data), size);
    m_decoder.resetState();
    QString text = m_decoder.decode(QByteArrayView(data, size));
    if (text.contains(QChar::ReplacementCharacter)) m_marked = true;
    return text;
}

QString TextCodec::decodeDoubleByte(const unsigned char* data, qsizetype size)
{
    // The converter would swallow a lead byte together with the byte after it, or drop one
    // at the end; runs of well-formed characters go to it, every other byte becomes U+FFFD.
    QString out;
    out.reserve(size);
    qsizetype runStart = 0;
    auto flush = [&](qsizetype end) {
        if (end > runStart) {
            m_decoder.resetState();
            out += m_decoder.decode(QByteArrayView(data + runStart, end - runStart));
        }
    };
    qsizetype i = 0;
    while (i < size) {
        const int cls = byteClass(m_codePage, data[i]);
        if (cls == 1) {
            ++i;
        } else if (cls == 2 && i + 1 < size && isTrail(m_codePage, data[i + 1])) {
            i += 2;
        } else {
            flush(i);
            out += QChar::ReplacementCharacter;
            m_marked = true;
            runStart = ++i;
        }
    }
    flush(size);
    if (!m_marked && out.contains(QChar::ReplacementCharacter)) m_marked = true;
    return out;
}

QByteArray TextCodec::encode(const QString& text)
{
    bool ascii = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return text.toLatin1();
    m_encoder.resetState();
    return m_encoder.encode(text);
}

int codePageOfDbaseMark(quint8 mark)
{
    switch (mark) {
    case 0x01:
    case 0x09:
    case 0x0B:
    case 0x0D:
    case 0x0F:
    case 0x11:
    case 0x15:
    case 0x18:
    case 0x19:
    case 0x1B:
        return 437;
    case 0x02:
    case 0x0A:
    case 0x0E:
    case 0x10:
    case 0x12:
    case 0x14:
    case 0x16:
    case 0x1A:
    case 0x1D:
    case 0x25:
    case 0x37:
        return 850;
    case 0x03:
    case 0x57:
    case 0x58:
    case 0x59:
        return 1252;
    case 0x04:
        return 10000;
    case 0x08:
    case 0x17:
    case 0x66:
        return 865;
    case 0x13:
    case 0x7B:
        return 932;
    case 0x1C:
    case 0x6C:
        return 863;
    case 0x1F:
    case 0x22:
    case 0x23:
    case 0x40:
    case 0x64:
    case 0x87:
        return 852;
    case 0x24:
        return 860;
    case 0x26:
    case 0x65:
        return 866;
    case 0x4D:
    case 0x7A:
        return 936;
    case 0x4E:
    case 0x79:
        return 949;
    case 0x4F:
    case 0x78:
        return 950;
    case 0x50:
    case 0x7C:
        return 874;
    case 0x67:
        return 861;
    case 0x6A:
    case 0x86:
        return 737;
    case 0x6B:
    case 0x88:
        return 857;
    case 0x7D:
        return 1255;
    case 0x7E:
        return 1256;
    case 0x96:
        return 10007;
    case 0x97:
        return 10029;
    case 0x98:
        return 10006;
    case 0xC8:
        return 1250;
    case 0xC9:
        return 1251;
    case 0xCA:
        return 1254;
    case 0xCB:
        return 1253;
    case 0xCC:
        return 1257;
    default:
        return 0;
    }
}

bool isKnownCodePage(int codePage)
{
    return codecName(codePage) != nullptr;
}

int codePageOverride()
{
    return g_codePageOverride;
}

void setCodePageOverride(int codePage)
{
    if (codePage != 0 && !isKnownCodePage(codePage)) throw StoreError(u"不支持代码页 %1"_s.arg(codePage));
    g_codePageOverride = codePage;
}

void publishNote(const QString& note)
{
    g_notes.append(note);
    if (g_notes.size() > MaxNotes) g_notes.remove(0, g_notes.size() - MaxNotes);
}

QStringList takePublishedNotes()
{
    return std::exchange(g_notes, {});
}

void ReadNotes::add(Kind kind, const QString& field, qint64 recno)
{
    Entry* entry = nullptr;
    for (Entry& e : m_entries)
        if (e.kind == kind && e.field == field) entry = &e;
    if (!entry) {
        m_entries.append({ kind, field, {}, 0 });
        entry = &m_entries.last();
    }
    if (entry->rows.isEmpty() || entry->rows.last() != recno) {
        ++entry->count;
        if (entry->rows.size() < RowsNamed) entry->rows.append(recno);
    }
}

void ReadNotes::publish(const QString& table, int codePage)
{
    for (const Entry& e : std::as_const(m_entries)) {
        QStringList rows;
        for (qint64 r : e.rows)
            rows.append(QString::number(r));
        QString where = u"第 %1 行"_s.arg(rows.join(u'、'));
        if (e.count > e.rows.size()) where += u"等 %1 行"_s.arg(e.count);
        if (e.kind == InvalidDate)
            publishNote(u"%1 %2的字段 %3 不是有效日期，按空值读出"_s.arg(table, where, e.field));
        else
            publishNote(
                u"%1 %2的字段 %3 有不能按代码页 %4 解码的字节，已标为 \uFFFD"_s.arg(table, where, e.field)
                    .arg(codePage));
    }
    m_entries.clear();
}

QString companionPath(const QString& tablePath, const QString& extension)
{
    const QFileInfo info(tablePath);
    const QString stem = info.path() + u'/' + info.completeBaseName() + u'.';
    const QString found = resolveFilePath(stem + extension);
    if (QFileInfo::exists(found)) return found;
    const QString suffix = info.suffix();
    const bool upper = !suffix.isEmpty() && suffix == suffix.toUpper() && suffix != suffix.toLower();
    return stem + (upper ? extension.toUpper() : extension.toLower());
}

void throwIoError(const QString& table, const QFileDevice& file)
{
    throw StoreError(u"写入表 %1 失败: %2"_s.arg(table, file.errorString()));
}

void syncToDisk(QFileDevice& file, const QString& table)
{
    if (!fileSync::flushToDisk(file))
        throw StoreError(u"写入表 %1 失败: %2"_s.arg(table, QString::fromLocal8Bit(std::strerror(errno))));
}

void syncDirectory(const QString& dirPath)
{
    fileSync::syncDirectory(dirPath);
}

void replaceFile(const QString& path, const QByteArray& data, const QString& table)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throwIoError(table, file);
    if (file.write(data) != data.size()) throwIoError(table, file);
    syncToDisk(file, table);
    if (!file.commit()) throwIoError(table, file);
    syncDirectory(QFileInfo(path).absolutePath());
}

namespace {

// Large enough for any double in fixed notation (309 digits and the sign).
constexpr int NumberBuffer = 400;

QByteArray chars(const char* begin, const char* end)
{
    return QByteArray(begin, qsizetype(end - begin));
}

// "1.50000e+00" -> "1.5e+00"; "2.000" -> "2".
QByteArray stripZeros(QByteArray text)
{
    const qsizetype exponent = text.indexOf('e');
    QByteArray mantissa = exponent < 0 ? text : text.left(exponent);
    const QByteArray tail = exponent < 0 ? QByteArray() : text.mid(exponent);
    if (mantissa.contains('.')) {
        while (mantissa.endsWith('0'))
            mantissa.chop(1);
        if (mantissa.endsWith('.')) mantissa.chop(1);
    }
    return mantissa + tail;
}

} // namespace

QByteArray shortestNumber(double value)
{
    char buffer[NumberBuffer];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return chars(buffer, r.ptr);
}

QByteArray fixedNumber(double value, int decimals)
{
    char buffer[NumberBuffer];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return shortestNumber(value);
    return chars(buffer, r.ptr);
}

QByteArray shortestFixedNumber(double value)
{
    char buffer[NumberBuffer];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (r.ec != std::errc()) return shortestNumber(value);
    return chars(buffer, r.ptr);
}

QByteArray scientificNumber(double value, int digits)
{
    char buffer[NumberBuffer];
    const auto r = std::to_chars(
        buffer, buffer + sizeof buffer, value, std::chars_format::scientific, std::max(digits - 1, 0));
    return stripZeros(chars(buffer, r.ptr));
}

QByteArray significantFixedNumber(double value, int digits)
{
    if (value == 0 || !std::isfinite(value)) return shortestFixedNumber(value);
    const int magnitude = int(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::clamp(digits - 1 - magnitude, 0, 340);
    return stripZeros(fixedNumber(value, decimals));
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\0'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

std::optional<double> parseDouble(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec == std::errc() && r.ptr == text.data() + text.size())
        return std::isfinite(value) ? std::optional(value) : std::nullopt;
    if (text.find(',') != std::string_view::npos && text.size() < 64) {
        char buffer[64];
        std::memcpy(buffer, text.data(), text.size());
        for (size_t i = 0; i < text.size(); ++i)
            if (buffer[i] == ',') buffer[i] = '.';
        r = std::from_chars(buffer, buffer + text.size(), value);
        if (r.ec == std::errc() && r.ptr == buffer + text.size() && std::isfinite(value)) return value;
    }
    return std::nullopt;
}

std::optional<qint64> parseInteger(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    qint64 value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec == std::errc() && r.ptr == text.data() + text.size()) return value;
    return std::nullopt;
}

QString distinctName(const TableSchema& schema, const QString& name)
{
    if (schema.fieldIndex(name) < 0) return name;
    int n = 2;
    while (schema.fieldIndex(name + u'_' + QString::number(n)) >= 0)
        ++n;
    return name + u'_' + QString::number(n);
}

double sortableDouble(const unsigned char* p)
{
    quint64 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = bits << 8 | p[i];
    bits = (bits & 0x8000000000000000ull) ? bits ^ 0x8000000000000000ull : ~bits;
    return std::bit_cast<double>(bits);
}

QDate dateFromOrdinal(qint64 ordinal)
{
    // Julian day 1721426 is 0001-01-01 in the proleptic Gregorian calendar.
    return QDate::fromJulianDay(ordinal + 1721425);
}

QString timeText(qint64 ms)
{
    if (ms < 0 || ms >= 86400000) return {};
    const qint64 s = ms / 1000;
    return u"%1:%2:%3"_s.arg(s / 3600, 2, 10, QChar(u'0'))
        .arg(s / 60 % 60, 2, 10, QChar(u'0'))
        .arg(s % 60, 2, 10, QChar(u'0'));
}

QString timestampText(const QDate& date, qint64 ms)
{
    const QString time = timeText(ms);
    if (!date.isValid() || time.isEmpty()) return {};
    return date.toString(u"yyyy-MM-dd "_s) + time;
}

} // namespace store::formats
