#include "FakeServices.h"
#include "QueryFixture.h"
#include "WorkDir.h"
#include "entry/LocateDialogs.h"
#include "query/TF_query.h"
#include "query/TF_query_p.h"
#include "shell/DemoData.h"
#include "shell/WorkDirSetup.h"
#include "widgets/AppState.h"
#include "widgets/DbGrid.h"
#include "widgets/Fonts.h"
#include "widgets/RadioGroup.h"
#include "widgets/SharedComponents.h"
#include "widgets/WindowRegistry.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

int rowOf(const QListWidget* list, const QString& text)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == text) return i;
    return -1;
}

void tick(QListWidget* list, const QString& text)
{
    const int row = rowOf(list, text);
    QVERIFY2(row >= 0, qPrintable(text));
    list->item(row)->setCheckState(Qt::Checked);
}

void pick(QListWidget* list, const QString& text)
{
    const int row = rowOf(list, text);
    QVERIFY2(row >= 0, qPrintable(text));
    list->setCurrentRow(row);
}

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// A second dictionary for code 3, so a change of kind shows in the lists.
void makeOutOfZoneCatalogue()
{
    fixture::makeDictionary(u"kfq_oz.db"_s,
        { { u"kfq_1.db a"_s, u"a.QA01"_s, u"C"_s, u"报表编号"_s },
            { u"kfq_1.db a"_s, u"a.QB03"_s, u"C"_s, u"行业代码"_s } });
    store::Query q;
    q.setSql(u"update \"query_db.db\" set db_name = \"kfq_oz.db\" where id = 3"_s);
    q.execSql();
}

} // namespace

class TestTF_query : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void buildsListsFromTheDictionary();
    void workedExampleThroughTheControls();
    void statistics();
    void statisticsWithNothingTickedRunsNothing();
    void conditionGroups();
    void sortList();
    void valueMode();
    void rebuildRules();
    void missingCatalogueRow();
    void failingStatementLeavesMemoAndEmptyGrid();
    void directSqlAndTranspose();
    void saveOffersSpreadsheets();
    void printCopiesAndShowsThePrintWindow();
    void gridDoubleClickOpensColumnDialog();

private:
    std::unique_ptr<WorkDir> m_dir;
    std::unique_ptr<FakeServices> m_services;
    std::unique_ptr<SharedComponents> m_shared;
    std::unique_ptr<TF_query> m_w;
    QString m_demoDir;
    QTemporaryDir m_template;
};

void TestTF_query::initTestCase()
{
    installFontSubstitutes();
    // One working directory with demo returns, copied for each case.
    WorkDir dir;
    WorkDirSetup().run();
    DemoData({ .enterprises = 12, .mistakePercent = 0 }).run();
    for (const QString& f : QDir().entryList(QDir::Files))
        QFile::copy(f, m_template.filePath(f));
    QDir(m_template.path()).mkdir(u"bak"_s);
    QDir(m_template.path()).mkdir(u"tmp"_s);
}

void TestTF_query::cleanupTestCase() { }

void TestTF_query::init()
{
    resetAppState();
    m_dir = std::make_unique<WorkDir>();
    for (const QString& f : QDir(m_template.path()).entryList(QDir::Files))
        QFile::copy(m_template.filePath(f), f);
    m_services = std::make_unique<FakeServices>();
    m_shared = std::make_unique<SharedComponents>();
    windowRegistry().clear();
    windowRegistry().add<TF_query_p>(&F_query_p);
    m_w = std::make_unique<TF_query>();
    ReportKind = 1;
    m_w->FormActivate();
}

void TestTF_query::cleanup()
{
    m_w.reset();
    windowRegistry().clear();
    m_shared.reset();
    m_services.reset();
    m_dir.reset();
}

