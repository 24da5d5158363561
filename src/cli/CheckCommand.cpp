#include "Cli.h"

#include "check/CheckRun.h"
#include "shell/WorkDirSetup.h"
#include "store/StoreError.h"
#include "store/Table.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace cli {

namespace {

const char* const checkUsage = "usage: velto check KIND [-C DIR] [--reference]\n";

QString cell(const QVariant& value)
{
    // A tab or line break inside a value would break the row apart.
    QString text = store::displayText(value);
    text.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
    return text;
}

} // namespace

// Runs the validation of one report kind as the validation window does, then writes the
// results table as tab-separated text (a head line, then one line per row) and the number
// of failing rows, for batch use over many working directories.
int checkCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    int kind = -1;
    CheckRun::Path path = CheckRun::Path::Fast;
    for (const QString& a : args) {
        bool ok = true;
        if (a == "--reference"_L1) path = CheckRun::Path::Reference;
        else if (kind < 0 && !a.startsWith(u'-')) kind = a.toInt(&ok);
        else ok = false;
        if (!ok || kind == 0) {
            err << checkUsage;
            return 2;
        }
    }
    if (kind < 0) {
        err << checkUsage;
        return 2;
    }
    try {
        WorkDirSetup().run();
        QElapsedTimer timer;
        timer.start();
        CheckRun run;
        run.prepare(kind);
        run.run(path);
        const qint64 elapsed = timer.elapsed();

        store::Table result;
        result.setTableName(run.resultTable());
        result.open();
        QStringList head;
        for (const store::FieldDef& f : result.fieldDefs())
            head.append(f.name);
        out << head.join(u'\t') << '\n';
        const int status = result.fieldIndex(u"状态"_s);
        int failures = 0;
        for (int r = 0; r < result.recordCount(); ++r) {
            const QVariantList row = result.rowAt(r);
            QStringList cells;
            for (const QVariant& v : row)
                cells.append(cell(v));
            out << cells.join(u'\t') << '\n';
            if (status < 0 || row.value(status).toString() != "OK"_L1) ++failures;
        }
        result.close();
        out.flush();
        err << run.resultTable() << ": " << failures << " 条校验失败记录，用时 "
            << QString::number(elapsed / 1000.0, 'f', 1) << " 秒\n";
        return 0;
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
