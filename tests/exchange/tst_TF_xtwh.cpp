#include "ExchangeFixture.h"

#include "exchange/Maintenance.h"
#include "exchange/TF_xtwh.h"
#include "store/TablePath.h"

#include <QCryptographicHash>
#include <QListWidget>
#include <QPushButton>

#include <memory>

using exchange::Maintenance;
using Kind = FakeServices::Kind;

namespace {

QByteArray hashOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestTF_xtwh : public QObject
{
    Q_OBJECT

    std::unique_ptr<ExchangeFixture> fx;
    std::unique_ptr<TF_xtwh> w;

    void tick(int position) { w->CheckListBox1->item(position)->setCheckState(Qt::Checked); }

private Q_SLOTS:
    void init()
    {
        fx = std::make_unique<ExchangeFixture>();
        w = std::make_unique<TF_xtwh>();
        ExchangeFixture::addEnterprise(u"000001"_s, u"甲公司"_s, u"10000000-1"_s);
        ExchangeFixture::addProduct(u"000001"_s, u"1"_s);
    }
    void cleanup()
    {
        w.reset();
        fx.reset();
    }

    void startsEmpty()
    {
        QCOMPARE(w->windowTitle(), u"系统维护"_s);
        QCOMPARE(w->CheckListBox1->count(), 10);
        QCOMPARE(w->CheckListBox1->item(9)->text(), u"省级高新区情况调查表"_s);
        QCOMPARE(w->tickedKinds(), QList<int>());
        QCOMPARE(w->ListBox1->count(), 45);
        QCOMPARE(w->ListBox1->item(14)->text(), u"321 南京 "_s);
        QCOMPARE(w->ListBox1->selectedItems().size(), 0);
        QVERIFY(ProgramDir.endsWith(u'\\'));
        QCOMPARE(QDir(ProgramDir.chopped(1)).canonicalPath(), QDir(fx->dir.path()).canonicalPath());
        QVERIFY(QDir(w->directory()).isRoot());
    }

    void ticks()
    {
        w->Button1Click();
        QCOMPARE(w->tickedKinds().size(), 10);
        w->Button2Click();
        QCOMPARE(w->tickedKinds(), QList<int>());
        w->CheckListBox1DblClick(w->CheckListBox1->item(3));
        QCOMPARE(w->tickedKinds(), QList<int> { 3 });
        w->CheckListBox1DblClick(w->CheckListBox1->item(3));
        QCOMPARE(w->tickedKinds(), QList<int>());
    }

    void backupAndRestore()
    {
        tick(0);
        w->Button3->click();
        QCOMPARE(fx->fake.messages(), QStringList { u"数据备份完成"_s });
        QCOMPARE(fx->fake.eventsOf(Kind::Message).first().title, QString());
        const QByteArray saved = hashOf(u"kfq_1.db"_s);
        QCOMPARE(hashOf(u"bak/kfq_1.db"_s), saved);
        ExchangeFixture::addEnterprise(u"000002"_s, u"乙公司"_s, u"20000000-2"_s);
        const QByteArray changed = hashOf(u"kfq_1.db"_s);

        // Answered No: nothing changes.
        fx->fake.clear();
        fx->fake.setNextAnswer(false);
        w->Button4->click();
        QCOMPARE(fx->fake.eventsOf(Kind::Question).first().text,
            u"数据还原将用上次备份的数据覆盖当前数据库，是否要继续进行操作？"_s);
        QCOMPARE(fx->fake.messages(), QStringList());
        QCOMPARE(hashOf(u"kfq_1.db"_s), changed);

        fx->fake.setNextAnswer(true);
        w->Button4->click();
        QCOMPARE(fx->fake.messages(), QStringList { u"数据还原完成"_s });
        QCOMPARE(hashOf(u"kfq_1.db"_s), saved);
        QCOMPARE(ExchangeFixture::column(u"select qa01 from \"kfq_1.db\""_s), QStringList { u"000001"_s });
    }

    void nothingTickedStillTellsItIsDone()
    {
        w->Button3->click();
        fx->fake.setNextAnswer(true);
        w->Button4->click();
        QCOMPARE(fx->fake.messages(), (QStringList { u"数据备份完成"_s, u"数据还原完成"_s }));
    }

    // A restore over a table a window holds open stops there, with the file's name.
    void restoreOverOpenTableShowsTheFile()
    {
        tick(0);
        w->Button3->click();
        store::Table shown;
        shown.setTableName(u"kfq_1.db"_s);
        shown.open();
        fx->fake.clear();
        fx->fake.setNextAnswer(true);
        w->Button4->click();
        QCOMPARE(fx->fake.exceptions().size(), 1);
        QVERIFY2(
            fx->fake.exceptions().first().contains(u"kfq_1.db"_s), qPrintable(fx->fake.exceptions().first()));
        QVERIFY(!fx->fake.messages().contains(u"数据还原完成"_s));
    }

    void transferOffersOneDialogPerTable()
    {
        tick(3);
        fx->fake.setNextFileName(fx->dir.filePath(u"gj"_s), 1); // typed without extension, *.dbf chosen
        w->Button5->click();
        const auto dialogs = fx->fake.eventsOf(Kind::SaveFile);
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs[0].title, u"保存国家项目库  文件名：gjxm.dbf"_s);
        QCOMPARE(dialogs[0].dialog.filters.size(), 5);
        QCOMPARE(store::formatOf(fx->dir.filePath(u"gj.dbf"_s)), store::TableFormat::Dbase);
        QCOMPARE(fx->fake.messages(), QStringList());

        // Zone and out-of-zone kinds ask for their files twice; a cancelled one is skipped.
        fx->fake.clear();
        w->Button2Click();
        tick(0);
        tick(2);
        fx->fake.setNextFileName(fx->dir.filePath(u"qy.db"_s));
        w->Button5->click();
        QStringList titles;
        for (const auto& e : fx->fake.eventsOf(Kind::SaveFile))
            titles << e.title.section(u"文件名："_s, 1);
        QCOMPARE(titles,
            (QStringList { u"kfq_1.dbf"_s, u"kfq_2.dbf"_s, u"kfq_5.dbf"_s, u"kfq_1.dbf"_s, u"kfq_2.dbf"_s,
                u"kfq_5.dbf"_s }));
        QCOMPARE(ExchangeFixture::column(u"select qa04 from \"qy.db\""_s), QStringList { u"甲公司"_s });
    }

