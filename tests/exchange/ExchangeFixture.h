#pragma once

#include "EntryFixture.h"
#include "exchange/UploadImport.h"
#include "store/SqlTranslator.h"
#include "store/Table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

// A working directory as EntryFixture lays it out, plus a delivery folder "in" holding
// empty zone-enterprise tables of the office's own layout (as another office's system
// maintenance writes them), into which a test puts the delivered returns.
struct ExchangeFixture : EntryFixture
{
    ExchangeFixture()
    {
        QDir().mkdir(u"in"_s);
        for (const QString& t : exchange::UploadImport::deliveredFiles())
            QFile::copy(store::resolveTablePath(t), u"in/"_s + t);
    }

    static QString delivered(const QString& table) { return u"in\\"_s + table; }
    QString deliveryChoice() const { return dir.filePath(u"in/kfq_1.db"_s); }

    static void deliverEnterprise(const QString& number, const QString& name, const QString& orgCode)
    {
        sql(u"insert into \"in\\kfq_1.db\" (id, qa01, qa03, qa04, qa19, qb03, qc02, qa_one) values (%1,%1,%3,%2,'110108','3911',7,1)"_s
                .arg(store::sqlQuote(number), store::sqlQuote(name), store::sqlQuote(orgCode)));
    }
    static void deliverProduct(const QString& number, const QString& seq)
    {
        sql(u"insert into \"in\\kfq_2.db\" (id, qa01, qe01, qe02, qe_one) values (%1,%2,%3,%4,1)"_s.arg(
            store::sqlQuote(number + u'_' + seq), store::sqlQuote(number), store::sqlQuote(seq),
            store::sqlQuote(u"产品"_s + seq)));
    }
    static void deliverProject(const QString& number, const QString& seq)
    {
        sql(u"insert into \"in\\kfq_5.db\" (id, qa01, qh00, xmmc, qh_one) values (%1,%2,%3,%4,1)"_s.arg(
            store::sqlQuote(number + u'_' + seq), store::sqlQuote(number), store::sqlQuote(seq),
            store::sqlQuote(u"项目"_s + seq)));
    }

    // Answer column of a statement, one text per row.
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

    static bool anyUploadLeft()
    {
        for (const QString& t : exchange::UploadImport::scratchTables())
            if (QFileInfo::exists(store::resolveTablePath(t))) return true;
        return false;
    }

#ifdef PX_FIXTURE_GEN
    // Replaces the delivery with legacy Paradox tables written by pxlib: a few of each
    // table's fields, as older software delivered them. `rows` are "number|name|code"
    // enterprises; each gets product 1 and project 1.
    static void deliverParadox(const QStringList& enterprises)
    {
        QString e = u"Id:A9\tQA01:A6\tQA03:A10\tQA04:A100\tQA19:A6\tQB03:A4\tQC02:N\tQa_one:S\n"_s;
        QString p = u"ID:A13\tQA01:A6\tQE01:A4\tQE02:A50\tQE_ONE:N\n"_s;
        QString h = u"Id:A14\tQa01:A6\tQh00:A4\tXmmc:A40\tQh_one:N\n"_s;
        for (const QString& row : enterprises) {
            const QStringList f = row.split(u'|');
            e += u"%1\t%1\t%3\t%2\t110108\t3911\t9\t1\n"_s.arg(f[0], f[1], f[2]);
            p += u"%1_1\t%1\t1\t老产品\t1\n"_s.arg(f[0]);
            h += u"%1_1\t%1\t1\t老项目\t1\n"_s.arg(f[0]);
        }
        const QString files[] = { u"in/kfq_1.db"_s, u"in/kfq_2.db"_s, u"in/kfq_5.db"_s };
        const QString tables[] = { e, p, h };
        for (int i = 0; i < 3; ++i) {
            QFile::remove(files[i]);
            QProcess gen;
            gen.start(QStringLiteral(PX_FIXTURE_GEN), { files[i], u"70"_s });
            QVERIFY(gen.waitForStarted());
            gen.write(tables[i].toUtf8());
            gen.closeWriteChannel();
            QVERIFY(gen.waitForFinished());
            QVERIFY2(gen.exitCode() == 0, gen.readAllStandardError().constData());
            QCOMPARE(store::formatOf(files[i]), store::TableFormat::Paradox);
        }
    }
#endif
};
