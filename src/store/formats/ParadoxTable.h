#pragma once

#include "../ForeignTable.h"
#include "FormatSupport.h"

#include <QFile>

namespace store::formats {

// A legacy Paradox table (.db, versions 3 to 7) with its memo file (.mb), read only.
//
// Types: alpha -> Text, short -> SmallInt, long and autoincrement -> Integer, number,
// currency and BCD -> Float, date -> Date, logical -> Logical, memo, formatted memo and
// binary blob -> Memo (the bytes read as GBK text), time -> Text hh:mm:ss, timestamp ->
// Text yyyy-mm-dd hh:mm:ss (the store has no time type; the text keeps what the file says),
// OLE, graphic and bytes -> Memo, always null (nothing in them reads as text). A field of
// all zero bytes is blank, so null. Text is GBK whatever the header's code page says: the
// survey's tables were written on GBK systems, and DOS-era headers often name 437.
class ParadoxTable final : public ForeignTable
{
public:
    static std::unique_ptr<ParadoxTable> open(const QString& path);
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
    QVariant decodeField(const Column& column, const unsigned char* data);
    QByteArray readBlob(const unsigned char* pointer, int leaderLength);

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
    QList<Column> m_columns;
    TableSchema m_schema;
    GbkCodec m_codec;
};

} // namespace store::formats
