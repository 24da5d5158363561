#include "CheckRun.h"

#include "DirectAnswer.h"
#include "QuickCondition.h"
#include "RowBuffer.h"

#include "store/NativeTable.h"
#include "store/SqlTranslator.h"

#include <QDate>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using store::sqlQuote;

namespace {

const QString catalogueName = u"check_db.DB"_s;
const QString survivorsName = u"tmp_r.DB"_s;
const QString groupsName = u"tmp.db"_s;

// The grouped answer of an aggregate rule becomes tmp.db, so that the rule's condition
// can name its columns.
void copyGroups(store::Query& answer)
{
    store::TableSchema schema;
    for (store::FieldDef f : answer.fieldDefs()) {
        if (f.type == store::FieldType::Text) f.size = std::min(f.size + 1, 255);
        else f.size = 0;
        f.decimals = 0;
        schema.fields.append(f);
    }
    store::Table::createTable(groupsName, schema);
    store::Table groups;
    groups.setTableName(groupsName);
    groups.batchAppend(answer);
}

// Whether a rule fragment can stand as one item of a larger statement and mean there what
// it means alone: balanced, no list separator, no comment, no aggregate or window call.
bool standsAlone(const QString& text)
{
    static const QStringList aggregates
        = { u"count"_s, u"sum"_s, u"avg"_s, u"min"_s, u"max"_s, u"total"_s, u"group_concat"_s };
    if (text.trimmed().isEmpty()) return false;
    int depth = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'' || c == u'"') {
            for (++i;; ++i) {
                if (i >= text.size()) return false;
                if (text[i] == c) {
                    if (i + 1 < text.size() && text[i + 1] == c) ++i;
                    else break;
                }
            }
            continue;
        }
        if (c == u'(') ++depth;
        else if (c == u')' && --depth < 0) return false;
        else if ((c == u',' && depth == 0) || c == u';') return false;
        else if ((c == u'-' || c == u'/') && i + 1 < text.size() && text[i + 1] == (c == u'-' ? u'-' : u'*'))
            return false;
        else if (c.isLetter() || c == u'_') {
            const qsizetype start = i;
            while (i + 1 < text.size() && (text[i + 1].isLetterOrNumber() || text[i + 1] == u'_'))
                ++i;
            const QString word = text.mid(start, i - start + 1).toLower();
            if (word == "over"_L1) return false;
            if (aggregates.contains(word)) {
                qsizetype j = i + 1;
                while (j < text.size() && text[j].isSpace())
                    ++j;
                if (j < text.size() && text[j] == u'(') return false;
            }
        }
    }
    return depth == 0;
}

// The conditions joined by "or" as a balanced tree, so that hundreds of rules stay far
// below the engine's limit on expression depth.
QString balancedOr(const QStringList& terms)
{
    if (terms.size() == 1) return terms.first();
    const qsizetype half = terms.size() / 2;
    return u'(' + balancedOr(terms.mid(0, half)) + u"\nor "_s + balancedOr(terms.mid(half)) + u')';
}

// Splits a select list at its top-level commas (outside quotes and parentheses).
QStringList selectItems(const QString& text)
{
    QStringList items;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'' || c == u'"') {
            for (++i; i < text.size() && text[i] != c; ++i) { }
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (c == u',' && depth == 0) {
            items.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    items.append(text.mid(start));
    return items;
}

// The words of a fragment that could name a column (outside quoted texts), lower case.
QSet<QString> namesIn(const QString& text)
{
    QSet<QString> names;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'' || c == u'"') {
            for (++i; i < text.size() && text[i] != c; ++i) { }
        } else if (c.isLetter() || c == u'_') {
            const qsizetype start = i;
            while (i + 1 < text.size() && (text[i + 1].isLetterOrNumber() || text[i + 1] == u'_'))
                ++i;
            names.insert(text.mid(start, i - start + 1).toLower());
        }
    }
    return names;
}

// Whether a value is a text that a text column of `size` GBK bytes stores as it is: at
// most two bytes a character, one for plain ASCII.
QString storedUncut(const QString& field, int size)
{
    const QString n = QString::number(size);
    return u"typeof("_s + field + u")='text' and (length("_s + field + u")*2<="_s + n + u" or (length(cast("_s + field
        + u" as blob))=length("_s + field + u") and length("_s + field + u")<="_s + n + u"))"_s;
}

int fieldPosition(const QList<store::FieldDef>& fields, const QString& name)
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

// Most rule conditions are comparisons the engine spends far longer on per row than C++
// does. The conditions QuickCondition recognises are answered by functions of the scan's
// connection, each over at most a function's number of arguments, that say whether a row
// may fail any of theirs; the scan takes the rows they name besides the ones its own
// conditions find, and still decides every verdict itself.
struct QuickGroup
{
    std::vector<QuickCondition> conditions;
    std::vector<int> columns; // the table's columns, in argument order
    std::vector<QuickCondition::Value> values; // by the table's columns
};

