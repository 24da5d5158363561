// The single-table windows: venture-investment institutions, industry bases and
// provincial zones, each keyed by its number.
#include "EntryFixture.h"
#include "entry/TF_sjgxq.h"
#include "entry/TF_tsjd.h"
#include "entry/TF_tzjg.h"
#include "shell/ReportKinds.h"
#include "widgets/DbEdit.h"
#include "widgets/DbMemo.h"
#include "widgets/DbStatusBar.h"
#include "widgets/Fonts.h"
#include "widgets/WindowRegistry.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>

#include <functional>
#include <memory>

using entry::Action;

namespace {

// What tells the three windows apart in these tests.
struct Kind
{
    int code;
    std::function<EntryForm*()> make;
    QString table;
    QString key; // the number's field
    QString name; // the name field a stored row needs
    QString number; // a well-formed number
    QString number2;
};

Kind kindOf(int code)
{
    switch (code) {
    case 6:
        return { 6, [] { return new TF_tzjg; }, u"tzjg.db"_s, u"code"_s, u"kz00"_s, u"0001"_s, u"0002"_s };
    case 10:
        return { 10, [] { return new TF_tsjd; }, u"tsjd.db"_s, u"code"_s, u"tdf911"_s, u"000001"_s,
            u"000002"_s };
    default:
        return { 11, [] { return new TF_sjgxq; }, u"sjgxq.db"_s, u"code"_s, u"mc"_s, u"0001"_s, u"0002"_s };
    }
}

void addRow(const Kind& k, const QString& number, const QString& name)
{
    EntryFixture::sql(u"insert into \"%1\" (id, code, %2, %1_one) values ('%3','%3','%4',1)"_s.arg(
        k.table.chopped(3), k.name, number, name));
}

QStringList captionsOf(QWidget* w)
{
    QStringList out;
    for (QLabel* l : w->findChildren<QLabel*>())
        out << l->text();
    return out;
}

} // namespace

class TestSingleTableWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<EntryFixture> fx;
    std::unique_ptr<EntryForm> w;

    EntryForm& open(const Kind& k)
    {
        w.reset(k.make());
        w->show();
        return *w;
    }
    void store(const Kind& k, const QString& number, const QString& name)
    {
        w->button(Action::Insert)->click();
        w->Table1.fieldByName(k.key).setValue(number);
        w->Table1.fieldByName(k.name).setValue(name);
        w->button(Action::Save)->click();
    }

private Q_SLOTS:
    void initTestCase() { installFontSubstitutes(); }
    void init() { fx = std::make_unique<EntryFixture>(); }
    void cleanup()
    {
        if (QTest::currentTestFailed()) qInfo() << fx->fake.messages();
        w.reset();
        fx.reset();
    }

    void layout_data();
    void layout();
    void storeStamps_data();
    void storeStamps();
    void postErrors_data();
    void postErrors();
    void deleteWhileInserting_data();
    void deleteWhileInserting();
    void dataAppend_data();
    void dataAppend();
    void locatedOpening_data();
    void locatedOpening();
    void memoEnterMovesOn();
    void statusLineAndLocateDialog();
    void screenshots();
};

void TestSingleTableWindows::layout_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("pages"); // empty: one panel
    QTest::addColumn<bool>("checkSwitch");
    QTest::addColumn<QStringList>("headings");
    QTest::newRow("venture investment")
        << 6 << QStringList() << true
        << QStringList { u"一、创业投资机构基本情况"_s, u"二、创业投资机构人员情况"_s,
               u"三、创业投资机构当年业务情况"_s, u"四、创业投资引导基金业务情况"_s };
    QTest::newRow("industry base") << 10 << QStringList { u"国家Velto计划特色产业基地情况"_s, u"续一"_s }
                                   << true
                                   << QStringList { u"一、企业情况"_s, u"二、人员情况"_s,
                                          u"三、服务机构情况"_s, u"四、经济指标"_s, u"五、资金投入"_s,
                                          u"六、科技项目"_s, u"七、专利情况"_s };
    QTest::newRow("provincial zone") << 11 << QStringList() << false
                                     << QStringList { u"省级高新技术产业开区基本情况调查表"_s };
}

