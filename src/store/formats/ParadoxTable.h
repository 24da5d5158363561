#pragma once

#include "../ForeignTable.h"
#include "FormatSupport.h"

#include <QFile>

namespace store::formats {

// A legacy Paradox table (.db, versions 3.0 to 7, encrypted or not) with its memo file
// (.mb), read only.
//
// Types: alpha -> Text, short -> SmallInt, long and autoincrement -> Integer, number,
// currency and BCD -> Float, date -> Date, logical -> Logical, memo, formatted memo and
// binary blob -> Memo (the bytes read as text), time -> Text hh:mm:ss, timestamp -> Text
// yyyy-mm-dd hh:mm:ss (the store has no time type; the text keeps what the file says), OLE,
// graphic and bytes -> Memo, always null (nothing in them reads as text). A field of all
// zero bytes is blank, so null. Text is decoded in the code page the header names (version
// 4 and later); a version 3 table, or one that names none, is GBK, as the survey's own are.
class ParadoxTable final : public ForeignTable
{
public:
    static std::unique_ptr<ParadoxTable> open(const QString& path);
    // Whether the first bytes of a file (at least 0x3A) are a Paradox table's header.
    static bool looksLikeParadox(const QByteArray& head);
    [[noreturn]] static void refuseWrite(const QString& path);
    ~ParadoxTable() override;

    const TableSchema& schema() const override { return m_schema; }
    bool isWritable() const override { return false; }
    void readAll(const std::function<void(qint64 recno, const QVariantList& values)>& row) override;
    qint64 append(const QVariantList& values) override;
    void update(qint64 recno, const QVariantList& values) override;
    void remove(qint64 recno) override;
    void pack() override;
    void rewrite(const QList<QVariantList>& rows) override;

private:
    struct Column
    {
        quint8 type = 0;
        int offset = 0;
        int length = 0;
        int decimals = 0; // BCD only
    };

    explicit ParadoxTable(const QString& path);
    [[noreturn]] void fail(const QString& what) const;
    void readHeader();
    // `invalid` is set when the field holds something that is not a value of its type.
    QVariant decodeField(const Column& column, const unsigned char* data, bool* invalid);
    QByteArray readBlob(const unsigned char* pointer, int leaderLength);
    // `length` bytes of the memo file from `at`, decrypted; empty when they are not all there.
    QByteArray readBlobBytes(qint64 at, qint64 length);

    QString m_path;
    QString m_name;
    QFile m_file;
    QFile m_blobFile;
    QString m_blobPath;
    qint64 m_fileSize = 0;
    int m_recordSize = 0;
    int m_headerSize = 0;
    int m_blockSize = 0;
    int m_fileBlocks = 0;
    int m_firstBlock = 0;
    qint64 m_numRecords = 0;
    quint8 m_version = 0;
    quint32 m_key = 0; // encryption; 0 when not encrypted
    int m_codePage = 936;
    QList<Column> m_columns;
    TableSchema m_schema;
    TextCodec m_codec;
};

} // namespace store::formats