void quickGroupCall(sqlite3_context* context, int count, sqlite3_value** arguments)
{
    auto* group = static_cast<QuickGroup*>(sqlite3_user_data(context));
    for (int k = 0; k < count; ++k)
        group->values[size_t(group->columns[size_t(k)])] = QuickCondition::read(arguments[k]);
    for (const QuickCondition& q : group->conditions) {
        if (q.mayFail(group->values.data())) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

// The columns of `from` as a statement over it sees them, or none.
QList<QuickCondition::Column> tableColumns(DirectSelect& direct, const QString& from)
{
    QList<QuickCondition::Column> columns;
    if (!direct.prepare(u"select * from "_s + from)) return columns;
    const store::Statement& st = direct.statement();
    for (int i = 0; i < st.columnCount(); ++i)
        columns.append({ st.columnName(i), st.columnDeclType(i) });
    direct.statement() = store::Statement();
    return columns;
}

// The calls standing for the recognised ones of `conditions` (marked in `quick`), each a
// term of the scan's "or".
QStringList quickTerms(DirectSelect& direct, const QList<QuickCondition::Column>& columns,
    const QStringList& conditions, std::vector<char>& quick, int& functions)
{
    quick.assign(size_t(conditions.size()), 0);
    QStringList terms;
    if (columns.isEmpty()) return terms;
    sqlite3* db = direct.connection().handle();
    const size_t limit = size_t(std::clamp(sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, -1), 1, 100));
    std::unique_ptr<QuickGroup> group;
    std::vector<size_t> members;
    auto close = [&] {
        if (!group || group->conditions.empty()) return;
        QString call = u"velto_quick_%1("_s.arg(++functions);
        for (size_t k = 0; k < group->columns.size(); ++k)
            call += (k ? u","_s : QString()) + columns[group->columns[k]].name;
        call += u')';
        const QByteArray name = call.left(call.indexOf(u'(')).toUtf8();
        const int arguments = int(group->columns.size());
        group->values.resize(size_t(columns.size()));
        // The connection owns the group from here, even when it refuses it.
        const int rc
            = sqlite3_create_function_v2(db, name.constData(), arguments, SQLITE_UTF8, group.release(),
                quickGroupCall, nullptr, nullptr, [](void* p) { delete static_cast<QuickGroup*>(p); });
        if (rc == SQLITE_OK) {
            terms.append(call);
            for (size_t i : members)
                quick[i] = 1;
        }
        members.clear();
    };
    for (qsizetype i = 0; i < conditions.size(); ++i) {
        std::optional<QuickCondition> q
            = QuickCondition::recognise(conditions[i], columns, direct.connection());
        if (!q || q->columns().size() > limit) continue;
        std::vector<int> added;
        if (group)
            for (int c : q->columns())
                if (std::find(group->columns.begin(), group->columns.end(), c) == group->columns.end())
                    added.push_back(c);
        if (!group || group->columns.size() + added.size() > limit) {
            close();
            group = std::make_unique<QuickGroup>();
            added = q->columns();
        }
        group->columns.insert(group->columns.end(), added.begin(), added.end());
        group->conditions.push_back(std::move(*q));
        members.push_back(size_t(i));
    }
    close();
    return terms;
}

} // namespace

CheckRun::CheckRun() = default;

CheckRun::~CheckRun() = default;

void CheckRun::prepare(int reportKind)
{
    close();
    m_kind = reportKind;
    m_catalogue.setTableName(catalogueName);
    m_catalogue.open();
    for (m_catalogue.first(); !m_catalogue.eof(); m_catalogue.next()) {
        if (m_catalogue.field(0).asInteger() == reportKind) {
            m_result = m_catalogue.fieldByName(u"check_result"_s).asString();
            m_resultText = m_catalogue.fieldByName(u"text3"_s).asString();
            m_caption = m_catalogue.fieldByName(u"text1"_s).asString();
            break;
        }
    }
    if (reportKind == 4) {
        m_extraColumn = u",is_chge"_s;
        m_extraCondition = u" and (is_chge=\"1\" or is_chge=\"2\")"_s;
    } else {
        m_extraColumn.clear();
        m_extraCondition.clear();
    }
}

void CheckRun::close()
{
    m_query.close();
    m_catalogue.close();
    m_result.clear();
    m_caption.clear();
    m_resultText.clear();
}

void CheckRun::run(Path path)
{
    if (!isPrepared()) prepare(m_kind);
    store::Table result;
    result.setTableName(m_result);
    result.emptyTable();

    // The catalogue is read whole first: the rows of the kind, in stored order.
    QList<CatalogueRow> rows;
    for (m_catalogue.first(); !m_catalogue.eof(); m_catalogue.next()) {
        if (m_catalogue.field(0).asInteger() != m_kind) continue;
        CatalogueRow row;
        row.ruleTable = m_catalogue.fieldByName(u"check_name"_s).asString();
        row.key = m_catalogue.fieldByName(u"field_name"_s).asString();
        row.extra = m_catalogue.fieldByName(u"field_name2"_s).asString();
        row.dataTable = m_catalogue.fieldByName(u"db_name"_s).asString();
        row.result = m_catalogue.fieldByName(u"check_result"_s).asString();
        row.text1 = m_catalogue.fieldByName(u"text1"_s).asString();
        row.text2 = m_catalogue.fieldByName(u"Text2"_s).asString();
        const qsizetype comma = row.dataTable.indexOf(u',');
        row.reference = comma < 0
            ? u'"' + row.dataTable
            : u'"' + row.dataTable.left(comma) + u" left join \""_s + row.dataTable.mid(comma + 1);
        rows.append(row);
    }
    m_catalogue.first();

    for (qsizetype i = 0; i < rows.size();) {
        qsizetype end = i + 1;
        if (path == Path::Fast && scannable(rows[i])) {
            while (end < rows.size() && scannable(rows[end]) && scanBase(rows[end]) == scanBase(rows[i])
                   && rows[end].key == rows[i].key && rows[end].extra == rows[i].extra)
                ++end;
            if (scanTogether(rows.mid(i, end - i))) {
                i = end;
                continue;
            }
        }
        for (; i < end; ++i)
            workCatalogueRow(rows[i], path);
    }
    finish(path);
}

bool CheckRun::scannable(const CatalogueRow& row)
{
    return !row.reference.contains(u"left join"_s);
}

QString CheckRun::scanBase(const CatalogueRow& row)
{
    return row.reference.contains(u';') ? row.reference.chopped(1) : row.reference;
}

void CheckRun::workCatalogueRow(const CatalogueRow& row, Path path)
{
    store::Table rules;
    rules.setTableName(row.ruleTable);
    rules.open();
    rules.first();
    if (row.reference.contains(u';')) codeList(row, rules, path);
    else ruleList(row, rules, path);
    rules.close();
}

// --- Code lists ---------------------------------------------------------------------------