void TestSingleTableWindows::layout()
{
    QFETCH(int, code);
    QFETCH(QStringList, pages);
    QFETCH(bool, checkSwitch);
    QFETCH(QStringList, headings);
    const Kind k = kindOf(code);
    open(k);
    QVERIFY(w->Table1.isOpen());
    QVERIFY(fx->fake.messages().isEmpty());
    if (pages.isEmpty()) {
        QVERIFY(!w->PageControl1);
        QVERIFY(w->Panel1);
    } else {
        QStringList titles;
        for (int i = 0; i < w->PageControl1->count(); ++i)
            titles << w->PageControl1->tabText(i);
        QCOMPARE(titles, pages);
    }
    QCOMPARE(w->ComboBox1 != nullptr, checkSwitch);
    QStringList buttons;
    for (QToolButton* b : w->findChild<QWidget*>(u"ToolBar1"_s)->findChildren<QToolButton*>())
        buttons << b->text();
    QCOMPARE(buttons,
        (QStringList { u"上一记录"_s, u"下一记录"_s, u"记录头"_s, u"记录尾"_s, u"插入记录"_s, u"删除记录"_s,
            u"存盘"_s, u"取消修改"_s, u"数据追加"_s, u"返回"_s }));
    const QStringList captions = captionsOf(w.get());
    for (const QString& h : headings)
        QVERIFY2(captions.contains(h), qPrintable(h));
    // Every stored field has its box but the identifier, the counter, `pxh` and the one
    // the form leaves out; the fields bound beyond the delivered layout have theirs too.
    QStringList bound;
    for (DbEdit* e : w->findChildren<DbEdit*>())
        bound << e->dataField().toLower();
    for (DbMemo* m : w->findChildren<DbMemo*>())
        bound << m->dataField().toLower();
    const QStringList hidden = { u"id"_s, u"pxh"_s, u"tzjg_one"_s, u"tsjd_one"_s, u"sjgxq_one"_s, u"kz27"_s,
        u"tdf919"_s, u"tdf920"_s, u"tdf921"_s, u"tdf9a05"_s, u"tdf9d06"_s, u"s03"_s };
    for (const store::FieldDef& f : w->Table1.fieldDefs()) {
        const QString name = f.name.toLower();
        QCOMPARE(bound.contains(name), !hidden.contains(name));
    }
    QCOMPARE(bound.size(), QSet<QString>(bound.begin(), bound.end()).size());
}

void TestSingleTableWindows::storeStamps_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("marked"); // the data table's registration the first store removes
    QTest::newRow("venture investment") << 6 << u"tzjg.db"_s;
    QTest::newRow("industry base, six-character number") << 10 << u"tsjd.db"_s;
    QTest::newRow("provincial zone") << 11 << u"sjgxq.db"_s;
}

void TestSingleTableWindows::storeStamps()
{
    QFETCH(int, code);
    QFETCH(QString, marked);
    const Kind k = kindOf(code);
    const QString result = reportKindOf(code)->resultTable;
    EntryFixture::sql(
        u"insert into sendname.db (id, name, text) values (2,'%1','x'), (1,'%2','y'), (2,'kfq_1.db','z')"_s
            .arg(marked, result));
    open(k);
    store(k, k.number, u"甲"_s);
    QCOMPARE(EntryFixture::column(u"select name from sendname.db"_s), QStringList { u"kfq_1.db"_s });
    // Later stores of the same opening leave the register alone.
    EntryFixture::sql(u"insert into sendname.db (id, name, text) values (2,'%1','x')"_s.arg(marked));
    store(k, k.number2, u"乙"_s);
    QCOMPARE(EntryFixture::column(u"select count(*) from sendname.db"_s), QStringList { u"2"_s });
    // The number is stored whole in the number and the identifier; the counter is 1, empty
    // numbers are 0.
    QCOMPARE(EntryFixture::column(u"select id from \"%1\" order by code"_s.arg(k.table)),
        (QStringList { k.number, k.number2 }));
    QCOMPARE(EntryFixture::column(
                 u"select count(*) from \"%1\" where %2_one=1"_s.arg(k.table, k.table.chopped(3))),
        QStringList { u"2"_s });
    QCOMPARE(w->StatusBar1->simpleText(), u"当前记录:2  总记录:2  未修改"_s);
}

void TestSingleTableWindows::postErrors_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("duplicate");
    QTest::addColumn<QString>("badNumber");
    QTest::newRow("venture investment") << 6 << u"数据错误:编号重复"_s << u"数据错误:编号必须是4位数字"_s;
    QTest::newRow("industry base") << 10 << u"数据错误:计划编号重复"_s << u"数据错误:编号必须是6位数字"_s;
    QTest::newRow("provincial zone") << 11 << u"数据错误:编号重复"_s << u"数据错误:编号必须是4位数字"_s;
}

void TestSingleTableWindows::postErrors()
{
    QFETCH(int, code);
    QFETCH(QString, duplicate);
    QFETCH(QString, badNumber);
    const Kind k = kindOf(code);
    addRow(k, k.number, u"甲"_s);
    open(k);
    store(k, k.number, u"乙"_s);
    QCOMPARE(fx->fake.exceptions(), QStringList { duplicate });
    QVERIFY(w->Table1.isEditing());
    w->Table1.fieldByName(k.key).setValue(u"12"_s);
    w->button(Action::Save)->click();
    QCOMPARE(fx->fake.exceptions().last(), badNumber);
    QVERIFY(w->Table1.isEditing());
    // With the switch off the same row goes in; the provincial zones have no switch.
    if (!w->ComboBox1) return;
    w->ComboBox1->setCurrentIndex(1);
    w->button(Action::Save)->click();
    QCOMPARE(EntryFixture::column(u"select count(*) from \"%1\""_s.arg(k.table)), QStringList { u"2"_s });
}

