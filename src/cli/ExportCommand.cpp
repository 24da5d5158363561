#include "Cli.h"

#include "query/ExportResult.h"
#include "store/Query.h"
#include "store/Table.h"

using namespace Qt::StringLiterals;

namespace cli {

// Saves a table or the answer of a SELECT as another table file (or spreadsheet) the way
// the query window's "存盘" does, without a grid: the fields keep their names and sizes.
int exportCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 2) {
        err << "usage: velto export TABLE-OR-STATEMENT FILE [-C DIR]\n";
        return 2;
    }
    try {
        const QString source = args[0];
        std::unique_ptr<store::Dataset> data;
        if (source.trimmed().startsWith("select"_L1, Qt::CaseInsensitive)) {
            auto query = std::make_unique<store::Query>();
            query->setSql(source);
            data = std::move(query);
        } else {
            auto table = std::make_unique<store::Table>();
            table->setTableName(source);
            if (source.endsWith(".dbf"_L1, Qt::CaseInsensitive)) table->setTableType(store::TableType::Dbase);
            data = std::move(table);
        }
        data->open();
        ExportResult(*data, nullptr, args[1]);
        out << data->recordCount() << '\n';
        return 0;
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