void TestTF_query::buildsListsFromTheDictionary()
{
    TF_query& w = *m_w;
    QCOMPARE(w.windowTitle(), u"国家高新技术产业开发区企业统计报表查询统计"_s);
    QCOMPARE(w.ListBox1->count(), w.fields().conditionFields.size());
    QCOMPARE(texts(w.CheckListBox1), texts(w.ListBox1));
    QCOMPARE(w.ListBox1->item(0)->text(), u"报表编号"_s);
    QCOMPARE(w.ListBox1->currentRow(), 0);
    QVERIFY(rowOf(w.CheckListBox2, u"总收入"_s) >= 0);
    QVERIFY(rowOf(w.CheckListBox2, u"企业数"_s) >= 0); // a counter: only totalled
    QCOMPARE(rowOf(w.ListBox1, u"企业数"_s), -1);
    QVERIFY(rowOf(w.CheckListBox3, u"行业代码"_s) >= 0);
    QCOMPARE(rowOf(w.CheckListBox3, u"总收入"_s), -1);
    QCOMPARE(texts(w.CheckListBox4),
        QStringList({ u"\"kfq_1.db\" a"_s, u"\"kfq_2.db\" b"_s, u"\"kfq_5.db\" c"_s }));
    QVERIFY(w.Button13->isEnabled());
    QVERIFY(!w.Button16->isEnabled());
    QVERIFY(!w.Button18->isEnabled());
    QCOMPARE(w.PageControl1->currentWidget(), w.TabSheet1);
    QVERIFY(GridCharWidth > 0);
    QCOMPARE(w.ListBox4->count(), 11);
    QCOMPARE(w.ListBox4->item(10)->text(), u"like '%匹配字符%'"_s);
}

void TestTF_query::workedExampleThroughTheControls()
{
    TF_query& w = *m_w;
    tick(w.CheckListBox1, u"企业详细名称"_s);
    tick(w.CheckListBox1, u"产品名称"_s);
    pick(w.ListBox1, u"总收入"_s);
    w.ListBox1DblClick();
    pick(w.ListBox4, u">="_s);
    w.ListBox4DblClick();
    w.Edit1->setText(w.Edit1->text() + u"5000"_s);
    QCOMPARE(w.Edit1->text(), u"a.QC05 >= 5000"_s);
    QCOMPARE(w.Edit2->text(), u"\"kfq_1.db\" a"_s);
    w.AddCondition(w.ListBox2);
    pick(w.CheckListBox1, u"企业详细名称"_s);
    w.Button7Click();
    w.Button12Click();
    QCOMPARE(w.Memo1->toPlainText().split(u'\n'),
        QStringList({ u"select a.QA04 企业详细名称"_s, u",b.QE02 产品名称"_s,
            u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s, u" where(a.QA01=b.QA01)"_s, u" and (a.QC05 >= 5000)"_s,
            u" order by 企业详细名称"_s }));
    QVERIFY(w.Query1.isOpen());
    QCOMPARE(w.Query1.fieldDefs()[0].name, u"企业详细名称"_s);
    QCOMPARE(w.DBGrid1->columnTitle(1), u"产品名称"_s);
    QAbstractItemModelTester tester(w.DBGrid1->model());
    QCOMPARE(w.DBGrid1->model()->rowCount(), w.Query1.recordCount());
    QCOMPARE(w.PageControl1->currentWidget(), w.TabSheet2);
    QVERIFY(w.Button16->isEnabled());
    QVERIFY(w.Button18->isEnabled());
}

void TestTF_query::statistics()
{
    TF_query& w = *m_w;
    tick(w.CheckListBox2, u"总收入"_s);
    tick(w.CheckListBox2, u"全年产品产值"_s);
    tick(w.CheckListBox3, u"行业代码"_s);
    w.Button13Click();
    QCOMPARE(w.Memo1->toPlainText().split(u'\n'),
        QStringList({ u"select a.QB03 行业代码"_s, u",sum("_s, u"a.QC05) 总收入合计"_s,
            u",sum(b.QE14) 全年产品产值合计"_s, u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
            u" where(a.QA01=b.QA01)"_s, u" group by a.QB03"_s }));
    QCOMPARE(w.Query1.fieldDefs()[1].name, u"总收入合计"_s);

    // The totals agree with the same figures summed row by row.
    double products = 0;
    for (const QVariantList& row : fixture::rowsOf(u"kfq_2.db"_s))
        products += row[14].toDouble();
    double total = 0;
    for (int r = 0; r < w.Query1.recordCount(); ++r)
        total += w.Query1.valueAt(r, 2).toDouble();
    QCOMPARE(qRound64(total * 100), qRound64(products * 100));
}

void TestTF_query::statisticsWithNothingTickedRunsNothing()
{
    TF_query& w = *m_w;
    w.Button12Click();
    const QString previous = w.Memo1->toPlainText();
    QVERIFY(w.Query1.isOpen());
    tick(w.CheckListBox3, u"行业代码"_s);
    w.PageControl1->setCurrentWidget(w.TabSheet1);
    w.Button13Click();
    QVERIFY(!w.Query1.isOpen());
    QVERIFY(w.Query1.sql().isEmpty());
    QCOMPARE(w.Memo1->toPlainText(), previous);
    QCOMPARE(w.DBGrid1->model()->rowCount(), 0);
    // Not an empty grid without a word: the user learns what to tick, on the page to tick it.
    QCOMPARE(w.PageControl1->currentWidget(), w.TabSheet1);
    QCOMPARE(m_services->messages().size(), 1);
    QVERIFY(m_services->messages().first().contains(u"选择统计字段"_s));
}

