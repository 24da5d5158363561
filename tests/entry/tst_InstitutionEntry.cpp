#include "EntryFixture.h"
#include "entry/TF_dxkjy.h"
#include "entry/TF_fhq.h"
#include "widgets/DbEdit.h"
#include "widgets/DbStatusBar.h"
#include "widgets/Fonts.h"

#include <QComboBox>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

// The incubator and science-park windows: a master keyed by CODE with enterprise rows
// keyed by CODE and CODE2, told apart by what the rows below describe.
namespace {

struct Kind
{
    QString master; // table files
    QString enterprises;
    QStringList pages;
    QString enterprisePage;
    QString keyedSep; // between the numbers in ID: keyed in, merged, cascaded
    QString mergedSep;
    QString cascadedSep;
    QString missingNumber; // starting an enterprise row without a master number
    QString emptySubKey;
    QString duplicateMaster;
    int enterpriseDetail; // its index among the window's details
    int subWidth; // digits of an enterprise number
    std::function<EntryForm*()> make;
};

Kind kindOf(const QString& name)
{
    Kind k;
    if (name == u"fhq"_s) {
        k.master = u"fhq.db"_s;
        k.enterprises = u"fhqzfqy.db"_s;
        k.pages = { u"科技企业孵化器综合情况"_s, u"续一"_s, u"科技企业孵化器在孵(毕业)企业情况表"_s };
        k.enterprisePage = k.pages[2];
        k.keyedSep = QString();
        k.mergedSep = u"_"_s;
        k.cascadedSep = u"_"_s;
        k.missingNumber = u"请先填入大学科技企业孵化器编号"_s;
        k.emptySubKey = u"在孵企业编号不能为空"_s;
        k.duplicateMaster = u"数据错误:编号重复"_s;
        k.enterpriseDetail = 0;
        k.subWidth = 4;
        k.make = [] { return new TF_fhq; };
    } else {
        k.master = u"dx.db"_s;
        k.enterprises = u"dxzfqy.db"_s;
        k.pages = { u"国家大学科技园情况"_s, u"续表"_s, u"国家大学科技园国家级项目一览表"_s,
            u"国家大学科技园在孵企业情况"_s };
        k.enterprisePage = k.pages[3];
        k.missingNumber = u"请先填入大学园编号"_s;
        k.emptySubKey = u"企业编号不能为空"_s;
        k.duplicateMaster = u"数据错误:编号重复"_s;
        k.enterpriseDetail = 0;
        k.subWidth = 3;
        k.make = [] { return new TF_dxkjy; };
    }
    return k;
}

void addMaster(const Kind& k, const QString& code, const QString& name)
{
    const QString nameField = k.master == u"fhq.db"_s ? u"tdf711"_s : u"tdf811"_s;
    EntryFixture::sql(
        u"insert into \"%1\" (id, code, %2) values ('%3','%3','%4')"_s.arg(k.master, nameField, code, name));
}

void addEnterprise(const Kind& k, const QString& code, const QString& code2)
{
    const QString nameField = k.master == u"fhq.db"_s ? u"tdf730"_s : u"tdf8114"_s;
    EntryFixture::sql(u"insert into \"%1\" (id, code, code2, %2) values ('%3','%4','%5','企业%5')"_s.arg(
        k.enterprises, nameField, code + k.keyedSep + code2, code, code2));
}

} // namespace

class TestInstitutionEntry : public QObject
{
    Q_OBJECT

    std::unique_ptr<EntryFixture> fx;
    std::unique_ptr<EntryForm> w;
    Kind k;

