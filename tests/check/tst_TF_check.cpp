#include "FakeServices.h"
#include "PdfText.h"
#include "WorkDir.h"
#include "check/TF_check.h"
#include "check/TF_check_p.h"
#include "shell/DemoData.h"
#include "shell/WorkDirSetup.h"
#include "store/Query.h"
#include "widgets/AppState.h"
#include "widgets/DataSource.h"
#include "widgets/DbGrid.h"
#include "widgets/WindowRegistry.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void exec(const QString& sql)
{
    store::Query q;
    q.setSql(sql);
    q.execSql();
}

// What an entry window saw of the locate request when it was shown.
struct Shown
{
    QString window;
    QString caption;
    bool locateOnOpen = false;
    QString field;
    QString value;
    QString value2;
};

} // namespace

class TestTF_check : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void preparesOnOpeningAndKeepsStateUntilClosed();
    void runFillsTheGrid();
    void openingTheFailingRecord_data();
    void openingTheFailingRecord();
    void okRowOpensWithEmptyValue();
    void secondKeyForParksAndIncubators_data();
    void secondKeyForParksAndIncubators();
    void kindWithoutEntryWindowOpensNothing();
    void failedOpeningClosesOnce();
    void printoutToPdf();
    void printingTwiceKeepsOneTitleRow();
    void previewGoesThroughServices();

private:
    void registerEntryWindow(const QString& className);

    std::unique_ptr<WorkDir> m_dir;
    std::unique_ptr<FakeServices> m_services;
    std::unique_ptr<TF_check> m_window;
    QList<Shown> m_shown;
    DemoData::Result m_demo;
};

// One working directory for every case (laying it out and filling it takes a while);
// each case takes out the catalogue rows the others added.
void TestTF_check::initTestCase()
{
    m_dir = std::make_unique<WorkDir>();
    DemoData::Options options;
    options.enterprises = 150;
    options.mistakePercent = 40;
    m_demo = DemoData(options).run();
    exec(u"create table \"empty.db\" (code char(10))"_s);
    exec(
        u"create table \"ok_chk.db\" (status char(10), field_value char(80), field_text char(80), field_name char(80))"_s);
    exec(u"insert into \"ok_chk.db\" values ('错误','code is not null','编号不能为空','code')"_s);
}

void TestTF_check::init()
{
    resetAppState();
    exec(u"delete from check_db.DB where kind<>1 and kind<>3"_s);
    m_services = std::make_unique<FakeServices>();
    m_shown.clear();
    windowRegistry().clear();
    windowRegistry().add<TF_check_p>(&F_check_p);
    m_services->setModalHandler([this](QWidget* w) {
        m_shown.append(
            { w->objectName(), w->windowTitle(), LocateOnOpen, LocateField, LocateValue, LocateValue2 });
    });
    ReportKind = 1;
    m_window = std::make_unique<TF_check>();
}

void TestTF_check::cleanup()
{
    delete F_check_p;
    m_window.reset();
    windowRegistry().clear();
    m_services.reset();
}

// A stand-in for an entry window: only what it sees when shown matters here.
void TestTF_check::registerEntryWindow(const QString& className)
{
    windowRegistry().add(className, [className](QWidget* parent) {
        auto* w = new QWidget(parent, Qt::Window);
        w->setObjectName(className);
        return w;
    });
}

