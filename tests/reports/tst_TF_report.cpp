#include "FakeServices.h"
#include "PdfText.h"
#include "ReportFixture.h"
#include "WorkDir.h"
#include "reports/TF_report.h"
#include "shell/WorkDirSetup.h"
#include "widgets/AppState.h"
#include "widgets/Services.h"

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestTF_report : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void ticksByKind_data();
    void ticksByKind();
    void ticksKeptForTheSameKindRebuiltForAnother();
    void doubleClickTogglesAndClearAllUnticks();
    void printsTickedItemsInListOrder();
    void nothingTickedPrintsNothing();
    void withoutPrinterSaysSo();
    void previewsOneAfterAnotherAndSavesPdf();
    void storeErrorStopsTheRemainingItems();

private:
    QList<int> tickedRows() const;
    int rowOf(const QString& reportP) const;

    std::unique_ptr<WorkDir> m_dir;
    std::unique_ptr<FakeServices> m_services;
    std::unique_ptr<TF_report> m_window;
};

void TestTF_report::init()
{
    resetAppState();
    m_dir = std::make_unique<WorkDir>();
    WorkDirSetup().run();
    fixture::makeEnterprises();
    fixture::makeDetails();
    m_services = std::make_unique<FakeServices>();
    ReportKind = 1;
    m_window = std::make_unique<TF_report>();
}

void TestTF_report::cleanup()
{
    m_window.reset();
    m_services.reset();
    m_dir.reset();
}

QList<int> TestTF_report::tickedRows() const
{
    QList<int> rows;
    const QList<bool> ticks = m_window->ticks();
    for (int r = 0; r < int(ticks.size()); ++r)
        if (ticks[r]) rows.append(r);
    return rows;
}

int TestTF_report::rowOf(const QString& reportP) const
{
    const QList<ReportItem> items = m_window->items();
    for (int r = 0; r < int(items.size()); ++r)
        if (items[r].reportP == reportP) return r;
    return -1;
}

void TestTF_report::ticksByKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("ticksOf");
    QTest::newRow("zone enterprises") << 1 << 1;
    QTest::newRow("out-of-zone enterprises take the ticks of 1") << 3 << 1;
    QTest::newRow("national projects") << 4 << 4;
    QTest::newRow("unreported reasons") << 5 << 5;
    QTest::newRow("zone comprehensive: nothing ticked") << 2 << 2;
}

void TestTF_report::ticksByKind()
{
    QFETCH(int, kind);
    QFETCH(int, ticksOf);
    ReportKind = kind;
    m_window->FormActivate();
    const QList<ReportItem> items = fixture::readItems();
    QCOMPARE(m_window->CheckListBox1->count(), items.size()); // every item, whatever its kind
    QList<int> expected;
    for (int r = 0; r < int(items.size()); ++r) {
        QCOMPARE(m_window->CheckListBox1->item(r)->text(), items[r].name);
        if (items[r].kind == ticksOf) expected.append(r);
    }
    QCOMPARE(tickedRows(), expected);
}

void TestTF_report::ticksKeptForTheSameKindRebuiltForAnother()
{
    m_window->FormActivate();
    const QList<int> defaults = tickedRows();
    QVERIFY(!defaults.isEmpty());
    m_window->setTicked(defaults.first(), false);
    m_window->setTicked(rowOf(u"gjwsb"_s), true);
    const QList<int> chosen = tickedRows();
    ReportKind = 3; // the same list as 1
    m_window->FormActivate();
    QCOMPARE(tickedRows(), chosen);
    ReportKind = 4;
    m_window->FormActivate();
    QCOMPARE(tickedRows(), (QList<int> { rowOf(u"gjhz"_s), rowOf(u"gjxm_r.db"_s) }));
    ReportKind = 1;
    m_window->FormActivate();
    QCOMPARE(tickedRows(), defaults);
}