void TestTF_query::conditionGroups()
{
    TF_query& w = *m_w;
    w.Edit1->clear();
    w.AddCondition(w.ListBox2); // nothing to add
    QCOMPARE(w.ListBox2->count(), 0);

    w.Edit1->setText(u"a.QC05 > 1"_s);
    w.Edit2->setText(u"\"kfq_1.db\" a"_s);
    w.AddCondition(w.ListBox2);
    QCOMPARE(w.Edit1->text(), u"a.QC05 > 1"_s); // not cleared
    w.Edit1->setText(u"b.QE14 > 0"_s);
    w.Edit2->setText(u"\"kfq_2.db\" b"_s);
    w.AddCondition(w.ListBox2);
    w.Edit1->setText(u"c.Qh51 > 0"_s);
    w.Edit2->setText(u"\"kfq_5.db\" c"_s);
    w.AddCondition(w.ListBox2);

    w.ListBox2->setCurrentRow(0);
    w.DeleteCondition(w.ListBox2);
    QCOMPARE(w.ListBox2->currentRow(), 0);
    const QueryChoices c = w.choices();
    QCOMPARE(c.andGroup.size(), 2);
    QCOMPARE(c.andGroup[0], (QueryCondition { u"b.QE14 > 0"_s, u"\"kfq_2.db\" b"_s }));
    QCOMPARE(c.andGroup[1], (QueryCondition { u"c.Qh51 > 0"_s, u"\"kfq_5.db\" c"_s }));
    w.ListBox2->setCurrentRow(1);
    w.DeleteCondition(w.ListBox2);
    QCOMPARE(w.ListBox2->currentRow(), 0); // the last entry

    // The or-group works the same way; the combiner joins the two groups.
    w.Edit1->setText(u"a.QB03 = \"6311\""_s);
    w.Edit2->setText(u"\"kfq_1.db\" a"_s);
    w.AddCondition(w.ListBox3);
    w.RadioGroup2->setItemIndex(1);
    tick(w.CheckListBox1, u"报表编号"_s);
    w.Button12Click();
    const QStringList lines = w.Memo1->toPlainText().split(u'\n');
    QCOMPARE(lines,
        QStringList({ u"select a.QA01 报表编号"_s, u" from \"kfq_1.db\" a,\"kfq_2.db\" b"_s,
            u" where(a.QA01=b.QA01)"_s, u" and ((b.QE14 > 0)"_s, u" or "_s, u"(a.QB03 = \"6311\"))"_s }));
}

void TestTF_query::sortList()
{
    TF_query& w = *m_w;
    pick(w.CheckListBox1, u"总收入"_s);
    QCOMPARE(w.CheckListBox1->currentItem()->checkState(), Qt::Unchecked);
    w.Button7Click();
    w.Button7Click(); // the same caption may be added twice
    QCOMPARE(w.CheckListBox1->currentItem()->checkState(), Qt::Checked);
    QCOMPARE(texts(w.CheckListBox5), QStringList({ u"总收入"_s, u"总收入"_s }));
    w.CheckListBox5->setCurrentRow(0);
    w.CheckListBox5->currentItem()->setCheckState(Qt::Checked);
    w.Button12Click();
    QVERIFY(w.Memo1->toPlainText().endsWith(u" order by 总收入\n desc\n,总收入"_s));
    QVERIFY(w.Query1.recordCount() > 1);
    QVERIFY(w.Query1.valueAt(0, 0).toDouble() >= w.Query1.valueAt(1, 0).toDouble());

    w.CheckListBox5->setCurrentRow(1);
    w.Button8Click();
    w.Button8Click();
    QCOMPARE(w.CheckListBox5->count(), 0);
    w.Button8Click(); // empty: nothing happens
}

