#pragma once

#include "../ForeignTable.h"
#include "FormatSupport.h"

#include <string>

namespace store::formats {

// A text table the way the old desktop engine kept one: the rows in NAME.txt, the fields in
// NAME.sch beside it, an INI-like schema file:
//
//   [NAME]
//   Filetype=VARYING            (or FIXED: every field at its offset, padded to its width)
//   Delimiter="                 (encloses text; a delimiter inside text is doubled)
//   Separator=,
//   CharSet=GBK
//   Field1=QA01,CHAR,20,00,00   (name, type, width, decimals, offset)
//   Field2=QTY,LONGINT,11,00,20
//
// Types written: CHAR (Text), NUMBER (SmallInt), LONGINT (Integer), FLOAT (Float), DATE
// (yyyy-mm-dd), BOOL (T/F), and MEMO, our own name for a text without size (the old engine
// had no memo in text tables). Numbers are bare and as exact as a double allows; null is an
// empty field; lines end in CR LF. The data is GBK; a CharSet naming UTF-8 reads and writes
// UTF-8, any other name reads as GBK (an ASCII superset, which is what those names meant
// for the survey's files).
//
// A .txt without a .sch reads as delimited text whose first line names the fields, every
// field Text as wide as its longest value. Such a table is read only: writing it would need
// a schema the file never had.
class TextTable final : public ForeignTable
{
public:
    static std::unique_ptr<TextTable> open(const QString& path);
    static std::unique_ptr<TextTable> create(const QString& path, const TableSchema& schema);
    ~TextTable() override;

    const TableSchema& schema() const override { return m_schema; }
    bool isWritable() const override { return m_readOnlyReason.isEmpty(); }
    void readAll(const std::function<void(qint64 recno, const QVariantList& values)>& row) override;
    qint64 append(const QVariantList& values) override;
    void update(qint64 recno, const QVariantList& values) override;
    void remove(qint64 recno) override;
    void pack() override;
    void rewrite(const QList<QVariantList>& rows) override;

private:
    enum class Layout { Varying, Fixed };
    struct Column
    {
        int width = 0;
        int offset = 0;
    };
    // One field of one record: bytes [begin, end) of the file, or of the scratch buffer
    // where a delimited text was unescaped.
    struct Slice
    {
        qsizetype begin = 0;
        qsizetype end = 0;
        bool scratch = false;
    };
    struct Record
    {
        qsizetype begin = 0; // the record's bytes in the file, line break included
        qsizetype end = 0;
        int line = 0; // where it starts, 1-based
        QList<Slice> fields;
    };

    explicit TextTable(const QString& path);
    [[noreturn]] void fail(const QString& what) const;
    void readSchemaFile();
    void inferSchema(const QByteArray& data);
    QByteArray readData() const;
    bool nextRecord(const QByteArray& data, qsizetype& pos, int& line, Record& record);
    std::string_view fieldBytes(const QByteArray& data, const Slice& slice) const;
    QVariant decodeValue(std::string_view bytes, int field, int line);
    QString decodeText(std::string_view bytes);
    QByteArray encodeText(const QString& text);
    QByteArray encodeRecord(const QVariantList& values);
    QByteArray schemaFileBytes() const;
    // Every record's place in the file; recnos stay with their records until pack().
    void scanRecords(const QByteArray& data, QList<Record>* records);
    qsizetype indexOf(qint64 recno) const;
    void requireWritable() const;
    void replaceRecord(qint64 recno, const QByteArray* replacement);

    QString m_path;
    QString m_schemaPath;
    QString m_name;
    Layout m_layout = Layout::Varying;
    char m_delimiter = '"';
    char m_separator = ',';
    bool m_utf8 = false;
    bool m_headerLine = false; // no .sch: the first line names the fields
    QString m_readOnlyReason;
    TableSchema m_schema;
    QList<Column> m_columns;
    QList<qint64> m_recnos; // the recno of each record in the file, in file order
    bool m_scanned = false;
    qint64 m_nextRecno = 1;
    std::string m_scratch;
    mutable GbkCodec m_codec;
};

} // namespace store::formats
