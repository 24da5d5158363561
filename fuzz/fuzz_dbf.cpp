// libFuzzer target: the dBase reader, and the writer on whatever the reader accepted.
// Input: the .dbf bytes, optionally followed by kMemoMark and the .dbt bytes (without the
// mark the same bytes serve as both).
#include "FuzzSupport.h"

#include "store/ForeignTable.h"
#include "store/StoreError.h"

#include <QDate>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kMemoMark = "\n--memo--\n";

QByteArray seed(bool memo)
{
    using store::FieldType;
    store::TableSchema schema;
    schema.fields = { { u"名称"_s, FieldType::Text, 12, 0 }, { u"QTY"_s, FieldType::SmallInt, 0, 0 },
        { u"CNT"_s, FieldType::Integer, 0, 0 }, { u"AMT"_s, FieldType::Float, 0, 2 },
        { u"DAY"_s, FieldType::Date, 0, 0 }, { u"OK"_s, FieldType::Logical, 0, 0 } };
    if (memo) schema.fields.append({ u"NOTE"_s, FieldType::Memo, 0, 0 });
    const QString path = fuzz::scratchDir() + u"/seed.dbf"_s;
    {
        auto table = store::ForeignTable::create(path, store::TableFormat::Dbase, schema);
        table->append({ u"高新区"_s, qint64(-5), qint64(70000), 1.25, QDate(2024, 1, 15), true, u"备注"_s });
        table->append({ QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
        table->remove(2);
    }
    QFile dbf(path), dbt(fuzz::scratchDir() + u"/seed.dbt"_s);
    dbf.open(QIODevice::ReadOnly);
    QByteArray out = dbf.readAll();
    if (memo && dbt.open(QIODevice::ReadOnly)) out += kMemoMark + dbt.readAll();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::seedCorpus(*argc, *argv, { seed(false), seed(true) });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype mark = input.indexOf(kMemoMark);
    const QString path = fuzz::scratchDir() + u"/t.dbf"_s;
    fuzz::writeFile(path, mark < 0 ? input : input.left(mark));
    fuzz::writeFile(fuzz::scratchDir() + u"/t.dbt"_s, mark < 0 ? input : input.mid(mark + kMemoMark.size()));
    fuzz::exerciseTable(path, store::TableFormat::Dbase);
    return 0;
}
