#include "EntryFixture.h"
#include "entry/TF_kfq.h"
#include "widgets/DbEdit.h"
#include "widgets/DbGrid.h"
#include "widgets/DbStatusBar.h"
#include "widgets/Fonts.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

namespace {

int pageIndex(TF_kfq& w, const QString& title)
{
    for (int i = 0; i < w.PageControl1->count(); ++i)
        if (w.PageControl1->tabText(i) == title) return i;
    return -1;
}

void showPage(TF_kfq& w, const QString& title)
{
    w.PageControl1->setCurrentIndex(pageIndex(w, title));
}

} // namespace

class TestTF_kfq : public QObject
{
    Q_OBJECT

    std::unique_ptr<EntryFixture> fx;
    std::unique_ptr<TF_kfq> w;

    void open()
    {
        w->show();
        QVERIFY(w->Table1.isOpen());
    }
    // A return A with products 1, 2 and project 1, and a return B with product 1.
    void twoReturns()
    {
        EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
        EntryFixture::addEnterprise(u"000002"_s, u"乙公司"_s, u"20000000-2"_s);
        EntryFixture::addProduct(u"000001"_s, u"1"_s);
        EntryFixture::addProduct(u"000001"_s, u"2"_s);
        EntryFixture::addProject(u"000001"_s, u"1"_s);
        EntryFixture::addProduct(u"000002"_s, u"1"_s);
    }

private Q_SLOTS:
    void initTestCase() { installFontSubstitutes(); }
    void init()
    {
        fx = std::make_unique<EntryFixture>();
        w = std::make_unique<TF_kfq>();
    }
    void cleanup()
    {
        if (QTest::currentTestFailed()) qInfo() << fx->fake.messages();
        w.reset();
        fx.reset();
    }

    void pagesAndControls();
    void emptyTableShowsOnlyCover();
    void deletingMasterDeletesItsDetails();
    void deletingLastReturnCollapses();
    void productNeedsReportNumber();
    void detailStoreStampsRow();
    void detailRejectsEmptySubKey();
    void storeTakesOpenCellEdit();
    void cascade_data();
    void cascade();
    void pageChangeStoresChangedNumber();
    void checkSwitch();
    void warningRulesOnlyMask();
    void numericNullsBecomeZero();
    void enterNavigation();
    void closeStoresPendingEdit();
    void closeKeepsWindowWhenStoreRefused();
    void sentMarkerOncePerOpening();
    void packOnlyAfterDeletion();
    void mergeOverwritesSourceFields();
    void mergeCancelledChangesNothing();
    void mergeStopsAtClash();
    void mergeProductsWithoutReturns();
    void locateOnOpen_data();
    void locateOnOpen();
    void postErrors_data();
    void postErrors();
    void statusLine();
    void allRowsMode();
    void screenshots();
};

void TestTF_kfq::pagesAndControls()
{
    const QStringList pages = { u"封面"_s, u"企业概况"_s, u"经济概况"_s, u"人员概况"_s, u"主要产品概况"_s,
        u"企业科技活动及相关情况"_s, u"科技项目情况"_s };
    QCOMPARE(w->PageControl1->count(), pages.size());
    for (int i = 0; i < pages.size(); ++i)
        QCOMPARE(w->PageControl1->tabText(i), pages[i]);
    // Every field of the enterprise table but the stamps has a control, in file order per page.
    open();
    QStringList bound;
    for (DbEdit* e : w->edits())
        bound << e->dataField().toLower();
    QCOMPARE(bound.size(), QSet<QString>(bound.begin(), bound.end()).size());
    for (const store::FieldDef& f : w->Table1.fieldDefs()) {
        const QString name = f.name.toLower();
        if (name == u"id"_s || name == u"qa_one"_s || name == u"pxh"_s) continue;
        QVERIFY2(bound.contains(name), qPrintable(name));
    }
    const QStringList cover
        = { u"qa01"_s, u"qa18"_s, u"qa03"_s, u"qa19"_s, u"qa04"_s, u"qa15"_s, u"qa05"_s, u"qa06"_s, u"qa07"_s,
              u"qa08"_s, u"qa09"_s, u"qa10"_s, u"qa11"_s, u"qa17"_s, u"qa12"_s, u"qa13"_s, u"qa14"_s };
    QCOMPARE(bound.mid(0, cover.size()), cover);
    const QStringList captions = { u"上一记录"_s, u"下一记录"_s, u"记录头"_s, u"记录尾"_s, u"插入记录"_s,
        u"删除记录"_s, u"存盘"_s, u"取消修改"_s, u"数据入库"_s, u"数据追加"_s, u"返回"_s };
    for (const QString& c : captions)
        QVERIFY2(w->button(c), qPrintable(c));
    QCOMPARE(w->detail(0).grid1->columnTitle(0), u"序号"_s);
    QCOMPARE(w->detail(0).grid2->columnTitle(6), u"主要出口地区"_s);
    QCOMPARE(w->detail(1).grid2->columnTitle(0), u"跨年度项目所处进展阶段"_s);
    // Field sizes are GBK bytes: the 6-byte report number takes three Chinese characters.
    QCOMPARE(w->editOf(u"qa01"_s)->maxLength(), 6);
}