void TestSingleTableWindows::deleteWhileInserting_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("left");
    QTest::newRow("venture investment: the new row is discarded") << 6 << 2;
    QTest::newRow("industry base: the row current before goes") << 10 << 1;
    QTest::newRow("provincial zone: the new row is discarded") << 11 << 2;
}

void TestSingleTableWindows::deleteWhileInserting()
{
    QFETCH(int, code);
    QFETCH(int, left);
    const Kind k = kindOf(code);
    addRow(k, k.number, u"甲"_s);
    addRow(k, k.number2, u"乙"_s);
    open(k);
    w->button(Action::Insert)->click();
    fx->fake.setNextAnswer(true);
    w->button(Action::Delete)->click();
    QCOMPARE(EntryFixture::column(u"select count(*) from \"%1\""_s.arg(k.table)),
        QStringList { QString::number(left) });
    QVERIFY(!w->Table1.isEditing());
    QVERIFY(RecordsDeleted);
}

void TestSingleTableWindows::dataAppend_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("pxh"); // after the append, by number; the first row was not delivered
    QTest::newRow("venture investment")
        << 6 << u"请选择国家高新区创业投资机构情况数据库  文件名:tzjg.db"_s
        << u"是否清空国家高新区创业投资机构情况数据库"_s << QStringList { u"L"_s, QString(), QString() };
    QTest::newRow("industry base") << 10 << u"请选择特色产业基地数据库  文件名:tsjd.db"_s
                                   << u"是否特色产业基地数据库"_s
                                   << QStringList { u"L"_s, QString(), QString() };
    // The provincial zones keep what the file brought.
    QTest::newRow("provincial zone") << 11 << u"请选择省级高新技术产业开发区情况数据库  文件名:sjgxq.db"_s
                                     << u"是否清空省级高新技术产业开发区情况数据库"_s
                                     << QStringList { u"L"_s, u"P2"_s, u"P3"_s };
}

void TestSingleTableWindows::dataAppend()
{
    QFETCH(int, code);
    QFETCH(QString, title);
    QFETCH(QString, question);
    QFETCH(QStringList, pxh);
    const Kind k = kindOf(code);
    const QString third = k.number.chopped(1) + u'3';
    addRow(k, k.number, u"甲"_s);
    addRow(k, k.number2, u"乙"_s);
    EntryFixture::sql(u"update \"%1\" set pxh='L'"_s.arg(k.table));
    // A delivery that updates the second row, adds a third, and breaks a rule in it.
    QDir().mkpath(u"in"_s);
    store::Table::copyToNative(k.table, u"in/"_s + k.table);
    const QString in = u"in/"_s + k.table;
    EntryFixture::sql(u"delete from \"%1\" where code='%2'"_s.arg(in, k.number));
    EntryFixture::sql(u"update \"%1\" set %2='乙改', pxh='P2', id='x'"_s.arg(in, k.name));
    EntryFixture::sql(u"insert into \"%1\" (id, code, pxh) values ('y','%2','P3')"_s.arg(in, third));
    open(k);
    const bool checkOn = w->ComboBox1 != nullptr;
    fx->fake.setNextFileName(in);
    fx->fake.setNextAnswer(false);
    w->button(Action::Merge)->click();
    QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::OpenFile).first().title, title);
    QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::Question).first().text, question);
    QVERIFY(fx->fake.eventsOf(FakeServices::Kind::Question).first().title.isEmpty());
    QVERIFY(fx->fake.exceptions().isEmpty());
    const QString sorted = u"select %1 from \"%2\" order by code"_s;
    QCOMPARE(
        EntryFixture::column(sorted.arg(u"id"_s, k.table)), (QStringList { k.number, k.number2, third }));
    QCOMPARE(
        EntryFixture::column(sorted.arg(k.name, k.table)), (QStringList { u"甲"_s, u"乙改"_s, QString() }));
    QCOMPARE(EntryFixture::column(sorted.arg(u"pxh"_s, k.table)), pxh);
    QCOMPARE(EntryFixture::column(
                 u"select count(*) from \"%1\" where %2_one=1"_s.arg(k.table, k.table.chopped(3))),
        QStringList { u"3"_s });
    // The rules are in force again afterwards (the switch was on, or there is none).
    QVERIFY(checkOn || code == 11);
    QVERIFY(w->Table1.constraintsActive());
    QVERIFY(!w->StatusBar1->isProgressShown());
    QCOMPARE(w->Table1.recNo(), 1);

    // Emptying first: only the delivered rows are left.
    fx->fake.setNextFileName(in);
    fx->fake.setNextAnswer(true);
    w->button(Action::Merge)->click();
    QCOMPARE(EntryFixture::column(sorted.arg(u"id"_s, k.table)), (QStringList { k.number2, third }));
}

