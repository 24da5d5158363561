#include "Maintenance.h"

#include "query/ExportResult.h"
#include "shell/ReportKinds.h"
#include "store/FileSync.h"
#include "store/OpenTables.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace exchange {

namespace {

struct KindFiles
{
    int code;
    QString listText; // empty: the main window's text
    QList<MaintainedTable> tables;
    QStringList further;
};

// In the main window's order; zone and out-of-zone enterprises share their files.
const QList<KindFiles>& kindFiles()
{
    static const QList<MaintainedTable> zone = {
        { u"kfq_1.db"_s, u"保存高新区企业（区外企业）企业情况库  文件名：kfq_1.dbf"_s },
        { u"kfq_2.db"_s, u"保存高新区企业（区外企业）产品情况库  文件名：kfq_2.dbf"_s },
        { u"kfq_5.db"_s, u"保存高新区企业（区外企业）项目情况库  文件名：kfq_5.dbf"_s },
    };
    static const QStringList zoneFurther = { u"kfq_1.px"_s, u"kfq_1.xg0"_s, u"kfq_1.yg0"_s, u"kfq_1.xg1"_s,
        u"kfq_1.yg1"_s, u"kfq_1.xg2"_s, u"kfq_1.yg2"_s, u"kfq_2.px"_s, u"kfq_2.xg0"_s, u"kfq_2.yg0"_s,
        u"kfq_5.px"_s, u"kfq_5.xg0"_s, u"kfq_5.yg0"_s };
    static const QList<KindFiles> kinds = {
        { 1, {}, zone, zoneFurther },
        { 2, {}, { { u"kfqzh.db"_s, u"保存高新区综合情况库  文件名：kfqzh.dbf"_s } }, {} },
        { 3, {}, zone, zoneFurther },
        { 4, {}, { { u"gjxm.db"_s, u"保存国家项目库  文件名：gjxm.dbf"_s } },
            { u"gjxm.px"_s, u"gjxm.xg0"_s, u"gjxm.yg0"_s, u"gjxm.xg1"_s, u"gjxm.yg1"_s } },
        { 5, {}, { { u"gj_wsb.db"_s, u"保存国家级项目未上报清单  文件名：gj_wsb.dbf"_s } },
            { u"gj_wsb.px"_s } },
        { 6, {}, { { u"tzjg.db"_s, u"保存创业投资机构数据  文件名：tzjg.dbf"_s } },
            { u"tzjg.px"_s, u"tzjg.xg0"_s, u"tzjg.yg0"_s } },
        { 8, {},
            { { u"dx.db"_s, u"保存大学科技园情况库  文件名：dx.dbf"_s },
                { u"dxzfqy.db"_s, u"保存大学科技园在孵企业库  文件名：dxzfqy.dbf"_s },
                { u"dxxm.db"_s, u"大学科技园项目库（大学园填）  文件名：dxxm.dbf"_s },
                { u"dxzfqyxm.db"_s, u"保存大学科技园项目库（企业填）  文件名：dxzfqyxm.dbf"_s } },
            { u"dx.px"_s, u"dx.xg0"_s, u"dx.yg0"_s, u"dxxm.px"_s, u"dxxm.xg0"_s, u"dxxm.yg0"_s,
                u"dxzfqy.px"_s, u"dxzfqy.xg0"_s, u"dxzfqy.yg0"_s } },
        { 9, {},
            { { u"fhq.db"_s, u"保存科技企业孵化器库  文件名：fhq.dbf"_s },
                { u"fhqzfqy.db"_s, u"保存科技企业孵化器在孵企业库  文件名：fhqzfqy.dbf"_s } },
            { u"fhq.px"_s, u"fhq.xg0"_s, u"fhq.yg0"_s, u"fhqzfqy.px"_s, u"fhqzfqy.xg0"_s,
                u"fhqzfqy.yg0"_s } },
        { 10, {}, { { u"tsjd.db"_s, u"特色产业基地  文件名：tsjd.dbf"_s } },
            { u"tsjd.px"_s, u"tsjd.xg0"_s, u"tsjd.yg0"_s } },
        { 11, u"省级高新区情况调查表"_s, { { u"sjgxq.db"_s, u"省级高新区情况调查表  文件名：sjgxq.dbf"_s } },
            { u"sjgxq.px"_s, u"sjgxq.xg0"_s, u"sjgxq.yg0"_s, u"sjgxq.mb"_s } },
    };
    return kinds;
}

const KindFiles& kindAt(int position)
{
    const QList<KindFiles>& kinds = kindFiles();
    if (position < 0 || position >= kinds.size())
        throw store::StoreError(u"没有第 %1 种报表"_s.arg(position + 1));
    return kinds[position];
}

// Beside the target, keeping its extension so that the store opens it as the same type.
QString tempPathFor(const QString& target)
{
    const QFileInfo info(target);
    const QString suffix = info.suffix();
    return info.path() + u'/' + info.completeBaseName() + u".velto-new"_s
        + (suffix.isEmpty() ? QString() : u'.' + suffix);
}

bool isNativeTable(const QString& path)
{
    return QFileInfo(path).suffix().compare("db"_L1, Qt::CaseInsensitive) == 0
        && store::formatOf(path) == store::TableFormat::Native;
}

// A rollback journal left beside a table by a crash belongs to the file it sits next to:
// copying the table without it, or putting another file under it, would corrupt the
// table. Opening the table lets the engine roll the journal back; what remains of it then
// is no journal the engine would use.
void settleJournal(const QString& path)
{
    const QString journal = path + u"-journal"_s;
    if (!QFileInfo::exists(journal) || !isNativeTable(path) || store::openTables::isOpen(path)) return;
    {
        store::Table table;
        table.setTableName(path);
        table.open();
        table.close();
    }
    if (QFileInfo::exists(journal) && !QFile::remove(journal))
        throw store::StoreError(u"无法删除表 %1 的日志文件"_s.arg(store::displayName(path)));
}

// Opens a written table once: a copy that does not read must not replace anything.
void proveReads(const QString& temp, const QString& target)
{
    try {
        // A statement reads the table's layout and a row without setting up a cursor over
        // every row, which on 300,000 rows would cost more than the copy.
        store::Query query;
        query.setSql(u"select * from \"%1\" limit 1"_s.arg(temp));
        query.open();
        query.close();
    } catch (const store::StoreError& e) {
        store::removeTableFiles(temp);
        throw store::StoreError(
            u"写出的 %1 读不出，原文件未被替换: %2"_s.arg(QDir::toNativeSeparators(target), e.message()));
    }
}

QString withSlash(const QString& dir)
{
    QString d = dir;
    d.replace(u'\\', u'/');
    if (!d.isEmpty() && !d.endsWith(u'/')) d += u'/';
    return d;
}

// Rows stored in groups; the group open when an error ends the work is committed too, so
// the projects stored before the error stay.
class WriteGroup
{
public:
    explicit WriteGroup(store::Table& table)
        : m_table(table)
    {
        m_table.beginWriteGroup();
    }
    ~WriteGroup()
    {
        try {
            m_table.endWriteGroup();
        } catch (const store::StoreError&) {
        }
    }

private:
    store::Table& m_table;
};

} // namespace

