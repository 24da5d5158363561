#include "FakeServices.h"
#include "WorkDir.h"
#include "store/Table.h"
#include "widgets/DataSource.h"
#include "widgets/DbEdit.h"
#include "widgets/DbGrid.h"
#include "widgets/FieldInput.h"
#include "widgets/ScrollPage.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValidator>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A small table: a six-byte text, a float and a date.
void makeTable(int rows)
{
    store::TableSchema s;
    s.fields = { { u"id"_s, store::FieldType::Text, 6, 0 }, { u"amount"_s, store::FieldType::Float, 0, 0 },
        { u"day"_s, store::FieldType::Date, 0, 0 } };
    s.indexes = { { QString(), { u"id"_s }, true, true, false } };
    store::Table::createTable(u"t.db"_s, s);
    store::Table t;
    t.setTableName(u"t.db"_s);
    t.open();
    for (int i = 1; i <= rows; ++i) {
        t.append();
        t.setValue(0, QString::number(i));
        t.setValue(1, i * 1.5);
        t.post();
    }
}

} // namespace

class TestDbWidgets : public QObject
{
    Q_OBJECT

    std::unique_ptr<WorkDir> dir;
    std::unique_ptr<FakeServices> fake;
    std::unique_ptr<store::Table> table;
    std::unique_ptr<DataSource> source;

    void openTable(int rows)
    {
        makeTable(rows);
        table = std::make_unique<store::Table>();
        table->setTableName(u"t.db"_s);
        table->open();
        source = std::make_unique<DataSource>();
        source->setDataSet(table.get());
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<WorkDir>();
        fake = std::make_unique<FakeServices>();
    }
    void cleanup()
    {
        source.reset();
        table.reset();
        fake.reset();
        dir.reset();
    }

    void inputMask_data();
    void inputMask();
    void fieldInput_data();
    void fieldInput();
    void typingStartsInsertOnEmptyTable();
    void typingEditsCurrentRow();
    void maskedFieldTakesTypingWhereverFocusArrives_data();
    void maskedFieldTakesTypingWhereverFocusArrives();
    void editFollowsMoves();
    void focusedFieldScrolledIntoView();
    void modelShowsInsertedRow();
    void gridEditsCell();
    void gridAppendsBelowLastRow();
    void readOnlyGrid();
    void cutCellShowsWholeTextAsToolTip();
    void readOnlyColumnWithoutAppend();
};

void TestDbWidgets::inputMask_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("qt");
    QTest::newRow("six digits") << u"000000;1;_"_s << u"999999;_"_s;
    QTest::newRow("optional digits") << u"999999;1;_"_s << u"000000;_"_s;
    QTest::newRow("organisation code") << u">AAAAAAAA-A;1;_"_s << u">NNNNNNNN-N;_"_s;
    QTest::newRow("letters, blank character") << u"LLl;0; "_s << u"AAa; "_s;
    QTest::newRow("literal that Qt reads as a class") << u"0H0"_s << u"9\\H9;_"_s;
    QTest::newRow("none") << QString() << QString();
}

void TestDbWidgets::inputMask()
{
    QFETCH(QString, stored);
    QFETCH(QString, qt);
    QCOMPARE(qtInputMask(stored), qt);
}

void TestDbWidgets::fieldInput_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    const int text = int(store::FieldType::Text);
    const int real = int(store::FieldType::Float);
    QTest::newRow("text within size") << text << 6 << u"123456"_s << true;
    QTest::newRow("text one byte over") << text << 6 << u"1234567"_s << false;
    QTest::newRow("three Chinese characters are six bytes") << text << 6 << u"中文字"_s << true;
    QTest::newRow("Chinese over the size") << text << 6 << u"中文字x"_s << false;
    QTest::newRow("number") << real << 0 << u"-12.5"_s << true;
    QTest::newRow("letters in a number") << real << 0 << u"12a"_s << false;
}

void TestDbWidgets::fieldInput()
{
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QLineEdit edit;
    applyFieldInput(&edit, store::FieldDef { u"f"_s, store::FieldType(type), size, 0 }, QString());
    QVERIFY(edit.validator());
    int pos = 0;
    QString t = text;
    QCOMPARE(edit.validator()->validate(t, pos) != QValidator::Invalid, accepted);
}