    void projectList()
    {
        w->Button6->click(); // no region chosen
        QCOMPARE(fx->fake.events().size(), 0);

        w->ListBox1->setCurrentRow(0);
        fx->fake.setNextAnswer(false);
        w->Button6->click(); // no gjxmqd.dbf
        QCOMPARE(fx->fake.eventsOf(Kind::Question).first().text, u"是否清空国家级项目数据库"_s);
        QCOMPARE(fx->fake.exceptions().size(), 1);
        QVERIFY(fx->fake.exceptions().first().contains(u"gjxmqd.dbf"_s));

        store::TableSchema s;
        s.fields = { { u"PXH"_s, store::FieldType::Text, 3, 0 }, { u"JB00"_s, store::FieldType::Text, 9, 0 },
            { u"JB01"_s, store::FieldType::Text, 100, 0 } };
        store::Table::createTable(u"gjxmqd.dbf"_s, s, store::TableType::Dbase);
        ExchangeFixture::sql(u"insert into \"gjxmqd.dbf\" values ('110', '110000001', '北京项目')"_s);
        fx->fake.clear();
        fx->fake.setNextAnswer(true);
        w->Button6->click();
        QCOMPARE(fx->fake.messages(), QStringList { u"项目清单已完成"_s });
        QCOMPARE(ExchangeFixture::column(u"select id from \"gjxm.db\""_s), QStringList { u"110110000001"_s });
    }

    void delivery()
    {
        QDir().mkdir(u"out"_s);
        w->setDirectory(fx->dir.filePath(u"out"_s));
        w->Button7->click();
        QCOMPARE(fx->fake.messages(), QStringList { u"上报数据已完成"_s });
        QCOMPARE(
            ExchangeFixture::column(u"select qa04 from \"out\\kfq_1.db\""_s), QStringList { u"甲公司"_s });

        fx->fake.clear();
        w->setDirectory(fx->dir.path());
        w->Button7->click();
        QCOMPARE(fx->fake.exceptions().size(), 1);
        QVERIFY(!fx->fake.messages().contains(u"上报数据已完成"_s));
    }
};

QTEST_MAIN(TestTF_xtwh)
#include "tst_TF_xtwh.moc"