Maintenance::Maintenance(const QString& programDir)
    : m_dir(withSlash(programDir.isEmpty() ? QDir::currentPath() : programDir))
{
}

int Maintenance::kindCount()
{
    return int(kindFiles().size());
}

QString Maintenance::kindText(int position)
{
    const KindFiles& k = kindAt(position);
    return k.listText.isEmpty() ? reportKinds().value(position).itemText : k.listText;
}

int Maintenance::kindCode(int position)
{
    return kindAt(position).code;
}

int Maintenance::positionOfCode(int code)
{
    const QList<KindFiles>& kinds = kindFiles();
    for (qsizetype i = 0; i < kinds.size(); ++i)
        if (kinds[i].code == code) return int(i);
    return -1;
}

const QList<MaintainedTable>& Maintenance::tablesOf(int position)
{
    return kindAt(position).tables;
}

const QStringList& Maintenance::furtherFilesOf(int position)
{
    return kindAt(position).further;
}

const QStringList& Maintenance::deliveryTables()
{
    static const QStringList tables
        = { u"gjxm.db"_s, u"fhq.db"_s, u"fhqxm.db"_s, u"fhqzfqy.db"_s, u"dx.db"_s, u"dxxm.db"_s,
              u"dxzfqy.db"_s, u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5.db"_s, u"kfqzh.db"_s, u"tzjg.db"_s,
              u"tsjd.db"_s, u"rjjd.db"_s, u"rjjdqy.db"_s, u"rjjdqycp.db"_s, u"gj_wsb.db"_s, u"sjgxq.db"_s };
    return tables;
}

