#include "FakeServices.h"
#include "QueryFixture.h"
#include "WorkDir.h"
#include "query/TF_bt_p.h"
#include "query/TF_query_p.h"
#include "widgets/Fonts.h"
#include "widgets/WindowRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

int pdfPages(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression page(u"/Type\\s*/Page(?![a-zA-Z])"_s);
    return int(QString::fromLatin1(f.readAll()).count(page));
}

} // namespace

class TestTF_query_p : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { installFontSubstitutes(); }
    void init();
    void cleanup();

    void activationReadsTheDefaults();
    void paging();
    void printing();
    void columnHeadDialog();
    void missingPrintCopy();
    void closeReleasesTheCopy();

private:
    std::unique_ptr<WorkDir> m_dir;
    std::unique_ptr<FakeServices> m_services;
    std::unique_ptr<TF_query_p> m_w;
};

void TestTF_query_p::init()
{
    m_dir = std::make_unique<WorkDir>();
    fixture::makePrintCopy(200, u"企业"_s, 2.0);
    fixture::makeTable(u"bt2_p.db"_s,
        { fixture::text(u"标题文字"_s, 100), { u"标题对齐"_s, store::FieldType::Integer, 0, 0 },
            { u"标题字号"_s, store::FieldType::Integer, 0, 0 },
            { u"正文字号"_s, store::FieldType::Integer, 0, 0 } },
        { { u"企业收入一览"_s, 2, 14, 9 } });
    m_services = std::make_unique<FakeServices>();
    windowRegistry().clear();
    windowRegistry().add<TF_bt_p>(&F_bt_p);
    m_w = std::make_unique<TF_query_p>();
    m_w->renderer().printer().setOutputFormat(QPrinter::PdfFormat);
    m_w->renderer().printer().setOutputFileName(m_dir->filePath(u"out.pdf"_s));
    m_w->FormActivate();
}

void TestTF_query_p::cleanup()
{
    m_w.reset();
    windowRegistry().clear();
    m_services.reset();
    m_dir.reset();
}

void TestTF_query_p::activationReadsTheDefaults()
{
    TF_query_p& w = *m_w;
    QCOMPARE(w.windowTitle(), u"F_query_p"_s);
    QCOMPARE(w.Edit1->text(), u"企业收入一览"_s);
    QCOMPARE(w.ComboBox3->currentText(), u"右"_s);
    QCOMPARE(w.ComboBox2->currentText(), u"14"_s);
    QCOMPARE(w.ComboBox5->currentText(), u"9"_s);
    QCOMPARE(w.ComboBox1->currentText(), u"宋体"_s);
    QCOMPARE(w.ComboBox4->currentText(), u"宋体"_s);
    QCOMPARE(w.ComboBox2->count(), 127);
    QVERIFY(!w.CheckBox1->isChecked());
    QVERIFY(w.CheckBox2->isChecked());
    QVERIFY(w.CheckBox3->isChecked());
    QVERIFY(w.renderer().pageCount() >= 2);
    QCOMPARE(w.Edit3->text(), u"1"_s);
    QCOMPARE(w.Edit4->text(), QString::number(w.renderer().pageCount()));
    QCOMPARE(w.Edit2->text(), u"1"_s);
    QVERIFY(!w.Image1->pixmap().isNull());
    QCOMPARE(w.Image1->pixmap().size(), w.renderer().preview().size());

    // What is typed in the window returns to the stored defaults on the next activation.
    w.Edit1->setText(u"别的标题"_s);
    w.ComboBox5->setCurrentIndex(20);
    w.Button5Click();
    w.FormActivate();
    QCOMPARE(w.Edit1->text(), u"企业收入一览"_s);
    QCOMPARE(w.ComboBox5->currentText(), u"9"_s);
    QCOMPARE(w.renderer().currentPage(), 0);
}

