#pragma once

#include <QList>
#include <QString>

// Made-up zone-enterprise returns for trying the program out, for tests and for benchmarks:
// enterprises with their main products and S&T projects, appended to kfq_1.db, kfq_2.db and
// kfq_5.db of the current directory. Values look like real returns (industry classes and
// county-level divisions from the public code lists, amounts whose parts add up) and satisfy
// every shipped rule, except in a chosen share of returns that carry one typical mistake
// each. The same options on the same tables give the same rows.
class DemoData
{
public:
    // The mistakes an office typically finds in delivered returns.
    enum class Mistake {
        PartAboveTotal, // a "其中" part above its total
        CodeOutsideList, // a short code outside the list printed beside the field
        MissingName, // no enterprise name
        WrongFormat, // a postal code one digit short
        ProductsAboveEnterprise, // products' sales above the enterprise's product sales
        ProjectsAboveEnterprise, // projects' spending above the enterprise's project spending
    };

    struct Range
    {
        int min = 0;
        int max = 0;
    };

    struct Options
    {
        int enterprises = 0;
        double mistakePercent = 5; // share of returns with one mistake each
        quint64 seed = 2012;
        Range products { 1, 5 }; // main products per enterprise, drawn evenly (average 3)
        Range projects { 0, 4 }; // S&T projects per enterprise, drawn evenly (average 2)
    };

    // One planted mistake and the rule that reports it.
    struct PlantedMistake
    {
        QString reportNumber;
        Mistake kind = Mistake::PartAboveTotal;
        QString ruleTable; // e.g. "kfq1_chk.db"
        QString field; // the rule's field_name (plain rules) or disp_field (aggregate rules)
    };

    struct Result
    {
        int enterprises = 0;
        int products = 0;
        int projects = 0;
        QString firstNumber; // report numbers given, empty when none
        QString lastNumber;
        QList<PlantedMistake> mistakes; // in report-number order
    };

    explicit DemoData(Options options);

    // Appends to the tables of the current directory, laying the directory out first when a
    // table is missing. Report numbers continue after the largest six-digit one present;
    // names and organisation codes avoid those present. Throws store::StoreError.
    Result run();

    static QString mistakeText(Mistake kind); // Chinese, for the command's summary

private:
    Options m_options;
};
