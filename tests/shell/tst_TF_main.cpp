#include "FakeServices.h"
#include "WorkDir.h"
#include "shell/ReportKinds.h"
#include "shell/TF_main.h"
#include "widgets/AppState.h"
#include "widgets/Fonts.h"
#include "widgets/RadioGroup.h"
#include "widgets/WindowRegistry.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Stands in for a window of a later step: remembers its class name and how often such a
// window was made.
class ProbeWindow : public QWidget
{
public:
    ProbeWindow(const QString& className, QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(className);
        ++made[className];
    }
    static inline QHash<QString, int> made;
};

void registerProbe(const QString& className)
{
    windowRegistry().add(
        className, [className](QWidget* parent) { return new ProbeWindow(className, parent); });
}

const QStringList entryWindows = { u"TF_kfq"_s, u"TF_kfqzh"_s, u"TF_gjxm"_s, u"TF_gjwsb"_s, u"TF_tzjg"_s,
    u"TF_dxkjy"_s, u"TF_fhq"_s, u"TF_tsjd"_s, u"TF_sjgxq"_s };
const QStringList toolWindows
    = { u"TF_check"_s, u"TF_query"_s, u"TF_report"_s, u"TF_db_tool"_s, u"TF_xtwh"_s };

} // namespace

class TestTF_main : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { installFontSubstitutes(); }
    void init();
    void cleanup();

    void startState();
    void controls();
    void tabOrder();
    void tabNavigation();
    void captionOnActivation();
    void reportKindCode_data();
    void reportKindCode();
    void validationAndQueryEnabling_data();
    void validationAndQueryEnabling();
    void entryWindowPerKind_data();
    void entryWindowPerKind();
    void entryWindowKeptAcrossKinds();
    void dataEntryLeavesReportKind();
    void otherWindows_data();
    void otherWindows();
    void missingWindowsAreNotYetAvailable_data();
    void missingWindowsAreNotYetAvailable();
    void handlerErrorIsShown();
    void exitCloses();

private:
    void select(int index);
    QPushButton* button(const char* name) const;

    std::unique_ptr<WorkDir> m_dir;
    std::unique_ptr<FakeServices> m_services;
    std::unique_ptr<TF_main> m_main;
};

void TestTF_main::init()
{
    m_dir = std::make_unique<WorkDir>();
    QVERIFY(m_dir->isValid());
    m_services = std::make_unique<FakeServices>();
    resetAppState();
    windowRegistry().clear();
    ProbeWindow::made.clear();
    m_main = std::make_unique<TF_main>();
}

void TestTF_main::cleanup()
{
    m_main.reset();
    windowRegistry().clear();
    m_services.reset();
    m_dir.reset();
}

void TestTF_main::select(int index)
{
    QRadioButton* b = m_main->RadioGroup1->button(index);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_main->RadioGroup1->itemIndex(), index);
}

QPushButton* TestTF_main::button(const char* name) const
{
    auto* b = m_main->findChild<QPushButton*>(QLatin1StringView(name));
    if (!b) qFatal("no button %s", name);
    return b;
}

void TestTF_main::startState()
{
    // Construction resets the process-wide values the previous run may have left.
    m_main.reset();
    ReportKind = 5;
    ProgramDir = u"C:\\old\\"_s;
    m_main = std::make_unique<TF_main>();
    QCOMPARE(ReportKind, 0);
    QCOMPARE(ProgramDir, QString());
    QCOMPARE(F_main, m_main.get());
    QCOMPARE(&sharedComponents(), &m_main->components());
    QCOMPARE(m_main->RadioGroup1->itemIndex(), 0);
    QVERIFY(m_main->components().Database1.isConnected());
    QVERIFY(!m_main->components().Table1.isOpen());
    QVERIFY(!m_main->components().Table2.isOpen());
    QVERIFY(m_services->events().isEmpty());
    m_main.reset();
    QCOMPARE(F_main, nullptr);
}