void TestTF_query::valueMode()
{
    TF_query& w = *m_w;
    pick(w.ListBox1, u"行业代码"_s);
    const int fieldRow = w.ListBox1->currentRow();
    w.RadioGroup1->setItemIndex(1);
    QVERIFY(w.valueMode());
    QCOMPARE(w.GroupBox1->title(), u"字段值"_s);
    const QList<QVariantList> rows = fixture::rowsOf(u"kfq_1.db"_s);
    QCOMPARE(w.ListBox1->count(), rows.size()); // duplicates stay
    QVERIFY(w.ListBox1->item(0)->text().startsWith(u'"'));
    w.Edit1->setText(u"a.QB03 = "_s);
    w.ListBox1->setCurrentRow(0);
    w.ListBox1DblClick();
    QCOMPARE(w.Edit1->text(), u"a.QB03 = "_s + w.ListBox1->item(0)->text() + u' ');

    w.RadioGroup1->setItemIndex(0);
    QVERIFY(!w.valueMode());
    QCOMPARE(w.GroupBox1->title(), u"字段名"_s);
    QCOMPARE(texts(w.ListBox1), texts(w.CheckListBox1));
    QCOMPARE(w.ListBox1->currentRow(), fieldRow);

    // Numbers are listed as they are.
    pick(w.ListBox1, u"总收入"_s);
    w.RadioGroup1->setItemIndex(1);
    QVERIFY(!w.ListBox1->item(0)->text().startsWith(u'"'));
}

void TestTF_query::rebuildRules()
{
    makeOutOfZoneCatalogue();
    TF_query& w = *m_w;
    tick(w.CheckListBox1, u"企业详细名称"_s);
    pick(w.CheckListBox1, u"总收入"_s);
    w.Button7Click();
    w.Edit1->setText(u"a.QC05 > 0"_s);
    w.Edit2->setText(u"\"kfq_1.db\" a"_s);
    w.AddCondition(w.ListBox2);
    w.Button12Click();
    const QString memo = w.Memo1->toPlainText();

    // The same kind again: every choice stays.
    w.FormActivate();
    QCOMPARE(w.CheckListBox5->count(), 1);
    QCOMPARE(w.CheckListBox1->item(rowOf(w.CheckListBox1, u"企业详细名称"_s))->checkState(), Qt::Checked);

    // Another kind, while the field list shows values: lists and ticks go, conditions stay.
    pick(w.ListBox1, u"行业代码"_s);
    w.RadioGroup1->setItemIndex(1);
    ReportKind = 3;
    w.FormActivate();
    QCOMPARE(w.builtFor(), 3);
    QCOMPARE(w.windowTitle(), u"区外高新技术企业统计报表查询统计"_s);
    QVERIFY(!w.valueMode());
    QCOMPARE(w.RadioGroup1->itemIndex(), 0);
    QCOMPARE(texts(w.ListBox1), QStringList({ u"报表编号"_s, u"行业代码"_s }));
    QCOMPARE(w.CheckListBox2->count(), 0);
    QVERIFY(!w.Button13->isEnabled()); // no statistics field
    QCOMPARE(w.CheckListBox5->count(), 0);
    QCOMPARE(w.ListBox2->count(), 1);
    QCOMPARE(w.Edit1->text(), u"a.QC05 > 0"_s);
    QCOMPARE(w.Edit2->text(), u"\"kfq_1.db\" a"_s);
    QCOMPARE(w.Memo1->toPlainText(), memo);
    QVERIFY(w.Button16->isEnabled());
    QVERIFY(w.Query1.isOpen());
    // Each caption still goes with its own field.
    w.ListBox1->setCurrentRow(1);
    w.ListBox1DblClick();
    QCOMPARE(w.Edit1->text(), u"a.QC05 > 0a.QB03 "_s);
}

void TestTF_query::missingCatalogueRow()
{
    TF_query& w = *m_w;
    ReportKind = 5;
    QVERIFY(!guarded([&] { w.FormActivate(); }));
    QCOMPARE(m_services->exceptions().size(), 1);
    QCOMPARE(w.ListBox1->count(), 0);
    QVERIFY(!w.Button13->isEnabled());
}

void TestTF_query::failingStatementLeavesMemoAndEmptyGrid()
{
    TF_query& w = *m_w;
    w.Button12Click();
    QVERIFY(w.DBGrid1->model()->rowCount() > 0);
    w.Edit1->setText(u"a.NOSUCH > 1"_s);
    w.AddCondition(w.ListBox2);
    w.PageControl1->setCurrentWidget(w.TabSheet1);
    QVERIFY(!guarded([&] { w.Button12Click(); }));
    QCOMPARE(m_services->exceptions().size(), 1);
    QVERIFY(w.Memo1->toPlainText().contains(u"a.NOSUCH > 1"_s));
    QVERIFY(!w.Query1.isOpen());
    QCOMPARE(w.DBGrid1->model()->rowCount(), 0);
    QCOMPARE(w.PageControl1->currentWidget(), w.TabSheet1);
}

