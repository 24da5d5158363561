#pragma once

#include <QByteArray>
#include <QDate>
#include <QFileDevice>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <optional>
#include <string_view>

// Helpers shared by the exchange-format codecs (dBase, text, Paradox).
namespace store {
struct TableSchema;
}

namespace store::formats {

// Text in one code page with reusable converters: store::fromGbk/toGbk open a converter per
// call, which costs more than the rest of decoding a record. Plain ASCII skips the converter.
// Bytes the code page does not hold are never dropped: each reads as U+FFFD, and marked()
// tells the reader so it can say where.
class TextCodec
{
public:
    explicit TextCodec(int codePage = 936);
    int codePage() const { return m_codePage; }
    QString decode(const char* data, qsizetype size);
    QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }
    // Writing is GBK only: the program's own exchange files are GBK.
    QByteArray encode(const QString& text);
    // Whether a decode since the last call marked an undecodable byte.
    bool takeMarked()
    {
        const bool m = m_marked;
        m_marked = false;
        return m;
    }

private:
    QString decodeDoubleByte(const unsigned char* data, qsizetype size);

    int m_codePage;
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
    bool m_marked = false;
};

// The program's own exchange files are GBK.
class GbkCodec : public TextCodec
{
public:
    GbkCodec()
        : TextCodec(936)
    {
    }
};

// The code page a dBase language-driver byte names; 0 when the byte names none we know.
int codePageOfDbaseMark(quint8 mark);
// Whether the code page can be decoded here.
bool isKnownCodePage(int codePage);
// The code page every exchange file is read in when set (0: each file's own mark decides).
int codePageOverride();
void setCodePageOverride(int codePage);

// Remarks from reading exchange files (rows with an invalid date, text with undecodable
// bytes), kept until someone takes them; the oldest are dropped past a few hundred.
void publishNote(const QString& note);
QStringList takePublishedNotes();

// Collects, while one table is read, which rows held a value that could not be read as it
// stands, per field and kind, and publishes one note for each when the read is done.
class ReadNotes
{
public:
    enum Kind { InvalidDate, Undecodable };
    void add(Kind kind, const QString& field, qint64 recno);
    // `table` begins each note ("dBase 表 x.dbf"); `codePage` names the code page for undecodable text.
    void publish(const QString& table, int codePage);

private:
    struct Entry
    {
        Kind kind;
        QString field;
        QList<qint64> rows;
        qint64 count = 0;
    };
    QList<Entry> m_entries;
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

// A name for the next field of `schema` that no earlier field has (letter case aside): another
// program's table may repeat one, and an answer needs distinct names ("ID", "ID_2", ...).
QString distinctName(const TableSchema& schema, const QString& name);

// A double as Paradox and dBase 7 keep it: high byte first, the sign bit set when positive and
// every bit inverted when negative, so that the bytes sort as the numbers do.
double sortableDouble(const unsigned char* p);

// Paradox and Python day ordinals: 0001-01-01 is day 1.
QDate dateFromOrdinal(qint64 ordinal);
// "hh:mm:ss" of milliseconds since midnight; "yyyy-mm-dd hh:mm:ss" of a day and its
// milliseconds (the store has no time type). Empty when either is out of range.
QString timeText(qint64 ms);
QString timestampText(const QDate& date, qint64 ms);

} // namespace store::formats