void TestTF_query_p::paging()
{
    TF_query_p& w = *m_w;
    const int pages = w.renderer().pageCount();
    w.Button4Click(); // already on the first page
    QCOMPARE(w.renderer().currentPage(), 0);
    w.Button5Click();
    QCOMPARE(w.Edit2->text(), u"2"_s);
    w.Edit2->setText(QString::number(pages));
    w.Edit2KeyEnter();
    QCOMPARE(w.renderer().currentPage(), pages - 1);
    w.Button5Click(); // no page after the last
    QCOMPARE(w.renderer().currentPage(), pages - 1);
    w.Edit2->setText(QString::number(pages + 1));
    w.Edit2KeyEnter();
    QCOMPARE(w.renderer().currentPage(), pages - 1);
    w.Edit2->setText(u"x"_s);
    QVERIFY(!guarded([&] { w.Edit2KeyEnter(); }));
    QCOMPARE(m_services->exceptions().size(), 1);

    // A larger body font: a new layout with more pages, back on page 1.
    w.ComboBox5->setCurrentIndex(24);
    w.ComboBox5Change();
    QVERIFY(w.renderer().pageCount() > pages);
    QCOMPARE(w.renderer().currentPage(), 0);
    // "固定左列" lays the table out again with field 0 on every page.
    w.CheckBox1->setChecked(true);
    w.CheckBox1Click();
    QCOMPARE(w.renderer().pageTable().pages()[0].firstColumn, 1);
}

void TestTF_query_p::printing()
{
    TF_query_p& w = *m_w;
    const QString pdf = m_dir->filePath(u"out.pdf"_s);
    w.Edit3->setText(u"二"_s);
    QVERIFY(!guarded([&] { w.Button6Click(); }));
    QCOMPARE(m_services->exceptions().size(), 1);
    QVERIFY(!QFile::exists(pdf));

    w.Edit3->setText(u"1"_s);
    w.Edit4->setText(QString::number(w.renderer().pageCount() + 1));
    w.Button6Click();
    QVERIFY(!QFile::exists(pdf));

    w.Edit3->setText(u"2"_s);
    w.Edit4->setText(u"2"_s);
    w.Button6Click();
    QCOMPARE(pdfPages(pdf), 1);
    QCOMPARE(w.renderer().currentPage(), 1);

    // Without a printer the button says so, as the validation printout does.
    if (!QPrinterInfo::availablePrinters().isEmpty()) return;
    w.renderer().printer().setOutputFileName(QString());
    w.Button6Click();
    QCOMPARE(m_services->messages().last(), noPrinterText());
}

void TestTF_query_p::columnHeadDialog()
{
    TF_query_p& w = *m_w;
    const int before = w.renderer().pageTable().pages()[0].x[1];
    m_services->setModalHandler([](QWidget* window) {
        auto* dialog = qobject_cast<TF_bt_p*>(window);
        QVERIFY(dialog);
        QVERIFY(dialog->Table1.isOpen());
        QCOMPARE(dialog->windowTitle(), u"F_bt_p"_s);
        dialog->Table1.first();
        dialog->Table1.edit();
        dialog->Table1.fieldByName(u"列宽度"_s).setValue(30);
        dialog->accept(); // stores the row and closes the table
        QVERIFY(!dialog->Table1.isOpen());
    });
    w.Button1Click();
    QCOMPARE(m_services->eventsOf(FakeServices::Kind::Modal).size(), 1);
    QCOMPARE(fixture::rowsOf(u"bt_p.db"_s)[0][1].toInt(), 30);
    QVERIFY(w.renderer().pageTable().pages()[0].x[1] > before);
}

void TestTF_query_p::missingPrintCopy()
{
    m_w->releaseRows();
    QVERIFY(store::removeTableFiles(store::resolveTablePath(u"query_p.db"_s)));
    QVERIFY(!guarded([&] { m_w->FormActivate(); }));
    QCOMPARE(m_services->exceptions().size(), 1);
}

void TestTF_query_p::closeReleasesTheCopy()
{
    m_w->show();
    QVERIFY(m_w->Table1.isOpen());
    m_w->close();
    QVERIFY(!m_w->Table1.isOpen());
}

QTEST_MAIN(TestTF_query_p)
#include "tst_TF_query_p.moc"