void CheckRun::codeList(const CatalogueRow& row, store::Table& rules, Path path)
{
    const QString& f = row.result;
    const QString from = row.reference.chopped(1);
    const QString head = u"select "_s + row.key + u" 编号,"_s + f + u" 字段值"_s + m_extraColumn + row.extra
        + u" from "_s + from + u" where not ("_s;
    const QString laterHead
        = u"select 编号,字段值"_s + m_extraColumn + row.extra + u" from tmp_r.db where not ("_s;
    QStringList codes;
    const store::Field code = rules.fieldByName(u"code"_s);
    for (rules.first(); !rules.eof(); rules.next())
        codes.append(code.asString());
    // An empty list still opens its statement, with the empty code read past its end.
    if (codes.isEmpty()) codes.append(QString());

    store::Table survivors;
    survivors.setTableName(survivorsName);
    survivors.emptyTable();
    auto runStatement = [&](const QString& text) {
        openQuery(text + u')' + m_extraCondition);
        survivors.emptyTable();
        appendFitted(survivorsName, m_query);
    };

    auto referenceChunks = [&] {
        QString statement = head + f + u'=' + sqlQuote(codes.first());
        int held = 1;
        bool first = true;
        for (qsizetype i = 1; i < codes.size(); ++i) {
            if (held == codesPerStatement) {
                runStatement(statement);
                statement = laterHead + u"字段值="_s + sqlQuote(codes[i]);
                held = 1;
                first = false;
                continue;
            }
            statement += first ? u" or "_s + f + u'=' + sqlQuote(codes[i]) : u" or 字段值="_s + sqlQuote(codes[i]);
            ++held;
        }
        runStatement(statement);
    };
    auto inList = [](const QString& field, const QStringList& list) {
        QStringList quoted;
        quoted.reserve(list.size());
        for (const QString& c : list)
            quoted.append(sqlQuote(c));
        return field + u" in ("_s + quoted.join(u',') + u')';
    };

    bool done = false;
    if (path == Path::Fast && codes.size() <= codesPerStatement) {
        runStatement(head + inList(f, codes));
        done = true;
    } else if (path == Path::Fast && m_extraColumn.isEmpty() && m_extraCondition.isEmpty() && row.extra.isEmpty()) {
        done = codeListInOneStatement(head + inList(f, codes.mid(0, codesPerStatement)) + u')', f,
                                      codes.mid(codesPerStatement));
    }
    if (!done) referenceChunks();

    survivors.open();
    appendFitted(m_result, survivors);
    survivors.close();
    label(f, row.text1, u"错误"_s);
}

// The later statements of a code list compare the survivors as tmp_r.DB stores them: as
// text, cut to its column, empty text as null (which no later statement keeps). The
// first statement here also leaves out the rows whose value is a text short enough to be
// stored unchanged and is empty or one of the later codes; the rest is filtered as stored.
bool CheckRun::codeListInOneStatement(const QString& firstStatement, const QString& field,
                                      const QStringList& laterCodes)
{
    store::Table survivors;
    survivors.setTableName(survivorsName);
    survivors.open();
    const QList<store::FieldDef> fields = survivors.fieldDefs();
    const QString name = survivors.displayName();
    survivors.close();
    if (fields.size() < 2 || fields[0].name.compare(u"编号"_s, Qt::CaseInsensitive) != 0
        || fields[1].name.compare(u"字段值"_s, Qt::CaseInsensitive) != 0 || fields[0].type != store::FieldType::Text
        || fields[1].type != store::FieldType::Text)
        return false;

    QStringList quoted;
    for (const QString& c : laterCodes)
        quoted.append(sqlQuote(c));
    const QSet<QString> later(laterCodes.cbegin(), laterCodes.cend());
    openQuery(firstStatement + u" and not ("_s + storedUncut(field, fields[1].size) + u" and ("_s + field + u"='' or "_s
              + field + u" in ("_s + quoted.join(u',') + u")))"_s);
    if (m_query.fieldCount() != 2) return false;
    RowBuffer kept(fields);
    const int rows = m_query.recordCount();
    for (int r = 0; r < rows; ++r) {
        const QVariantList values = m_query.rowAt(r);
        QVariantList out(fields.size(), QVariant());
        out[0] = fitted(values[0], fields[0], name);
        out[1] = fitted(values[1], fields[1], name);
        if (out[1].isNull() || later.contains(out[1].toString())) continue;
        kept.addRow(out);
    }
    m_query.close();
    survivors.emptyTable();
    if (kept.pendingRows() > 0) survivors.batchAppend(kept);
    return true;
}

// --- Rule lists ---------------------------------------------------------------------------

void CheckRun::ruleList(const CatalogueRow& row, store::Table& rules, Path path)
{
    const bool aggregate = row.reference.contains(u"left join"_s);
    const int count = rules.recordCount();
    progress(0, count);
    bool done = false;
    if (path == Path::Fast) {
        QList<Rule> list;
        const store::Field name = rules.fieldByName(u"field_name"_s);
        const store::Field value = rules.fieldByName(u"field_value"_s);
        const store::Field text = rules.fieldByName(u"field_text"_s);
        const store::Field status = rules.fieldByName(u"status"_s);
        const int link = rules.fieldIndex(u"link"_s);
        const int group = rules.fieldIndex(u"group"_s);
        const int display = rules.fieldIndex(u"disp_field"_s);
        for (rules.first(); !rules.eof(); rules.next()) {
            Rule r { name.asString(), value.asString(), text.asString(), status.asString(), {}, {}, {} };
            if (aggregate && link >= 0 && group >= 0 && display >= 0) {
                r.link = rules.field(link).asString();
                r.group = rules.field(group).asString();
                r.display = rules.field(display).asString();
            }
            list.append(r);
        }
        done = aggregate ? aggregateRulesDirect(row, list) || aggregateRulesTogether(row, list)
                         : plainRulesInPasses(row, list);
        if (!done) progress(0, count);
    }
    if (!done) {
        for (rules.first(); !rules.eof();) {
            if (aggregate) aggregateRule(row, rules);
            else plainRule(row, rules);
            rules.next();
            progress(rules.recNo(), count);
        }
    }
    if (!aggregate) registerDataTable(row);
}

void CheckRun::plainRule(const CatalogueRow& row, store::Table& rules)
{
    const QString fieldName = rules.fieldByName(u"field_name"_s).asString();
    openQuery(u"select "_s + row.key + u" 编号,"_s + fieldName + u" 字段值"_s + m_extraColumn + row.extra + u" from "_s
              + row.reference + u" where not ("_s + rules.fieldByName(u"field_value"_s).asString() + u')'
              + m_extraCondition);
    appendFitted(m_result, m_query);
    label(fieldName, rules.fieldByName(u"field_text"_s).asString(), rules.fieldByName(u"status"_s).asString());
}

