#include "EntryOps.h"

#include "store/Table.h"

using namespace Qt::StringLiterals;

namespace entry {

void loadFieldChecks(store::Table& report, store::Table& rules, const QString& ruleTable)
{
    if (rules.isOpen()) rules.close();
    rules.setTableName(ruleTable);
    rules.open();
    struct Closer
    {
        store::Table& t;
        ~Closer() { t.close(); }
    } closer { rules };
    const int status = rules.fieldIndex(u"status"_s);
    const int value = rules.fieldIndex(u"field_value"_s);
    const int text = rules.fieldIndex(u"field_text"_s);
    const int name = rules.fieldIndex(u"field_name"_s);
    const int mask = rules.fieldIndex(u"field_mask"_s);
    if (status < 0 || value < 0 || text < 0 || name < 0)
        throw store::StoreError(
            u"规则表 %1 缺少字段 status、field_value、field_text 或 field_name"_s.arg(ruleTable));

    report.beginConstraintUpdate();
    report.clearConstraints();
    for (rules.first(); !rules.eof(); rules.next()) {
        if (rules.value(status).toString() == u"错误"_s)
            report.addConstraint(rules.value(value).toString(), rules.value(text).toString());
    }
    report.endConstraintUpdate();
    report.open();

    if (mask < 0) return;
    for (rules.first(); !rules.eof(); rules.next()) {
        const QString m = rules.value(mask).toString();
        if (m.isEmpty()) continue;
        report.fieldByName(rules.value(name).toString()).setEditMask(m);
    }
}

void zeroFillNumericNulls(store::Dataset& dataset)
{
    for (int i = 0; i < dataset.fieldCount(); ++i) {
        if (store::isNumeric(dataset.fieldDefs()[i].type) && dataset.value(i).isNull())
            dataset.setValue(i, 0);
    }
}

QString statusLineText(StatusForm form, const QString& reportNumber, int recNo, int count, bool editing)
{
    const QString state = editing ? u"  已修改"_s : u"  未修改"_s;
    switch (form) {
    case StatusForm::Full:
        return u"报表编号: "_s + reportNumber + u"  当前记录: "_s + QString::number(recNo) + u"  总记录: "_s
            + QString::number(count) + state;
    case StatusForm::Short:
        return u"当前记录:"_s + QString::number(recNo) + u"  总记录:"_s + QString::number(count) + state;
    case StatusForm::None:
        break;
    }
    return {};
}

int mergeRows(store::Table& source, store::Table& target, const MergeKeys& keys,
    const std::function<void(int row)>& progress)
{
    const bool ordered = !keys.keyIndex.isEmpty();
    if (ordered) {
        target.setIndexFieldNames(QString());
        target.setIndexName(keys.keyIndex);
    }
    struct Restore
    {
        store::Table& t;
        bool ordered;
        ~Restore()
        {
            if (!ordered || !t.isOpen()) return;
            try {
                if (t.isEditing()) t.cancel();
                t.setIndexName(QString());
            } catch (const std::exception&) {
                // The order is only cosmetic here; the merge's own error is the one to show.
            }
        }
    } restore { target, ordered };

    // Which source field goes where, worked out once.
    struct Copy
    {
        int from;
        int to;
        bool numeric;
    };
    std::vector<Copy> plan;
    for (int i = 0; i < source.fieldCount(); ++i) {
        const int to = target.fieldIndex(source.fieldDefs()[i].name);
        if (to >= 0) plan.push_back({ i, to, store::isNumeric(source.fieldDefs()[i].type) });
    }
    const int keyFrom = source.fieldIndex(keys.keyField);
    const int subFrom = keys.subKeyField.isEmpty() ? -1 : source.fieldIndex(keys.subKeyField);
    if (keyFrom < 0 || (!keys.subKeyField.isEmpty() && subFrom < 0))
        throw store::StoreError(
            u"%1 缺少字段 %2"_s.arg(source.displayName(), keyFrom < 0 ? keys.keyField : keys.subKeyField));
    const int pxh = target.fieldIndex(u"pxh"_s);
    const int counter = target.fieldIndex(keys.counterField);
    const int id = keys.idField.isEmpty() ? -1 : target.fieldIndex(keys.idField);

    int stored = 0;
    int row = 0;
    for (source.first(); !source.eof(); source.next()) {
        if (keys.accept && !keys.accept(source)) continue;
        const QString key = source.value(keyFrom).toString();
        const QString sub = subFrom >= 0 ? source.value(subFrom).toString() : QString();
        target.setKey();
        target.setKeyValue(0, key);
        if (subFrom >= 0) target.setKeyValue(1, sub);
        if (target.gotoKey())
            target.edit();
        else
            target.append();
        for (const Copy& c : plan) {
            const QVariant v = source.value(c.from);
            target.setValue(c.to, c.numeric && v.isNull() ? QVariant(0) : v);
        }
        const QString prefix
            = keys.clearPxh || !keys.pxhLeadsId || pxh < 0 ? QString() : target.value(pxh).toString();
        if (pxh >= 0 && keys.clearPxh) target.setValue(pxh, QString());
        if (counter >= 0) target.setValue(counter, 1);
        if (id >= 0) target.setValue(id, prefix + key + (subFrom >= 0 ? keys.idSeparator + sub : QString()));
        target.post();
        ++stored;
        if (progress) progress(++row);
    }
    return stored;
}

} // namespace entry
