#include "ExchangeFixture.h"

#include "entry/TF_kfq.h"
#include "exchange/TF_bhcl.h"
#include "widgets/DbStatusBar.h"
#include "widgets/Fonts.h"
#include "widgets/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

const QString firstLine = u"上报盘中的企业清单，如要修改报表编号，请在下面第二栏进行修改"_s;
const QString secondLine = u"请注意：如果上报数据中法人代码与库中代码相同但报表编号不同刚不能执行入库"_s;
const QString clashLine = u"以下为法人代码相同但报表编号不同、或者报表编号相同但法人代码不同的企业"_s;

QStringList listed(TF_bhcl& w)
{
    QStringList out;
    for (const exchange::ListRow& r : exchange::UploadImport::readList(w.Table1))
        out << r.original + u'|' + r.renumbered + u'|' + r.orgCode + u'|' + r.name;
    return out;
}

void setNumber(TF_bhcl& w, int row, const QString& number)
{
    w.Table1.setRecNo(row + 1);
    w.Table1.edit();
    w.Table1.fieldByName(u"修改后编号"_s).setValue(number);
}

} // namespace

class TestTF_bhcl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ExchangeFixture> fx;
    std::unique_ptr<TF_kfq> kfq;
    bool confirmedAtClose = false;

    // Runs "数据入库" on the delivery; `act` plays the user in the renumbering window.
    void import(const std::function<void(TF_bhcl&)>& act)
    {
        fx->fake.setNextFileName(fx->deliveryChoice());
        fx->fake.setModalHandler([this, act](QWidget* window) {
            auto* w = qobject_cast<TF_bhcl*>(window);
            QVERIFY(w);
            QVERIFY(w->isVisible());
            act(*w);
            confirmedAtClose = ImportConfirmed;
            QVERIFY2(!w->isVisible(), "the renumbering window was left open");
        });
        kfq->button(u"数据入库"_s)->click();
    }
    static void press(TF_bhcl& w) { w.Button1->click(); }

private Q_SLOTS:
    void initTestCase() { installFontSubstitutes(); }
    void init()
    {
        fx = std::make_unique<ExchangeFixture>();
        windowRegistry().add<TF_bhcl>(&F_bhcl);
        kfq = std::make_unique<TF_kfq>();
        confirmedAtClose = false;
    }
    void cleanup()
    {
        if (QTest::currentTestFailed()) qInfo() << fx->fake.messages();
        kfq.reset(); // the renumbering window goes with it
        windowRegistry().remove(u"TF_bhcl"_s);
        fx.reset();
    }

    void layoutAndDialog();
    void onlySecondColumnTakesTyping();
    void typingRowByRow();
    void allNewConfirmsAtFirstPress();
    void sameNumberAndCodeUpdates();
    void clashListedThenRenumbered();
    void typedNumberIsAValue();
    void mergeStoppedStillRemovesUploads();
    void leaving_data();
    void leaving();
    void chooserCancelled();
    void unreadableDelivery();
    void paradoxDelivery();
    void screenshot();
};