void CheckRun::aggregateRule(const CatalogueRow& row, store::Table& rules)
{
    openQuery(u"select "_s + row.key + u" 编号,"_s + rules.fieldByName(u"field_name"_s).asString() + m_extraColumn
              + u" from "_s + row.reference + u" on "_s + rules.fieldByName(u"link"_s).asString() + u" group by "_s
              + rules.fieldByName(u"group"_s).asString());

    copyGroups(m_query);

    const QString display = rules.fieldByName(u"disp_field"_s).asString();
    openQuery(u"select 编号,"_s + display + m_extraColumn + u" from tmp.db where ("_s
              + rules.fieldByName(u"field_value"_s).asString() + u')');
    appendFitted(m_result, m_query);
    label(display, rules.fieldByName(u"field_text"_s).asString(), rules.fieldByName(u"status"_s).asString());
}

// The aggregate rules of one catalogue row share its join; when they also share the join
// condition and grouping, one grouped statement computes every rule's columns and one
// tmp.db holds them all. That answers each rule's condition as its own tmp.db would, as
// long as no two rules name a column alike and no condition names another rule's column.
bool CheckRun::aggregateRulesTogether(const CatalogueRow& row, const QList<Rule>& rules)
{
    if (rules.isEmpty()) return true;
    QStringList columns;
    QList<qsizetype> widths;
    for (const Rule& r : rules) {
        if (r.link != rules.first().link || r.group != rules.first().group || r.fieldName.trimmed().isEmpty())
            return false;
        widths.append(selectItems(r.fieldName).size());
        columns.append(r.fieldName);
    }
    const qsizetype extraWidth = m_extraColumn.isEmpty() ? 0 : selectItems(m_extraColumn.mid(1)).size();
    try {
        openQuery(u"select "_s + row.key + u" 编号,"_s + columns.join(u',') + m_extraColumn + u" from "_s + row.reference
                  + u" on "_s + rules.first().link + u" group by "_s + rules.first().group);
    } catch (const store::StoreError&) {
        return false;
    }
    const QList<store::FieldDef> answer = m_query.fieldDefs();
    qsizetype expected = 1 + extraWidth;
    for (qsizetype w : widths)
        expected += w;
    if (answer.size() != expected) return false;
    QSet<QString> all;
    for (const store::FieldDef& f : answer) {
        const QString n = f.name.toLower();
        // Two columns of one name come back renamed with a suffix.
        if (all.contains(n)) return false;
        all.insert(n);
    }
    for (const QString& n : std::as_const(all)) {
        const qsizetype underscore = n.lastIndexOf(u'_');
        if (underscore > 0 && all.contains(n.left(underscore))) return false;
    }
    QSet<QString> shared { answer.first().name.toLower() };
    for (qsizetype i = answer.size() - extraWidth; i < answer.size(); ++i)
        shared.insert(answer[i].name.toLower());
    qsizetype at = 1;
    for (qsizetype k = 0; k < rules.size(); ++k) {
        QSet<QString> own = shared;
        for (qsizetype i = 0; i < widths[k]; ++i)
            own.insert(answer[at + i].name.toLower());
        at += widths[k];
        for (const QString& n : namesIn(rules[k].fieldValue) + namesIn(rules[k].display))
            if (all.contains(n) && !own.contains(n)) return false;
    }

    copyGroups(m_query);
    m_query.close();

    for (qsizetype k = 0; k < rules.size(); ++k) {
        const Rule& r = rules[k];
        openQuery(u"select 编号,"_s + r.display + m_extraColumn + u" from tmp.db where ("_s + r.fieldValue + u')');
        appendFitted(m_result, m_query);
        label(r.display, r.fieldText, r.status);
        progress(int(k + 1), int(rules.size()));
    }
    return true;
}

