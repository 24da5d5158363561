#pragma once

#include <QByteArray>
#include <QDate>
#include <QFileDevice>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
#include <string_view>

// Helpers shared by the exchange-format codecs (dBase, text, Paradox).
namespace store::formats {

// GBK with reusable converters: store::fromGbk/toGbk open a converter per call, which costs
// more than the rest of decoding a record. Plain ASCII skips the converter altogether.
class GbkCodec
{
public:
    GbkCodec();
    QString decode(const char* data, qsizetype size);
    QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }
    QByteArray encode(const QString& text);

private:
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
};

// The companion of a table file (its .dbt, .sch or .mb): same directory and base name, the
// extension matched regardless of letter case. When none exists, the extension follows the
// letter case of the table's own extension.
QString companionPath(const QString& tablePath, const QString& extension);

// Flushes the device and makes its contents durable (fsync); throws StoreError naming `table`.
void syncToDisk(QFileDevice& file, const QString& table);
// Makes a rename or a new file in `dirPath` durable.
void syncDirectory(const QString& dirPath);
// Replaces `path` by `data` so that a crash leaves either the old or the new file.
void replaceFile(const QString& path, const QByteArray& data, const QString& table);

[[noreturn]] void throwIoError(const QString& table, const QFileDevice& file);

// Numbers as exchange files hold them: std::to_chars/from_chars, never the locale.
// Shortest text that reads back to exactly `value` ('1.5', '1e+20').
QByteArray shortestNumber(double value);
// Exactly `decimals` places after the point, no exponent.
QByteArray fixedNumber(double value, int decimals);
// Shortest text without exponent that reads back exactly (may be long for tiny values).
QByteArray shortestFixedNumber(double value);
// At most `digits` significant digits, exponent form.
QByteArray scientificNumber(double value, int digits);
// At most `digits` significant digits, no exponent.
QByteArray significantFixedNumber(double value, int digits);

// Reads a number surrounded by blanks; a leading '+' and a decimal comma are accepted.
std::optional<double> parseDouble(std::string_view text);
std::optional<qint64> parseInteger(std::string_view text);
std::string_view trimmed(std::string_view text);

// Paradox and Python day ordinals: 0001-01-01 is day 1.
QDate dateFromOrdinal(qint64 ordinal);

} // namespace store::formats
