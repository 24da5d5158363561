#include "FakeServices.h"
#include "WorkDir.h"
#include "shell/Startup.h"
#include "shell/TF_main.h"
#include "store/Table.h"
#include "widgets/AppState.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        resetAppState();
        windowRegistry().clear();
    }
    void cleanup() { windowRegistry().clear(); }
    void startsInAFreshDirectory();
    void migrationFailureEndsProgram();
};

void TestStartup::startsInAFreshDirectory()
{
    WorkDir dir;
    FakeServices fake;
    QWidget* entry = nullptr;
    windowRegistry().add(u"TF_kfq"_s, [&entry](QWidget* parent) { return entry = new QWidget(parent); });
    bool loopRan = false;
    StartupOptions options;
    options.messageLoop = [&] {
        loopRan = true;
        // The working directory is laid out, the main window is up, the entry window made but hidden.
        [&] {
            QVERIFY(QFileInfo(u"bak"_s).isDir());
            QVERIFY(QFileInfo(u"tmp"_s).isDir());
            QVERIFY(QFileInfo::exists(u"sendname.db"_s));
            QVERIFY(F_main);
            QVERIFY(F_main->isVisible());
            QVERIFY(entry);
            QVERIFY(!entry->isVisible());
            QCOMPARE(entry->parentWidget(), F_main);
        }();
        return 0;
    };
    QCOMPARE(startProgram(options), 0);
    QVERIFY(loopRan);
    QCOMPARE(F_main, nullptr);
    QVERIFY(fake.events().isEmpty());
}

void TestStartup::migrationFailureEndsProgram()
{
    // A delivered national-project table but no live one to keep: the error is shown and
    // the program ends before the main window appears.
    WorkDir dir;
    FakeServices fake;
    store::Table::createTable(u"gjxm_up.db"_s, { { { u"JB00"_s, store::FieldType::Text, 10 } }, {} });
    bool loopRan = false;
    StartupOptions options;
    options.setUpWorkDir = false;
    options.messageLoop = [&] {
        loopRan = true;
        return 0;
    };
    QCOMPARE(startProgram(options), 1);
    QVERIFY(!loopRan);
    QCOMPARE(fake.exceptions().size(), 1);
    QVERIFY(!fake.exceptions().first().isEmpty());
    QCOMPARE(F_main, nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!w->isVisible());
}

QTEST_MAIN(TestStartup)
#include "tst_Startup.moc"