// The aggregate rules together as above, but the grouped answer stays inside SQLite: it
// goes into an in-memory table declared as tmp.db would be, and each rule's condition runs
// there. That stores what tmp.db stores as long as every value passes unchanged through a
// query's answer and an append to tmp.db: texts that are not empty and fit, whole numbers
// in integer columns, numbers in float columns. Otherwise the rules go the way above.
bool CheckRun::aggregateRulesDirect(const CatalogueRow& row, const QList<Rule>& rules)
{
    if (rules.isEmpty()) return true;
    QStringList columns;
    QList<qsizetype> widths;
    for (const Rule& r : rules) {
        if (r.link != rules.first().link || r.group != rules.first().group || r.fieldName.trimmed().isEmpty()
            || r.display.isEmpty() || r.status.isEmpty())
            return false;
        widths.append(selectItems(r.fieldName).size());
        columns.append(r.fieldName);
    }
    const qsizetype extraWidth = m_extraColumn.isEmpty() ? 0 : selectItems(m_extraColumn.mid(1)).size();
    DirectSelect direct;
    std::vector<ValueGuess> answer;
    try {
        if (!direct.prepare(u"select "_s + row.key + u" 编号,"_s + columns.join(u',') + m_extraColumn + u" from "_s
                            + row.reference + u" on "_s + rules.first().link + u" group by "_s + rules.first().group))
            return false;
        store::Statement& st = direct.statement();
        qsizetype expected = 1 + extraWidth;
        for (qsizetype w : widths)
            expected += w;
        if (st.columnCount() != expected) return false;
        QSet<QString> all;
        for (int i = 0; i < st.columnCount(); ++i) {
            ValueGuess c;
            c.def.name = st.columnName(i);
            if (c.def.name.isEmpty()) return false;
            c.declared = store::parseSqlType(st.columnDeclType(i), &c.def.type, &c.def.size);
            const QString n = c.def.name.toLower();
            if (all.contains(n)) return false;
            all.insert(n);
            answer.push_back(c);
        }
        for (const QString& n : std::as_const(all)) {
            const qsizetype underscore = n.lastIndexOf(u'_');
            if (underscore > 0 && all.contains(n.left(underscore))) return false;
        }
        QSet<QString> shared { answer.front().def.name.toLower() };
        for (qsizetype i = qsizetype(answer.size()) - extraWidth; i < qsizetype(answer.size()); ++i)
            shared.insert(answer[size_t(i)].def.name.toLower());
        qsizetype at = 1;
        for (qsizetype k = 0; k < rules.size(); ++k) {
            QSet<QString> own = shared;
            for (qsizetype i = 0; i < widths[k]; ++i)
                own.insert(answer[size_t(at + i)].def.name.toLower());
            at += widths[k];
            for (const QString& n : namesIn(rules[k].fieldValue) + namesIn(rules[k].display))
                if (all.contains(n) && !own.contains(n)) return false;
        }

        QString create = u"CREATE TABLE \"temp\".\"grouped\" ("_s;
        QString marks;
        for (size_t i = 0; i < answer.size(); ++i) {
            if (i) create += u',', marks += u',';
            create += u"c%1"_s.arg(i);
            marks += u'?';
        }
        direct.connection().exec(create + u')');
        {
            store::Connection::Transaction transaction(direct.connection());
            store::Statement insert
                = direct.connection().prepare(u"INSERT INTO \"temp\".\"grouped\" VALUES ("_s + marks + u')');
            while (st.step()) {
                for (size_t i = 0; i < answer.size(); ++i) {
                    sqlite3_value* v = sqlite3_column_value(st.handle(), int(i));
                    sqlite3_bind_value(insert.handle(), int(i) + 1, v);
                    answer[i].see(v);
                }
                insert.run();
                insert.reset();
            }
            transaction.commit();
        }
        direct.statement() = store::Statement();

        store::TableSchema schema;
        for (ValueGuess& c : answer) {
            c.def.type = c.type();
            const bool unchanged = !c.sawOther
                && ((c.def.type == store::FieldType::Text && !c.sawInt && !c.sawReal && !c.tooLong)
                    || (c.def.type == store::FieldType::Float && !c.sawText)
                    || (c.def.type == store::FieldType::Integer && !c.sawText && !c.sawReal && c.intsFit()));
            if (!unchanged) return false;
            store::FieldDef f = c.def;
            f.size = f.type == store::FieldType::Text ? 255 : 0;
            f.decimals = 0;
            schema.fields.append(f);
        }
        direct.connection().exec(u"ATTACH ':memory:' AS \"grp\""_s);
        for (const QString& sql : store::native::createStatements(schema, u"grp"_s))
            direct.connection().exec(sql);
        direct.connection().exec(u"INSERT INTO \"grp\".\"data\" SELECT * FROM \"temp\".\"grouped\" ORDER BY rowid"_s);
        direct.connection().exec(u"DROP TABLE \"temp\".\"grouped\""_s);
        direct.mapTable(groupsName, u"grp"_s);
    } catch (const store::StoreError&) {
        return false;
    }

    store::Table result;
    QList<store::FieldDef> fields;
    QString resultName;
    int namePos = -1, textPos = -1, statusPos = -1;
    RowBuffer* buffer = nullptr;
    std::unique_ptr<RowBuffer> owned;
    try {
        result.setTableName(m_result);
        result.open();
        fields = result.fieldDefs();
        resultName = result.displayName();
        const bool indexed = !result.schema().indexes.isEmpty();
        result.close();
        namePos = fieldPosition(fields, u"字段名"_s);
        textPos = fieldPosition(fields, u"错误信息"_s);
        statusPos = fieldPosition(fields, u"状态"_s);
        if (indexed || namePos < 0 || textPos < 0 || statusPos < 0) return false;
        owned = std::make_unique<RowBuffer>(fields);
        buffer = owned.get();
        for (const Rule& r : rules) {
            if (!direct.prepare(u"select 编号,"_s + r.display + m_extraColumn + u" from tmp.db where ("_s + r.fieldValue
                                + u')'))
                return false;
            store::Statement& st = direct.statement();
            std::vector<int> all;
            QStringList declared;
            for (int i = 0; i < st.columnCount(); ++i) {
                all.push_back(i);
                declared.append(st.columnDeclType(i));
            }
            KeptRows kept(direct.connection(), declared);
            while (st.step())
                kept.add(st.handle(), all);
            direct.statement() = store::Statement();
            for (const QVariantList& values : kept.rows()) {
                QVariantList out(fields.size(), QVariant());
                const qsizetype width = std::min(fields.size(), values.size());
                for (qsizetype p = 0; p < width; ++p)
                    out[p] = fitted(values[p], fields[p], resultName);
                if (out[namePos].isNull()) {
                    out[namePos] = fitted(r.display, fields[namePos], resultName);
                    out[textPos] = fitted(r.fieldText, fields[textPos], resultName);
                    out[statusPos] = fitted(r.status, fields[statusPos], resultName);
                }
                buffer->addRow(out);
            }
        }
    } catch (const store::StoreError&) {
        return false;
    }
    if (buffer->pendingRows() > 0) result.batchAppend(*buffer);
    progress(int(rules.size()), int(rules.size()));
    return true;
}

