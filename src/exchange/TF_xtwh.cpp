#include "TF_xtwh.h"

#include "Maintenance.h"
#include "WindowParts.h"
#include "query/ExportResult.h"
#include "store/TablePath.h"
#include "widgets/AppState.h"
#include "widgets/BusyCursor.h"
#include "widgets/Services.h"
#include "widgets/SharedComponents.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using exchange::Maintenance;

TF_xtwh* F_xtwh = nullptr;

namespace {

QString rootOf(const QString& path)
{
    QDir d(path);
    while (d.cdUp()) { }
    return d.absolutePath();
}

} // namespace

TF_xtwh::TF_xtwh(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"F_xtwh"_s);
    setWindowTitle(u"系统维护"_s);
    setFont(QFont(u"宋体"_s, 11));
    ProgramDir = QDir::toNativeSeparators(QDir::currentPath());
    if (!ProgramDir.endsWith(u'\\') && !ProgramDir.endsWith(u'/')) ProgramDir += u'\\';
    buildLayout();
    setDirectory(rootOf(QDir::currentPath()));
}

void TF_xtwh::buildLayout()
{
    auto* kinds = new QGroupBox(u"请选择数据库"_s, this);
    CheckListBox1 = new QListWidget(kinds);
    CheckListBox1->setObjectName(u"CheckListBox1"_s);
    for (int i = 0; i < Maintenance::kindCount(); ++i) {
        auto* item = new QListWidgetItem(Maintenance::kindText(i), CheckListBox1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    CheckListBox1->setMinimumWidth(CheckListBox1->sizeHintForColumn(0) + 40);
    CheckListBox1->setMinimumHeight(CheckListBox1->sizeHintForRow(0) * Maintenance::kindCount() + 8);
    Button1 = makeButton(kinds, u"Button1"_s, u"全部选定"_s);
    Button2 = makeButton(kinds, u"Button2"_s, u"全部清除"_s);
    Button3 = makeButton(kinds, u"Button3"_s, u"数据备份"_s);
    Button4 = makeButton(kinds, u"Button4"_s, u"数据还原"_s);
    Button5 = makeButton(kinds, u"Button5"_s, u"数据转存"_s);
    auto* kindsLayout = new QVBoxLayout(kinds);
    kindsLayout->addWidget(CheckListBox1, 1);
    auto* tickRow = new QHBoxLayout;
    tickRow->addWidget(Button1);
    tickRow->addWidget(Button2);
    kindsLayout->addLayout(tickRow);
    auto* workRow = new QHBoxLayout;
    workRow->addWidget(Button3);
    workRow->addWidget(Button4);
    workRow->addWidget(Button5);
    kindsLayout->addLayout(workRow);

    auto* projects = new QGroupBox(u"国家级项目清单维护"_s, this);
    auto* regionLabel = new QLabel(u"请选择地区"_s, projects);
    ListBox1 = new QListWidget(projects);
    ListBox1->setObjectName(u"ListBox1"_s);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const exchange::Region& r : Maintenance::regions())
        ListBox1->addItem(r.text());
    ListBox1->setCurrentRow(-1);
    Button6 = makeButton(projects, u"Button6"_s, u"生成项目清单"_s);
    auto* projectsLayout = new QVBoxLayout(projects);
    projectsLayout->addWidget(regionLabel);
    projectsLayout->addWidget(ListBox1, 1);
    projectsLayout->addWidget(Button6);

    auto* delivery = new QGroupBox(u"请选择目录"_s, this);
    DriveComboBox1 = new QComboBox(delivery);
    DriveComboBox1->setObjectName(u"DriveComboBox1"_s);
    DirectoryLabel1 = new QLabel(delivery);
    DirectoryLabel1->setObjectName(u"DirectoryLabel1"_s);
    DirectoryLabel1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    DirectoryListBox1 = new QListWidget(delivery);
    DirectoryListBox1->setObjectName(u"DirectoryListBox1"_s);
    Button7 = makeButton(delivery, u"Button7"_s, u"数据上报"_s);
    auto* deliveryLayout = new QVBoxLayout(delivery);
    deliveryLayout->addWidget(DriveComboBox1);
    deliveryLayout->addWidget(DirectoryLabel1);
    deliveryLayout->addWidget(DirectoryListBox1, 1);
    deliveryLayout->addWidget(Button7);
    fillDrives();

    Button8 = makeButton(this, u"Button8"_s, u"退出"_s);

    auto* right = new QVBoxLayout;
    right->addWidget(projects, 3);
    right->addWidget(delivery, 2);
    auto* columns = new QHBoxLayout;
    columns->addWidget(kinds, 1);
    columns->addLayout(right, 1);
    auto* root = new QVBoxLayout(this);
    root->addLayout(columns, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Button8);
    bottom->addStretch();
    root->addLayout(bottom);

    connect(Button1, &QPushButton::clicked, this, guard(this, &TF_xtwh::Button1Click));
    connect(Button2, &QPushButton::clicked, this, guard(this, &TF_xtwh::Button2Click));
    connect(Button3, &QPushButton::clicked, this, guard(this, &TF_xtwh::Button3Click));
    connect(Button4, &QPushButton::clicked, this, guard(this, &TF_xtwh::Button4Click));
    connect(Button5, &QPushButton::clicked, this, guard(this, &TF_xtwh::Button5Click));
    connect(Button6, &QPushButton::clicked, this, guard(this, &TF_xtwh::Button6Click));
    connect(Button7, &QPushButton::clicked, this, guard(this, &TF_xtwh::Button7Click));
    connect(Button8, &QPushButton::clicked, this, &QDialog::accept);
    connect(CheckListBox1, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { guarded([this, item] { CheckListBox1DblClick(item); }); });
    connect(DriveComboBox1, &QComboBox::activated, this, guard(this, &TF_xtwh::DriveComboBox1Change));
    connect(DirectoryListBox1, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { guarded([this, item] { DirectoryListBox1DblClick(item); }); });

    resize(820, 600);
}

void TF_xtwh::fillDrives()
{
    DriveComboBox1->clear();
    for (const QFileInfo& drive : QDir::drives())
        DriveComboBox1->addItem(QDir::toNativeSeparators(drive.absoluteFilePath()));
}

void TF_xtwh::setDirectory(const QString& dir)
{
    m_directory = QDir(dir).absolutePath();
    DirectoryLabel1->setText(QDir::toNativeSeparators(m_directory));
    const int drive
        = DriveComboBox1->findText(QDir::toNativeSeparators(rootOf(m_directory)), Qt::MatchFixedString);
    if (drive >= 0) DriveComboBox1->setCurrentIndex(drive);
    DirectoryListBox1->clear();
    const QDir d(m_directory);
    if (!d.isRoot()) DirectoryListBox1->addItem(u".."_s);
    DirectoryListBox1->addItems(
        d.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
}

void TF_xtwh::DriveComboBox1Change()
{
    setDirectory(QDir::fromNativeSeparators(DriveComboBox1->currentText()));
}

void TF_xtwh::DirectoryListBox1DblClick(QListWidgetItem* item)
{
    if (item) setDirectory(QDir(m_directory).absoluteFilePath(item->text()));
}

QList<int> TF_xtwh::tickedKinds() const
{
    QList<int> ticked;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        if (CheckListBox1->item(i)->checkState() == Qt::Checked) ticked << i;
    return ticked;
}

void TF_xtwh::Button1Click()
{
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(Qt::Checked);
}

void TF_xtwh::Button2Click()
{
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(Qt::Unchecked);
}

void TF_xtwh::CheckListBox1DblClick(QListWidgetItem* item)
{
    if (item) item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TF_xtwh::Button3Click()
{
    {
        BusyCursor busy;
        Maintenance(ProgramDir).backup(tickedKinds());
    }
    services().message(u"数据备份完成"_s, QString(), Services::MessageKind::Information);
}

void TF_xtwh::Button4Click()
{
    if (!services().question(u"数据还原将用上次备份的数据覆盖当前数据库，是否要继续进行操作？"_s, QString()))
        return;
    {
        BusyCursor busy;
        Maintenance(ProgramDir).restore(tickedKinds());
    }
    services().message(u"数据还原完成"_s, QString(), Services::MessageKind::Information);
}

void TF_xtwh::Button5Click()
{
    Maintenance m(ProgramDir);
    FileDialog dialog = sharedComponents().SaveDialog1;
    dialog.filters = tableFileFilters(exportFileTypes());
    for (const exchange::MaintainedTable& t : Maintenance::transferTables(tickedKinds())) {
        if (!QFileInfo::exists(store::resolveFilePath(m.programDir() + t.name))) continue;
        dialog.title = t.saveTitle;
        dialog.fileName.clear();
        if (!dialog.execute()) continue;
        BusyCursor busy;
        m.transfer(t.name, savedFileName(dialog));
    }
}

void TF_xtwh::Button6Click()
{
    const int row = ListBox1->currentRow();
    if (row < 0 || !ListBox1->currentItem()->isSelected()) return;
    const QString region = ListBox1->item(row)->text().left(3);
    const bool empty = services().question(u"是否清空国家级项目数据库"_s, QString());
    {
        BusyCursor busy;
        Maintenance(ProgramDir).buildProjectList(region, empty);
    }
    services().message(u"项目清单已完成"_s, QString(), Services::MessageKind::Information);
}

void TF_xtwh::Button7Click()
{
    {
        BusyCursor busy;
        Maintenance(ProgramDir).deliver(m_directory);
    }
    services().message(u"上报数据已完成"_s, QString(), Services::MessageKind::Information);
}