void TestTF_kfq::emptyTableShowsOnlyCover()
{
    open();
    QVERIFY(w->isCollapsed());
    QCOMPARE(w->PageControl1->currentIndex(), 0);
    for (int i = 1; i < w->PageControl1->count(); ++i)
        QVERIFY(!w->PageControl1->isTabVisible(i));
    w->button(u"插入记录"_s)->click();
    QCOMPARE(w->Table1.state(), store::DatasetState::Insert);
    for (int i = 1; i < w->PageControl1->count(); ++i)
        QVERIFY(w->PageControl1->isTabVisible(i));
}

void TestTF_kfq::deletingMasterDeletesItsDetails()
{
    twoReturns();
    open();
    QVERIFY(w->Table1.locate({ u"qa01"_s }, { u"000001"_s }));
    // Looking at all products first must not widen the deletion.
    showPage(*w, u"主要产品概况"_s);
    w->detail(0).list->setCurrentIndex(1);
    QCOMPARE(w->Table2.recordCount(), 3);
    showPage(*w, u"封面"_s);
    fx->fake.setNextAnswer(true);
    w->button(u"删除记录"_s)->click();
    QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::Question).value(0).text, u"是否删除当前记录"_s);
    QVERIFY(RecordsDeleted);
    QCOMPARE(EntryFixture::column(u"select qa01 from \"kfq_1.db\""_s), QStringList { u"000002"_s });
    QCOMPARE(EntryFixture::column(u"select id from \"kfq_2.db\""_s), QStringList { u"000002_1"_s });
    QCOMPARE(EntryFixture::column(u"select id from \"kfq_5.db\""_s), QStringList());
}

void TestTF_kfq::deletingLastReturnCollapses()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    open();
    QVERIFY(!w->isCollapsed());
    w->button(u"删除记录"_s)->click(); // answered No
    QCOMPARE(w->Table1.recordCount(), 1);
    fx->fake.setNextAnswer(true);
    w->button(u"删除记录"_s)->click();
    QCOMPARE(w->Table1.recordCount(), 0);
    QVERIFY(w->isCollapsed());
    // On an empty table the button only flushes.
    w->button(u"删除记录"_s)->click();
    QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::Question).size(), 2);
}

void TestTF_kfq::productNeedsReportNumber()
{
    open();
    w->button(u"插入记录"_s)->click(); // a new return, number still empty
    showPage(*w, u"主要产品概况"_s);
    QCOMPARE(w->ActiveTable, &w->Table2);
    w->button(u"插入记录"_s)->click();
    QCOMPARE(fx->fake.messages(), QStringList { u"请先填入企业报表编号"_s });
    QCOMPARE(fx->fake.events().last().title, u"提示窗口"_s);
    QVERIFY(!w->Table2.isEditing());
    QCOMPARE(w->PageControl1->currentIndex(), 0);
    QCOMPARE(w->ActiveTable, &w->Table1);
}

void TestTF_kfq::detailStoreStampsRow()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    open();
    showPage(*w, u"主要产品概况"_s);
    w->button(u"插入记录"_s)->click();
    w->Table2.fieldByName(u"qe01"_s).setValue(u"7"_s);
    w->Table2.fieldByName(u"qe02"_s).setValue(u"新产品"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(fx->fake.messages(), QStringList());
    QCOMPARE(
        EntryFixture::column(u"select id || '|' || qa01 || '|' || qe_one || '|' || qe14 from \"kfq_2.db\""_s),
        QStringList { u"000001_7|000001|1.0|0.0"_s });
    QVERIFY(w->StatusBar1->simpleText().startsWith(u"报表编号: 000001"_s));
}