    void open()
    {
        w.reset(k.make());
        w->show();
        QVERIFY(w->Table1.isOpen());
    }
    void showPage(const QString& title) { w->PageControl1->setCurrentWidget(w->pageOf(title)); }
    store::Table& enterprises() { return w->detailTable(k.enterpriseDetail); }
    void keyEnterprise(const QString& code2)
    {
        showPage(k.enterprisePage);
        w->button(u"插入记录"_s)->click();
        enterprises().fieldByName(u"code2"_s).setValue(code2);
        enterprises()
            .fieldByName(k.master == u"fhq.db"_s ? u"tdf730"_s : u"tdf8114"_s)
            .setValue(u"企业"_s + code2);
        w->button(u"存盘"_s)->click();
    }
    QString sub(int n) const { return QString::number(n).rightJustified(k.subWidth, u'0'); }
    QStringList ids(const QString& where = {})
    {
        return EntryFixture::column(u"select id from \"%1\" %2 order by code2"_s.arg(k.enterprises, where));
    }

private Q_SLOTS:
    void initTestCase() { installFontSubstitutes(); }
    void init()
    {
        fx = std::make_unique<EntryFixture>();
        QFETCH(QString, kind);
        k = kindOf(kind);
    }
    void cleanup()
    {
        if (QTest::currentTestFailed()) qInfo() << fx->fake.messages();
        w.reset();
        fx.reset();
    }