void TestTF_query::directSqlAndTranspose()
{
    TF_query& w = *m_w;
    w.Memo1->setPlainText(
        u"select QA01, QB03, QC05 from \"kfq_1.db\"\n where QA01 <= \"000002\" order by QA01"_s);
    w.Button15Click();
    QVERIFY(w.Button16->isEnabled());
    QCOMPARE(w.Query1.recordCount(), 2);
    w.Button16Click();
    QCOMPARE(w.Query1.sqlText(), u"Select * from hljh.db"_s);
    QCOMPARE(w.Query1.recordCount(), 3);
    QCOMPARE(w.Query1.fieldCount(), 3);
    QCOMPARE(w.DBGrid1->columnTitle(2), u"字段2"_s);
    QCOMPARE(w.Query1.valueAt(0, 1).toString(), u"000001"_s);
}

void TestTF_query::saveOffersSpreadsheets()
{
    TF_query& w = *m_w;
    tick(w.CheckListBox1, u"报表编号"_s);
    tick(w.CheckListBox1, u"总收入"_s);
    w.Button12Click();
    m_services->setNextFileName(m_dir->filePath(u"answer.xlsx"_s));
    w.Button18Click();
    QVERIFY(QFile::exists(u"answer.xlsx"_s));
    const auto saves = m_services->eventsOf(FakeServices::Kind::SaveFile);
    QCOMPARE(saves.size(), 1);
    QCOMPARE(saves[0].title, u"请选择存盘文件名"_s);
    QStringList types;
    for (const FileFilter& f : saves[0].dialog.filters)
        types << f.label;
    QCOMPARE(types, QStringList({ u"*.db"_s, u"*.dbf"_s, u"*.txt"_s, u"*.xlsx"_s, u"*.csv"_s }));

    // The grid's headings and widths make the table.
    w.DBGrid1->setColumnTitle(0, u"编号"_s);
    w.DBGrid1->setColumnPixelWidth(0, int(20 * GridCharWidth) + 1);
    m_services->setNextFileName(u"answer.db"_s);
    w.Button18Click();
    store::Table t;
    t.setTableName(u"answer.db"_s);
    t.open();
    QCOMPARE(t.fieldDefs()[0].name, u"编号"_s);
    QCOMPARE(t.fieldDefs()[0].size, 20);
    QCOMPARE(t.recordCount(), w.Query1.recordCount());

    m_services->setNextFileName(QString()); // cancelled: nothing written
    QFile::remove(u"answer.db"_s);
    w.Button18Click();
    QVERIFY(!QFile::exists(u"answer.db"_s));
}

void TestTF_query::printCopiesAndShowsThePrintWindow()
{
    TF_query& w = *m_w;
    tick(w.CheckListBox1, u"报表编号"_s);
    tick(w.CheckListBox1, u"企业详细名称"_s);
    w.Button12Click();
    w.Button17Click();
    QCOMPARE(fixture::rowsOf(u"query_p.db"_s).size(), w.Query1.recordCount());
    const QList<QVariantList> heads = fixture::rowsOf(u"bt_p.db"_s);
    QCOMPARE(heads.size(), 2);
    QCOMPARE(heads[0][0].toString(), u"报表编号"_s);
    QCOMPARE(m_services->eventsOf(FakeServices::Kind::Modeless).size(), 1);
    QVERIFY(F_query_p);
    QVERIFY(F_query_p->Table1.isOpen());
    QVERIFY(F_query_p->renderer().pageCount() >= 1);

    // Again while the print window is open: the copy is made afresh and shown.
    tick(w.CheckListBox1, u"总收入"_s);
    w.Button12Click();
    w.Button17Click();
    QCOMPARE(fixture::rowsOf(u"bt_p.db"_s).size(), 3);
    QVERIFY(F_query_p->Table1.isOpen());
    QCOMPARE(F_query_p->Table1.fieldCount(), 3);
    QCOMPARE(m_services->exceptions(), QStringList());
}

void TestTF_query::gridDoubleClickOpensColumnDialog()
{
    TF_query& w = *m_w;
    // Without the dialog registered nothing happens.
    w.Button12Click();
    w.DBGrid1->setSelectedColumn(1);
    w.DBGrid1DblClick();
    QCOMPARE(m_services->eventsOf(FakeServices::Kind::Modal).size(), 0);
    windowRegistry().add<TF_change_c>(&F_change_c);
    w.DBGrid1DblClick();
    const auto shown = m_services->eventsOf(FakeServices::Kind::Modal);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].window.data(), static_cast<QWidget*>(F_change_c));
    QCOMPARE(F_change_c->Edit1->text(), w.DBGrid1->columnTitle(1));
}

QTEST_MAIN(TestTF_query)
#include "tst_TF_query.moc"