void TestTF_kfq::detailRejectsEmptySubKey()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    open();
    showPage(*w, u"科技项目情况"_s);
    w->button(u"插入记录"_s)->click();
    w->Table5.fieldByName(u"xmmc"_s).setValue(u"无序号"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(fx->fake.messages(), QStringList { u"科技项目序号不能为空"_s });
    QCOMPARE(fx->fake.events().last().title, u"错误窗口"_s);
    QCOMPARE(w->Table5.state(), store::DatasetState::Insert);
    QCOMPARE(w->Table5.fieldByName(u"xmmc"_s).asString(), u"无序号"_s);
}

void TestTF_kfq::storeTakesOpenCellEdit()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    open();
    showPage(*w, u"主要产品概况"_s);
    w->button(u"插入记录"_s)->click();
    DbGrid* grid = w->detail(0).grid1;
    w->Table2.fieldByName(u"qe01"_s).setValue(u"1"_s);
    w->Table2.fieldByName(u"qe02"_s).setValue(u"产品"_s);
    // The toolbar takes no focus: the cell still being typed into belongs to the row.
    grid->edit(grid->model()->index(0, 2));
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(u"01"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(fx->fake.messages(), QStringList());
    QCOMPARE(EntryFixture::column(u"select qe03 from \"kfq_2.db\""_s), QStringList { u"01"_s });
}

void TestTF_kfq::cascade_data()
{
    QTest::addColumn<bool>("insertedJustNow");
    QTest::newRow("stored return") << false;
    QTest::newRow("return inserted and stored just before") << true;
}

