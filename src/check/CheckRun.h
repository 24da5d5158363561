#pragma once

#include "store/Query.h"
#include "store/Table.h"

#include <QString>
#include <QStringList>

#include <functional>

// The validation run of one report kind: interprets the check catalogue `check_db.DB` and
// the rule tables it names, writing one row per failing record into the kind's results
// table and registering the validated tables in `sendname.db`.
//
// Two ways to the same results table: the reference path runs one statement per rule, as
// the rules are written; the fast path evaluates all plain rules of a data table in a few
// passes and a code list in two statements. A catalogue row the fast path cannot take with
// certainty of the same answer goes the reference way.
//
// Texts that are values (messages, status texts, register texts, codes) are quoted as SQL
// constants, so any text in a rule table runs; the fragments (field_name, field_value,
// link, group, disp_field, the catalogue's key and extra columns) are SQL and go in as
// they stand. A tested value or label longer than its column of the results table is cut
// to the column's size, so a long value never stops a run.
class CheckRun
{
public:
    enum class Path { Reference, Fast };
    // Progress of the rule list being worked: value and maximum (0..rules).
    using ProgressHandler = std::function<void(int value, int maximum)>;

    CheckRun();
    ~CheckRun();
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // Opens the catalogue and reads the kind's first row (results table, its register
    // text and the window caption), and sets the kind's extra column and condition.
    // Without a row for the kind the results table has no name.
    void prepare(int reportKind);
    // Closes the catalogue; the next use prepares again.
    void close();
    bool isPrepared() const { return m_catalogue.isOpen(); }

    int reportKind() const { return m_kind; }
    const QString& resultTable() const { return m_result; }
    const QString& caption() const { return m_caption; }
    const QString& resultText() const { return m_resultText; }
    // ",is_chge" and " and (is_chge=…)" for national projects, empty for the other kinds.
    const QString& extraColumn() const { return m_extraColumn; }
    const QString& extraCondition() const { return m_extraCondition; }

    void setProgressHandler(ProgressHandler handler) { m_progress = std::move(handler); }

    // Empties the results table and runs every rule of the kind. The results table must
    // not be open elsewhere. A store error stops the run; the rows appended stay.
    void run(Path path = Path::Fast);

    // Statements of a code list hold at most this many codes (the opening code and the
    // rest joined by "or").
    static constexpr int codesPerStatement = 202;
    // Plain rules evaluated in one pass of the fast path (one scan of the data table).
    static constexpr int rulesPerPass = 400;

    // Appends every row of `source` to the table `target` by column position, as a batch
    // append does, but cutting texts to their column's size. Returns the rows appended.
    static int appendFitted(const QString& target, store::Dataset& source);
    // A value as a field of `field` stores it, a too long text cut to the field's size.
    static QVariant fitted(const QVariant& value, const store::FieldDef& field, const QString& table);

private:
    struct CatalogueRow
    {
        QString ruleTable; // check_name
        QString dataTable; // db_name
        QString key; // K: field_name
        QString extra; // E: field_name2
        QString result; // check_result
        QString text1;
        QString text2;
        QString reference; // T
    };
    struct Rule
    {
        QString fieldName;
        QString fieldValue;
        QString fieldText;
        QString status;
        QString link; // aggregate rules only
        QString group;
        QString display;
    };

    void workCatalogueRow(const CatalogueRow& row, Path path);
    static bool scannable(const CatalogueRow& row);
    static QString scanBase(const CatalogueRow& row);
    bool scanTogether(const QList<CatalogueRow>& rows);
    void codeList(const CatalogueRow& row, store::Table& rules, Path path);
    bool codeListInOneStatement(const QString& firstStatement, const QString& field, const QStringList& laterCodes);
    void ruleList(const CatalogueRow& row, store::Table& rules, Path path);
    void aggregateRule(const CatalogueRow& row, store::Table& rules);
    void plainRule(const CatalogueRow& row, store::Table& rules);
    bool aggregateRulesTogether(const CatalogueRow& row, const QList<Rule>& rules);
    bool aggregateRulesDirect(const CatalogueRow& row, const QList<Rule>& rules);
    bool plainRulesInPasses(const CatalogueRow& row, const QList<Rule>& rules);
    void registerDataTable(const CatalogueRow& row);
    void finish(Path path);
    void numberRows(Path path);

    void label(const QString& fieldName, const QString& message, const QString& status);
    void openQuery(const QString& text);
    int exec(const QString& text);
    void progress(int value, int maximum);

    store::Table m_catalogue;
    store::Query m_query;
    ProgressHandler m_progress;
    int m_kind = 0;
    QString m_result;
    QString m_caption;
    QString m_resultText;
    QString m_extraColumn;
    QString m_extraCondition;
};
