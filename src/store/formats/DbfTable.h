#pragma once

#include "../ForeignTable.h"
#include "FormatSupport.h"

#include <QFile>

#include <functional>

namespace store::formats {

// A dBase III / IV table (.dbf) with its memo file (.dbt), text in GBK.
//
// Our types in the file (what dbfread, LibreOffice and the old engine read back):
//   Text n   -> C(n), n at most 255 (LibreOffice reads only the low length byte)
//   SmallInt -> N(6,0)         Integer -> N(11,0)
//   Float    -> N(20,d), d the field's decimals or 4 when it has none. A value is written
//               with d places when that reads back exactly, else in the shortest text that
//               does (both readers parse the whole text, not d places), then with 15
//               significant digits, then cut to the width.
//   Date     -> D (yyyymmdd)   Logical -> L (T/F)   Memo -> M, dBase III .dbt
// Blank fields are null both ways. Reading maps N(n,0) to SmallInt for n <= 4, Integer for
// n <= 9 (every such value fits 32 bits), otherwise, like F, to Float.
//
// The language-driver byte is written as 0x7A (code page 936); 0x4D, 0x7A and 0x00 read as
// GBK. Any other byte names another code page: the text would come out wrong and an edit
// would mix encodings, so such a file is refused with a message naming the byte.
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

    QVariant decodeField(const Column& column, FieldType type, const char* data);
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
    mutable GbkCodec m_codec;
};

} // namespace store::formats