void TestTF_check::preparesOnOpeningAndKeepsStateUntilClosed()
{
    m_window->FormActivate();
    QCOMPARE(m_window->windowTitle(), u"国家高新技术产业开发区企业统计报表校验"_s);
    QVERIFY(m_window->Table1.isOpen());
    QCOMPARE(m_window->Table1.tableName(), u"kfq_r.db"_s);
    QStringList titles;
    for (int c = 0; c < m_window->DBGrid1->columnCount(); ++c)
        titles.append(m_window->DBGrid1->columnTitle(c));
    QCOMPARE(
        titles, (QStringList { u"状态"_s, u"序号"_s, u"编号"_s, u"字段名"_s, u"字段值"_s, u"错误信息"_s }));
    QVERIFY(m_window->DBGrid1->isReadOnly());
    QCOMPARE(m_window->ProgressBar1->maximum(), 100);

    // Activated again without closing: still prepared for the first kind.
    ReportKind = 3;
    m_window->FormActivate();
    QCOMPARE(m_window->windowTitle(), u"国家高新技术产业开发区企业统计报表校验"_s);
    m_window->Button5Click();
    QVERIFY(!m_window->Table1.isOpen());
    QVERIFY(!m_window->checkRun().isPrepared());
    m_window->FormActivate();
    QCOMPARE(m_window->windowTitle(), u"区外高新技术企业统计报表校验"_s);
    QVERIFY(m_services->exceptions().isEmpty());
}

void TestTF_check::runFillsTheGrid()
{
    m_window->FormActivate();
    QAbstractItemModelTester tester(m_window->DBGrid1->datasetModel());
    QTest::mouseClick(m_window->Button1, Qt::LeftButton);
    QVERIFY2(m_services->exceptions().isEmpty(), qPrintable(m_services->exceptions().join(u'\n')));
    QCOMPARE(m_window->Table1.recordCount(), m_demo.mistakes.size());
    QCOMPARE(m_window->DBGrid1->model()->rowCount(), m_demo.mistakes.size());
    QCOMPARE(m_window->Table1.recNo(), 1);
    QCOMPARE(m_window->ProgressBar1->value(), 0);
}

void TestTF_check::openingTheFailingRecord_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::newRow("zone enterprises") << 1 << u"高新区企业"_s;
    QTest::newRow("out-of-zone enterprises") << 3 << u"区外企业"_s;
}

void TestTF_check::openingTheFailingRecord()
{
    QFETCH(int, kind);
    QFETCH(QString, caption);
    registerEntryWindow(u"TF_kfq"_s);
    ReportKind = kind;
    m_window->FormActivate();
    m_window->Button1Click();
    m_window->Table1.setRecNo(3);
    const QString number = m_window->Table1.fieldByName(u"编号"_s).asString();
    QVERIFY(!number.isEmpty());
    LocateValue2 = u"stale"_s;

    // The double click on a cell of the grid and the button do the same.
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QModelIndex cell = m_window->DBGrid1->model()->index(2, 4);
    m_window->DBGrid1->setCurrentIndex(cell);
    const QPoint at = m_window->DBGrid1->visualRect(cell).center();
    QTest::mouseClick(m_window->DBGrid1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(m_window->DBGrid1->viewport(), Qt::LeftButton, {}, at);
    m_window->Button4Click();
    QCOMPARE(m_shown.size(), 2);
    for (const Shown& s : m_shown) {
        QCOMPARE(s.window, u"TF_kfq"_s);
        QCOMPARE(s.caption, caption);
        QVERIFY(s.locateOnOpen);
        QCOMPARE(s.field, u"qa01"_s);
        QCOMPARE(s.value, number);
        QVERIFY(s.value2.isEmpty());
    }
    // Afterwards the results are as they were.
    QCOMPARE(m_window->Table1.recNo(), 3);
}

void TestTF_check::okRowOpensWithEmptyValue()
{
    registerEntryWindow(u"TF_tsjd"_s);
    exec(
        u"insert into check_db.DB (kind,check_name,db_name,field_name,check_result,text1) values (10,'ok_chk.db','empty.db\"','code','kfq_r.db','基地校验')"_s);
    ReportKind = 10;
    m_window->FormActivate();
    m_window->Button1Click();
    QCOMPARE(m_window->Table1.recordCount(), 1);
    QCOMPARE(m_window->Table1.fieldByName(u"状态"_s).asString(), u"OK"_s);
    LocateValue = u"old"_s;
    m_window->DBGrid1DblClick();
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].caption, u"特色产业基地情况"_s);
    QCOMPARE(m_shown[0].field, u"code"_s);
    QVERIFY(m_shown[0].locateOnOpen);
    QVERIFY(m_shown[0].value.isEmpty());
}

