// Child process for the durability test: stores rows and reports each one that returned,
// until it is killed.
#include "store/Table.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) return 2;
    QDir::setCurrent(args[1]);
    const bool batch = args[2] == "batch"_L1;
    store::Table t;
    t.setTableName(u"kfq_2.db"_s);
    t.open();
    if (batch) {
        // Batches of 500 rows from a source table, again and again.
        store::Table src;
        src.setTableName(u"src.db"_s);
        src.open();
        for (int round = 0;; ++round) {
            t.batchAppend(src);
            std::printf("%d\n", (round + 1) * src.recordCount());
            std::fflush(stdout);
        }
    }
    for (int i = 1;; ++i) {
        t.append();
        t.field(0).setValue(u"R_%1"_s.arg(i));
        t.field(1).setValue(u"R"_s);
        t.field(2).setValue(QString::number(i % 10000));
        t.field(3).setValue(u"产品%1"_s.arg(i));
        t.post();
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}