void TestSingleTableWindows::locatedOpening_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("order"); // afterwards
    QTest::newRow("venture investment") << 6 << u"CODE"_s;
    QTest::newRow("industry base") << 10 << QString();
    QTest::newRow("provincial zone") << 11 << u"Code"_s;
}

void TestSingleTableWindows::locatedOpening()
{
    QFETCH(int, code);
    QFETCH(QString, order);
    const Kind k = kindOf(code);
    addRow(k, k.number, u"甲"_s);
    addRow(k, k.number2, u"乙"_s);
    LocateOnOpen = true;
    LocateField = u"code"_s;
    LocateValue = k.number2;
    open(k);
    QCOMPARE(w->Table1.fieldByName(k.key).asString(), k.number2);
    QCOMPARE(w->Table1.indexFieldNames(), order);
    QVERIFY(w->Table1.indexName().isEmpty());
    w.reset();
    // A number that is not there leaves the first row current.
    LocateValue = u"9999"_s;
    open(k);
    QCOMPARE(w->Table1.fieldByName(k.key).asString(), k.number);
}

void TestSingleTableWindows::memoEnterMovesOn()
{
    const Kind k = kindOf(11);
    addRow(k, k.number, u"甲"_s);
    open(k);
    auto* window = static_cast<TF_sjgxq*>(w.get());
    DbMemo* memo = window->memo();
    QVERIFY(memo);
    memo->setFocus();
    QTest::keyClicks(memo, u"line"_s);
    QTest::keyClick(memo, Qt::Key_Return);
    QVERIFY(w->focusWidget() != memo);
    QTest::keyClicks(memo, u"x"_s);
    QCOMPARE(memo->toPlainText(), u"linex"_s);
    w->button(Action::Save)->click();
    QCOMPARE(EntryFixture::column(u"select bz from \"sjgxq.db\""_s), QStringList { u"linex"_s });
    // The memo shows the row it is on.
    w->button(Action::Insert)->click();
    QVERIFY(memo->toPlainText().isEmpty());
}

void TestSingleTableWindows::statusLineAndLocateDialog()
{
    const Kind k = kindOf(10);
    addRow(k, k.number, u"甲"_s);
    addRow(k, k.number2, u"乙"_s);
    open(k);
    QCOMPARE(w->StatusBar1->simpleText(), u"当前记录:1  总记录:2  未修改"_s);
    w->Table1.edit();
    QCOMPARE(w->StatusBar1->simpleText(), u"当前记录:1  总记录:2  已修改"_s);
    fx->fake.setNextAnswer(true);
    w->button(Action::Cancel)->click();
    QCOMPARE(w->StatusBar1->simpleText(), u"当前记录:1  总记录:2  未修改"_s);
    // The page only changes what is shown.
    w->PageControl1->setCurrentIndex(1);
    w->button(Action::Next)->click();
    QCOMPARE(w->StatusBar1->simpleText(), u"当前记录:2  总记录:2  未修改"_s);
    windowRegistry().add(u"TF_change_r"_s, [](QWidget* parent) { return new QWidget(parent, Qt::Window); });
    w->StatusBar1DblClick();
    QCOMPARE(LocateTable, &w->Table1);
    QCOMPARE(LocateField, u"code"_s);
    QCOMPARE(LocateIndex, u"tsjd"_s);
    windowRegistry().remove(u"TF_change_r"_s);
}

// Kept as files for a look when VELTO_SCREENSHOTS names a folder.
void TestSingleTableWindows::screenshots()
{
    const QString folder = qEnvironmentVariable("VELTO_SCREENSHOTS");
    for (int code : { 6, 10, 11 }) {
        const Kind k = kindOf(code);
        addRow(k, k.number, u"甲"_s);
        open(k);
        w->setWindowTitle(reportKindOf(code)->entryCaption);
        const int pages = w->PageControl1 ? w->PageControl1->count() : 1;
        for (int p = 0; p < pages; ++p) {
            if (w->PageControl1) w->PageControl1->setCurrentIndex(p);
            QCoreApplication::processEvents();
            const QImage shot = w->grab().toImage();
            QVERIFY(!shot.isNull());
            if (!folder.isEmpty()) shot.save(u"%1/%2-%3.png"_s.arg(folder, w->objectName()).arg(p + 1));
        }
        w.reset();
    }
}

QTEST_MAIN(TestSingleTableWindows)
#include "tst_SingleTableWindows.moc"
