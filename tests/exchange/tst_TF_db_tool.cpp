#include "ExchangeFixture.h"

#include "entry/LocateDialogs.h"
#include "exchange/DbNavigator.h"
#include "exchange/TF_db_tool.h"
#include "query/TF_query_p.h"
#include "store/TablePath.h"
#include "widgets/DbGrid.h"
#include "widgets/WindowRegistry.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

using Kind = FakeServices::Kind;

class TestTF_db_tool : public QObject
{
    Q_OBJECT

    std::unique_ptr<ExchangeFixture> fx;
    std::unique_ptr<TF_db_tool> w;

    // Opens `file` through the window's open dialog.
    void openTable(const QString& file)
    {
        fx->fake.setNextFileName(fx->dir.filePath(file));
        w->Button1Click();
        QCOMPARE(w->shown(), TF_db_tool::Shown::Table);
    }
    void runSql(const QString& text)
    {
        w->Memo1->setPlainText(text);
        w->Button6->click();
    }
    QList<bool> buttons() const
    {
        QList<bool> out;
        for (QPushButton* b : { w->Button1, w->Button2, w->Button3, w->Button4, w->Button5, w->Button6,
                 w->Button7, w->Button8 })
            out << b->isEnabled();
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        windowRegistry().add<TF_query_p>(&F_query_p);
        windowRegistry().add<TF_change_c>(&F_change_c);
    }
    void init()
    {
        fx = std::make_unique<ExchangeFixture>();
        w = std::make_unique<TF_db_tool>();
        ExchangeFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
        ExchangeFixture::addEnterprise(u"000002"_s, u"乙公司"_s, u"20000000-2"_s);
    }
    void cleanup()
    {
        w.reset();
        fx.reset();
    }

    void firstShowingAsksForATable()
    {
        w->show();
        w->FormActivate();
        QCOMPARE(fx->fake.eventsOf(Kind::OpenFile).size(), 1);
        QCOMPARE(fx->fake.eventsOf(Kind::OpenFile).first().title, u"请选择数据库文件"_s);
        QCOMPARE(buttons(), (QList<bool> { true, false, false, false, false, true, true, true }));
        QVERIFY(GridCharWidth > 0);
        w->FormActivate(); // activated again after the dialog: no second question
        QCOMPARE(fx->fake.eventsOf(Kind::OpenFile).size(), 1);
    }

    void openEditStore()
    {
        openTable(u"kfq_1.db"_s);
        QCOMPARE(buttons(), QList<bool>(8, true));
        QCOMPARE(w->Table1.recordCount(), 2);
        w->DBNavigator1->click(DbNavigator::Last);
        w->DBNavigator1->click(DbNavigator::Edit);
        w->Table1.fieldByName(u"qa04"_s).setValue(u"乙公司（改）"_s);
        w->DBNavigator1->click(DbNavigator::Post);
        QCOMPARE(fx->fake.exceptions(), QStringList());
        QCOMPARE(ExchangeFixture::column(u"select qa04 from \"kfq_1.db\" order by qa01"_s),
            (QStringList { u"甲公司"_s, u"乙公司（改）"_s }));

        // Delete asks first; No keeps the row.
        w->DBNavigator1->click(DbNavigator::Delete);
        QCOMPARE(fx->fake.eventsOf(Kind::Question).size(), 1);
        QCOMPARE(w->Table1.recordCount(), 2);

        // Closing stores a pending edit and closes the table.
        w->DBNavigator1->click(DbNavigator::Edit);
        w->Table1.fieldByName(u"qa04"_s).setValue(u"乙公司（再改）"_s);
        w->reject();
        QVERIFY(!w->Table1.isOpen());
        QCOMPARE(ExchangeFixture::scalar(u"select qa04 from \"kfq_1.db\" where qa01 = '000002'"_s).toString(),
            u"乙公司（再改）"_s);
    }

    void sqlAnswer()
    {
        openTable(u"kfq_1.db"_s);
        runSql(u"select qa01, qa04 from \"kfq_1.db\"\nwhere qa01 > '000001'"_s);
        QCOMPARE(fx->fake.exceptions(), QStringList());
        QCOMPARE(w->shown(), TF_db_tool::Shown::Answer);
        QCOMPARE(w->Query1.recordCount(), 1);
        QCOMPARE(buttons(), (QList<bool> { true, true, true, false, false, true, true, true }));
        // Pack and empty leave an answer alone.
        w->Button5Click();
        QCOMPARE(fx->fake.eventsOf(Kind::Question).size(), 0);

        // A rejected statement: the message names the table, the previous answer is gone.
        runSql(u"select nosuchfield from \"kfq_1.db\""_s);
        QCOMPARE(fx->fake.exceptions().size(), 1);
        QVERIFY2(
            fx->fake.exceptions().first().contains(u"kfq_1.db"_s), qPrintable(fx->fake.exceptions().first()));
        QCOMPARE(w->shown(), TF_db_tool::Shown::Nothing);
    }