void TestTF_main::controls()
{
    QCOMPARE(m_main->windowTitle(), u"2012年度Velto计划录入统计系统"_s);
    QCOMPARE(m_main->font().family(), u"宋体"_s);
    QCOMPARE(m_main->font().pointSize(), 12);
    QCOMPARE(m_main->minimumSize(), m_main->maximumSize());

    QCOMPARE(m_main->RadioGroup1->objectName(), u"RadioGroup1"_s);
    QCOMPARE(m_main->RadioGroup1->title(), u"请选择报表"_s);
    QStringList items;
    for (const ReportKindInfo& kind : reportKinds())
        items << kind.itemText;
    QCOMPARE(items.size(), 10);
    QCOMPARE(m_main->RadioGroup1->items(), items);
    QCOMPARE(items.first(), u"国家高新技术产业开发区企业统计报表"_s);
    QCOMPARE(items.last(), u"省级高新技术产业开发区情况调查表"_s);

    const struct
    {
        const char* name;
        QString caption;
        bool enabled;
    } expected[] = {
        { "Button1", u"数据录入"_s, true },
        { "Button7", u"报表校验"_s, true },
        { "Button5", u"查询统计"_s, true },
        { "Button6", u"报表打印"_s, true },
        { "Button9", u"发送校验表"_s, false },
        { "Button3", u"发送数据库"_s, false },
        { "Button8", u"发送邮件"_s, false },
        { "Button2", u"接收邮件"_s, false },
        { "Button10", u"直接操作数据库"_s, true },
        { "Button11", u"系统维护"_s, true },
        { "Button4", u"退出"_s, true },
    };
    for (const auto& e : expected) {
        QPushButton* b = button(e.name);
        QCOMPARE(b->text(), e.caption);
        QCOMPARE(b->isEnabled(), e.enabled);
    }
    // Nothing a user does enables the mail buttons.
    for (int i = 0; i < 10; ++i) {
        select(i);
        for (const char* name : { "Button9", "Button3", "Button8", "Button2" })
            QVERIFY(!button(name)->isEnabled());
    }

    // No caption may be cut off.
    m_main->show();
    for (QPushButton* b : m_main->findChildren<QPushButton*>())
        QVERIFY2(b->width() >= b->sizeHint().width() && b->height() >= b->sizeHint().height(),
            qPrintable(b->text()));
    for (int i = 0; i < 10; ++i) {
        QRadioButton* r = m_main->RadioGroup1->button(i);
        QVERIFY2(r->width() >= r->sizeHint().width(), qPrintable(r->text()));
    }
}

void TestTF_main::tabOrder()
{
    const QStringList expected = { u"Button1"_s, u"Button7"_s, u"Button5"_s, u"Button6"_s, u"RadioGroup1"_s,
        u"Button3"_s, u"Button8"_s, u"Button2"_s, u"Button10"_s, u"Button11"_s, u"Button4"_s, u"Button9"_s };
    QStringList seen;
    QWidget* w = m_main->Button1;
    do {
        QString name;
        if (!(w->focusPolicy() & Qt::TabFocus))
            ;
        else if (w->parentWidget() == m_main->RadioGroup1)
            name = u"RadioGroup1"_s;
        else if (expected.contains(w->objectName()))
            name = w->objectName();
        if (!name.isEmpty() && (seen.isEmpty() || seen.last() != name)) seen << name;
        w = w->nextInFocusChain();
    } while (w != m_main->Button1);
    QCOMPARE(seen, expected);
}

void TestTF_main::tabNavigation()
{
    // The selector is one stop (its selected item); the disabled mail buttons are passed over.
    m_main->show();
    QApplication::setActiveWindow(m_main.get());
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    select(3);
    m_main->Button1->setFocus();
    QWidget* expected[] = { m_main->Button7, m_main->Button5, m_main->Button6, m_main->RadioGroup1->button(3),
        m_main->Button10, m_main->Button11, m_main->Button4, m_main->Button1 };
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestTF_main::captionOnActivation()
{
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(m_main.get(), &activate);
    QCOMPARE(m_main->windowTitle(), u"Velto计划录入统计系统"_s);
    m_main->setWindowTitle(u"x"_s);
    QCoreApplication::sendEvent(m_main.get(), &activate);
    QCOMPARE(m_main->windowTitle(), u"Velto计划录入统计系统"_s);
}

void TestTF_main::reportKindCode_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("offered");
    QTest::newRow("zone enterprises") << 0 << 1 << true;
    QTest::newRow("zone comprehensive") << 1 << 2 << false;
    QTest::newRow("out-of-zone enterprises") << 2 << 3 << true;
    QTest::newRow("national projects") << 3 << 4 << true;
    QTest::newRow("unreported projects") << 4 << 5 << false;
    QTest::newRow("venture investment") << 5 << 6 << true;
    QTest::newRow("science parks skip 7") << 6 << 8 << true;
    QTest::newRow("incubators") << 7 << 9 << true;
    QTest::newRow("industry bases") << 8 << 10 << true;
    QTest::newRow("provincial zones") << 9 << 11 << true;
}

