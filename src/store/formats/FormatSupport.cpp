#include "FormatSupport.h"

#include "../FileSync.h"
#include "../StoreError.h"
#include "../TablePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <charconv>
#include <cmath>
#include <cstring>


using namespace Qt::StringLiterals;

namespace store::formats {

GbkCodec::GbkCodec()
    : m_decoder("GBK")
    , m_encoder("GBK")
{
    if (!m_decoder.isValid() || !m_encoder.isValid())
        throw StoreError(u"本机的 Qt 不支持 GBK 编码，无法读写交换格式的表"_s);
}

QString GbkCodec::decode(const char* data, qsizetype size)
{
    bool ascii = true;
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return QString::fromLatin1(data, size);
    m_decoder.resetState();
    return m_decoder.decode(QByteArrayView(data, size));
}

QByteArray GbkCodec::encode(const QString& text)
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

QDate dateFromOrdinal(qint64 ordinal)
{
    // Julian day 1721426 is 0001-01-01 in the proleptic Gregorian calendar.
    return QDate::fromJulianDay(ordinal + 1721425);
}

} // namespace store::formats
