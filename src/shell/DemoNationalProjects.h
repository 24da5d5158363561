#pragma once

#include <QList>
#include <QString>

// Made-up national projects for a demo directory: an issued list gjxm_s.dbf (dBase, GBK,
// the fields of gjxm.db) as a national office sends it, and, on an empty gjxm.db, that
// list loaded with a share of its projects entered, a few projects added, and some of
// them carrying one typical mistake each. Every other project passes every shipped rule.
// An existing list is never written over: a real one is delivered data.
class DemoNationalProjects
{
public:
    enum class Mistake {
        PartAboveTotal, // export earnings above the sales they are part of
        FundsDontAddUp, // the funds in place do not add up to their total
        CodeOutsideList, // a progress code outside the list beside the field
        DateOutsideYear, // a filing date of the year before
        DelayWithoutReason, // a stalled project without its reasons
    };

    struct Options
    {
        int listed = 60; // projects of the issued list
        double enteredPercent = 60; // listed projects filled in
        int added = 6; // projects added by the office
        double mistakePercent = 15; // of the entered and added projects
        quint64 seed = 2012;
    };

    struct PlantedMistake
    {
        QString number; // JB00
        Mistake kind = Mistake::PartAboveTotal;
        QString field; // field_name of the rule in gjxm_chk.db that reports it
    };

    struct Result
    {
        int listed = 0; // rows written to gjxm_s.dbf (0: a list was there)
        int loaded = 0; // rows put into gjxm.db (0: it held projects)
        int entered = 0;
        int added = 0;
        QList<PlantedMistake> mistakes;
    };

    explicit DemoNationalProjects(Options options);

    // Works on the current directory, which must be laid out. Throws store::StoreError.
    Result run();

    // Only the issued list, at `path` (any existing file is replaced): for benchmarks.
    static void writeIssuedList(const QString& path, int projects, quint64 seed = 2012);

    static QString mistakeText(Mistake kind);

private:
    Options m_options;
};