void TestTF_report::doubleClickTogglesAndClearAllUnticks()
{
    m_window->FormActivate();
    const int row = rowOf(u"gjhz"_s);
    QVERIFY(!m_window->ticks()[row]);
    m_window->CheckListBox1DblClick(m_window->CheckListBox1->item(row));
    QVERIFY(m_window->ticks()[row]);
    m_window->CheckListBox1DblClick(m_window->CheckListBox1->item(row));
    QVERIFY(!m_window->ticks()[row]);
    m_window->ToolButton1Click();
    QVERIFY(tickedRows().isEmpty());
}

void TestTF_report::printsTickedItemsInListOrder()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    m_window->FormActivate();
    m_window->ToolButton1Click();
    // Ticked in the other order; printed in the order of the list.
    m_window->setTicked(rowOf(u"fwqy"_s), true);
    m_window->setTicked(rowOf(u"dqy"_s), true);
    QVERIFY(rowOf(u"dqy"_s) < rowOf(u"fwqy"_s));
    m_window->printToFile = m_dir->filePath(u"two.pdf"_s);
    m_window->ToolButton2->click();
    QVERIFY(m_services->exceptions().isEmpty());
    QCOMPARE(printed::pages(m_window->printToFile), 2);
    QVERIFY(printed::text(m_window->printToFile, 1).contains(u"亿元以上清单"_s));
    QVERIFY(printed::text(m_window->printToFile, 2).contains(u"高技术服务业企业"_s));
}

void TestTF_report::nothingTickedPrintsNothing()
{
    m_window->FormActivate();
    m_window->ToolButton1Click();
    m_window->printToFile = m_dir->filePath(u"none.pdf"_s);
    m_window->ToolButton2->click();
    m_window->ToolButton3->click();
    QVERIFY(m_services->events().isEmpty());
    QVERIFY(!QFile::exists(m_window->printToFile));
}

void TestTF_report::withoutPrinterSaysSo()
{
    if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("a printer is installed here");
    m_window->FormActivate();
    m_window->ToolButton2->click();
    QCOMPARE(m_services->messages(), QStringList { noPrinterText() });
    QVERIFY(!QFile::exists(u"qyhz.db"_s)); // nothing was prepared either
}

void TestTF_report::previewsOneAfterAnotherAndSavesPdf()
{
    m_window->FormActivate();
    m_window->ToolButton1Click();
    m_window->setTicked(rowOf(u"shqy"_s), true);
    m_window->setTicked(rowOf(u"kfqhz"_s), true);
    const QString saved = m_dir->filePath(u"preview.pdf"_s);
    QStringList shown;
    m_services->setModalHandler([&](QWidget* w) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
        QVERIFY(preview);
        shown.append(preview->printer()->docName());
        if (shown.size() == 1) {
            auto* save = preview->findChild<QAction*>(u"savePdf"_s);
            QVERIFY(save);
            m_services->setNextFileName(saved);
            save->trigger();
        }
    });
    m_window->ToolButton3->click();
    QVERIFY(m_services->exceptions().isEmpty());
    QCOMPARE(
        shown, (QStringList { u"2012年高新技术产业开发区（区外）企业汇总表"_s, u"2012年上市企业清单"_s }));
    QVERIFY(QFile::exists(saved));
    if (!QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QVERIFY(printed::text(saved).contains(u"企业汇总表"_s));
    QVERIFY(!m_window->printer().qyhz().Table1.isOpen());
}

void TestTF_report::storeErrorStopsTheRemainingItems()
{
    m_window->FormActivate();
    m_window->ToolButton1Click();
    QFile::remove(u"gjxm.db"_s);
    m_window->setTicked(rowOf(u"gjhz"_s), true);
    m_window->setTicked(rowOf(u"gjwsb"_s), true);
    int previews = 0;
    m_services->setModalHandler([&](QWidget*) { ++previews; });
    m_window->ToolButton3->click();
    QCOMPARE(previews, 0);
    QCOMPARE(m_services->exceptions().size(), 1);
    QVERIFY2(m_services->exceptions().first().contains(u"gjxm.db"_s),
        qPrintable(m_services->exceptions().first()));
}

QTEST_MAIN(TestTF_report)
#include "tst_TF_report.moc"