void TestTF_main::reportKindCode()
{
    QFETCH(int, index);
    QFETCH(int, code);
    QFETCH(bool, offered);
    QCOMPARE(::reportKindCode(index), code);
    QCOMPARE(reportKinds()[index].code, code);

    // Every button that sets the code sets the same one, window or not.
    select(index);
    for (const char* name : { "Button7", "Button5", "Button6" }) {
        QPushButton* b = button(name);
        if (!b->isEnabled()) {
            QVERIFY(!offered);
            continue;
        }
        ReportKind = 0;
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY2(ReportKind == code, name);
    }
}

void TestTF_main::validationAndQueryEnabling_data()
{
    reportKindCode_data();
}

void TestTF_main::validationAndQueryEnabling()
{
    QFETCH(int, index);
    QFETCH(bool, offered);
    // From a kind that disables them and from one that enables them.
    for (int from : { 1, 0 }) {
        if (from == index) continue;
        select(from);
        select(index);
        QCOMPARE(m_main->Button7->isEnabled(), offered);
        QCOMPARE(m_main->Button5->isEnabled(), offered);
        QVERIFY(m_main->Button6->isEnabled());
        QVERIFY(m_main->Button1->isEnabled());
    }
}

void TestTF_main::entryWindowPerKind_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::newRow("0") << 0 << u"TF_kfq"_s << u"高新区企业"_s;
    QTest::newRow("1") << 1 << u"TF_kfqzh"_s << u"高新区综合情况"_s;
    QTest::newRow("2") << 2 << u"TF_kfq"_s << u"区外企业"_s;
    QTest::newRow("3") << 3 << u"TF_gjxm"_s << u"国家级项目"_s;
    QTest::newRow("4") << 4 << u"TF_gjwsb"_s << u"国家级项目未上报原因"_s;
    QTest::newRow("5") << 5 << u"TF_tzjg"_s << u"国家高新区创业投资机构情况表"_s;
    QTest::newRow("6") << 6 << u"TF_dxkjy"_s << u"大学科技园情况"_s;
    QTest::newRow("7") << 7 << u"TF_fhq"_s << u"科技企业孵化器情况"_s;
    QTest::newRow("8") << 8 << u"TF_tsjd"_s << u"特色产业基地情况"_s;
    QTest::newRow("9") << 9 << u"TF_sjgxq"_s << u"省级高新区"_s;
}

void TestTF_main::entryWindowPerKind()
{
    QFETCH(int, index);
    QFETCH(QString, window);
    QFETCH(QString, caption);
    for (const QString& name : entryWindows + toolWindows)
        registerProbe(name);
    select(index);
    LocateOnOpen = true;
    ReportKind = 7; // a value no dispatch produces, to see that it stays
    QTest::mouseClick(m_main->Button1, Qt::LeftButton);
    QCOMPARE(LocateOnOpen, false);
    QCOMPARE(ReportKind, 7);
    const auto shown = m_services->events();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, FakeServices::Kind::Modal);
    QVERIFY(shown[0].window);
    QCOMPARE(shown[0].window->objectName(), window);
    QCOMPARE(shown[0].title, caption);
    QCOMPARE(ProbeWindow::made.value(window), 1);
    QCOMPARE(ProbeWindow::made.size(), 1);
}