void TestTF_kfq::cascade()
{
    QFETCH(bool, insertedJustNow);
    EntryFixture::addEnterprise(u"000009"_s, u"丙公司"_s, u"90000000-9"_s);
    if (!insertedJustNow) twoReturns();
    open();
    if (insertedJustNow) {
        w->button(u"插入记录"_s)->click();
        w->Table1.fieldByName(u"qa01"_s).setValue(u"000001"_s);
        w->Table1.fieldByName(u"qa03"_s).setValue(u"10000000-1"_s);
        w->Table1.fieldByName(u"qa04"_s).setValue(u"甲公司"_s);
        w->Table1.fieldByName(u"qa19"_s).setValue(u"110108"_s);
        w->Table1.fieldByName(u"qb03"_s).setValue(u"3911"_s);
        w->button(u"存盘"_s)->click();
        QCOMPARE(w->CurKey, u"000001"_s);
        showPage(*w, u"主要产品概况"_s);
        for (const QString& seq : { u"1"_s, u"2"_s }) {
            w->button(u"插入记录"_s)->click();
            w->Table2.fieldByName(u"qe01"_s).setValue(seq);
            w->Table2.fieldByName(u"qe02"_s).setValue(u"产品"_s);
            w->button(u"存盘"_s)->click();
        }
        showPage(*w, u"封面"_s);
    } else {
        QVERIFY(w->Table1.locate({ u"qa01"_s }, { u"000001"_s }));
    }
    w->Table1.edit();
    w->Table1.fieldByName(u"qa01"_s).setValue(u"000003"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(fx->fake.messages(), QStringList());
    QCOMPARE(w->CurKey, u"000003"_s);
    QVERIFY(!w->BulkMode);
    QCOMPARE(EntryFixture::column(u"select id from \"kfq_1.db\" where qa01='000003'"_s),
        QStringList { u"000003"_s });
    QCOMPARE(EntryFixture::column(u"select id from \"kfq_2.db\" where qa01='000003' order by id"_s),
        (QStringList { u"000003_1"_s, u"000003_2"_s }));
    QCOMPARE(EntryFixture::column(u"select count(*) from \"kfq_2.db\" where qa01='000001'"_s),
        QStringList { u"0"_s });
    if (!insertedJustNow) {
        QCOMPARE(EntryFixture::column(u"select id from \"kfq_5.db\""_s), QStringList { u"000003_1"_s });
        QCOMPARE(EntryFixture::column(u"select id from \"kfq_2.db\" where qa01='000002'"_s),
            QStringList { u"000002_1"_s });
    }
}

void TestTF_kfq::pageChangeStoresChangedNumber()
{
    twoReturns();
    open();
    QVERIFY(w->Table1.locate({ u"qa01"_s }, { u"000001"_s }));
    w->Table1.edit();
    w->Table1.fieldByName(u"qa01"_s).setValue(u"000005"_s);
    showPage(*w, u"主要产品概况"_s);
    QVERIFY(!w->Table1.isEditing());
    QCOMPARE(w->Table2.recordCount(), 2);
    QCOMPARE(w->Table2.fieldByName(u"id"_s).asString(), u"000005_1"_s);
    QCOMPARE(EntryFixture::column(u"select qa01 from \"kfq_1.db\" order by qa01"_s),
        (QStringList { u"000002"_s, u"000005"_s }));
}

void TestTF_kfq::checkSwitch()
{
    open();
    auto insertNameless = [this] {
        w->button(u"插入记录"_s)->click();
        w->Table1.fieldByName(u"qa01"_s).setValue(u"000001"_s);
        w->Table1.fieldByName(u"qa03"_s).setValue(u"10000000-1"_s);
        w->Table1.fieldByName(u"qa19"_s).setValue(u"110108"_s);
        w->Table1.fieldByName(u"qb03"_s).setValue(u"3911"_s);
        w->button(u"存盘"_s)->click();
    };
    insertNameless();
    QCOMPARE(fx->fake.exceptions(), QStringList { u"企业数据错误:企业详细名称不能为空"_s });
    QCOMPARE(w->Table1.state(), store::DatasetState::Insert);
    w->Table1.cancel();
    w->ComboBox1->setCurrentIndex(1);
    QVERIFY(!w->CheckOn);
    insertNameless();
    QCOMPARE(fx->fake.exceptions().size(), 1);
    QCOMPARE(w->Table1.recordCount(), 1);
    // Back on: the next store is checked again.
    w->ComboBox1->setCurrentIndex(0);
    QVERIFY(w->CheckOn);
    w->Table1.edit();
    w->Table1.fieldByName(u"qa19"_s).setValue(u"990000"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(fx->fake.exceptions().size(), 2);
    QVERIFY(fx->fake.exceptions().last().startsWith(u"企业数据错误:"_s));
}

void TestTF_kfq::warningRulesOnlyMask()
{
    open();
    // qa18 has only a warning rule: any answer is stored. qa06's mask comes from its rule.
    w->button(u"插入记录"_s)->click();
    w->Table1.fieldByName(u"qa01"_s).setValue(u"000001"_s);
    w->Table1.fieldByName(u"qa03"_s).setValue(u"10000000-1"_s);
    w->Table1.fieldByName(u"qa04"_s).setValue(u"甲公司"_s);
    w->Table1.fieldByName(u"qa19"_s).setValue(u"110108"_s);
    w->Table1.fieldByName(u"qb03"_s).setValue(u"3911"_s);
    w->Table1.fieldByName(u"qa18"_s).setValue(u"7"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(fx->fake.exceptions(), QStringList());
    QVERIFY(!w->Table1.fieldByName(u"qa06"_s).editMask().isEmpty());
    QVERIFY(!w->editOf(u"qa06"_s)->inputMask().isEmpty());
}

void TestTF_kfq::numericNullsBecomeZero()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    open();
    w->Table1.edit();
    w->Table1.fieldByName(u"qa05"_s).setValue(u"地址"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(
        EntryFixture::column(
            u"select qc02 || '|' || qd01 || '|' || qa_one || '|' || ifnull(qa06,'null') from \"kfq_1.db\""_s),
        QStringList { u"0.0|0.0|1|null"_s });
    QVERIFY(EntryFixture::scalar(u"select qa12 from \"kfq_1.db\""_s).isNull());
}

void TestTF_kfq::enterNavigation()
{
    twoReturns();
    open();
    w->activateWindow();
    showPage(*w, u"主要产品概况"_s);
    DbGrid* g1 = w->detail(0).grid1;
    DbGrid* g2 = w->detail(0).grid2;
    g1->setFocus();
    g1->setSelectedColumn(3);
    QTest::keyClick(g1, Qt::Key_Return);
    QCOMPARE(g1->selectedColumn(), 4);
    g1->setSelectedColumn(g1->columnCount() - 1);
    QTest::keyClick(g1, Qt::Key_Return);
    QCOMPARE(g2->selectedColumn(), 0);
    QCOMPARE(w->focusWidget(), g2);
    g2->setSelectedColumn(g2->columnCount() - 1);
    QTest::keyClick(g2, Qt::Key_Return);
    QCOMPARE(g2->selectedColumn(), g2->columnCount() - 1);
    // An edit control hands on to the next control, as Tab does.
    showPage(*w, u"封面"_s);
    DbEdit* number = w->editOf(u"qa01"_s);
    number->setFocus();
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), w->editOf(u"qa18"_s));
}

void TestTF_kfq::closeStoresPendingEdit()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    open();
    DbEdit* address = w->editOf(u"qa05"_s);
    QTest::keyClicks(address, u"Road 1"_s);
    QCOMPARE(w->Table1.state(), store::DatasetState::Edit);
    w->close();
    QVERIFY(!w->Table1.isOpen());
    QVERIFY(fx->fake.eventsOf(FakeServices::Kind::Question).isEmpty());
    QCOMPARE(EntryFixture::column(u"select qa05 from \"kfq_1.db\""_s), QStringList { u"Road 1"_s });
}

