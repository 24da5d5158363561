#include "FakeServices.h"
#include "shell/Application.h"
#include "store/StoreError.h"
#include "widgets/FileDialog.h"
#include "widgets/QtServices.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;

class TestServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void guardedHandler_data();
    void guardedHandler();
    void unguardedHandlerErrorReachesDisplay();
    void fileDialogFilter_data();
    void fileDialogFilter();
    void fakeAnswersFromScript();
    void savedNameTakesChosenType_data();
    void savedNameTakesChosenType();
    void openDialogStartsEmpty();
    void qtSaveDialogTakesChosenType();
    void questionDefaultsToNo_data();
    void questionDefaultsToNo();
    void standardDialogsSpeakChinese();
    void windowsCentredOnParent();
    void modalWindowReturnsWhenClosed();
};

void TestServices::guardedHandler_data()
{
    QTest::addColumn<int>("what"); // 0 nothing, 1 store error, 2 abort, 3 other error
    QTest::addColumn<bool>("completed");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("runs through") << 0 << true << QStringList();
    QTest::newRow("store error") << 1 << false << QStringList { u"企业数据错误:Key violation."_s };
    QTest::newRow("abort is silent") << 2 << false << QStringList();
    QTest::newRow("other error") << 3 << false << QStringList { u"坏了"_s };
}

void TestServices::guardedHandler()
{
    QFETCH(int, what);
    QFETCH(bool, completed);
    QFETCH(QStringList, shown);
    FakeServices fake;
    bool reachedEnd = false;
    const bool result = guarded([&] {
        switch (what) {
        case 1:
            throw store::StoreError(u"企业数据错误:Key violation."_s);
        case 2:
            throw store::Abort();
        case 3:
            throw std::runtime_error("坏了");
        }
        reachedEnd = true;
    });
    QCOMPARE(result, completed);
    QCOMPARE(reachedEnd, completed);
    QCOMPARE(fake.exceptions(), shown);
    QCOMPARE(fake.events().size(), shown.size());
}

void TestServices::unguardedHandlerErrorReachesDisplay()
{
    // A handler someone forgot to guard: the application object shows the error and the
    // program goes on with the next event.
    FakeServices fake;
    QPushButton button(u"x"_s);
    int clicks = 0;
    connect(&button, &QPushButton::clicked, &button, [&clicks] {
        ++clicks;
        throw store::StoreError(u"Key violation."_s);
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(fake.exceptions(), (QStringList { u"Key violation."_s, u"Key violation."_s }));
}

void TestServices::fileDialogFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QList<FileFilter>>("filters");
    QTest::addColumn<QStringList>("extensions"); // selectedExtension() per filter
    QTest::newRow("fixed file under another label")
        << u"kfq_1.dbf|kfq_1.db"_s << QList<FileFilter> { { u"kfq_1.dbf"_s, { u"kfq_1.db"_s } } }
        << QStringList { QString() };
    QTest::newRow("two patterns") << u"*.db;*.dbf|*.db;*.dbf"_s
                                  << QList<FileFilter> { { u"*.db;*.dbf"_s, { u"*.db"_s, u"*.dbf"_s } } }
                                  << QStringList { QString() };
    QTest::newRow("three types") << u"*.db|*.db|*.dbf|*.dbf|*.txt|*.txt"_s
                                 << QList<FileFilter> { { u"*.db"_s, { u"*.db"_s } },
                                        { u"*.dbf"_s, { u"*.dbf"_s } }, { u"*.txt"_s, { u"*.txt"_s } } }
                                 << QStringList { u".db"_s, u".dbf"_s, u".txt"_s };
    QTest::newRow("label only") << u"*.db"_s << QList<FileFilter> { { u"*.db"_s, { u"*.db"_s } } }
                                << QStringList { u".db"_s };
}

void TestServices::fileDialogFilter()
{
    QFETCH(QString, filter);
    QFETCH(QList<FileFilter>, filters);
    QFETCH(QStringList, extensions);
    FileDialog d(FileDialog::Mode::Save);
    d.setFilter(filter);
    QCOMPARE(d.filters, filters);
    for (int i = 0; i < extensions.size(); ++i) {
        d.filterIndex = i;
        QCOMPARE(d.selectedExtension(), extensions[i]);
    }
}

void TestServices::fakeAnswersFromScript()
{
    FakeServices fake;
    fake.setNextAnswer(true);
    QVERIFY(services().question(u"是否删除当前记录"_s, u"提示"_s));
    QVERIFY(!services().question(u"是否清空企业数据库"_s, QString())); // unscripted: No
    QCOMPARE(fake.unscripted(), 1);

    FileDialog save(FileDialog::Mode::Save);
    save.setFilter(u"*.db|*.db|*.dbf|*.dbf"_s);
    save.title = u"请选择存盘文件名"_s;
    fake.setNextFileName(u"out"_s, 1);
    fake.setNextFileName(QString());
    QVERIFY(save.execute());
    QCOMPARE(save.fileName, u"out.dbf"_s);
    QCOMPARE(save.selectedExtension(), u".dbf"_s);
    QVERIFY(!save.execute());

    const auto files = fake.eventsOf(FakeServices::Kind::SaveFile);
    QCOMPARE(files.size(), 2);
    QCOMPARE(files[0].title, u"请选择存盘文件名"_s);
    QCOMPARE(files[0].dialog.filters.size(), 2);
    QCOMPARE(fake.eventsOf(FakeServices::Kind::Question)[1].title, QString());
}

void TestServices::savedNameTakesChosenType_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no extension, spreadsheet chosen") << u"stat2"_s << 3 << u"stat2.xlsx"_s;
    QTest::newRow("no extension, dBase chosen") << u"sub\\stat2"_s << 1 << u"sub\\stat2.dbf"_s;
    QTest::newRow("own extension kept") << u"stat2.txt"_s << 3 << u"stat2.txt"_s;
    QTest::newRow("type without one extension: the default") << u"stat2"_s << 4 << u"stat2.db"_s;
}