void TestTF_check::secondKeyForParksAndIncubators_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("code2");
    QTest::newRow("incubator with second key") << 9 << u"TF_fhq"_s << u"07"_s;
    QTest::newRow("incubator without") << 9 << u"TF_fhq"_s << QString();
    QTest::newRow("science park") << 8 << u"TF_dxkjy"_s << u"3"_s;
    QTest::newRow("venture investment ignores code2") << 6 << u"TF_tzjg"_s << QString();
}

void TestTF_check::secondKeyForParksAndIncubators()
{
    QFETCH(int, kind);
    QFETCH(QString, window);
    QFETCH(QString, code2);
    registerEntryWindow(window);
    exec(
        u"insert into check_db.DB (kind,check_name,db_name,field_name,check_result,text1) values (%1,'r.db','x.db\"','code','res9.db','校验')"_s
            .arg(kind));
    QFile::remove(u"res9.db"_s);
    exec(
        u"create table \"res9.db\" (编号 char(10), 字段值 char(10), code2 char(4), 字段名 char(10), 错误信息 char(80), 状态 char(4), 序号 char(10))"_s);
    exec(u"insert into res9.db (编号,code2,状态) values ('A1',"_s
        + (code2.isEmpty() ? u"null"_s : u"'"_s + code2 + u"'"_s) + u",'错误')"_s);
    exec(u"insert into res9.db (编号,code2,状态) values ('A2','99','错误')"_s);
    ReportKind = kind;
    m_window->FormActivate();
    m_window->DBGrid1DblClick();
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].window, window);
    QCOMPARE(m_shown[0].field, u"code"_s);
    QCOMPARE(m_shown[0].value, u"A1"_s);
    QCOMPARE(m_shown[0].value2, kind == 6 ? QString() : code2);
}

void TestTF_check::kindWithoutEntryWindowOpensNothing()
{
    exec(
        u"insert into check_db.DB (kind,check_name,db_name,field_name,check_result,text1) values (4,'r.db','x.db\"','jb00','kfq_r.db','项目校验')"_s);
    exec(u"delete from kfq_r.db"_s);
    exec(u"insert into kfq_r.db (编号,状态) values ('P1','错误')"_s);
    ReportKind = 4;
    m_window->FormActivate();
    m_window->DBGrid1DblClick();
    QVERIFY(m_shown.isEmpty());
    QVERIFY(LocateOnOpen);
    QCOMPARE(LocateField, u"jb00"_s);
    QCOMPARE(LocateValue, u"P1"_s);
    QVERIFY(m_services->messages().isEmpty());
}

// A kind without catalogue rows cannot be prepared: the window says so once and closes,
// and the activation that follows the message does not try again.
void TestTF_check::failedOpeningClosesOnce()
{
    ReportKind = 6;
    m_window->show();
    QCOMPARE(m_services->exceptions().size(), 1);
    QEvent activation(QEvent::WindowActivate);
    QCoreApplication::sendEvent(m_window.get(), &activation);
    QCoreApplication::processEvents();
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_services->exceptions().size(), 1);
    // Shown again for a kind it knows, it prepares as usual.
    ReportKind = 1;
    m_window->show();
    QVERIFY(m_window->Table1.isOpen());
    QCOMPARE(m_services->exceptions().size(), 1);
}