void TestTF_kfq::closeKeepsWindowWhenStoreRefused()
{
    open();
    w->button(u"插入记录"_s)->click();
    w->Table1.fieldByName(u"qa01"_s).setValue(u"12"_s);
    w->close();
    // The refused row is neither stored nor dropped: the window stays with it.
    QVERIFY(w->isVisible());
    QCOMPARE(w->Table1.state(), store::DatasetState::Insert);
    QCOMPARE(fx->fake.exceptions().size(), 1);
    w->Table1.cancel();
    w->close();
    QVERIFY(!w->Table1.isOpen());
}

void TestTF_kfq::sentMarkerOncePerOpening()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    auto mark = [] {
        EntryFixture::sql(u"insert into \"sendname.db\" (id, name, text) values ('1','kfq_1.db','企业')"_s);
        EntryFixture::sql(u"insert into \"sendname.db\" (id, name, text) values ('2','fhq.db','孵化器')"_s);
    };
    auto marks = [] { return EntryFixture::column(u"select name from \"sendname.db\" order by name"_s); };
    mark();
    open();
    QVERIFY(!SentMarksCleared);
    w->Table1.edit();
    w->Table1.fieldByName(u"qa05"_s).setValue(u"一"_s);
    w->button(u"存盘"_s)->click();
    QVERIFY(SentMarksCleared);
    QCOMPARE(marks(), QStringList { u"fhq.db"_s });
    EntryFixture::sql(u"delete from \"sendname.db\""_s);
    mark();
    showPage(*w, u"主要产品概况"_s);
    w->button(u"插入记录"_s)->click();
    w->Table2.fieldByName(u"qe01"_s).setValue(u"1"_s);
    w->Table2.fieldByName(u"qe02"_s).setValue(u"产品"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(fx->fake.messages(), QStringList());
    QCOMPARE(marks().size(), 2);
    w->close();
    open();
    QVERIFY(!SentMarksCleared);
    w->Table1.edit();
    w->Table1.fieldByName(u"qa05"_s).setValue(u"二"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(marks(), QStringList { u"fhq.db"_s });
}

void TestTF_kfq::packOnlyAfterDeletion()
{
    // Free pages left by an earlier deletion show whether the file was packed.
    for (int i = 1; i <= 300; ++i)
        EntryFixture::addEnterprise(u"%1"_s.arg(i, 6, 10, QLatin1Char('0')), u"企业%1"_s.arg(i),
            u"%1-1"_s.arg(i, 8, 10, QLatin1Char('0')));
    EntryFixture::sql(u"delete from \"kfq_1.db\" where qa01>'000100'"_s);
    auto freePages = [this] { return QFileInfo(fx->dir.filePath(u"kfq_1.db"_s)).size(); };
    const qint64 before = freePages();
    open();
    w->close();
    QCOMPARE(freePages(), before);
    open();
    fx->fake.setNextAnswer(true);
    w->button(u"删除记录"_s)->click();
    w->close();
    QVERIFY(freePages() < before);
}

void TestTF_kfq::mergeOverwritesSourceFields()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    EntryFixture::sql(u"update \"kfq_1.db\" set qa05='老地址', qc02=5, pxh='110'"_s);
    // A delivered file with only some of the fields.
    EntryFixture::sql(
        u"create table \"in1.db\" (qa01 char(6), qa03 char(10), qa04 char(100), qa19 char(6), qb03 char(4), qc02 float, qc99 float)"_s);
    EntryFixture::sql(
        u"insert into \"in1.db\" values ('000001','10000000-1','甲公司新名',  '110108', '3911', null, 1)"_s);
    EntryFixture::sql(
        u"insert into \"in1.db\" values ('000002','20000000-2','乙公司', '110108', '3911', 3, 1)"_s);
    open();
    fx->fake.setNextFileName(u"in1.db"_s);
    fx->fake.setNextAnswer(false); // keep the stored returns
    w->button(u"数据追加"_s)->click();
    QCOMPARE(fx->fake.exceptions(), QStringList());
    const auto opens = fx->fake.eventsOf(FakeServices::Kind::OpenFile);
    QCOMPARE(opens.size(), 3);
    QCOMPARE(opens[0].title, u"请选择企业数据库  文件名:kfq_1.db"_s);
    QCOMPARE(opens[2].title, u"请选择科技项目情况数据库  文件名:kfq_5.db"_s);
    QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::Question).value(0).text, u"是否清空企业数据库"_s);
    QCOMPARE(EntryFixture::column(u"select qa01 || '|' || qa04 || '|' || ifnull(qa05,'') || '|' || qc02 || "
                                  u"'|' || ifnull(pxh,'') || '|' || "
                                  u"qa_one || '|' || id from \"kfq_1.db\" order by qa01"_s),
        (QStringList { u"000001|甲公司新名|老地址|0.0||1|000001"_s, u"000002|乙公司||3.0||1|000002"_s }));
    QVERIFY(!w->BulkMode);
    QVERIFY(w->Table1.constraintsActive());
    QCOMPARE(w->ActiveTable, &w->Table1);
    QVERIFY(!w->StatusBar1->isProgressShown());
    // The same file again leaves the tables as they are.
    fx->fake.setNextFileName(u"in1.db"_s);
    w->button(u"数据追加"_s)->click();
    QCOMPARE(EntryFixture::column(u"select count(*) from \"kfq_1.db\""_s), QStringList { u"2"_s });
}