    void statementsOfEveryKind()
    {
        runSql(u"create table \"t.db\" (a char(10), b integer)"_s);
        runSql(u"insert into \"t.db\" (a, b) values ('x', 1)"_s);
        runSql(u"create unique index ta on \"t.db\" (a)"_s);
        QCOMPARE(fx->fake.exceptions(), QStringList());
        runSql(u"insert into \"t.db\" (a, b) values ('x', 2)"_s);
        QCOMPARE(fx->fake.exceptions().size(), 1);
        QVERIFY2(fx->fake.exceptions().first().contains(u"ta"_s), qPrintable(fx->fake.exceptions().first()));
        runSql(u"drop table \"t.db\""_s);
        QVERIFY(!QFileInfo::exists(u"t.db"_s));
    }

    void duplicatesThroughSql_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("message");
        QTest::newRow("primary index")
            << u"insert into \"kfq_1.db\" (id, qa01, qa03) values ('000001', '000009', '99999999-9')"_s
            << u"Key violation."_s;
        QTest::newRow("unique legal-person code")
            << u"insert into \"kfq_1.db\" (id, qa01, qa03) values ('000009', '000009', '10000000-1')"_s
            << u"唯一索引 kfq_12 的键值重复 (kfq_1.db)"_s;
        QTest::newRow("update onto another report number")
            << u"update \"kfq_1.db\" set qa01 = '000001', id = '000003' where qa01 = '000002'"_s
            << u"唯一索引 kfq_1 的键值重复 (kfq_1.db)"_s;
    }
    void duplicatesThroughSql()
    {
        QFETCH(QString, statement);
        QFETCH(QString, message);
        runSql(statement);
        QCOMPARE(fx->fake.exceptions(), QStringList { message });
        QCOMPARE(ExchangeFixture::column(u"select qa01 from \"kfq_1.db\" order by qa01"_s),
            (QStringList { u"000001"_s, u"000002"_s }));
    }

    void saveAs_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("format");
        QTest::newRow("untyped, *.db") << u"a"_s << 0 << u"a.db"_s << int(store::TableFormat::Native);
        QTest::newRow("untyped, *.dbf") << u"b"_s << 1 << u"b.dbf"_s << int(store::TableFormat::Dbase);
        QTest::newRow("untyped, *.txt") << u"c"_s << 2 << u"c.txt"_s << int(store::TableFormat::Text);
        QTest::newRow("typed .DBF, *.db chosen")
            << u"d.DBF"_s << 0 << u"d.DBF"_s << int(store::TableFormat::Dbase);
        QTest::newRow("typed .txt") << u"e.txt"_s << 1 << u"e.txt"_s << int(store::TableFormat::Text);
    }
    void saveAs()
    {
        QFETCH(QString, typed);
        QFETCH(int, type);
        QFETCH(QString, file);
        QFETCH(int, format);
        openTable(u"kfq_1.db"_s);
        w->DBGrid1->setColumnTitle(3, u"企业名称"_s); // qa04, as the column dialog renames it
        fx->fake.setNextFileName(fx->dir.filePath(typed), type);
        w->Button2->click();
        QCOMPARE(fx->fake.eventsOf(Kind::SaveFile).first().title, u"请选择存盘文件名"_s);
        QCOMPARE(fx->fake.exceptions(), QStringList());
        const QString path = fx->dir.filePath(file);
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        QCOMPARE(int(store::formatOf(path)), format);
        store::Table t;
        t.setTableName(path);
        t.open();
        QCOMPARE(t.recordCount(), 2);
        QVERIFY(t.fieldIndex(u"企业名称"_s) >= 0);
    }

    // The column dialog renames and widens a column; saving uses both.
    void columnDialogTitlesAndWidths()
    {
        openTable(u"kfq_1.db"_s);
        w->show();
        w->FormActivate();
        w->DBGrid1->setSelectedColumn(3);
        fx->fake.setModalHandler([](QWidget* dialog) {
            auto* c = qobject_cast<TF_change_c*>(dialog);
            QVERIFY(c);
            c->FormActivate();
            c->Edit1->setText(u"企业名称"_s);
            c->Edit2->setText(u"120"_s);
            c->Button1Click();
        });
        w->DBGrid1DblClick();
        QCOMPARE(w->DBGrid1->columnTitle(3), u"企业名称"_s);
        fx->fake.setNextFileName(fx->dir.filePath(u"named.db"_s));
        w->Button2->click();
        QCOMPARE(fx->fake.exceptions(), QStringList());
        store::Table t;
        t.setTableName(u"named.db"_s);
        t.open();
        QCOMPARE(t.fieldDefs()[3].name, u"企业名称"_s);
        QCOMPARE(t.fieldDefs()[3].size, 120);
    }

    void transposeAnswer()
    {
        runSql(u"select qa01, qa04, qa03 from \"kfq_1.db\" order by qa01"_s);
        w->Button3->click();
        QCOMPARE(fx->fake.exceptions(), QStringList());
        QCOMPARE(w->shown(), TF_db_tool::Shown::Answer);
        QCOMPARE(w->Query1.recordCount(), 3);
        QCOMPARE(w->Query1.fieldCount(), 3);
        QCOMPARE(w->Query1.fieldDefs()[2].name, u"字段2"_s);
        QCOMPARE(w->Button4->isEnabled(), false);
    }

    void packShrinksTheFile()
    {
        for (int i = 3; i < 1500; ++i)
            ExchangeFixture::addEnterprise(u"%1"_s.arg(i, 6, 10, QLatin1Char('0')),
                u"很长的企业名称，用来占满表文件的空间 %1"_s.arg(i), u"%1-0"_s.arg(10000000 + i));
        openTable(u"kfq_1.db"_s);
        runSql(u"delete from \"kfq_1.db\" where qa01 > '000002'"_s);
        openTable(u"kfq_1.db"_s);
        const qint64 before = QFileInfo(u"kfq_1.db"_s).size();
        w->Button4->click();
        QCOMPARE(fx->fake.exceptions(), QStringList());
        QCOMPARE(w->shown(), TF_db_tool::Shown::Table);
        QCOMPARE(w->Table1.recordCount(), 2);
        QVERIFY2(QFileInfo(u"kfq_1.db"_s).size() < before / 2,
            qPrintable(u"%1 -> %2"_s.arg(before).arg(QFileInfo(u"kfq_1.db"_s).size())));
    }

    void emptyAsksFirst()
    {
        openTable(u"kfq_1.db"_s);
        w->Button5->click(); // unscripted: No
        const auto q = fx->fake.eventsOf(Kind::Question);
        QCOMPARE(q.size(), 1);
        QCOMPARE(q.first().text, u"是否真要清空数据库"_s);
        QCOMPARE(q.first().title, u"提示信息"_s);
        QCOMPARE(w->Table1.recordCount(), 2);
        fx->fake.setNextAnswer(true);
        w->Button5->click();
        QCOMPARE(fx->fake.exceptions(), QStringList());
        QCOMPARE(w->shown(), TF_db_tool::Shown::Table);
        QCOMPARE(w->Table1.recordCount(), 0);
        QCOMPARE(ExchangeFixture::scalar(u"select count(*) from \"kfq_1.db\""_s).toInt(), 0);
    }

    void printCopiesWhatIsShown()
    {
        openTable(u"kfq_1.db"_s);
        w->Button7->click();
        QCOMPARE(fx->fake.exceptions(), QStringList());
        QCOMPARE(fx->fake.eventsOf(Kind::Modal).size(), 1);
        QCOMPARE(ExchangeFixture::scalar(u"select count(*) from \"query_p.db\""_s).toInt(), 2);
        QCOMPARE(
            ExchangeFixture::scalar(u"select count(*) from \"bt_p.db\""_s).toInt(), w->Table1.fieldCount());
    }

    void openFailureKeepsTheTable()
    {
        openTable(u"kfq_1.db"_s);
        fx->fake.setNextFileName(fx->dir.filePath(u"nosuch.db"_s));
        w->Button1->click();
        QCOMPARE(fx->fake.exceptions().size(), 1);
        QVERIFY(fx->fake.exceptions().first().contains(u"nosuch.db"_s));
        QCOMPARE(w->shown(), TF_db_tool::Shown::Table);
        QCOMPARE(w->Table1.recordCount(), 2);
    }

#ifdef PX_FIXTURE_GEN
    void paradoxTableIsReadOnly()
    {
        ExchangeFixture::deliverParadox({ u"000007|老公司|70000000-7"_s });
        openTable(u"in/kfq_1.db"_s);
        QCOMPARE(w->Table1.recordCount(), 1);
        w->DBNavigator1->click(DbNavigator::Edit);
        QCOMPARE(fx->fake.exceptions().size(), 1);
        QVERIFY2(
            fx->fake.exceptions().first().contains(u"只读"_s), qPrintable(fx->fake.exceptions().first()));
        QVERIFY(!w->Table1.isEditing());
    }
#endif
};

QTEST_MAIN(TestTF_db_tool)
#include "tst_TF_db_tool.moc"