void TestDbWidgets::typingStartsInsertOnEmptyTable()
{
    openTable(0);
    DbEdit edit;
    edit.setDataSource(source.get());
    edit.setDataField(u"id"_s);
    QCOMPARE(edit.maxLength(), 6);
    QTest::keyClicks(&edit, u"A1"_s);
    QCOMPARE(table->state(), store::DatasetState::Insert);
    QCOMPARE(edit.text(), u"A1"_s);
    QCOMPARE(table->value(0).toString(), u"A1"_s);
    table->post();
    QCOMPARE(table->recordCount(), 1);
}

void TestDbWidgets::typingEditsCurrentRow()
{
    openTable(2);
    DbEdit amount;
    amount.setDataSource(source.get());
    amount.setDataField(u"amount"_s);
    QCOMPARE(amount.text(), u"1.5"_s);
    amount.selectAll();
    QTest::keyClicks(&amount, u"7"_s);
    QCOMPARE(table->state(), store::DatasetState::Edit);
    QCOMPARE(table->value(1), QVariant(7.0));
    // Escape gives the stored value back.
    QTest::keyClick(&amount, Qt::Key_Escape);
    QCOMPARE(table->state(), store::DatasetState::Browse);
    QCOMPARE(amount.text(), u"1.5"_s);
}

void TestDbWidgets::maskedFieldTakesTypingWhereverFocusArrives_data()
{
    QTest::addColumn<QString>("arrival");
    QTest::newRow("new row, focus set by the program") << u"insert"_s;
    QTest::newRow("new row while the field has the focus") << u"insert-in-field"_s;
    QTest::newRow("Tab from the field before") << u"tab"_s;
    QTest::newRow("click behind the blanks") << u"click"_s;
}

void TestDbWidgets::maskedFieldTakesTypingWhereverFocusArrives()
{
    QFETCH(QString, arrival);
    openTable(1);
    table->setEditMask(0, u"000000;1;_"_s);
    QWidget window;
    auto* before = new DbEdit(&window);
    before->setDataSource(source.get());
    before->setDataField(u"amount"_s);
    auto* masked = new DbEdit(&window);
    masked->setDataSource(source.get());
    masked->setDataField(u"id"_s);
    masked->move(0, 40);
    QWidget::setTabOrder(before, masked);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    if (arrival == "insert"_L1) {
        before->setFocus();
        table->append();
        masked->setFocus();
    } else if (arrival == "insert-in-field"_L1) {
        masked->setFocus();
        table->append();
    } else if (arrival == "tab"_L1) {
        table->append();
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab);
    } else {
        table->append();
        before->setFocus();
        QTest::mouseClick(masked, Qt::LeftButton, {}, QPoint(masked->width() - 4, masked->height() / 2));
    }
    QTRY_VERIFY(masked->hasFocus());
    QTest::keyClicks(masked, u"123456"_s);
    QCOMPARE(table->value(0).toString(), u"123456"_s);
}

void TestDbWidgets::focusedFieldScrolledIntoView()
{
    QWidget window;
    window.resize(320, 220);
    auto* layout = new QVBoxLayout(&window);
    auto* outside = new QLineEdit(&window);
    layout->addWidget(outside);
    auto* page = new ScrollPage(&window);
    auto* inner = new QWidget;
    auto* rows = new QVBoxLayout(inner);
    QList<QLineEdit*> fields;
    for (int i = 0; i < 40; ++i)
        rows->addWidget(fields.emplace_back(new QLineEdit(inner)));
    page->setWidget(inner);
    layout->addWidget(page);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto inView = [page](QWidget* w) {
        const QRect r(w->mapTo(page->viewport(), QPoint(0, 0)), w->size());
        return page->viewport()->rect().contains(r);
    };

    // Focus set by the program, and focus moved on as Enter does it (from the window).
    QVERIFY(!inView(fields[30]));
    fields[30]->setFocus();
    QTRY_VERIFY(inView(fields[30]));
    fields[30]->nextInFocusChain()->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(fields[31]->hasFocus());
    QVERIFY(inView(fields[31]));

    // Shown again (another record, another opening), the page starts at its top.
    outside->setFocus();
    page->hide();
    page->show();
    QCOMPARE(page->verticalScrollBar()->value(), 0);
    QVERIFY(inView(fields[0]));
}