// One statement per pass computes, for every row of the data table that fails any of the
// pass's rules, each rule's tested value and whether the row fails it (the rule's own
// condition text, extra condition included). The failures are then laid out in rule
// order, converted as the appends of the reference way convert them, and written with one
// append. Anything that would make the passes differ from the statements of the rules one
// by one sends the catalogue row the reference way: nothing is written before that is known.
bool CheckRun::plainRulesInPasses(const CatalogueRow& row, const QList<Rule>& rules)
{
    for (const Rule& r : rules)
        if (!standsAlone(r.fieldName) || !standsAlone(r.fieldValue)) return false;

    store::Table result;
    result.setTableName(m_result);
    result.open();
    const QList<store::FieldDef> fields = result.fieldDefs();
    const QString resultName = result.displayName();
    // A unique index could refuse a row part-way, which the rule-by-rule way meets with
    // that rule's rows unlabelled.
    const bool indexed = !result.schema().indexes.isEmpty();
    result.close();
    const int namePos = fieldPosition(fields, u"字段名"_s);
    const int textPos = fieldPosition(fields, u"错误信息"_s);
    const int statusPos = fieldPosition(fields, u"状态"_s);
    if (indexed || namePos < 0 || textPos < 0 || statusPos < 0) return false;

    RowBuffer buffer(fields);
    for (qsizetype start = 0; start < rules.size(); start += rulesPerPass) {
        const qsizetype end = std::min<qsizetype>(start + rulesPerPass, rules.size());
        QString select = u"select "_s + row.key + u" 编号"_s + m_extraColumn + row.extra;
        QStringList anyFailure;
        for (qsizetype i = start; i < end; ++i) {
            const QString fails = u"not ("_s + rules[i].fieldValue + u')' + m_extraCondition;
            select += u",\n"_s + rules[i].fieldName + u" ckv_%1,case when "_s.arg(i) + fails
                + u" then 1 else 0 end ckf_%1"_s.arg(i);
            anyFailure.append(u'(' + fails + u')');
        }
        m_query.close();
        m_query.clearSql();
        m_query.setSql(select + u"\nfrom "_s + row.reference + u"\nwhere "_s + balancedOr(anyFailure));
        try {
            m_query.open();
        } catch (const store::StoreError&) {
            return false;
        }
        const int passRules = int(end - start);
        const int extraColumns = m_query.fieldCount() - 1 - 2 * passRules;
        if (extraColumns < 0) return false;
        const int rowCount = m_query.recordCount();
        std::vector<std::vector<int>> failing(static_cast<size_t>(passRules));
        std::vector<QVariantList> answer(static_cast<size_t>(rowCount));
        for (int r = 0; r < rowCount; ++r) {
            answer[size_t(r)] = m_query.rowAt(r);
            const QVariantList& values = answer[size_t(r)];
            for (int k = 0; k < passRules; ++k)
                if (values.value(1 + extraColumns + 2 * k + 1).toLongLong() == 1) failing[size_t(k)].push_back(r);
        }
        const int width = std::min<int>(int(fields.size()), 2 + extraColumns);
        for (int k = 0; k < passRules; ++k) {
            if (failing[size_t(k)].empty()) continue;
            const Rule& rule = rules[start + k];
            // An empty label is stored as it is by the labelling statement but as null by
            // an append, and a null one is labelled again by the next rule's statement;
            // only the reference way keeps that difference.
            if (rule.fieldName.isEmpty() || rule.status.isEmpty()) return false;
            for (int r : failing[size_t(k)]) {
                const QVariantList& values = answer[size_t(r)];
                QVariantList out(fields.size(), QVariant());
                try {
                    for (int p = 0; p < width; ++p) {
                        const QVariant& v = p == 0 ? values[0] : p == 1 ? values[1 + extraColumns + 2 * k] : values[p - 1];
                        out[p] = fitted(v, fields[p], resultName);
                    }
                    if (out[namePos].isNull()) {
                        out[namePos] = fitted(rule.fieldName, fields[namePos], resultName);
                        out[textPos] = fitted(rule.fieldText, fields[textPos], resultName);
                        out[statusPos] = fitted(rule.status, fields[statusPos], resultName);
                    }
                } catch (const store::StoreError&) {
                    return false;
                }
                buffer.addRow(out);
            }
        }
        m_query.close();
        progress(int(end), int(rules.size()));
    }
    if (buffer.pendingRows() > 0) {
        result.setTableName(m_result);
        result.batchAppend(buffer);
    }
    return true;
}