const QList<Region>& Maintenance::regions()
{
    static const QList<Region> list = {
        { u"110"_s, u"北京"_s },
        { u"120"_s, u"天津"_s },
        { u"130"_s, u"河北"_s },
        { u"140"_s, u"山西"_s },
        { u"150"_s, u"内蒙古"_s },
        { u"210"_s, u"辽宁"_s },
        { u"211"_s, u"沈阳"_s },
        { u"212"_s, u"大连"_s },
        { u"220"_s, u"吉林"_s },
        { u"221"_s, u"长春"_s },
        { u"230"_s, u"黑龙江"_s },
        { u"231"_s, u"哈尔滨"_s },
        { u"310"_s, u"上海"_s },
        { u"320"_s, u"江苏"_s },
        { u"321"_s, u"南京"_s },
        { u"330"_s, u"浙江"_s },
        { u"331"_s, u"宁波"_s },
        { u"340"_s, u"安徽"_s },
        { u"350"_s, u"福建"_s },
        { u"351"_s, u"厦门"_s },
        { u"360"_s, u"江西"_s },
        { u"370"_s, u"山东"_s },
        { u"371"_s, u"青岛"_s },
        { u"410"_s, u"河南"_s },
        { u"420"_s, u"湖北"_s },
        { u"421"_s, u"武汉"_s },
        { u"430"_s, u"湖南"_s },
        { u"440"_s, u"广东"_s },
        { u"441"_s, u"广州"_s },
        { u"442"_s, u"深圳"_s },
        { u"450"_s, u"广西"_s },
        { u"460"_s, u"海南"_s },
        { u"500"_s, u"重庆"_s },
        { u"510"_s, u"四川"_s },
        { u"512"_s, u"成都"_s },
        { u"520"_s, u"贵州"_s },
        { u"530"_s, u"云南"_s },
        { u"540"_s, u"西藏"_s },
        { u"610"_s, u"陕西"_s },
        { u"611"_s, u"西安"_s },
        { u"620"_s, u"甘肃"_s },
        { u"630"_s, u"青海"_s },
        { u"640"_s, u"宁夏"_s },
        { u"650"_s, u"新疆"_s },
        { u"651"_s, u"新疆兵团"_s },
    };
    return list;
}

QString Maintenance::projectTable()
{
    return u"gjxm.db"_s;
}

QString Maintenance::projectList()
{
    return u"gjxmqd.dbf"_s;
}

QString Maintenance::backupDir() const
{
    return m_dir + u"bak/"_s;
}

QString Maintenance::source(const QString& name) const
{
    return store::resolveFilePath(m_dir + name);
}

QStringList Maintenance::backup(const QList<int>& positions)
{
    return copyKinds(positions, m_dir, backupDir(), u"备份"_s);
}

QStringList Maintenance::restore(const QList<int>& positions)
{
    return copyKinds(positions, backupDir(), m_dir, u"还原"_s);
}

QStringList Maintenance::copyKinds(
    const QList<int>& positions, const QString& from, const QString& to, const QString& what)
{
    QList<int> ordered = positions;
    std::sort(ordered.begin(), ordered.end());
    const QString targetDir = store::resolveFilePath(to);
    if (!QFileInfo(targetDir).isDir())
        throw store::StoreError(u"目录 %1 不存在"_s.arg(QDir::toNativeSeparators(targetDir)));
    QStringList written;
    for (int position : ordered) {
        const KindFiles& kind = kindAt(position);
        for (const MaintainedTable& t : kind.tables) {
            QString target;
            if (copyFile(store::resolveFilePath(from + t.name), targetDir, true, what, &target))
                written << target;
        }
        for (const QString& f : kind.further) {
            QString target;
            if (copyFile(store::resolveFilePath(from + f), targetDir, false, what, &target))
                written << target;
        }
    }
    return written;
}

bool Maintenance::copyFile(
    const QString& sourcePath, const QString& targetDir, bool isTable, const QString& what, QString* written)
{
    const QFileInfo sourceInfo(sourcePath);
    if (!sourceInfo.isFile()) return false;
    const QString target = store::resolveFilePath(targetDir + u'/' + sourceInfo.fileName());
    // A table in use may have rows in flight; one being shown must not change under its window.
    store::openTables::requireClosed(sourcePath, what);
    store::openTables::requireClosed(target, what);
    if (isTable) settleJournal(sourcePath);

    const QString temp = tempPathFor(target);
    store::removeTableFiles(temp); // left by an earlier copy that was cut off
    {
        QFile in(sourcePath);
        if (!in.open(QIODevice::ReadOnly))
            throw store::StoreError(
                u"无法读取 %1: %2"_s.arg(QDir::toNativeSeparators(sourcePath), in.errorString()));
        QFile out(temp);
        auto fail = [&](const QString& reason) {
            out.close();
            QFile::remove(temp);
            throw store::StoreError(u"无法写入 %1: %2"_s.arg(QDir::toNativeSeparators(target), reason));
        };
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) fail(out.errorString());
        if (!store::fileSync::copyData(in, out)) fail(QString::fromLocal8Bit(std::strerror(errno)));
        if (!store::fileSync::flushToDisk(out)) fail(out.errorString());
        out.close();
    }
    putInPlace(temp, target, isTable);
    if (copied) copied(sourcePath, target);
    if (written) *written = target;
    return true;
}

