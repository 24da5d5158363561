#include "ReportItems.h"

#include "store/Table.h"

using namespace Qt::StringLiterals;

const QList<QString>& reportKeyTexts()
{
    static const QList<QString> keys = { u"xmdcb"_s, u"gjwsb"_s, u"gjhz"_s, u"dfwsb"_s, u"dfhz"_s, u"kfqhz"_s,
        u"dqy"_s, u"gyqy"_s, u"fwqy"_s, u"rjqyhz"_s, u"shqy"_s, u"kfqrdhz"_s };
    return keys;
}

ReportKey reportKeyOf(const QString& reportP)
{
    const qsizetype i = reportKeyTexts().indexOf(reportP);
    return i < 0 ? ReportKey::Generic : ReportKey(i);
}

QList<ReportItem> readReportItems()
{
    store::Table table;
    table.setTableName(u"rept_db.db"_s);
    table.open();
    const int name = table.fieldByName(u"report_name"_s).index();
    const int key = table.fieldByName(u"report_p"_s).index();
    const int kind = table.fieldByName(u"id"_s).index();
    QList<ReportItem> items;
    for (int r = 0; r < table.recordCount(); ++r) {
        const QVariantList row = table.rowAt(r);
        items.append({ row.value(name).toString(), row.value(key).toString(), row.value(kind).toInt() });
    }
    return items;
}

int tickKindOf(int reportKind)
{
    return reportKind == 3 ? 1 : reportKind;
}