void TestTF_bhcl::layoutAndDialog()
{
    ExchangeFixture::deliverEnterprise(u"000003"_s, u"丙公司"_s, u"30000000-3"_s);
    kfq->show();
    import([](TF_bhcl& w) {
        QCOMPARE(w.windowTitle(), u"编号处理"_s);
    QCOMPARE(w.Label1->text(), firstLine);
    QCOMPARE(w.Label2->text(), secondLine);
    QVERIFY(w.Label2->font().bold() && w.Label2->font().italic());
    QCOMPARE(w.DBGrid1->columnCount(), 4);
    const QStringList titles = { u"原报表编号"_s, u"修改后编号"_s, u"法人代码"_s, u"企业名称"_s };
    for (int c = 0; c < 4; ++c)
        QCOMPARE(w.DBGrid1->columnTitle(c), titles[c]);
    QCOMPARE(w.Button1->text(), u"检查报表编号并执行数据入库"_s);
    QCOMPARE(w.Button2->text(), u"返回"_s);
    QVERIFY(w.Button1->isEnabled());
    QVERIFY(w.ProgressBar1->isVisible());
    QCOMPARE(listed(w), QStringList { u"000003|000003|30000000-3|丙公司"_s });
    w.Button2->click();
});
const auto chooser = fx->fake.eventsOf(FakeServices::Kind::OpenFile);
QCOMPARE(chooser.size(), 1);
QCOMPARE(chooser[0].title, u"请选择上报企业数据的磁盘目录"_s);
QCOMPARE(chooser[0].dialog.filter(), u"kfq_1.dbf|kfq_1.db"_s);
QCOMPARE(chooser[0].dialog.fileName, QString());
QCOMPARE(fx->fake.eventsOf(FakeServices::Kind::Modal).value(0).title, u"编号处理"_s);
// Every later use of the shared dialog offers tables again.
QCOMPARE(sharedComponents().OpenDialog1.filter(), u"*.db;*.dbf|*.db;*.dbf"_s);
QCOMPARE(sharedComponents().OpenDialog1.fileName, QString());
QCOMPARE(kfq->PageControl1->currentIndex(), 0);
QCOMPARE(kfq->ActiveTable, &kfq->Table1);
}

void TestTF_bhcl::onlySecondColumnTakesTyping()
{
    ExchangeFixture::deliverEnterprise(u"000003"_s, u"丙公司"_s, u"30000000-3"_s);
    kfq->show();
    import([](TF_bhcl& w) {
        DbGrid* g = w.DBGrid1;
    g->setFocus();
    for (int c : { 0, 2, 3 }) {
        g->setCurrentIndex(g->model()->index(0, c));
        QTest::keyClicks(g, u"9"_s);
        QVERIFY2(!w.Table1.isEditing(), qPrintable(QString::number(c)));
    }
    QTest::keyClick(g, Qt::Key_Insert);
    QTest::keyClick(g, Qt::Key_Down);
    QCOMPARE(w.Table1.state(), store::DatasetState::Browse);
    QCOMPARE(w.Table1.recordCount(), 1);
    // A row appended some other way is refused as well.
    QVERIFY(!guarded([&] { w.Table1.append(); }));
    QCOMPARE(w.Table1.state(), store::DatasetState::Browse);
    g->setCurrentIndex(g->model()->index(0, 1));
    QTest::keyClicks(g, u"9"_s);
    QVERIFY(w.Table1.isEditing());
    w.Button2->click();
});
QVERIFY(!confirmedAtClose);
}

void TestTF_bhcl::typingRowByRow()
{
    // The user types each new number, Enter, and goes down to the next row.
    for (const QString& n : { u"000001"_s, u"000002"_s, u"000003"_s })
        ExchangeFixture::deliverEnterprise(n, u"公司"_s + n, n + u"-9"_s);
    kfq->show();
    import([](TF_bhcl& w) {
        DbGrid* g = w.DBGrid1;
    for (const QString& n : { u"000901"_s, u"000902"_s, u"000903"_s }) {
        QTest::keyClick(g, n[0].toLatin1());
        auto* editor = qobject_cast<QLineEdit*>(g->indexWidget(g->currentIndex()));
        QVERIFY(editor);
        QTest::keyClicks(editor, n.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClick(g, Qt::Key_Down); // the last row's Down adds no row
    }
    QCOMPARE(w.Table1.recordCount(), 3);
    press(w); // stores the last row's edit first
});
QVERIFY(confirmedAtClose);
QCOMPARE(ExchangeFixture::column(u"select qa01 || '|' || qa03 from \"kfq_1.db\" order by qa01"_s),
    (QStringList { u"000901|000001-9"_s, u"000902|000002-9"_s, u"000903|000003-9"_s }));
}

void TestTF_bhcl::allNewConfirmsAtFirstPress()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    EntryFixture::addProduct(u"000001"_s, u"1"_s);
    ExchangeFixture::deliverEnterprise(u"000003"_s, u"丙公司"_s, u"30000000-3"_s);
    ExchangeFixture::deliverEnterprise(u"000004"_s, u"丁公司"_s, u"40000000-4"_s);
    ExchangeFixture::deliverProduct(u"000003"_s, u"1"_s);
    ExchangeFixture::deliverProduct(u"000003"_s, u"2"_s);
    ExchangeFixture::deliverProject(u"000004"_s, u"1"_s);
    kfq->show();
    import([](TF_bhcl& w) { press(w);
});
QCOMPARE(fx->fake.exceptions(), QStringList());
QVERIFY(confirmedAtClose);
QCOMPARE(ExchangeFixture::column(u"select qa01 from \"kfq_1.db\" order by qa01"_s),
    (QStringList { u"000001"_s, u"000003"_s, u"000004"_s }));
QCOMPARE(ExchangeFixture::column(u"select id from \"kfq_2.db\" order by id"_s),
    (QStringList { u"000001_1"_s, u"000003_1"_s, u"000003_2"_s }));
QCOMPARE(ExchangeFixture::column(u"select id from \"kfq_5.db\""_s), QStringList { u"000004_1"_s });
QVERIFY(!ExchangeFixture::anyUploadLeft());
QCOMPARE(kfq->Table1.recordCount(), 3);
QVERIFY(!kfq->StatusBar1->isProgressShown());
}

