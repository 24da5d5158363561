#pragma once

#include "FakeServices.h"
#include "WorkDir.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "widgets/AppState.h"
#include "widgets/SharedComponents.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A laid-out working directory, scripted services and the main window's shared objects.
struct EntryFixture
{
    WorkDir dir;
    FakeServices fake;
    SharedComponents shared;

    EntryFixture()
    {
        resetAppState();
        WorkDirSetup().run();
    }

    // Runs statements of the program's SQL on the working directory.
    static int sql(const QString& statement)
    {
        store::Query q;
        q.setSql(statement);
        return q.execSql();
    }
    // The first column of an answer, as text.
    static QStringList column(const QString& select)
    {
        store::Query q;
        q.setSql(select);
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.value(0).toString();
        return out;
    }
    static QVariant scalar(const QString& select)
    {
        store::Query q;
        q.setSql(select);
        q.open();
        return q.isEmpty() ? QVariant() : q.value(0);
    }

    // A return that passes every blocking rule of the shipped rule tables.
    static void addEnterprise(const QString& number, const QString& name, const QString& orgCode)
    {
        sql(u"insert into \"kfq_1.db\" (id, qa01, qa03, qa04, qa19, qb03, qa_one) values ('%1','%1','%3','%2','110108','3911',1)"_s
                .arg(number, name, orgCode));
    }
    static void addProduct(const QString& number, const QString& seq)
    {
        sql(u"insert into \"kfq_2.db\" (id, qa01, qe01, qe02, qe_one) values ('%1_%2','%1','%2','产品%2',1)"_s
                .arg(number, seq));
    }
    static void addProject(const QString& number, const QString& seq)
    {
        sql(u"insert into \"kfq_5.db\" (id, qa01, qh00, xmmc, qh_one) values ('%1_%2','%1','%2','项目%2',1)"_s
                .arg(number, seq));
    }
};