void TestTF_kfq::mergeCancelledChangesNothing()
{
    twoReturns();
    open();
    w->button(u"数据追加"_s)->click();
    QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::OpenFile).size(), 3);
    QVERIFY(fx->fake.eventsOf(FakeServices::Kind::Question).isEmpty());
    QCOMPARE(w->PageControl1->currentIndex(), 0);
    QCOMPARE(EntryFixture::column(u"select count(*) from \"kfq_2.db\""_s), QStringList { u"3"_s });
}

void TestTF_kfq::mergeStopsAtClash()
{
    EntryFixture::addEnterprise(u"000009"_s, u"甲公司"_s, u"10000000-1"_s);
    EntryFixture::sql(u"create table \"in1.db\" (qa01 char(6), qa03 char(10), qa04 char(100))"_s);
    EntryFixture::sql(u"insert into \"in1.db\" values ('000001','30000000-3','丙公司')"_s);
    EntryFixture::sql(
        u"insert into \"in1.db\" values ('000002','10000000-1','丁公司')"_s); // same code as 000009
    EntryFixture::sql(u"insert into \"in1.db\" values ('000003','40000000-4','戊公司')"_s);
    open();
    fx->fake.setNextFileName(u"in1.db"_s);
    w->button(u"数据追加"_s)->click();
    QCOMPARE(
        fx->fake.exceptions(), QStringList { u"企业数据错误:企业法人代码重复,请退出系统查检查重复记录"_s });
    QCOMPARE(EntryFixture::column(u"select qa01 from \"kfq_1.db\" order by qa01"_s),
        (QStringList { u"000001"_s, u"000009"_s }));
    QVERIFY(!w->BulkMode);
    QVERIFY(!w->Table1.isEditing());
    QVERIFY(w->Table1.constraintsActive());
    QVERIFY(!w->StatusBar1->isProgressShown());
}

void TestTF_kfq::mergeProductsWithoutReturns()
{
    // Products delivered before their enterprises: no return on the cover, yet every
    // delivered row is taken (the cover's number is asked for only when keying in).
    EntryFixture::sql(u"create table \"in2.db\" (qa01 char(6), qe01 char(4), qe02 char(50))"_s);
    EntryFixture::sql(u"insert into \"in2.db\" values ('000001','1','甲'), ('000002','1','乙')"_s);
    open();
    fx->fake.setNextFileName(QString()); // no enterprises
    fx->fake.setNextFileName(u"in2.db"_s);
    w->button(u"数据追加"_s)->click();
    QCOMPARE(fx->fake.messages(), QStringList());
    QCOMPARE(EntryFixture::column(u"select id || '|' || qe_one from \"kfq_2.db\" order by id"_s),
        (QStringList { u"000001_1|1.0"_s, u"000002_1|1.0"_s }));
    QVERIFY(w->Table2.master());
}