void TestTF_bhcl::sameNumberAndCodeUpdates()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    ExchangeFixture::deliverEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s); // qc02 7
    kfq->show();
    import([](TF_bhcl& w) { press(w);
});
QVERIFY(confirmedAtClose);
QCOMPARE(ExchangeFixture::column(u"select qa01 || '|' || qc02 from \"kfq_1.db\""_s),
    QStringList { u"000001|7.0"_s });
}

void TestTF_bhcl::clashListedThenRenumbered()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    EntryFixture::addProduct(u"000001"_s, u"1"_s);
    ExchangeFixture::deliverEnterprise(u"000001"_s, u"乙公司"_s, u"20000000-2"_s);
    ExchangeFixture::deliverEnterprise(u"000002"_s, u"丙公司"_s, u"30000000-3"_s);
    ExchangeFixture::deliverProduct(u"000001"_s, u"1"_s);
    ExchangeFixture::deliverProduct(u"000001"_s, u"2"_s);
    ExchangeFixture::deliverProject(u"000001"_s, u"1"_s);
    kfq->show();
    import([](TF_bhcl& w) {
        press(w);
    QVERIFY(w.isVisible());
    QCOMPARE(w.Label1->text(), clashLine);
    QCOMPARE(w.Label2->text(), u"请在第二栏修改报表编号"_s);
    QCOMPARE(listed(w), QStringList { u"000001|000001|20000000-2|乙公司"_s });
    QCOMPARE(w.DataSource1.dataSet(), &w.Table1);
    setNumber(w, 0, u"000101"_s);
    w.Table1.post();
    press(w);
});
QCOMPARE(fx->fake.exceptions(), QStringList());
QVERIFY(confirmedAtClose);
QCOMPARE(ExchangeFixture::column(u"select qa01 || '|' || qa04 from \"kfq_1.db\" order by qa01"_s),
    (QStringList { u"000001|甲公司"_s, u"000002|丙公司"_s, u"000101|乙公司"_s }));
// The products and the project followed their enterprise; the stored ones stayed.
QCOMPARE(ExchangeFixture::column(u"select id from \"kfq_2.db\" order by id"_s),
    (QStringList { u"000001_1"_s, u"000101_1"_s, u"000101_2"_s }));
QCOMPARE(ExchangeFixture::column(u"select id || '|' || qa01 from \"kfq_5.db\""_s),
    QStringList { u"000101_1|000101"_s });
QVERIFY(!ExchangeFixture::anyUploadLeft());
}