void Maintenance::putInPlace(const QString& temp, const QString& target, bool isTable)
{
    if (isTable) {
        proveReads(temp, target);
        settleJournal(target);
    }
    if (beforeReplace) {
        try {
            beforeReplace(temp, target);
        } catch (...) {
            store::removeTableFiles(temp);
            throw;
        }
    }
    QString reason;
    if (!store::fileSync::replaceFile(temp, target, &reason)) {
        store::removeTableFiles(temp);
        throw store::StoreError(u"无法替换 %1: %2"_s.arg(QDir::toNativeSeparators(target), reason));
    }
    store::fileSync::syncDirectory(QFileInfo(target).absolutePath());
}

QList<MaintainedTable> Maintenance::transferTables(const QList<int>& positions)
{
    QList<int> ordered = positions;
    std::sort(ordered.begin(), ordered.end());
    QList<MaintainedTable> tables;
    for (int position : ordered)
        tables << kindAt(position).tables;
    return tables;
}

void Maintenance::transfer(const QString& table, const QString& file)
{
    store::Table source;
    source.setTableName(this->source(table));
    source.open();
    ExportResult(source, nullptr, file);
}

QStringList Maintenance::deliver(const QString& destination)
{
    const QString dir = store::resolveFilePath(destination);
    const QFileInfo dirInfo(dir);
    if (!dirInfo.isDir())
        throw store::StoreError(u"上报目录 %1 不存在"_s.arg(QDir::toNativeSeparators(destination)));
    if (dirInfo.canonicalFilePath() == QFileInfo(m_dir).canonicalFilePath())
        throw store::StoreError(
            u"不能上报到工作目录 %1 本身: 每个表都会写在它自己的上面。请选择另一个目录。"_s.arg(
                QDir::toNativeSeparators(dirInfo.absoluteFilePath())));
    QStringList written;
    for (const QString& name : deliveryTables()) {
        const QString from = source(name);
        if (!QFileInfo(from).isFile()) continue;
        const QString target = store::resolveFilePath(dir + u'/' + store::displayName(from));
        store::openTables::requireClosed(target, u"上报"_s);
        const QString temp = tempPathFor(target);
        store::removeTableFiles(temp);
        {
            store::Table table;
            table.setTableName(from);
            table.open();
            try {
                ExportResult(table, nullptr, temp);
            } catch (...) {
                store::removeTableFiles(temp);
                throw;
            }
        }
        putInPlace(temp, target, true);
        if (copied) copied(from, target);
        written << target;
    }
    return written;
}

Maintenance::ProjectListResult Maintenance::buildProjectList(const QString& region, bool emptyFirst)
{
    // The list is read before anything is emptied: without it the projects would be lost.
    store::Table list;
    list.setTableName(source(projectList()));
    list.setTableType(store::TableType::Dbase);
    list.open();
    const int listRegion = list.fieldByName(u"pxh"_s).index();
    const int listNumber = list.fieldByName(u"jb00"_s).index();

    store::Table projects;
    projects.setTableName(source(projectTable()));
    if (emptyFirst) projects.emptyTable();
    projects.setIndexName(u"gjxm"_s);
    projects.open();

    struct Column
    {
        int from;
        int to;
        bool numeric;
    };
    QList<Column> columns;
    const QList<store::FieldDef>& listFields = list.fieldDefs();
    for (qsizetype i = 0; i < listFields.size(); ++i) {
        const int to = projects.fieldIndex(listFields[i].name);
        if (to < 0) continue;
        columns.append({ int(i), to,
            store::isNumeric(listFields[i].type) || store::isNumeric(projects.fieldDefs()[to].type) });
    }
    const int counter = projects.fieldByName(u"gj_one"_s).index();
    const int regionField = projects.fieldByName(u"pxh"_s).index();
    const int id = projects.fieldByName(u"id"_s).index();

    ProjectListResult result;
    WriteGroup group(projects);
    for (list.first(); !list.eof(); list.next()) {
        const QString code = list.value(listRegion).toString().trimmed();
        if (code != region) continue;
        const QString number = list.value(listNumber).toString();
        if (projects.findKey({ number })) {
            projects.edit();
            ++result.updated;
        } else {
            projects.append();
            ++result.added;
        }
        for (const Column& c : columns) {
            QVariant v = list.value(c.from);
            if (c.numeric
                && (v.isNull() || (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty())))
                v = 0;
            projects.setValue(c.to, v);
        }
        projects.setValue(counter, 1);
        projects.setValue(regionField, code);
        projects.setValue(id, code + number);
        projects.post();
    }
    return result;
}

} // namespace exchange
