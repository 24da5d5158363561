#pragma once

#include "reports/ReportItems.h"
#include "reports/ReportSummaries.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QHash>
#include <QVariant>

// Small survey tables for the report tests, made in the current (temporary) directory,
// with the figures the summaries should come to worked out here, row by row.
namespace fixture {

using namespace Qt::StringLiterals;

struct Enterprise
{
    QString qa01, qa04, qb03, qb07, qb11, qb15;
    QVariant qc05;
};

// Six enterprises: service industries in and just outside the list, revenue on both sides
// of the threshold (one exactly on it), listed and unlisted, inside and outside the zones.
inline const QList<Enterprise>& enterprises()
{
    static const QList<Enterprise> list = {
        { u"000001"_s, u"甲软件有限公司"_s, u"6311"_s, u"1"_s, u"1"_s, u"1"_s, 250000.0 },
        { u"000002"_s, u"乙服务有限公司"_s, u"7590"_s, u"2"_s, u"2"_s, {}, 100000.0 },
        { u"000003"_s, u"丙电子有限公司"_s, u"3911"_s, {}, u"1"_s, u"12"_s, 99999.5 },
        { u"000004"_s, u"丁信息有限公司"_s, u"6312"_s, u"1"_s, {}, {}, 5000.0 },
        { u"000005"_s, u"戊环保有限公司"_s, u"7591"_s, u"2"_s, u"2"_s, {}, 300000.0 },
        { u"000006"_s, u"己研究院有限公司"_s, u"6510"_s, u"1"_s, u"1"_s, {}, 0.0 },
    };
    return list;
}

// The figure of a summed enterprise field: distinct per row and field, in quarters so sums
// are exact. Revenue (QC05) and the counter come from the list above.
inline QVariant enterpriseFigure(int row, const QString& field, int fieldNumber)
{
    if (field.compare(u"qa_one"_s, Qt::CaseInsensitive) == 0) return 1;
    if (field.compare(u"QC05"_s, Qt::CaseInsensitive) == 0) return enterprises()[row].qc05;
    if (row == 3 && fieldNumber % 7 == 0) return {}; // a few fields left empty
    return (row + 1) * 1000.25 + fieldNumber * 3.5;
}

inline void insertRow(store::Table& t, const QHash<QString, QVariant>& values)
{
    t.append();
    for (auto it = values.begin(); it != values.end(); ++it)
        t.fieldByName(it.key()).setValue(it.value());
    t.post();
}

inline void makeEnterprises()
{
    store::Table t;
    t.setTableName(u"kfq_1.db"_s);
    t.open();
    const auto& fields = reportSummaries::enterpriseSumFields();
    for (int r = 0; r < int(enterprises().size()); ++r) {
        const Enterprise& e = enterprises()[r];
        QHash<QString, QVariant> v { { u"Id"_s, e.qa01 }, { u"QA01"_s, e.qa01 }, { u"QA03"_s, e.qa01 },
            { u"QA04"_s, e.qa04 }, { u"QB03"_s, e.qb03 }, { u"QB07"_s, e.qb07 }, { u"QB11"_s, e.qb11 },
            { u"QB15"_s, e.qb15 }, { u"QB04"_s, u"2008"_s }, { u"QB09"_s, u"1"_s } };
        for (int f = 0; f < int(fields.size()); ++f)
            v.insert(fields[f].field, enterpriseFigure(r, fields[f].field, f));
        insertRow(t, v);
    }
}

struct Detail
{
    QString qa01;
    double a, b, c;
};

inline const QList<Detail>& products()
{
    static const QList<Detail> list
        = { { u"000001"_s, 10.5, 8.25, 1 }, { u"000001"_s, 4, 3, 0 }, { u"000004"_s, 7.75, 7.5, 2.25 } };
    return list;
}

inline const QList<Detail>& projects()
{
    static const QList<Detail> list = { { u"000002"_s, 120.5, 0, 0 }, { u"000005"_s, 80.25, 0, 0 } };
    return list;
}

inline void makeDetails()
{
    store::Table p;
    p.setTableName(u"kfq_2.db"_s);
    p.open();
    for (int i = 0; i < int(products().size()); ++i) {
        const Detail& d = products()[i];
        insertRow(p,
            { { u"ID"_s, u"%1_%2"_s.arg(d.qa01).arg(i) }, { u"QA01"_s, d.qa01 },
                { u"QE01"_s, QString::number(i) }, { u"QE14"_s, d.a }, { u"QE15"_s, d.b }, { u"QE16"_s, d.c },
                { u"QE_ONE"_s, 1 } });
    }
    store::Table s;
    s.setTableName(u"kfq_5.db"_s);
    s.open();
    for (int i = 0; i < int(projects().size()); ++i) {
        const Detail& d = projects()[i];
        insertRow(s,
            { { u"Id"_s, u"%1_%2"_s.arg(d.qa01).arg(i) }, { u"Qa01"_s, d.qa01 },
                { u"Qh00"_s, QString::number(i) }, { u"Qh51"_s, d.a }, { u"Qh_one"_s, 1 } });
    }
}

struct NationalProject
{
    QString jb00, jb01, jb02, isChge;
    double jc100;
};

inline const QList<NationalProject>& nationalProjects()
{
    static const QList<NationalProject> list = {
        { u"P01"_s, u"高效电机项目"_s, u"2011GA01"_s, u"1"_s, 500.5 },
        { u"P02"_s, u"新材料项目"_s, u"2011GA02"_s, u"2"_s, 250.25 },
        { u"P03"_s, u"未录入项目"_s, u"2011GA03"_s, {}, 9000 },
        { u"P04"_s, u"其他状态项目"_s, u"2011GA04"_s, u"3"_s, 7000 },
    };
    return list;
}

// The summed national-project fields, and each project's figure for one of them.
inline QStringList nationalFields()
{
    return { u"JC100"_s, u"JC130"_s, u"JC150"_s, u"JF100_2"_s, u"JG10_2"_s, u"JG20_2"_s, u"JG21_2"_s,
        u"JG30_2"_s, u"JG40_2"_s };
}

inline double nationalFigure(int row, int field)
{
    return field == 0 ? nationalProjects()[row].jc100 : (row + 1) * 10.5 + field;
}

// gjxm.db with the fields the summary reads (the full layout belongs to the entry window).
inline void makeNationalProjects()
{
    store::TableSchema schema;
    schema.fields = { { u"Id"_s, store::FieldType::Text, 12, 0 }, { u"JB00"_s, store::FieldType::Text, 9, 0 },
        { u"JB01"_s, store::FieldType::Text, 100, 0 }, { u"JB02"_s, store::FieldType::Text, 14, 0 },
        { u"IS_CHGE"_s, store::FieldType::Text, 1, 0 }, { u"GJ_ONE"_s, store::FieldType::SmallInt, 0, 0 } };
    for (const QString& f : nationalFields())
        schema.fields.append({ f, store::FieldType::Float, 0, 0 });
    store::Table::createTable(u"gjxm.db"_s, schema);
    store::Table t;
    t.setTableName(u"gjxm.db"_s);
    t.open();
    for (int r = 0; r < int(nationalProjects().size()); ++r) {
        const NationalProject& p = nationalProjects()[r];
        QHash<QString, QVariant> v { { u"Id"_s, p.jb00 }, { u"JB00"_s, p.jb00 }, { u"JB01"_s, p.jb01 },
            { u"JB02"_s, p.jb02 }, { u"IS_CHGE"_s, p.isChge }, { u"GJ_ONE"_s, 1 } };
        for (int f = 0; f < int(nationalFields().size()); ++f)
            v.insert(nationalFields()[f], nationalFigure(r, f));
        insertRow(t, v);
    }
}

// gj_wsb.db: projects with the reason codes given.
inline void makeUnreported(const QList<QStringList>& rows)
{
    store::TableSchema schema;
    schema.fields
        = { { u"JB00"_s, store::FieldType::Text, 9, 0 }, { u"JB01"_s, store::FieldType::Text, 46, 0 },
              { u"JB02"_s, store::FieldType::Text, 14, 0 }, { u"YY"_s, store::FieldType::Text, 1, 0 } };
    store::Table::createTable(u"gj_wsb.db"_s, schema);
    store::Table t;
    t.setTableName(u"gj_wsb.db"_s);
    t.open();
    for (const QStringList& row : rows)
        insertRow(t,
            { { u"JB00"_s, row.value(0) }, { u"JB01"_s, row.value(1) }, { u"JB02"_s, row.value(2) },
                { u"YY"_s, row.value(3) } });
}

// The shipped items, read here without the program's reader.
inline QList<ReportItem> readItems()
{
    store::Query q;
    q.setSql(u"select report_name, report_p, id from rept_db.db"_s);
    q.open();
    QList<ReportItem> items;
    for (int r = 0; r < q.recordCount(); ++r) {
        const QVariantList v = q.rowAt(r);
        items.append({ v[0].toString(), v[1].toString(), v[2].toInt() });
    }
    return items;
}

} // namespace fixture