void TestTF_main::entryWindowKeptAcrossKinds()
{
    registerProbe(u"TF_kfq"_s);
    select(0);
    QTest::mouseClick(m_main->Button1, Qt::LeftButton);
    select(2);
    QTest::mouseClick(m_main->Button1, Qt::LeftButton);
    select(0);
    QTest::mouseClick(m_main->Button1, Qt::LeftButton);
    const auto shown = m_services->eventsOf(FakeServices::Kind::Modal);
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].title, u"高新区企业"_s);
    QCOMPARE(shown[1].title, u"区外企业"_s);
    QCOMPARE(shown[2].title, u"高新区企业"_s);
    QVERIFY(shown[0].window && shown[0].window == shown[1].window && shown[1].window == shown[2].window);
    QCOMPARE(ProbeWindow::made.value(u"TF_kfq"_s), 1);
}

void TestTF_main::dataEntryLeavesReportKind()
{
    select(3);
    QTest::mouseClick(m_main->Button5, Qt::LeftButton);
    QCOMPARE(ReportKind, 4);
    select(0);
    QTest::mouseClick(m_main->Button1, Qt::LeftButton);
    QCOMPARE(ReportKind, 4);
}

void TestTF_main::otherWindows_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("modal");
    QTest::addColumn<QString>("caption"); // empty: the window keeps its own
    QTest::newRow("报表校验") << u"Button7"_s << u"TF_check"_s << true << QString();
    QTest::newRow("查询统计") << u"Button5"_s << u"TF_query"_s << false << QString();
    QTest::newRow("报表打印") << u"Button6"_s << u"TF_report"_s << true << u"报表打印"_s;
    QTest::newRow("直接操作数据库") << u"Button10"_s << u"TF_db_tool"_s << true << QString();
    QTest::newRow("系统维护") << u"Button11"_s << u"TF_xtwh"_s << true << u"系统维护"_s;
}

void TestTF_main::otherWindows()
{
    QFETCH(QString, button);
    QFETCH(QString, window);
    QFETCH(bool, modal);
    QFETCH(QString, caption);
    registerProbe(window);
    QPushButton* b = m_main->findChild<QPushButton*>(button);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
    QTest::mouseClick(b, Qt::LeftButton);
    const auto shown = m_services->events();
    QCOMPARE(shown.size(), 2);
    for (const auto& e : shown) {
        QCOMPARE(e.kind, modal ? FakeServices::Kind::Modal : FakeServices::Kind::Modeless);
        QVERIFY(e.window);
        QCOMPARE(e.window->objectName(), window);
        QVERIFY(e.window->isWindow());
        if (!caption.isEmpty()) QCOMPARE(e.title, caption);
    }
    QCOMPARE(shown[0].window, shown[1].window);
    QCOMPARE(ProbeWindow::made.value(window), 1);
}

void TestTF_main::missingWindowsAreNotYetAvailable_data()
{
    QTest::addColumn<QString>("button");
    for (const char* name : { "Button1", "Button7", "Button5", "Button6", "Button10", "Button11" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestTF_main::missingWindowsAreNotYetAvailable()
{
    QFETCH(QString, button);
    QTest::mouseClick(m_main->findChild<QPushButton*>(button), Qt::LeftButton);
    const auto events = m_services->events();
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0].kind, FakeServices::Kind::Message);
    QCOMPARE(events[0].text, u"该功能尚未提供"_s);
    QCOMPARE(events[0].title, u"提示"_s);
}

void TestTF_main::handlerErrorIsShown()
{
    windowRegistry().add(
        u"TF_check"_s, [](QWidget*) -> QWidget* { throw store::StoreError(u"Key violation."_s); });
    QTest::mouseClick(m_main->Button7, Qt::LeftButton);
    QCOMPARE(m_services->exceptions(), QStringList { u"Key violation."_s });
    // The main window goes on working.
    registerProbe(u"TF_check"_s);
    QTest::mouseClick(m_main->Button7, Qt::LeftButton);
    QCOMPARE(m_services->eventsOf(FakeServices::Kind::Modal).size(), 1);
}

void TestTF_main::exitCloses()
{
    m_main->show();
    QSignalSpy closed(m_main.get(), &TF_main::closed);
    QTest::mouseClick(m_main->Button4, Qt::LeftButton);
    QCOMPARE(closed.size(), 1);
    QVERIFY(!m_main->isVisible());
}

QTEST_MAIN(TestTF_main)
#include "tst_TF_main.moc"