// Consecutive catalogue rows over one data table, its rule lists and its code lists, are
// evaluated together: one scan of the table per pass computes, for every row that fails
// any test, each test's value and verdict. Each test's failures are kept as its own
// statement's answer would be (column types guessed over that test's rows alone), sent the
// way that answer goes (a code list's through the columns of tmp_r.DB), labelled, and all
// are written in catalogue and rule order with one append. The scan reads only data tables,
// which the run does not change, so reading them first gives what the statements one after
// another give. Anything that could differ sends the rows the usual way before anything is
// written.
bool CheckRun::scanTogether(const QList<CatalogueRow>& rows)
{
    struct Test
    {
        QString fails;
        QString value;
        QString label;
        QString message;
        QString status;
        QString holds; // what a row must fail (`not (...)` true) for the test to fail it
        bool survivors = false; // a code list: its answer passes through tmp_r.DB
        bool laterCodes = false; // a code list of more than one statement
        QSet<QString> later;
    };
    const CatalogueRow& head = rows.first();
    const QString from = scanBase(head);
    // A fragment that reads a table the run writes would see it change between statements.
    const QStringList written { m_result.section(u'.', 0, 0), u"tmp_r"_s, u"tmp"_s, u"sendname"_s };
    auto readsWritten = [&](const QString& text) {
        for (const QString& w : written)
            if (text.contains(w, Qt::CaseInsensitive)) return true;
        return false;
    };
    if (readsWritten(from + head.key + head.extra)) return false;
    auto inList = [](const QString& field, const QStringList& list) {
        QStringList quoted;
        quoted.reserve(list.size());
        for (const QString& c : list)
            quoted.append(sqlQuote(c));
        return field + u" in ("_s + quoted.join(u',') + u')';
    };

    QList<Test> tests;
    QList<int> ruleCounts; // per catalogue row: its rules, or -1 for a code list
    QList<store::FieldDef> fields, survivorFields;
    QString resultName, survivorName;
    int namePos = -1, textPos = -1, statusPos = -1;
    try {
        store::Table result;
        result.setTableName(m_result);
        result.open();
        fields = result.fieldDefs();
        resultName = result.displayName();
        // A unique index could refuse a row part-way.
        if (!result.schema().indexes.isEmpty()) return false;
        result.close();
        namePos = fieldPosition(fields, u"字段名"_s);
        textPos = fieldPosition(fields, u"错误信息"_s);
        statusPos = fieldPosition(fields, u"状态"_s);
        if (namePos < 0 || textPos < 0 || statusPos < 0) return false;

        for (const CatalogueRow& row : rows) {
            store::Table rules;
            rules.setTableName(row.ruleTable);
            rules.open();
            if (!row.reference.contains(u';')) {
                const store::Field name = rules.fieldByName(u"field_name"_s);
                const store::Field value = rules.fieldByName(u"field_value"_s);
                const store::Field text = rules.fieldByName(u"field_text"_s);
                const store::Field status = rules.fieldByName(u"status"_s);
                for (rules.first(); !rules.eof(); rules.next()) {
                    Test t;
                    t.value = t.label = name.asString();
                    t.fails = u"not ("_s + value.asString() + u')' + m_extraCondition;
                    t.holds = value.asString();
                    t.message = text.asString();
                    t.status = status.asString();
                    // An empty label is stored as it is by the labelling statement but as
                    // null by an append, and a null one is labelled again by the next rule.
                    if (!standsAlone(t.value) || !standsAlone(value.asString()) || t.label.isEmpty()
                        || t.status.isEmpty() || readsWritten(t.value + value.asString()))
                        return false;
                    tests.append(t);
                }
                ruleCounts.append(rules.recordCount());
                continue;
            }
            if (survivorFields.isEmpty()) {
                store::Table survivors;
                survivors.setTableName(survivorsName);
                survivors.open();
                survivorFields = survivors.fieldDefs();
                survivorName = survivors.displayName();
                survivors.close();
                for (const store::FieldDef& f : std::as_const(survivorFields))
                    if (f.type != store::FieldType::Text && f.type != store::FieldType::Integer
                        && f.type != store::FieldType::SmallInt && f.type != store::FieldType::Float)
                        return false;
            }
            const QString& f = row.result;
            if (f.isEmpty() || !standsAlone(f) || readsWritten(f)) return false;
            QStringList codes;
            const store::Field code = rules.fieldByName(u"code"_s);
            for (rules.first(); !rules.eof(); rules.next())
                codes.append(code.asString());
            if (codes.isEmpty()) codes.append(QString());
            Test t;
            t.value = t.label = f;
            t.message = row.text1;
            t.status = u"错误"_s;
            t.survivors = true;
            if (codes.size() <= codesPerStatement) {
                t.fails = u"not ("_s + inList(f, codes) + u')' + m_extraCondition;
                t.holds = inList(f, codes);
            } else {
                // The later statements compare the survivors as tmp_r.DB stores them (see
                // codeListInOneStatement): the scan leaves out what they surely drop, the
                // rest is filtered after the values are cut to tmp_r.DB's columns.
                if (!m_extraColumn.isEmpty() || !m_extraCondition.isEmpty() || !row.extra.isEmpty()
                    || survivorFields.size() < 2 || survivorFields[0].type != store::FieldType::Text
                    || survivorFields[1].type != store::FieldType::Text)
                    return false;
                const QStringList laterCodes = codes.mid(codesPerStatement);
                t.fails = u"not ("_s + inList(f, codes.mid(0, codesPerStatement)) + u") and not ("_s
                    + storedUncut(f, survivorFields[1].size) + u" and ("_s + f + u"='' or "_s + inList(f, laterCodes)
                    + u"))"_s;
                // A row keeps clear of both parts with one of the first codes, with an
                // empty text, or with a later code that is surely stored uncut.
                QStringList clear = codes.mid(0, codesPerStatement);
                clear.append(QString());
                const int size = survivorFields[1].size;
                for (const QString& c : laterCodes) {
                    bool ascii = true, wide = false;
                    for (QChar ch : c) {
                        if (ch.unicode() >= 0x80) ascii = false;
                        if (ch.isSurrogate()) wide = true;
                    }
                    if (!wide && (ascii ? c.size() <= size : c.size() * 2 <= size)) clear.append(c);
                }
                t.holds = inList(f, clear);
                t.laterCodes = true;
                t.later = QSet<QString>(laterCodes.cbegin(), laterCodes.cend());
            }
            tests.append(t);
            ruleCounts.append(-1);
        }
    } catch (const store::StoreError&) {
        return false;
    }

    // The failures of every test, kept on the scan's connection.
    DirectSelect direct;
    QList<QuickCondition::Column> columnsOfFrom;
    try {
        columnsOfFrom = tableColumns(direct, from);
    } catch (const store::StoreError&) {
        // Then every condition goes to the engine.
    }
    int quickFunctions = 0;
    std::vector<std::unique_ptr<KeptRows>> kept;
    try {
        for (qsizetype start = 0; start < tests.size(); start += rulesPerPass) {
            const qsizetype end = std::min<qsizetype>(start + rulesPerPass, tests.size());
            QString select = u"select "_s + head.key + u" 编号"_s + m_extraColumn + head.extra;
            QStringList holds;
            for (qsizetype i = start; i < end; ++i)
                holds.append(tests[i].holds);
            std::vector<char> quick;
            QStringList anyFailure = quickTerms(direct, columnsOfFrom, holds, quick, quickFunctions);
            for (qsizetype i = start; i < end; ++i) {
                select += u",\n"_s + tests[i].value + u" ckv_%1,case when "_s.arg(i) + tests[i].fails
                    + u" then 1 else 0 end ckf_%1"_s.arg(i);
                if (!quick[size_t(i - start)]) anyFailure.append(u'(' + tests[i].fails + u')');
            }
            if (!direct.prepare(select + u"\nfrom "_s + from + u"\nwhere "_s + balancedOr(anyFailure))) return false;
            store::Statement& st = direct.statement();
            const int passTests = int(end - start);
            const int extraColumns = st.columnCount() - 1 - 2 * passTests;
            if (extraColumns < 0) return false;
            std::vector<std::vector<int>> columns(static_cast<size_t>(passTests));
            for (int k = 0; k < passTests; ++k) {
                std::vector<int>& c = columns[size_t(k)];
                c.push_back(0);
                c.push_back(1 + extraColumns + 2 * k);
                for (int x = 1; x <= extraColumns; ++x)
                    c.push_back(x);
                QStringList declared;
                for (int col : c)
                    declared.append(st.columnDeclType(col));
                kept.push_back(std::make_unique<KeptRows>(direct.connection(), declared));
            }
            const size_t base = kept.size() - size_t(passTests);
            while (st.step()) {
                for (int k = 0; k < passTests; ++k)
                    if (sqlite3_column_int64(st.handle(), 2 + extraColumns + 2 * k) == 1)
                        kept[base + size_t(k)]->add(st.handle(), columns[size_t(k)]);
            }
        }
    } catch (const store::StoreError&) {
        return false;
    }

    RowBuffer buffer(fields);
    try {
        for (qsizetype i = 0; i < tests.size(); ++i) {
            const Test& t = tests[i];
            for (const QVariantList& answer : kept[size_t(i)]->rows()) {
                QVariantList out(fields.size(), QVariant());
                if (t.survivors) {
                    QVariantList stored(survivorFields.size(), QVariant());
                    const qsizetype into = std::min(survivorFields.size(), answer.size());
                    for (qsizetype p = 0; p < into; ++p)
                        stored[p] = fitted(answer[p], survivorFields[p], survivorName);
                    if (t.laterCodes && (stored[1].isNull() || t.later.contains(stored[1].toString()))) continue;
                    const qsizetype width = std::min(fields.size(), survivorFields.size());
                    for (qsizetype p = 0; p < width; ++p)
                        out[p] = fitted(stored[p], fields[p], resultName);
                } else {
                    const qsizetype width = std::min(fields.size(), answer.size());
                    for (qsizetype p = 0; p < width; ++p)
                        out[p] = fitted(answer[p], fields[p], resultName);
                }
                if (out[namePos].isNull()) {
                    out[namePos] = fitted(t.label, fields[namePos], resultName);
                    out[textPos] = fitted(t.message, fields[textPos], resultName);
                    out[statusPos] = fitted(t.status, fields[statusPos], resultName);
                }
                buffer.addRow(out);
            }
        }
    } catch (const store::StoreError&) {
        return false;
    }
    kept.clear();

    if (buffer.pendingRows() > 0) {
        store::Table result;
        result.setTableName(m_result);
        result.batchAppend(buffer);
    }
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (ruleCounts[r] < 0) continue;
        progress(ruleCounts[r], ruleCounts[r]);
        registerDataTable(rows[r]);
    }
    return true;
}

