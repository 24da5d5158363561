// libFuzzer target: the text-table reader (schema file and data), and the writer on
// whatever the reader accepted. Input: the .sch bytes, kDataMark, the .txt bytes; without
// the mark there is no .sch and the first line names the fields.
#include "FuzzSupport.h"

#include "store/ForeignTable.h"
#include "store/StoreError.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray kDataMark = "\n--data--\n";

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    const QByteArray sch
        = "[t]\r\nFiletype=VARYING\r\nDelimiter=\"\r\nSeparator=,\r\nCharSet=GBK\r\n"
          "Field1=QA01,CHAR,20,00,00\r\nField2=QTY,NUMBER,06,00,20\r\nField3=CNT,LONGINT,11,00,26\r\n"
          "Field4=AMT,FLOAT,20,02,37\r\nField5=DAY,DATE,10,00,57\r\nField6=OK,BOOL,01,00,67\r\n"
          "Field7=NOTE,MEMO,00,00,68\r\n";
    const QByteArray txt = "\"0001\",-5,70000,1.25,2024-01-15,T,\"a \"\"b\"\"\r\nc\"\r\n\"0002\",,,,,,\r\n";
    const QByteArray fixed
        = "[t]\nFiletype=FIXED\nCharSet=ascii\nField1=ID,LONGINT,5,00,00\nField2=NAME,CHAR,6,00,5\n";
    fuzz::seedCorpus(*argc, *argv,
        { sch + kDataMark + txt, fixed + kDataMark + "   12ab\n    3cdefgh\n", "a,b\r\n1,\"x,y\"\r\n" });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype mark = input.indexOf(kDataMark);
    const QString path = fuzz::scratchDir() + u"/t.txt"_s;
    const QString sch = fuzz::scratchDir() + u"/t.sch"_s;
    QFile::remove(sch);
    if (mark >= 0) fuzz::writeFile(sch, input.left(mark));
    fuzz::writeFile(path, mark < 0 ? input : input.mid(mark + kDataMark.size()));
    fuzz::exerciseTable(path, store::TableFormat::Text);
    return 0;
}