void TestTF_bhcl::typedNumberIsAValue()
{
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    ExchangeFixture::deliverEnterprise(u"000001"_s, u"乙公司"_s, u"20000000-2"_s);
    ExchangeFixture::deliverProduct(u"000001"_s, u"1"_s);
    const QString number = u"\"中'x"_s;
    kfq->show();
    import([&](TF_bhcl& w) {
        press(w);
    // A number that does not fit is refused with a message, and nothing changes.
    QVERIFY(!guarded([&] { setNumber(w, 0, u"中文编号"_s); }));
    w.Table1.cancel();
    // The pending edit is stored by the button itself.
    setNumber(w, 0, number);
    press(w);
});
QCOMPARE(fx->fake.exceptions().size(), 1);
QVERIFY(confirmedAtClose);
QCOMPARE(
    ExchangeFixture::column(u"select qa01 from \"kfq_1.db\" where qa04='乙公司'"_s), QStringList { number });
QCOMPARE(ExchangeFixture::column(u"select id from \"kfq_2.db\""_s), QStringList { number + u"_1"_s });
}

void TestTF_bhcl::mergeStoppedStillRemovesUploads()
{
    // The check compares numbers and codes only; a name the office already has stops the merge.
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    ExchangeFixture::deliverEnterprise(u"000002"_s, u"甲公司"_s, u"20000000-2"_s);
    ExchangeFixture::deliverProduct(u"000002"_s, u"1"_s);
    kfq->show();
    import([](TF_bhcl& w) { press(w);
});
QVERIFY(confirmedAtClose);
QCOMPARE(fx->fake.exceptions(), QStringList { u"企业数据错误:企业名称重复,请退出系统查检查重复记录"_s });
QCOMPARE(ExchangeFixture::column(u"select count(*) from \"kfq_2.db\""_s), QStringList { u"0"_s });
QVERIFY(!ExchangeFixture::anyUploadLeft());
QCOMPARE(kfq->ActiveTable, &kfq->Table1);
QVERIFY(!kfq->BulkMode);
QCOMPARE(sharedComponents().OpenDialog1.filter(), u"*.db;*.dbf|*.db;*.dbf"_s);
}

void TestTF_bhcl::leaving_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("checkedFirst"); // the button found a clash before
    QTest::newRow("返回 on the delivered list") << u"button"_s << false;
    QTest::newRow("返回 after a clash list") << u"button"_s << true;
    QTest::newRow("close box") << u"close"_s << false;
    QTest::newRow("Escape") << u"escape"_s << true;
}

void TestTF_bhcl::leaving()
{
    QFETCH(QString, how);
    QFETCH(bool, checkedFirst);
    EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
    ExchangeFixture::deliverEnterprise(u"000001"_s, u"乙公司"_s, u"20000000-2"_s);
    ExchangeFixture::deliverEnterprise(u"000002"_s, u"丙公司"_s, u"30000000-3"_s);
    kfq->show();
    import([&](TF_bhcl& w) {
        if (checkedFirst) {
            press(w);
    // Renumbered to a clean number, but never checked again.
    setNumber(w, 0, u"000101"_s);
    w.Table1.post();
}
if (how == u"button"_s)
    w.Button2->click();
else if (how == u"close"_s)
    w.close();
else
    QTest::keyClick(&w, Qt::Key_Escape);
});
QVERIFY(!confirmedAtClose);
QVERIFY(!ImportConfirmed);
QCOMPARE(ExchangeFixture::column(u"select qa01 || '|' || qa04 from \"kfq_1.db\""_s),
    QStringList { u"000001|甲公司"_s });
QVERIFY(!ExchangeFixture::anyUploadLeft());
QVERIFY(!F_bhcl->Table1.isOpen());
}

void TestTF_bhcl::chooserCancelled()
{
    kfq->show();
    kfq->PageControl1->setCurrentIndex(2);
    kfq->button(u"数据入库"_s)->click();
    QVERIFY(fx->fake.eventsOf(FakeServices::Kind::Modal).isEmpty());
    QCOMPARE(sharedComponents().OpenDialog1.filter(), u"*.db;*.dbf|*.db;*.dbf"_s);
    QCOMPARE(kfq->PageControl1->currentIndex(), 0);
}