void CheckRun::registerDataTable(const CatalogueRow& row)
{
    // T is the double-quoted file name, read as a text constant where a value is expected.
    exec(u"delete from sendname.db where id=2 and name="_s + row.reference);
    exec(u"insert into sendname.db (id,name,text) values (2,"_s + row.reference + u',' + sqlQuote(row.text2) + u')');
}

// --- Finish -------------------------------------------------------------------------------

void CheckRun::finish(Path path)
{
    progress(0, 100);
    exec(u"delete from "_s + m_result
         + u" where 编号 is null and (字段名='qj25' or 字段名='qj26' or 字段名='qj27' or 字段名='qj01')"_s);
    openQuery(u"select * from "_s + m_result + u" order by 状态 desc,编号"_s);
    numberRows(path);
    m_query.close();
    exec(u"delete from sendname.db where id=1 and name="_s + sqlQuote(m_result));
    exec(u"insert into sendname.db (id,name,text) values (1,"_s + sqlQuote(m_result) + u',' + sqlQuote(m_resultText)
         + u')');
}

void CheckRun::numberRows(Path path)
{
    store::Table result;
    result.setTableName(m_result);
    result.emptyTable();
    if (m_query.isEmpty()) {
        result.open();
        result.append();
        result.fieldByName(u"状态"_s).setValue(u"OK"_s);
        result.fieldByName(u"错误信息"_s).setValue(u"无任何错误及警告"_s);
        result.post();
        result.close();
        return;
    }
    if (path == Path::Fast) {
        // The numbers go into the rows before the one append instead of one stored
        // change per row afterwards.
        result.open();
        const QList<store::FieldDef> fields = result.fieldDefs();
        const QString name = result.displayName();
        const int seq = fieldPosition(fields, u"序号"_s);
        result.close();
        if (seq >= 0) {
            RowBuffer numbered(fields);
            const int width = std::min<int>(int(fields.size()), m_query.fieldCount());
            const int rows = m_query.recordCount();
            for (int r = 0; r < rows; ++r) {
                const QVariantList values = m_query.rowAt(r);
                QVariantList out(fields.size(), QVariant());
                for (int i = 0; i < width; ++i)
                    out[i] = fitted(values[i], fields[i], name);
                out[seq] = fitted(QString::number(r + 1), fields[seq], name);
                numbered.addRow(out);
            }
            result.batchAppend(numbered);
            return;
        }
    }
    appendFitted(m_result, m_query);
    result.open();
    store::Field seq = result.fieldByName(u"序号"_s);
    for (result.first(); !result.eof(); result.next()) {
        result.edit();
        seq.setValue(QString::number(result.recNo()));
        result.post();
    }
    result.close();
}

// --- Statements and appends ---------------------------------------------------------------

void CheckRun::label(const QString& fieldName, const QString& message, const QString& status)
{
    exec(u"update "_s + m_result + u" set 字段名="_s + sqlQuote(fieldName) + u",错误信息="_s + sqlQuote(message)
         + u",状态="_s + sqlQuote(status) + u" where 字段名 IS NULL"_s);
}

void CheckRun::openQuery(const QString& text)
{
    m_query.close();
    m_query.clearSql();
    m_query.setSql(text);
    m_query.open();
}

int CheckRun::exec(const QString& text)
{
    m_query.close();
    m_query.clearSql();
    m_query.setSql(text);
    return m_query.execSql();
}

QVariant CheckRun::fitted(const QVariant& value, const store::FieldDef& field, const QString& table)
{
    if (field.type != store::FieldType::Text || field.size <= 0 || value.isNull()) return coerceValue(value, field, table);
    QString text = value.typeId() == QMetaType::Double ? store::displayText(value)
        : value.typeId() == QMetaType::QDate           ? value.toDate().toString(u"yyyy-MM-dd"_s)
                                                       : value.toString();
    if (store::gbkLength(text) > field.size) {
        // Cut by whole characters; a character takes one or two bytes in GBK.
        qsizetype keep = std::min<qsizetype>(text.size(), field.size);
        while (keep > 0 && store::gbkLength(text.left(keep)) > field.size)
            --keep;
        if (keep > 0 && text[keep - 1].isHighSurrogate()) --keep;
        text.truncate(keep);
    }
    return coerceValue(text, field, table);
}

int CheckRun::appendFitted(const QString& target, store::Dataset& source)
{
    store::Table table;
    table.setTableName(target);
    table.open();
    const QList<store::FieldDef> fields = table.fieldDefs();
    const QString name = table.displayName();
    table.close();
    if (!source.isOpen()) source.open();
    const int width = std::min<int>(int(fields.size()), source.fieldCount());
    const int rows = source.recordCount();
    if (rows == 0) return 0;
    RowBuffer buffer(fields);
    std::optional<store::StoreError> failure;
    for (int r = 0; r < rows && !failure; ++r) {
        const QVariantList values = source.rowAt(r);
        QVariantList out(fields.size(), QVariant());
        try {
            for (int i = 0; i < width; ++i)
                out[i] = fitted(values[i], fields[i], name);
        } catch (const store::StoreError& e) {
            failure = e; // the rows before it are appended, as a batch append leaves them
            break;
        }
        buffer.addRow(out);
    }
    const int appended = buffer.pendingRows() > 0 ? table.batchAppend(buffer) : 0;
    if (failure) throw *failure;
    return appended;
}

void CheckRun::progress(int value, int maximum)
{
    if (m_progress) m_progress(value, maximum);
}
