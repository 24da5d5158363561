#include "QueryStatementBuilder.h"

using namespace Qt::StringLiterals;

QueryStatementBuilder::QueryStatementBuilder(const QueryFields& fields, const QueryChoices& choices)
    : m_fields(fields)
    , m_choices(choices)
{
}

QStringList QueryStatementBuilder::tableList(Run run) const
{
    QStringList list;
    // A condition typed without picking a field has no table; it names none to join.
    auto add = [&list](const QString& table) {
        if (!table.isEmpty() && !list.contains(table)) list.append(table);
    };
    if (!m_fields.conditionFields.isEmpty()) add(m_fields.conditionFields.first().table);
    if (run == Run::Query) {
        if (m_choices.selectedFields.isEmpty()) {
            for (const DictionaryField& f : m_fields.conditionFields)
                add(f.table);
        } else {
            for (int i : m_choices.selectedFields)
                add(m_fields.conditionFields.value(i).table);
        }
    } else {
        const QList<int>& sums = m_choices.statisticsFields;
        if (!sums.isEmpty()) add(m_fields.statisticsFields.value(sums.first()).table);
        for (int i : m_choices.classificationFields)
            add(m_fields.classificationFields.value(i).table);
        for (qsizetype k = 1; k < sums.size(); ++k)
            add(m_fields.statisticsFields.value(sums[k]).table);
    }
    for (int i : m_choices.tables)
        add(m_fields.tables.value(i));
    for (const QueryCondition& c : m_choices.andGroup)
        add(c.table);
    for (const QueryCondition& c : m_choices.orGroup)
        add(c.table);
    return list;
}

QStringList QueryStatementBuilder::fromWhere(const QStringList& tables) const
{
    QStringList lines { u" from "_s + tables.join(u',') };
    bool where = false;
    const QString key = m_fields.joinKey();
    if (tables.size() > 1) {
        QString line = u" where"_s;
        for (qsizetype i = 1; i < tables.size(); ++i) {
            const QString other = tables[i].right(1) + key.mid(1);
            line += (i > 1 ? u" and ("_s : u"("_s) + key + u'=' + other + u')';
        }
        lines.append(line);
        where = true;
    }
    if (!m_choices.extraCondition.isEmpty()) {
        lines.append((where ? u" and "_s : u" where "_s) + m_choices.extraCondition);
        where = true;
    }
    auto group = [](const QList<QueryCondition>& conditions, const QString& joiner) {
        QStringList texts;
        for (const QueryCondition& c : conditions)
            texts.append(c.text);
        return u'(' + texts.join(joiner) + u')';
    };
    const bool hasAnd = !m_choices.andGroup.isEmpty();
    const bool hasOr = !m_choices.orGroup.isEmpty();
    const QString a = hasAnd ? group(m_choices.andGroup, u" and "_s) : QString();
    const QString o = hasOr ? group(m_choices.orGroup, u" or "_s) : QString();
    const QString c = m_choices.combineWithOr ? u" or "_s : u" and "_s;
    const QString opener = where ? u" and "_s : u" where "_s;
    if (hasAnd && hasOr) {
        if (where) lines << u" and ("_s + a << c << o + u')';
        else lines << opener + a << c << o;
    } else if (hasAnd) {
        lines << opener + a;
    } else if (hasOr) {
        lines << opener + o;
    }
    return lines;
}

QStringList QueryStatementBuilder::queryStatement() const
{
    QStringList lines;
    if (m_choices.selectedFields.isEmpty()) {
        lines << u"select *"_s;
    } else {
        for (qsizetype k = 0; k < m_choices.selectedFields.size(); ++k) {
            const DictionaryField& f = m_fields.conditionFields.at(m_choices.selectedFields[k]);
            lines << (k == 0 ? u"select "_s : u","_s) + f.name + u' ' + f.caption;
        }
    }
    lines << fromWhere(tableList(Run::Query));
    for (qsizetype k = 0; k < m_choices.sort.size(); ++k) {
        const SortEntry& s = m_choices.sort[k];
        lines << (k == 0 ? u" order by "_s : u","_s) + s.caption;
        if (s.descending) lines << u" desc"_s;
    }
    return lines;
}

QStringList QueryStatementBuilder::statisticsStatement() const
{
    const QList<int>& sums = m_choices.statisticsFields;
    const QList<int>& groups = m_choices.classificationFields;
    if (sums.isEmpty()) return {};
    QStringList lines;
    for (qsizetype k = 0; k < groups.size(); ++k) {
        const DictionaryField& f = m_fields.classificationFields.at(groups[k]);
        lines << (k == 0 ? u"select "_s : u","_s) + f.name + u' ' + f.caption;
    }
    for (qsizetype k = 0; k < sums.size(); ++k) {
        const DictionaryField& f = m_fields.statisticsFields.at(sums[k]);
        const QString total = f.name + u") "_s + f.caption + u"合计"_s;
        if (k == 0) lines << (groups.isEmpty() ? u"select sum("_s : u",sum("_s) << total;
        else lines << u",sum("_s + total;
    }
    lines << fromWhere(tableList(Run::Statistics));
    for (qsizetype k = 0; k < groups.size(); ++k) {
        const DictionaryField& f = m_fields.classificationFields.at(groups[k]);
        lines << (k == 0 ? u" group by "_s : u","_s) + f.name;
    }
    return lines;
}