void TestServices::savedNameTakesChosenType()
{
    QFETCH(QString, typed);
    QFETCH(int, type);
    QFETCH(QString, saved);
    FakeServices fake;
    FileDialog save(FileDialog::Mode::Save);
    save.defaultExtension = u"*.db"_s;
    save.setFilter(u"*.db|*.db|*.dbf|*.dbf|*.txt|*.txt|*.xlsx|*.xlsx|表|*.db;*.dbf"_s);
    fake.setNextFileName(typed, type);
    QVERIFY(save.execute());
    QCOMPARE(save.fileName, saved);
}

void TestServices::openDialogStartsEmpty()
{
    // One shared open dialog serves every table: the file chosen for one is never offered
    // under the next one's title.
    FakeServices fake;
    FileDialog open(FileDialog::Mode::Open);
    open.title = u"请选择企业数据库  文件名:kfq_1.db"_s;
    fake.setNextFileName(u"in/kfq_1.db"_s);
    QVERIFY(open.execute());
    QCOMPARE(open.fileName, u"in/kfq_1.db"_s);
    open.title = u"请选择产品数据库  文件名:kfq_2.db"_s;
    QVERIFY(!open.execute());
    QCOMPARE(fake.eventsOf(FakeServices::Kind::OpenFile).last().dialog.fileName, QString());
}

void TestServices::qtSaveDialogTakesChosenType()
{
    // The type list shows only labels; choosing "*.xlsx" there and typing a bare name
    // saves a spreadsheet, not the first type's table.
    QTemporaryDir dir;
    QtServices qt;
    FileDialog save(FileDialog::Mode::Save);
    save.defaultExtension = u"*.db"_s;
    save.initialDir = dir.path();
    save.setFilter(u"*.db|*.db|*.dbf|*.dbf|*.txt|*.txt|*.xlsx|*.xlsx"_s);
    bool seen = false;
    QTimer::singleShot(0, qApp, [&] {
        auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* types = box ? box->findChild<QComboBox*>(u"fileTypeCombo"_s) : nullptr;
        if (!types) return;
        seen = true;
        types->setCurrentIndex(3);
        Q_EMIT types->activated(3);
        Q_EMIT types->textActivated(types->currentText());
        box->selectFile(u"stat2"_s);
        QMetaObject::invokeMethod(box, "accept");
    });
    QTimer::singleShot(5000, qApp, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    QVERIFY(qt.chooseFile(save));
    QVERIFY(seen);
    QCOMPARE(QFileInfo(save.fileName).fileName(), u"stat2.xlsx"_s);
    QCOMPARE(save.filterIndex, 3);
}

void TestServices::questionDefaultsToNo_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownTitle");
    QTest::newRow("empty title") << QString() << programTitle();
    QTest::newRow("own title") << u"提示"_s << u"提示"_s;
}

void TestServices::questionDefaultsToNo()
{
    // Enter on a question that empties a table must answer No.
    QFETCH(QString, title);
    QFETCH(QString, shownTitle);
    QtServices qt;
    QString defaultText, seenTitle;
    QTimer::singleShot(0, qApp, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seenTitle = box->windowTitle();
        defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
        QTest::keyClick(box, Qt::Key_Return);
    });
    QTimer::singleShot(5000, qApp, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    QVERIFY(!qt.question(u"是否清空企业数据库"_s, title));
    QCOMPARE(defaultText, u"否(&N)"_s);
    QCOMPARE(seenTitle, shownTitle);
}

void TestServices::standardDialogsSpeakChinese()
{
    // The application object loads Qt's Chinese texts (qt6-translations-l10n).
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Open);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), u"取消"_s);
    QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"), u"文件名称(&N)："_s);
}

void TestServices::windowsCentredOnParent()
{
    QtServices qt;
    QWidget main;
    main.setGeometry(40, 60, 900, 700);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QWidget window(&main, Qt::Window);
    window.resize(300, 200);
    qt.showModeless(&window);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint offset = window.frameGeometry().center() - main.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 4, qPrintable(u"%1,%2"_s.arg(offset.x()).arg(offset.y())));
}

void TestServices::modalWindowReturnsWhenClosed()
{
    // The Qt services show a plain window modally in a local loop that its closing ends.
    QtServices qt;
    QWidget window;
    Qt::WindowModality during = Qt::NonModal;
    QTimer::singleShot(0, &window, [&] {
        during = window.windowModality();
        window.close();
    });
    QTimer::singleShot(5000, &window, [&] { window.hide(); });
    QElapsedTimer clock;
    clock.start();
    qt.showModal(&window);
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(during, Qt::ApplicationModal);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.windowModality(), Qt::NonModal);
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    TestServices test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Services.moc"
