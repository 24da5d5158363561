#include "Cli.h"

#include "store/Query.h"
#include "store/SqlTranslator.h"

using namespace Qt::StringLiterals;

namespace cli {

namespace {

QString cell(const QVariant& value)
{
    QString s = store::displayText(value);
    // One answer row is one line: keep tabs and line breaks of texts out of the layout.
    s.replace(u'\t', u' ');
    s.replace(u'\n', u' ');
    s.replace(u'\r', u' ');
    return s;
}

} // namespace

int sqlCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty()) {
        err << "usage: velto sql [-C DIR] STATEMENT...\n";
        return 2;
    }
    try {
        const QString text = args.join(u'\n');
        const auto kind = store::translateSql(text, [](const QString&) { return u"t"_s; }).kind;
        store::Query query;
        query.setSql(args);
        if (kind != store::SqlStatementKind::Select) {
            out << query.execSql() << '\n';
            return 0;
        }
        query.open();
        QStringList header;
        for (const auto& f : query.fieldDefs())
            header.append(f.name);
        out << header.join(u'\t') << '\n';
        const int rows = query.recordCount();
        for (int r = 0; r < rows; ++r) {
            const QVariantList values = query.rowAt(r);
            QStringList line;
            for (const QVariant& v : values)
                line.append(cell(v));
            out << line.join(u'\t') << '\n';
        }
        return 0;
    } catch (const store::StoreError& e) {
        out.flush();
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
