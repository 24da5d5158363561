// The zone-enterprise entry window on a national-size working directory: 100,000 returns
// with 300,000 products. Prints `name: value unit` lines; asserts nothing.
// Usage: bench_entry [ENTERPRISES]
#include "entry/TF_kfq.h"
#include "shell/DemoData.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"
#include "widgets/DbGrid.h"
#include "widgets/Fonts.h"
#include "widgets/SharedComponents.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdio>

using namespace Qt::StringLiterals;

#include "BenchSupport.h"

using bench::median;
using bench::ms;
using bench::print;

namespace {

int sql(const QString& statement)
{
    store::Query q;
    q.setSql(statement);
    return q.execSql();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutes();
    const int enterprises = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    WorkDirSetup().run();
    QElapsedTimer t;
    t.start();
    DemoData::Options options;
    options.enterprises = enterprises;
    options.mistakePercent = 0;
    options.products = { 3, 3 };
    options.projects = { 1, 1 };
    DemoData(options).run();
    print("fill_tables", ms(t), "ms");

    // Half of a delivery overwrites stored returns, half is new.
    const int half = enterprises / 2;
    store::Table::copyToNative(u"kfq_1.db"_s, u"in_1.db"_s);
    sql(u"update \"in_1.db\" set qa01 = substr('000000' || (cast(qa01 as integer) + %1), -6), "
        u"qa03 = 'N' || substr('0000000' || (cast(qa01 as integer) + %1), -7) || '-0', qa04 = qa04 || '分公司', qc02 = qc02 + 1 where qa01 <= '%2'"_s
            .arg(enterprises)
            .arg(half, 6, 10, QLatin1Char('0')));

    SharedComponents shared;
    TF_kfq window;
    t.restart();
    window.show();
    QApplication::processEvents();
    print("open_until_first_row", ms(t), "ms");

    t.restart();
    window.Table1.edit();
    window.Table1.fieldByName(u"qa05"_s).setValue(u"北京市海淀区中关村大街1号"_s);
    window.button(u"存盘"_s)->click();
    QApplication::processEvents();
    print("edit_store_master", ms(t), "ms");

    t.restart();
    window.PageControl1->setCurrentIndex(4);
    QApplication::processEvents();
    print("page_switch_products", ms(t), "ms");
    window.PageControl1->setCurrentIndex(0);

    t.restart();
    store::Table& source = shared.Table1;
    source.setTableName(u"in_1.db"_s);
    window.mergeFromFile(window.Table1, source);
    print("merge_100k_half_new", ms(t), "ms");
    print("rows_after_merge", window.Table1.recordCount(), "rows");
    window.close();
    return 0;
}
