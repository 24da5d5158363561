#include "CheckPrintout.h"

#include "store/Dataset.h"

using namespace Qt::StringLiterals;

QStringList CheckPrintout::heads()
{
    return { u"序号"_s, u"状态"_s, u"编号"_s, u"字段名"_s, u"字段值"_s, u"错误信息"_s };
}

QList<double> CheckPrintout::columnWidths()
{
    return { 10, 8, 21, 17, 27, 103 };
}

CheckPrintout::CheckPrintout()
{
    titleText = u"校验表"_s;
    const QStringList h = heads();
    const QList<double> w = columnWidths();
    for (qsizetype c = 0; c < h.size(); ++c)
        columns.append({ h[c], w[c], Qt::AlignLeft });
    wrapColumn = int(h.size()) - 1;
}

void CheckPrintout::load(store::Dataset& results, store::Dataset& titles)
{
    titles.first();
    setTitle(titles.isEmpty() ? QString() : titles.fieldByName(u"Text"_s).asString());
    QList<int> fields;
    for (const QString& name : heads())
        fields.append(results.fieldIndex(name));
    QList<Row> rows;
    rows.reserve(results.recordCount());
    for (int r = 0; r < results.recordCount(); ++r) {
        const QVariantList v = results.rowAt(r);
        Row row;
        for (int i : fields)
            row.append(i < 0 ? QString() : store::displayText(v.value(i)));
        rows.append(row);
    }
    setRows(std::move(rows));
}
