#pragma once

#include <QList>
#include <QString>

// Made-up returns of the three single-table institution reports, for trying the program
// out, for tests and for benchmarks: venture-investment institutions (tzjg.db), industry
// bases (tsjd.db) and provincial zones (sjgxq.db), appended to the tables of the current
// directory. Places, postal codes and telephone area codes come from the public code lists;
// amounts are in the orders of size such returns have, and every "其中" part stays within
// its total, so that the rows satisfy every shipped rule except in a chosen share of
// returns that carry one typical mistake each. The same options on the same tables give
// the same rows.
class DemoInstitutions
{
public:
    enum class Kind { VentureFunds, IndustryBases, ProvincialZones };
    static constexpr int kindCount = 3;

    // The mistakes an office typically finds in these returns.
    enum class Mistake {
        PartAboveTotal, // a "其中" part above its total
        PartsAboveTotal, // parts that together exceed their total
        MissingName, // no name of the institution
        WrongFormat, // a postal code one digit short
        WrongUnit, // an amount keyed in yuan, or a percentage without its decimal point
    };

    struct Options
    {
        int ventureFunds = 0;
        int industryBases = 0;
        int provincialZones = 0;
        double mistakePercent = 5; // share of returns with one mistake each, per kind
        quint64 seed = 2012;
    };

    // One planted mistake and the rule that reports it.
    struct PlantedMistake
    {
        Kind kind = Kind::VentureFunds;
        QString reportNumber;
        Mistake mistake = Mistake::PartAboveTotal;
        QString ruleTable; // e.g. "tzjg_chk.db"
        QString field; // the rule's field_name
    };

    struct Made
    {
        int rows = 0;
        QString firstNumber; // numbers given, empty when none
        QString lastNumber;
    };

    struct Result
    {
        Made made[kindCount]; // by Kind
        QList<PlantedMistake> mistakes; // by kind, then number
    };

    explicit DemoInstitutions(Options options);

    // Appends to the tables of the current directory, laying the directory out first when a
    // table is missing. Numbers continue after the largest one present; names avoid those
    // present. Throws store::StoreError.
    Result run();

    static QString tableName(Kind kind); // "tzjg.db", …
    static QString ruleTable(Kind kind); // "tzjg_chk.db", …
    static int reportKind(Kind kind); // 6, 10, 11
    static QString kindText(Kind kind); // Chinese, for the command's summary: "创业投资机构"
    static QString mistakeText(Mistake mistake);

private:
    Options m_options;
};
