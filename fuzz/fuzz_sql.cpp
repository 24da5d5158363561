// libFuzzer target: the local-SQL translator and the expression translator.
#include "FuzzSupport.h"

#include "store/SqlTranslator.h"
#include "store/StoreError.h"

#include <QHash>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::seedCorpus(*argc, *argv,
        { "Select a.qa01, sum(a.qb01) as 合计 from \"kfq_1.db\" a, \"kfq_2.db\" b\n"
          "where a.qa01=b.qa01 and b.qe02 like \"%高新%\" group by a.qa01 order by 合计 desc",
            "update tmp\\kfq_1 set qa02='x' where qa01 != \"0001\" or qa03 is null",
            "insert into \"hljh.db\" (字段名) values ('it''s')", "delete from kfq1hz.db where not (a <> 1)",
            "create table \"t.db\" (a char(10), b smallint, primary key (a))",
            "select * from \"a.db\" a left join \"b.db\" b on a.x=b.x" });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QHash<QString, QString> schemas;
    try {
        store::translateSql(text, [&](const QString& file) {
            const QString key = file.toLower();
            auto it = schemas.find(key);
            if (it == schemas.end()) it = schemas.insert(key, u"s%1"_s.arg(schemas.size()));
            return *it;
        });
    } catch (const store::StoreError&) {
    }
    try {
        store::translateSqlExpression(text);
    } catch (const store::StoreError&) {
    }
    return 0;
}