void TestDbWidgets::editFollowsMoves()
{
    openTable(3);
    DbEdit id;
    id.setDataSource(source.get());
    id.setDataField(u"id"_s);
    table->last();
    QCOMPARE(id.text(), u"3"_s);
    // Detached controls show nothing and come back with their source.
    source->setDataSet(nullptr);
    QCOMPARE(id.text(), QString());
    source->setDataSet(table.get());
    QCOMPARE(id.text(), u"3"_s);
}

void TestDbWidgets::modelShowsInsertedRow()
{
    openTable(3);
    DatasetModel model;
    model.setDataSource(source.get());
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.data(model.index(2, 1), Qt::DisplayRole).toString(), u"4.5"_s);
    table->append();
    QCOMPARE(model.rowCount(), 4);
    table->setValue(0, u"9"_s);
    QCOMPARE(model.data(model.index(3, 0), Qt::DisplayRole).toString(), u"9"_s);
    table->cancel();
    QCOMPARE(model.rowCount(), 3);
}

void TestDbWidgets::gridEditsCell()
{
    openTable(3);
    DbGrid grid;
    grid.setDataSource(source.get());
    grid.setColumns({ { u"amount"_s, u"金额"_s, 0 }, { u"id"_s, u"编号"_s, 0 } });
    QCOMPARE(grid.columnTitle(0), u"金额"_s);
    QVERIFY(grid.model()->setData(grid.model()->index(1, 0), u"8"_s, Qt::EditRole));
    QCOMPARE(table->recNo(), 2);
    QCOMPARE(table->state(), store::DatasetState::Edit);
    // Moving to another row stores the edited one.
    grid.setCurrentIndex(grid.model()->index(0, 0));
    QCOMPARE(table->state(), store::DatasetState::Browse);
    QCOMPARE(table->recNo(), 1);
    QCOMPARE(table->valueAt(1, 1), QVariant(8.0));
    // Storing reloads the rows; the column the user works in stays selected.
    grid.setCurrentIndex(grid.model()->index(0, 1));
    QVERIFY(grid.model()->setData(grid.model()->index(0, 1), u"7"_s, Qt::EditRole));
    table->post();
    QCOMPARE(grid.currentIndex().column(), 1);
}

void TestDbWidgets::gridAppendsBelowLastRow()
{
    openTable(2);
    DbGrid grid;
    grid.setDataSource(source.get());
    grid.show();
    table->last();
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(table->state(), store::DatasetState::Insert);
    QCOMPARE(grid.model()->rowCount(), 3);
    QCOMPARE(grid.currentIndex().row(), 2);
}

void TestDbWidgets::cutCellShowsWholeTextAsToolTip()
{
    openTable(1);
    table->edit();
    table->setValue(0, u"甲乙丙"_s);
    table->post();
    DbGrid grid;
    grid.setDataSource(source.get());
    grid.setColumns({ { u"id"_s, u"编号"_s, 12 }, { u"amount"_s, u"金额"_s, 200 } });
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    auto hover = [&](int column) {
        const QPoint at = grid.visualRect(grid.model()->index(0, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, grid.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(grid.viewport(), &help);
    };
    hover(0); // 12 pixels cannot show three characters
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), u"甲乙丙"_s);
    hover(1); // a text that fits needs no tip
    QTRY_VERIFY(!QToolTip::isVisible());
}

void TestDbWidgets::readOnlyGrid()
{
    openTable(2);
    DbGrid grid;
    grid.setDataSource(source.get());
    grid.setReadOnly(true);
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!grid.model()->setData(grid.model()->index(0, 0), u"x"_s, Qt::EditRole));
    grid.show();
    table->last();
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(table->state(), store::DatasetState::Browse);
}

void TestDbWidgets::readOnlyColumnWithoutAppend()
{
    openTable(2);
    DbGrid grid;
    grid.setDataSource(source.get());
    grid.setColumns({ { u"id"_s, u"编号"_s, 0, true }, { u"amount"_s, u"金额"_s, 0 } });
    grid.setAppendAllowed(false);
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable);
    QVERIFY(!grid.model()->setData(grid.model()->index(0, 0), u"x"_s, Qt::EditRole));
    grid.show();
    table->last();
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Insert);
    QCOMPARE(table->state(), store::DatasetState::Browse);
    QCOMPARE(table->recordCount(), 2);
}

QTEST_MAIN(TestDbWidgets)
#include "tst_dbwidgets.moc"