void TestTF_bhcl::unreadableDelivery()
{
    ExchangeFixture::deliverEnterprise(u"000003"_s, u"丙公司"_s, u"30000000-3"_s);
    kfq->show();
    // An earlier opening left its list behind.
    import([](TF_bhcl& w) { w.Button2->click();
});
QVERIFY(QFile::remove(u"in/kfq_5.db"_s));
    import([](TF_bhcl& w) {
        QVERIFY2(w.Label1->text().contains(u"kfq_5.db"_s), qPrintable(w.Label1->text()));
    QVERIFY(w.Label1->text().contains(u"不能执行数据入库"_s));
    QVERIFY(!w.Button1->isEnabled());
    QVERIFY(!w.isPrepared());
    QCOMPARE(w.Table1.recordCount(), 0);
    w.Button1Click(); // even when reached past the disabled button
    QVERIFY(w.isVisible());
    w.close();
    });
    QCOMPARE(fx->fake.exceptions(), QStringList());
    QCOMPARE(ExchangeFixture::column(u"select count(*) from \"kfq_1.db\""_s), QStringList { u"0"_s });
    QVERIFY(!ExchangeFixture::anyUploadLeft());
    }

    void TestTF_bhcl::paradoxDelivery()
    {
#ifdef PX_FIXTURE_GEN
        EntryFixture::addEnterprise(u"000007"_s, u"甲公司"_s, u"10000000-1"_s);
        fx->deliverParadox({ u"000007|丙公司|30000000-3"_s, u"000008|丁公司|40000000-4"_s });
        if (QTest::currentTestFailed()) return;
        kfq->show();
    import([](TF_bhcl& w) {
        press(w);
    QCOMPARE(listed(w), QStringList { u"000007|000007|30000000-3|丙公司"_s });
    setNumber(w, 0, u"000017"_s);
    press(w);
    });
    QCOMPARE(fx->fake.exceptions(), QStringList());
    QVERIFY(confirmedAtClose);
    QCOMPARE(ExchangeFixture::column(
                 u"select qa01 || '|' || qa04 || '|' || ifnull(qc02, '-') from \"kfq_1.db\" order by qa01"_s),
        (QStringList { u"000007|甲公司|-"_s, u"000008|丁公司|9.0"_s, u"000017|丙公司|9.0"_s }));
    QCOMPARE(ExchangeFixture::column(u"select id || '|' || qe02 from \"kfq_2.db\" order by id"_s),
        (QStringList { u"000008_1|老产品"_s, u"000017_1|老产品"_s }));
    QVERIFY(!ExchangeFixture::anyUploadLeft());
    // The delivery itself is left as it came.
    QCOMPARE(store::formatOf(u"in/kfq_1.db"_s), store::TableFormat::Paradox);
#else
        QSKIP("pxlib fixture generator not built");
#endif
    }

    void TestTF_bhcl::screenshot()
    {
        // With VELTO_SCREENSHOT_DIR set, the window is written there to be looked at.
        EntryFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
        ExchangeFixture::deliverEnterprise(u"000001"_s, u"乙公司科技发展有限责任公司"_s, u"20000000-2"_s);
        ExchangeFixture::deliverEnterprise(u"000002"_s, u"丙公司"_s, u"30000000-3"_s);
        kfq->show();
        const QString out = qEnvironmentVariable("VELTO_SCREENSHOT_DIR");
    import([&](TF_bhcl& w) {
        const QPixmap first = w.grab();
    QVERIFY(!first.isNull());
    press(w);
    const QPixmap clash = w.grab();
    if (!out.isEmpty()) {
        first.save(QDir(out).filePath(u"bhcl_list.png"_s));
        clash.save(QDir(out).filePath(u"bhcl_clash.png"_s));
    }
    w.Button2->click();
    });
    }

    QTEST_MAIN(TestTF_bhcl)
#include "tst_TF_bhcl.moc"
