#pragma once

#include "../ForeignTable.h"
#include "FormatSupport.h"

#include <QFile>

#include <functional>

namespace store::formats {

// A dBase table (.dbf) with its memo file (.dbt or .fpt).
//
// Written as dBase III, text in GBK. Our types in the file (what dbfread, LibreOffice and
// the old engine read back):
//   Text n   -> C(n), n at most 255 (LibreOffice reads only the low length byte)
//   SmallInt -> N(6,0)         Integer -> N(11,0)
//   Float    -> N(20,d), d the field's decimals or 4 when it has none. A value is written
//               with d places when that reads back exactly, else in the shortest text that
//               does (both readers parse the whole text, not d places), then with 15
//               significant digits, then cut to the width.
//   Date     -> D (yyyymmdd)   Logical -> L (T/F)   Memo -> M, dBase III .dbt
// Blank fields are null both ways. The language-driver byte is written as 0x7A (code page 936).
//
// Read: dBase III/IV/7, FoxBase, FoxPro 2 and Visual FoxPro. N(n,0) reads as SmallInt for
// n <= 4, Integer for n <= 9 (every such value fits 32 bits), otherwise, like F, as Float;
// I and + as Integer; Y (currency), B (Visual FoxPro double) and O (dBase 7 double) as
// Float; T and @ (date and time) as Text yyyy-mm-dd hh:mm:ss; V as Text; M as Memo; binary
// values (Q, W, G, P, dBase B) as an always null Memo. Visual FoxPro's _NullFlags is hidden
// and its bits make values null. Text is decoded in the code page the language-driver byte
// names (no mark: GBK), unless the reader is told another. Only a dBase III/IV or FoxPro 2
// table of the types we write, in GBK, can be changed; any other is read only, as an edit
// would mix layouts or encodings.
class DbfTable final : public ForeignTable
{
public:
    static std::unique_ptr<DbfTable> open(const QString& path);
    static std::unique_ptr<DbfTable> create(const QString& path, const TableSchema& schema);
    ~DbfTable() override;

    const TableSchema& schema() const override { return m_schema; }
    bool isWritable() const override;
    void readAll(const std::function<void(qint64 recno, const QVariantList& values)>& row) override;
    qint64 append(const QVariantList& values) override;
    void update(qint64 recno, const QVariantList& values) override;
    void remove(qint64 recno) override;
    void pack() override;
    void rewrite(const QList<QVariantList>& rows) override;

private:
    enum class MemoFormat { None, Dbase3, Dbase4, FoxPro };
    struct Column
    {
        char type = 'C';
        int offset = 0; // in the record, after the deletion flag
        int length = 0;
        int decimals = 0;
        int nullBit = -1; // bit in _NullFlags that makes the value null
        int varBit = -1; // bit that says a V field holds fewer bytes than its width
    };
    // Where the records of a new file go while it is written (rewrite, pack).
    struct Sink;

    explicit DbfTable(const QString& path);
    void openFiles();
    void readHeader();
    void openMemo();
    [[noreturn]] void fail(const QString& what) const;
    void requireWritable() const;
    void requireRecord(qint64 recno) const;

    bool flagBit(const char* record, int bit) const;
    // `invalid` is set when the field holds something that is not a value of its type.
    QVariant decodeField(const Column& column, FieldType type, const char* record, bool* invalid);
    QByteArray readMemo(const QByteArray& index);
    qint64 memoBlock(const QByteArray& index) const;

    QByteArray headerBytes(qint64 count) const;
    void encodeField(const Column& column, const FieldDef& field, const QVariant& value, char* out,
        const std::function<qint64(const QByteArray&)>& writeMemo);
    QByteArray encodeRecord(const QVariantList& values,
        const std::function<qint64(const QByteArray&)>& writeMemo, const QByteArray* previous = nullptr);
    QByteArray memoBytes(const QString& text);
    qint64 appendMemo(QFileDevice& file, qint64& nextBlock, const QByteArray& data);
    void touchHeader(qint64 count);
    void syncAll();
    void replaceWith(const std::function<void(Sink&)>& produce);

    QString m_path;
    QString m_name; // as messages show it
    QFile m_file;
    QFile m_memo;
    QString m_memoPath;
    MemoFormat m_memoFormat = MemoFormat::None;
    int m_memoBlockSize = 512;
    qint64 m_memoNext = 1;
    bool m_fileWritable = false;
    QString m_readOnlyReason;

    quint8 m_version = 0x03;
    quint8 m_language = 0x7A;
    int m_headerSize = 0;
    int m_recordSize = 0;
    qint64 m_count = 0;
    QList<Column> m_columns;
    TableSchema m_schema;
    int m_codePage = 936;
    int m_nullFlagsOffset = -1;
    int m_nullFlagsLength = 0;
    mutable TextCodec m_codec;
};

} // namespace store::formats