    void kinds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("incubator") << u"fhq"_s;
        QTest::newRow("science park") << u"dxkjy"_s;
    }

    void pagesAndBoundFields_data() { kinds_data(); }
    void pagesAndBoundFields()
    {
        open();
        QStringList titles;
        for (int i = 0; i < w->PageControl1->count(); ++i)
            titles << w->PageControl1->tabText(i);
        QCOMPARE(titles, k.pages);
        QVERIFY(!w->button(u"数据入库"_s));
        QVERIFY(w->ComboBox1);
        // Every field of the master and the enterprises but the stamps has a box.
        QSet<QString> bound;
        for (DbEdit* e : w->findChildren<DbEdit*>())
            bound << e->dataField().toLower();
        for (store::Table* t : { &w->Table1, &enterprises() }) {
            for (const store::FieldDef& f : t->fieldDefs()) {
                const QString n = f.name.toLower();
                if (n == u"id"_s || n.endsWith(u"_one"_s) || n == u"pxh"_s
                    || (t != &w->Table1 && n == u"code"_s))
                    continue;
                if (n == u"tdf750"_s || n == u"tdf740"_s || n == u"tdf820"_s || n == u"tdf7j24"_s
                    || n == u"tdf7j25"_s || n == u"tdf7j10"_s || n == u"tdf7j12"_s)
                    continue;
                QVERIFY2(bound.contains(n), qPrintable(n));
            }
        }
        // Inserting works on every page.
        for (const QString& p : k.pages) {
            showPage(p);
            QVERIFY(w->button(u"插入记录"_s)->isEnabled());
            QVERIFY(w->button(u"数据追加"_s)->isEnabled());
        }
    }

    // The three paths to an enterprise row's ID, and the constraints after the cascade.
    void idForms_data() { kinds_data(); }
    void idForms()
    {
        addMaster(k, u"0001"_s, u"一号"_s);
        open();
        keyEnterprise(sub(2));
        QCOMPARE(fx->fake.messages(), QStringList());
        QCOMPARE(ids(), QStringList { u"0001"_s + k.keyedSep + sub(2) });

        store::Table::copyToNative(k.enterprises, u"in_e.db"_s);
        EntryFixture::sql(u"delete from \"in_e.db\""_s);
        EntryFixture::sql(
            u"insert into \"in_e.db\" (id, code, code2) values ('x','0001','%1')"_s.arg(sub(3)));
        fx->fake.setNextFileName({});
        fx->fake.setNextFileName(u"in_e.db"_s);
        if (w->detailCount() > 1) fx->fake.setNextFileName({});
        fx->fake.setNextAnswer(false);
        w->button(u"数据追加"_s)->click();
        QCOMPARE(ids(), (QStringList { u"0001"_s + k.keyedSep + sub(2), u"0001"_s + k.mergedSep + sub(3) }));
        QCOMPARE(w->currentPage(), 0);

        // A new number, then the enterprise page: the master is stored and its rows move.
        w->Table1.edit();
        w->Table1.fieldByName(u"code"_s).setValue(u"0009"_s);
        showPage(k.enterprisePage);
        QCOMPARE(fx->fake.messages(), QStringList());
        QCOMPARE(EntryFixture::column(u"select id from \"%1\""_s.arg(k.master)), QStringList { u"0009"_s });
        QCOMPARE(
            ids(), (QStringList { u"0009"_s + k.cascadedSep + sub(2), u"0009"_s + k.cascadedSep + sub(3) }));
        QCOMPARE(enterprises().recordCount(), 2);
        QVERIFY(!w->BulkMode);
        QVERIFY(w->Table1.constraintsActive());
        QVERIFY(enterprises().constraintsActive());
        QVERIFY(w->StatusBar1->simpleText().startsWith(u"报表编号: 0009"_s));
    }

    // A master inserted and stored just now follows its first number.
    void cascadeAfterInsert_data() { kinds_data(); }
    void cascadeAfterInsert()
    {
        open();
        w->button(u"插入记录"_s)->click();
        w->Table1.fieldByName(u"code"_s).setValue(u"0001"_s);
        w->Table1.fieldByName(k.master == u"fhq.db"_s ? u"tdf711"_s : u"tdf811"_s).setValue(u"新"_s);
        w->button(u"存盘"_s)->click();
        keyEnterprise(sub(1));
        showPage(k.pages[0]);
        w->Table1.edit();
        w->Table1.fieldByName(u"code"_s).setValue(u"0005"_s);
        w->button(u"存盘"_s)->click();
        QCOMPARE(fx->fake.messages(), QStringList());
        QCOMPARE(ids(), QStringList { u"0005"_s + k.cascadedSep + sub(1) });
    }

    void rejections_data() { kinds_data(); }
    void rejections()
    {
        open();
        // No master number: the enterprise row is refused before it starts.
        w->button(u"插入记录"_s)->click();
        showPage(k.enterprisePage);
        w->button(u"插入记录"_s)->click();
        QCOMPARE(fx->fake.messages(), QStringList { k.missingNumber });
        QCOMPARE(w->currentPage(), 0);
        QVERIFY(!enterprises().isEditing());
        w->Table1.cancel();

        addMaster(k, u"0001"_s, u"一号"_s);
        w->Table1.refresh();
        w->Table1.first();
        fx->fake.clear();
        showPage(k.enterprisePage);
        w->button(u"插入记录"_s)->click();
        w->button(u"存盘"_s)->click();
        QCOMPARE(fx->fake.messages(), QStringList { k.emptySubKey });
        QVERIFY(enterprises().isEditing());
        enterprises().cancel();

        // A duplicate number on the master.
        addMaster(k, u"0002"_s, u"二号"_s);
        w->Table1.refresh();
        showPage(k.pages[0]);
        fx->fake.clear();
        w->Table1.last();
        w->Table1.edit();
        w->Table1.fieldByName(u"code"_s).setValue(u"0001"_s);
        w->button(u"存盘"_s)->click();
        QCOMPARE(fx->fake.messages(), QStringList { k.duplicateMaster });
        QVERIFY(w->Table1.isEditing());
        w->Table1.cancel();
    }

    void deleteTakesDetails_data() { kinds_data(); }
    void deleteTakesDetails()
    {
        addMaster(k, u"0001"_s, u"一号"_s);
        addMaster(k, u"0002"_s, u"二号"_s);
        addEnterprise(k, u"0001"_s, sub(1));
        addEnterprise(k, u"0001"_s, sub(2));
        addEnterprise(k, u"0002"_s, sub(1));
        open();
        QVERIFY(w->Table1.locate({ u"code"_s }, { u"0001"_s }));
        fx->fake.setNextAnswer(true);
        w->button(u"删除记录"_s)->click();
        QCOMPARE(EntryFixture::column(u"select code from \"%1\""_s.arg(k.master)), QStringList { u"0002"_s });
        QCOMPARE(
            EntryFixture::column(u"select code from \"%1\""_s.arg(k.enterprises)), QStringList { u"0002"_s });
        QVERIFY(w->FormClose());
    }

    // The emptying question of each table, answered Yes or No.
    void mergeEmptying_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("emptyMaster");
        QTest::addColumn<bool>("emptyEnterprises");
        QTest::newRow("incubator, keep both") << u"fhq"_s << false << false;
        QTest::newRow("incubator, empty master only") << u"fhq"_s << true << false;
        QTest::newRow("incubator, empty both") << u"fhq"_s << true << true;
        QTest::newRow("science park, keep both") << u"dxkjy"_s << false << false;
        QTest::newRow("science park, empty enterprises only") << u"dxkjy"_s << false << true;
    }
    void mergeEmptying()
    {
        QFETCH(bool, emptyMaster);
        QFETCH(bool, emptyEnterprises);
        addMaster(k, u"0001"_s, u"一号"_s);
        addEnterprise(k, u"0001"_s, sub(1));
        store::Table::copyToNative(k.master, u"in_m.db"_s);
        store::Table::copyToNative(k.enterprises, u"in_e.db"_s);
        EntryFixture::sql(u"update \"in_m.db\" set code='0002', id='0002'"_s);
        EntryFixture::sql(u"update \"in_e.db\" set code='0002', id='x'"_s);
        open();
        fx->fake.setNextFileName(u"in_m.db"_s);
        fx->fake.setNextAnswer(emptyMaster);
        fx->fake.setNextFileName(u"in_e.db"_s);
        fx->fake.setNextAnswer(emptyEnterprises);
        if (w->detailCount() > 1) fx->fake.setNextFileName({});
        w->button(u"数据追加"_s)->click();
        const QStringList masters
            = emptyMaster ? QStringList { u"0002"_s } : QStringList { u"0001"_s, u"0002"_s };
        QCOMPARE(EntryFixture::column(u"select code from \"%1\" order by code"_s.arg(k.master)), masters);
        const QStringList details
            = emptyEnterprises ? QStringList { u"0002"_s } : QStringList { u"0001"_s, u"0002"_s };
        QCOMPARE(
            EntryFixture::column(u"select code from \"%1\" order by code"_s.arg(k.enterprises)), details);
        QVERIFY(!w->BulkMode);
        QVERIFY(w->Table1.constraintsActive());
        QVERIFY(enterprises().constraintsActive());
        QVERIFY(enterprises().master());
    }

    // With checking off, neither a merge nor a cascade turns the constraints on.
    void checkOffStaysOff_data() { kinds_data(); }
    void checkOffStaysOff()
    {
        addMaster(k, u"0001"_s, u"一号"_s);
        addEnterprise(k, u"0001"_s, sub(1));
        open();
        w->ComboBox1->setCurrentIndex(1);
        w->Table1.edit();
        w->Table1.fieldByName(u"code"_s).setValue(u"0002"_s);
        w->button(u"存盘"_s)->click();
        QCOMPARE(fx->fake.messages(), QStringList());
        QVERIFY(!enterprises().constraintsActive());
        QVERIFY(!w->Table1.constraintsActive());
    }

    // A failure of an enterprise row opens its page on that row.
    void locate_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("code2"); // 0: none
        QTest::addColumn<bool>("onDetail");
        QTest::newRow("incubator, master") << u"fhq"_s << 0 << false;
        QTest::newRow("incubator, enterprise") << u"fhq"_s << 2 << true;
        QTest::newRow("incubator, missing enterprise") << u"fhq"_s << 9 << true;
        QTest::newRow("science park, master") << u"dxkjy"_s << 0 << false;
        QTest::newRow("science park, enterprise") << u"dxkjy"_s << 2 << true;
    }
    void locate()
    {
        QFETCH(int, code2);
        QFETCH(bool, onDetail);
        addMaster(k, u"0001"_s, u"一号"_s);
        addMaster(k, u"0002"_s, u"二号"_s);
        addEnterprise(k, u"0002"_s, sub(1));
        addEnterprise(k, u"0002"_s, sub(2));
        LocateOnOpen = true;
        LocateField = u"code"_s;
        LocateValue = u"0002"_s;
        LocateValue2 = code2 ? sub(code2) : QString();
        open();
        QCOMPARE(w->Table1.fieldByName(u"code"_s).asString(), u"0002"_s);
        QCOMPARE(w->PageControl1->currentWidget() == w->pageOf(k.enterprisePage), onDetail);
        QCOMPARE(w->ActiveTable == &enterprises(), onDetail);
        if (onDetail) {
            const QString expected = code2 == 9 ? sub(1) : sub(code2);
            QCOMPARE(enterprises().fieldByName(u"code2"_s).asString(), expected);
        }
        QVERIFY(LocateValue2.isEmpty());
        LocateOnOpen = false;
    }
};

QTEST_MAIN(TestInstitutionEntry)
#include "tst_InstitutionEntry.moc"