void TestTF_kfq::locateOnOpen_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("existing key") << u"000002"_s << u"000002"_s;
    QTest::newRow("missing key stays on the first row") << u"000077"_s << u"000001"_s;
}

void TestTF_kfq::locateOnOpen()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    twoReturns();
    LocateOnOpen = true;
    LocateField = u"qa01"_s;
    LocateValue = value;
    open();
    QCOMPARE(w->Table1.fieldByName(u"qa01"_s).asString(), expected);
    QCOMPARE(w->CurKey, expected);
    QVERIFY(LocateOnOpen);
    QCOMPARE(w->Table1.indexName(), QString());
}

void TestTF_kfq::postErrors_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("report number") << u"000001"_s << u"新公司"_s << u"30000000-3"_s
                                   << u"企业数据错误:企业报表编号重复"_s;
    QTest::newRow("name") << u"000003"_s << u"甲公司"_s << u"30000000-3"_s << u"企业数据错误:企业名称重复"_s;
    QTest::newRow("legal-person code")
        << u"000003"_s << u"新公司"_s << u"10000000-1"_s << u"企业数据错误:企业法人代码重复"_s;
}

void TestTF_kfq::postErrors()
{
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(QString, code);
    QFETCH(QString, message);
    twoReturns();
    open();
    w->button(u"插入记录"_s)->click();
    w->Table1.fieldByName(u"qa01"_s).setValue(number);
    w->Table1.fieldByName(u"qa03"_s).setValue(code);
    w->Table1.fieldByName(u"qa04"_s).setValue(name);
    w->Table1.fieldByName(u"qa19"_s).setValue(u"110108"_s);
    w->Table1.fieldByName(u"qb03"_s).setValue(u"3911"_s);
    w->button(u"存盘"_s)->click();
    QCOMPARE(fx->fake.exceptions(), QStringList { message });
    QCOMPARE(w->Table1.state(), store::DatasetState::Insert);
}

void TestTF_kfq::statusLine()
{
    twoReturns();
    open();
    QCOMPARE(w->StatusBar1->simpleText(), u"报表编号: 000001  当前记录: 1  总记录: 2  未修改"_s);
    w->button(u"下一记录"_s)->click();
    w->Table1.edit();
    QCOMPARE(w->StatusBar1->simpleText(), u"报表编号: 000002  当前记录: 2  总记录: 2  已修改"_s);
}

void TestTF_kfq::allRowsMode()
{
    twoReturns();
    open();
    showPage(*w, u"主要产品概况"_s);
    EntryForm::Detail& d = w->detail(0);
    QCOMPARE(w->Table2.recordCount(), 2);
    d.list->setCurrentIndex(1);
    QCOMPARE(w->Table2.recordCount(), 3);
    QVERIFY(d.grid1->isReadOnly());
    QVERIFY(!w->button(u"插入记录"_s)->isEnabled());
    d.list->setCurrentIndex(0);
    QCOMPARE(w->Table2.recordCount(), 2);
    QVERIFY(w->button(u"插入记录"_s)->isEnabled());
    // Entering the page again always starts with the current return's rows.
    d.list->setCurrentIndex(1);
    showPage(*w, u"封面"_s);
    showPage(*w, u"主要产品概况"_s);
    QCOMPARE(d.list->currentIndex(), 0);
    QCOMPARE(w->Table2.recordCount(), 2);
}

void TestTF_kfq::screenshots()
{
    // Every page rendered; with VELTO_SCREENSHOT_DIR set, also written there to be looked at.
    twoReturns();
    open();
    w->setWindowTitle(u"高新区企业"_s);
    const QString out = qEnvironmentVariable("VELTO_SCREENSHOT_DIR");
    for (int i = 0; i < w->PageControl1->count(); ++i) {
        w->PageControl1->setCurrentIndex(i);
        const QPixmap shot = w->grab();
        QVERIFY(!shot.isNull());
        if (!out.isEmpty()) shot.save(QDir(out).filePath(u"kfq_page%1.png"_s.arg(i + 1)));
    }
}

QTEST_MAIN(TestTF_kfq)
#include "tst_TF_kfq.moc"