void TestTF_check::printoutToPdf()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    m_window->FormActivate();
    m_window->Button1Click();
    const int rows = m_window->Table1.recordCount();
    QVERIFY(rows > 50); // enough for a second page
    m_window->Table1.first();
    const QString firstNumber = m_window->Table1.fieldByName(u"编号"_s).asString();
    const QString firstMessage = m_window->Table1.fieldByName(u"错误信息"_s).asString();
    m_window->Table1.last();
    const QString lastNumber = m_window->Table1.fieldByName(u"编号"_s).asString();

    auto* print = qobject_cast<TF_check_p*>(windowRegistry().window(u"TF_check_p"_s));
    QVERIFY(print);
    const QString pdf = m_dir->filePath(u"check.pdf"_s);
    print->printToFile = pdf;
    m_window->Button3Click();
    QVERIFY(m_services->exceptions().isEmpty());
    QVERIFY(!print->Table1.isOpen());
    QCOMPARE(print->Table1.tableName(), u"kfq_r.db"_s);

    // With VELTO_SCREENSHOT_DIR set the printout is kept there to be looked at.
    if (const QString keep = qEnvironmentVariable("VELTO_SCREENSHOT_DIR"); !keep.isEmpty())
        QFile::copy(pdf, QDir(keep).filePath(u"check.pdf"_s));
    const QString first = printed::text(pdf, 1);
    QVERIFY(first.contains(u"校验表"_s));
    QVERIFY(first.contains(u"国家高新技术产业开发区企业统计报表校验"_s));
    QVERIFY(first.contains(firstNumber));
    QVERIFY(first.contains(firstMessage.left(8)));
    const int pages = printed::pages(pdf);
    QVERIFY(pages >= 2);
    const QString last = printed::text(pdf, pages);
    QVERIFY(last.contains(lastNumber));
    QVERIFY(!last.contains(u"校验表"_s)); // the title band is on the first page only
    for (const QString& page : { first, last }) {
        const QStringList heads { u"序号"_s, u"状态"_s, u"编号"_s, u"字段名"_s, u"字段值"_s, u"错误信息"_s };
        qsizetype at = -1;
        for (const QString& h : heads) {
            const qsizetype next = page.indexOf(h, at + 1);
            QVERIFY2(next > at, qPrintable(h + u'\n' + page));
            at = next;
        }
        QVERIFY(page.contains(QString::number(page == first ? 1 : pages)));
    }
}

void TestTF_check::printingTwiceKeepsOneTitleRow()
{
    auto* print = qobject_cast<TF_check_p*>(windowRegistry().window(u"TF_check_p"_s));
    print->printToFile = m_dir->filePath(u"a.pdf"_s);
    m_window->FormActivate();
    m_window->Button3Click();
    m_window->Button5Click();
    ReportKind = 3;
    m_window->FormActivate();
    m_window->Button3Click();
    QVERIFY(m_services->exceptions().isEmpty());
    store::Table title;
    title.setTableName(u"check_pt.db"_s);
    title.open();
    QCOMPARE(title.recordCount(), 1);
    QCOMPARE(title.fieldByName(u"Text"_s).asString(), u"区外高新技术企业统计报表校验"_s);
    QCOMPARE(print->printout().title(), u"区外高新技术企业统计报表校验"_s);
}

void TestTF_check::previewGoesThroughServices()
{
    m_window->FormActivate();
    m_window->Button1Click();
    QList<QPixmap> pages;
    m_services->setModalHandler([&](QWidget* w) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
        QVERIFY(preview);
        preview->resize(800, 1000);
        preview->show();
        QCoreApplication::processEvents();
        pages.append(preview->grab());
        preview->close();
    });
    m_window->Button2Click();
    QCOMPARE(m_services->eventsOf(FakeServices::Kind::Modal).size(), 1);
    QCOMPARE(pages.size(), 1);
    if (const QString shot = qEnvironmentVariable("VELTO_SCREENSHOT_DIR"); !shot.isEmpty()) {
        pages[0].save(shot + u"/check_preview.png"_s);
        m_window->resize(760, 520);
        m_window->show();
        QCoreApplication::processEvents();
        m_window->grab().save(shot + u"/check_window.png"_s);
    }
    QVERIFY(!F_check_p->Table1.isOpen());
    QVERIFY(!F_check_p->Table2.isOpen());
    QVERIFY(m_window->Table1.isOpen());
    QCOMPARE(m_window->DataSource1->dataSet(), &m_window->Table1);
}

QTEST_MAIN(TestTF_check)
#include "tst_TF_check.moc"
