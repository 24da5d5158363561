// Exchange formats: a 100,000-row, 200-field table (mostly floats, some Chinese text)
// exported to .dbf and .txt through the codecs and read back; dbfread reads the same .dbf
// for comparison. Figures only, never asserted.
#include "store/ForeignTable.h"
#include "store/StoreError.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;
using store::FieldType;
using store::ForeignTable;
using store::TableFormat;

namespace {

constexpr int Rows = 100000;
constexpr int Fields = 200;
constexpr int TextFields = 10; // every 20th field

void line(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

double readBack(const QString& path, TableFormat format, qint64* cells)
{
    QElapsedTimer t;
    t.start();
    auto table = ForeignTable::open(path, format);
    qint64 n = 0;
    table->readAll([&](qint64, const QVariantList& values) { n += values.size(); });
    *cells = n;
    return t.nsecsElapsed() / 1e9;
}

} // namespace

int main()
{
    QTemporaryDir dir(u"/var/tmp/bench_formats-XXXXXX"_s);
    if (!dir.isValid()) return 1;

    store::TableSchema schema;
    for (int f = 0; f < Fields; ++f) {
        if (f % (Fields / TextFields) == 0)
            schema.fields.append({ u"名称%1"_s.arg(f), FieldType::Text, 40, 0 });
        else
            schema.fields.append({ u"F%1"_s.arg(f), FieldType::Float, 0, f % 3 == 0 ? 0 : 2 });
    }
    const QStringList texts = { u"国家高新技术产业开发区"_s, u"中关村科技园区海淀园"_s,
        u"Zhangjiang Hi-Tech Park"_s, u"苏州工业园区纳米技术产业"_s };
    QList<QVariantList> rows;
    rows.reserve(Rows);
    for (int r = 0; r < Rows; ++r) {
        QVariantList row;
        row.reserve(Fields);
        for (int f = 0; f < Fields; ++f) {
            if (schema.fields[f].type == FieldType::Text)
                row.append(texts[(r + f) % texts.size()]);
            else if (f % 3 == 0)
                row.append((r % 977) / 3.0 + f); // needs more places than declared
            else
                row.append(double((r * 7 + f) % 100000) / 100.0);
        }
        rows.append(row);
    }

    try {
        for (const auto& [format, name] :
            { std::pair { TableFormat::Dbase, "dbf" }, std::pair { TableFormat::Text, "txt" } }) {
            const QString path = dir.filePath(u"bench.%1"_s.arg(QLatin1StringView(name)));
            QElapsedTimer t;
            t.start();
            ForeignTable::create(path, format, schema)->rewrite(rows);
            const double write = t.nsecsElapsed() / 1e9;
            qint64 cells = 0;
            const double read = readBack(path, format, &cells);
            const QByteArray prefix = QByteArray(name);
            line(prefix + "_export", write, "s");
            line(prefix + "_file_size", QFileInfo(path).size() / 1048576.0, "MiB");
            line(prefix + "_read", read, "s");
            line(prefix + "_read_cells", cells / read / 1e6, "Mcells/s");
        }

        // Write-through cost of single appends, each made durable on its own.
        const QString small = dir.filePath(u"appends.dbf"_s);
        auto table = ForeignTable::create(small, TableFormat::Dbase, schema);
        QElapsedTimer t;
        t.start();
        const int appends = 200;
        for (int i = 0; i < appends; ++i)
            table->append(rows[i]);
        line("dbf_append_synced", t.nsecsElapsed() / 1e6 / appends, "ms/row");
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    const QString dbf = dir.filePath(u"bench.dbf"_s);
    qint64 cells = 0;
    const double ours = readBack(dbf, TableFormat::Dbase, &cells);
    QProcess python;
    QElapsedTimer t;
    t.start();
    python.start(u"/usr/bin/python3"_s,
        { u"-c"_s,
            u"import sys\nfrom dbfread import DBF\nn = 0\nfor r in DBF(sys.argv[1]):\n    n += len(r)\nprint(n)"_s,
            dbf });
    python.waitForFinished(-1);
    const double peer = t.nsecsElapsed() / 1e9;
    if (python.exitCode() != 0) {
        std::fprintf(stderr, "dbfread failed: %s\n", python.readAllStandardError().constData());
        return 1;
    }
    line("dbfread_read", peer, "s");
    std::printf("ratio dbf_read_vs_dbfread: %.4f\n", ours / peer);
    return 0;
}
