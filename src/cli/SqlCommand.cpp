#include "Cli.h"

#include "store/ForeignTable.h"
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

// What reading the table files had to say (invalid dates read as empty, undecodable text).
void notes(QTextStream& err)
{
    for (const QString& note : store::ForeignTable::takeReadNotes())
        err << note << '\n';
}

} // namespace

int sqlCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList args = arguments;
    // --codepage N reads every table file in code page N, for a file whose mark is wrong.
    int codePage = 0;
    const qsizetype option = args.indexOf(u"--codepage"_s);
    if (option >= 0) {
        bool ok = false;
        codePage = option + 1 < args.size() ? args[option + 1].toInt(&ok) : 0;
        if (!ok || codePage <= 0) {
            err << "--codepage needs a code page number (936, 950, 1252, 866, ...)\n";
            return 2;
        }
        args.remove(option, 2);
    }
    if (args.isEmpty()) {
        err << "usage: velto sql [-C DIR] [--codepage N] STATEMENT...\n";
        return 2;
    }
    try {
        store::ForeignTable::setCodePageOverride(codePage);
        const QString text = args.join(u'\n');
        const auto kind = store::translateSql(text, [](const QString&) { return u"t"_s; }).kind;
        store::Query query;
        query.setSql(args);
        if (kind != store::SqlStatementKind::Select) {
            out << query.execSql() << '\n';
            notes(err);
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
        notes(err);
        return 0;
    } catch (const store::StoreError& e) {
        out.flush();
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
