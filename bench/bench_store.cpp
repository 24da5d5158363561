// Table-store figures on a national-size enterprise master: 100,000 rows of about 200
// fields. Prints `name: value unit` lines; asserts nothing.
#include "store/Query.h"
#include "store/Table.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;
using store::FieldDef;
using store::FieldType;

#include "BenchSupport.h"

using bench::median;
using bench::ms;
using bench::print;

namespace {

constexpr int kRows = 100000;
constexpr int kFloats = 190;

store::TableSchema masterSchema()
{
    store::TableSchema s;
    s.fields = { { u"id"_s, FieldType::Text, 25, 0 },   { u"QA01"_s, FieldType::Text, 25, 0 },
                 { u"QA03"_s, FieldType::Text, 20, 0 }, { u"QA04"_s, FieldType::Text, 60, 0 },
                 { u"QB03"_s, FieldType::Text, 4, 0 },  { u"QB07"_s, FieldType::Text, 1, 0 },
                 { u"qa_one"_s, FieldType::SmallInt, 0, 0 }, { u"pxh"_s, FieldType::Text, 3, 0 },
                 { u"QD01"_s, FieldType::Integer, 0, 0 } };
    for (int i = 0; i < kFloats; ++i)
        s.fields.append({ u"QC"_s + QString::number(i + 1).rightJustified(2, u'0'), FieldType::Float, 0, 0 });
    s.indexes = { { QString(), { u"id"_s }, true, true, false },
                  { u"kfq_1"_s, { u"QA01"_s }, false, true, false },
                  { u"kfq_12"_s, { u"QA03"_s }, false, false, false } };
    return s;
}

// Source rows written straight through SQLite, so that only the store's append is timed.
void writeSource(const QString& path, const store::TableSchema& schema)
{
    store::TableSchema plain = schema;
    plain.indexes.clear();
    store::Table::createTable(path, plain);
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    QString sql = u"INSERT INTO data VALUES ("_s;
    for (qsizetype i = 0; i < schema.fields.size(); ++i)
        sql += i ? u",?"_s : u"?"_s;
    sql += u')';
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    const char* industries[] = { "6311", "6510", "3911", "2710", "7320", "4011" };
    auto* rng = QRandomGenerator::global();
    for (int r = 0; r < kRows; ++r) {
        const QByteArray key = QByteArray::number(1000000 + r);
        const QByteArray name = (u"测试企业有限公司%1"_s.arg(r)).toUtf8();
        const QByteArray legal = QByteArray::number(70000000 + r);
        sqlite3_bind_text(st, 1, key.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, key.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, legal.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, industries[r % 6], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 6, r % 3 ? "1" : "2", -1, SQLITE_STATIC);
        sqlite3_bind_int(st, 7, 1);
        sqlite3_bind_null(st, 8);
        sqlite3_bind_int(st, 9, int(rng->bounded(5000)));
        for (int i = 0; i < kFloats; ++i)
            sqlite3_bind_double(st, 10 + i, double(rng->bounded(1000000)) / 100.0);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

const QString kStatistics = u"select QB03 行业代码,sum(qa_one) 企业数,sum(QC05) 总收入合计,sum(QC12) 净利润合计,"
                            "sum(QD01) 从业人员合计 from \"kfq_1.db\" group by QB03"_s;
const char* kDirect = "select QB03 行业代码,sum(qa_one) 企业数,sum(QC05) 总收入合计,sum(QC12) 净利润合计,"
                      "sum(QD01) 从业人员合计 from data group by QB03";

double directSql(const QString& path)
{
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kDirect, -1, &st, nullptr);
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            sqlite3_column_value(st, c);
        ++rows;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return ms(t);
}

double storeSql()
{
    QElapsedTimer t;
    t.start();
    store::Query q;
    q.setSql(kStatistics);
    q.open();
    for (int r = 0; r < q.recordCount(); ++r)
        q.rowAt(r);
    return ms(t);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    const store::TableSchema schema = masterSchema();
    std::printf("fields: %lld\nrows: %d\n", qint64(schema.fields.size()), kRows);
    writeSource(u"source.db"_s, schema);
    // Start from a quiet disk: the generator's unsynced writes would otherwise land in the
    // first fsyncs that the store makes.
    ::sync();
    store::Table::createTable(u"kfq_1.db"_s, schema);

    QElapsedTimer t;
    {
        store::Table source;
        source.setTableName(u"source.db"_s);
        source.open();
        store::Table target;
        target.setTableName(u"kfq_1.db"_s);
        t.start();
        target.batchAppend(source);
        print("batch_append_100k", ms(t), "ms");
    }
    ::sync();

    store::Table table;
    table.setTableName(u"kfq_1.db"_s);
    t.start();
    table.open();
    print("open", ms(t), "ms");
    t.start();
    table.first();
    table.field(1).value();
    print("first", ms(t), "ms");
    t.start();
    table.last();
    table.field(1).value();
    print("last", ms(t), "ms");
    table.first();
    t.start();
    for (int i = 0; i < 1000; ++i) {
        table.next();
        table.field(1).value();
    }
    print("next", ms(t) / 1000.0, "ms");

    table.setIndexName(u"kfq_1"_s);
    auto* rng = QRandomGenerator::global();
    t.start();
    for (int i = 0; i < 1000; ++i) {
        table.setKey();
        table.setKeyValue(0, QString::number(1000000 + rng->bounded(kRows)));
        if (!table.gotoKey()) std::printf("key not found\n");
    }
    print("key_search", ms(t) / 1000.0, "ms");
    table.setIndexName(QString());

    std::vector<double> posts;
    for (int i = 0; i < 100; ++i) {
        table.setRecNo(1 + int(rng->bounded(kRows)));
        QElapsedTimer p;
        p.start();
        table.edit();
        table.fieldByName(u"QC05"_s).setValue(double(i));
        table.post();
        posts.push_back(ms(p));
    }
    print("edit_post_median", median(posts), "ms");
    std::vector<double> appends;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer p;
        p.start();
        table.append();
        table.fieldByName(u"id"_s).setValue(u"N%1"_s.arg(i));
        table.fieldByName(u"QA01"_s).setValue(u"N%1"_s.arg(i));
        table.post();
        appends.push_back(ms(p));
    }
    print("append_post_median", median(appends), "ms");
    table.close();

    // Warm both paths once, then take the median of several runs.
    storeSql();
    directSql(u"kfq_1.db"_s);
    std::vector<double> ours, direct;
    for (int i = 0; i < 7; ++i) {
        ours.push_back(storeSql());
        direct.push_back(directSql(u"kfq_1.db"_s));
    }
    const double a = median(ours), b = median(direct);
    print("sql_group_by_sum", a, "ms");
    print("sqlite_group_by_sum", b, "ms");
    std::printf("ratio sql_overhead: %.3f\n", a / b);
    return 0;
}
