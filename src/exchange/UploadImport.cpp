#include "UploadImport.h"

#include "store/Connection.h"
#include "store/FieldDef.h"
#include "store/OpenTables.h"
#include "store/Query.h"
#include "store/SqlTranslator.h"
#include "store/Table.h"
#include "store/TablePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace exchange {

namespace {

using store::StoreError;

const QString keyField = u"qa01"_s;

// SQLite's NOCASE, which the tables' indexes use: ASCII letters only.
QString foldCase(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z') c = QChar(c.unicode() + ('a' - 'A'));
    return out;
}

// The report-number field of a table file, or nullopt when the file is not there.
std::optional<store::FieldDef> keyFieldOf(const QString& table)
{
    if (!QFileInfo::exists(store::resolveTablePath(table))) return std::nullopt;
    store::Table t;
    t.setTableName(table);
    t.open();
    const int i = t.fieldIndex(keyField);
    if (i < 0) throw StoreError(u"%1 中没有字段 %2"_s.arg(t.displayName(), keyField));
    return t.fieldDefs().at(i);
}

} // namespace

const QStringList& UploadImport::deliveredFiles()
{
    static const QStringList files { u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5.db"_s };
    return files;
}

const QStringList& UploadImport::scratchTables()
{
    static const QStringList tables { u"tmp\\kfq_1.db"_s, u"tmp\\kfq_2.db"_s, u"tmp\\kfq_5.db"_s };
    return tables;
}

QString UploadImport::listTable()
{
    return u"bhcl.DB"_s;
}

UploadImport::StageResult UploadImport::stage(const QString& deliveryDir)
{
    const QString tmp = store::resolveFilePath(u"tmp"_s);
    if (!QFileInfo(tmp).isDir()) throw StoreError(u"找不到目录 tmp，无法复制上报数据"_s);
    for (qsizetype i = 0; i < deliveredFiles().size(); ++i) {
        const QString& name = deliveredFiles()[i];
        const QString source = store::resolveFilePath(QDir(deliveryDir).filePath(name));
        QFile in(source);
        if (!QFileInfo(source).isFile()) return { false, name, u"文件不存在"_s };
        if (!in.open(QIODevice::ReadOnly)) return { false, name, in.errorString() };
        in.close();
        const QString target = store::resolveTablePath(scratchTables()[i]);
        store::openTables::requireClosed(target, u"替换"_s);
        if (!store::removeTableFiles(target))
            throw StoreError(u"无法替换上次留下的 %1"_s.arg(scratchTables()[i]));
        try {
            if (store::formatOf(source) == store::TableFormat::Paradox) {
                // Older software delivered Paradox tables; the renumbering and the merge
                // write to the copy, so it is made a native table.
                store::Table::copyToNative(source, target);
            } else {
                if (!QFile::copy(source, target))
                    throw StoreError(u"无法复制到 %1"_s.arg(scratchTables()[i]));
                // A delivery from a write-protected medium would give a copy nobody may renumber.
                QFile::setPermissions(
                    target, QFile::permissions(target) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
                store::Table check; // a byte copy of anything but a table stops here
                check.setTableName(target);
                check.open();
            }
        } catch (const StoreError& e) {
            store::removeTableFiles(target);
            return { false, name, e.message() };
        }
    }
    return { true, {}, {} };
}

int UploadImport::refillList(store::Dataset& rows)
{
    store::Table list;
    list.setTableName(listTable());
    list.emptyTable();
    return list.batchAppend(rows);
}

int UploadImport::fillListFromStage()
{
    store::Query q;
    q.setSql(u"select qa01 原报表编号,qa01 修改后编号,qa03 法人代码,qa04 企业名称 from tmp\\kfq_1"_s);
    q.open();
    return refillList(q);
}

QList<ListRow> UploadImport::readList(store::Dataset& list)
{
    list.checkBrowseMode();
    QList<ListRow> rows;
    const int count = list.recordCount();
    rows.reserve(count);
    const int n = std::min(4, list.fieldCount());
    for (int r = 0; r < count; ++r) {
        const QVariantList v = list.rowAt(r);
        QString parts[4];
        for (int i = 0; i < n; ++i)
            parts[i] = v.value(i).toString();
        rows.append({ parts[0], parts[1], parts[2], parts[3] });
    }
    return rows;
}

int UploadImport::renumber(const QList<ListRow>& rows, const std::function<void(int)>& progress)
{
    // The plan: original number → new number, the list row of each, in list order.
    QHash<QString, QString> newOf;
    QHash<QString, int> rowOf;
    QStringList originals;
    for (int r = 0; r < rows.size(); ++r) {
        const ListRow& row = rows[r];
        if (row.renumbered != row.original) {
            const auto it = newOf.constFind(row.original);
            if (it == newOf.constEnd()) {
                newOf.insert(row.original, row.renumbered);
                rowOf.insert(row.original, r);
                originals.append(row.original);
            } else if (it.value() != row.renumbered) {
                throw RenumberRefused(r,
                    u"报表编号为“%1”的企业在清单中有两个不同的修改后编号：“%2”和“%3”"_s.arg(
                        row.original, it.value(), row.renumbered));
            }
        }
        if (progress) progress(r + 1);
    }
    if (originals.isEmpty()) return 0;

    // Every table the number goes into limits its length.
    int limit = std::numeric_limits<int>::max();
    QStringList names;
    for (const QString& t : scratchTables()) {
        const auto def = keyFieldOf(t);
        if (!def) throw StoreError(u"找不到表文件 %1"_s.arg(t));
        names.append(def->name);
        if (def->type == store::FieldType::Text) limit = std::min(limit, def->size);
    }
    for (const QString& t : deliveredFiles())
        if (const auto def = keyFieldOf(t); def && def->type == store::FieldType::Text)
            limit = std::min(limit, def->size);

    const QString main = store::resolveTablePath(scratchTables()[0]);
    auto c = store::Connection::open(main, store::displayName(main), false);
    for (int i = 1; i < scratchTables().size(); ++i) {
        store::Statement attach = c->prepare(u"ATTACH ? AS "_s + store::sqlIdentifier(u"s%1"_s.arg(i)));
        attach.bind(1, store::resolveTablePath(scratchTables()[i]));
        attach.run();
    }

    // The delivered enterprises' numbers after the renumbering must stay apart, as the
    // enterprise table's index compares them.
    QHash<QString, int> finalCount;
    {
        store::Statement numbers
            = c->prepare(u"SELECT "_s + store::sqlIdentifier(names[0]) + u" FROM \"main\".\"data\""_s);
        while (numbers.step()) {
            const QString number = numbers.column(0).toString();
            ++finalCount[foldCase(newOf.value(number, number))];
        }
    }
    for (const QString& original : std::as_const(originals)) {
        const QString& number = newOf[original];
        const int r = rowOf[original];
        if (number.isEmpty())
            throw RenumberRefused(
                r, u"报表编号为“%1”的企业的修改后编号为空，请填入新的报表编号"_s.arg(original));
        if (store::gbkLength(number) > limit)
            throw RenumberRefused(r,
                u"修改后编号“%1”太长：报表编号最多 %2 个字节（一个汉字占两个字节）"_s.arg(number).arg(limit));
        if (finalCount.value(foldCase(number)) > 1)
            throw RenumberRefused(r, u"修改后编号“%1”与上报数据中另一企业的报表编号相同"_s.arg(number));
    }

    // All three tables change in one transaction: a failure leaves them as they were.
    // Moved rows are cleared first, so that numbers passed along a chain never meet in
    // the enterprise table's unique index on the way.
    store::Connection::Transaction transaction(*c);
    c->exec(u"CREATE TEMP TABLE renumbering (old TEXT PRIMARY KEY, new TEXT NOT NULL);"
            u"CREATE TEMP TABLE moved (r INTEGER PRIMARY KEY, new TEXT NOT NULL)"_s);
    {
        store::Statement insert = c->prepare(u"INSERT INTO temp.renumbering VALUES (?, ?)"_s);
        for (const QString& original : std::as_const(originals)) {
            insert.bind(1, original);
            insert.bind(2, newOf[original]);
            insert.run();
            insert.reset();
        }
    }
    int renumbered = 0;
    for (int i = 0; i < scratchTables().size(); ++i) {
        const QString table
            = (i == 0 ? u"\"main\""_s : store::sqlIdentifier(u"s%1"_s.arg(i))) + u".\"data\""_s;
        const QString field = store::sqlIdentifier(names[i]);
        c->exec(u"DELETE FROM temp.moved"_s);
        c->exec(
            u"INSERT INTO temp.moved SELECT d.rowid, m.new FROM %1 d JOIN temp.renumbering m ON m.old = ifnull(d.%2, '')"_s
                .arg(table, field));
        if (i == 0) renumbered = c->changes();
        c->exec(u"UPDATE %1 SET %2 = NULL WHERE rowid IN (SELECT r FROM temp.moved)"_s.arg(table, field));
        c->exec(
            u"UPDATE %1 SET %2 = (SELECT new FROM temp.moved WHERE r = \"data\".rowid) WHERE rowid IN (SELECT r FROM temp.moved)"_s
                .arg(table, field));
    }
    c->exec(u"DROP TABLE temp.renumbering; DROP TABLE temp.moved"_s);
    transaction.commit();
    return renumbered;
}

QString UploadImport::clashStatement()
{
    // The two kinds of clash as two joins on one equality each: the office's indexes then
    // find the partners, where one condition with OR would compare every pair of rows.
    const QString select
        = u"select b.qa01 原报表编号,b.qa01 修改后编号,b.qa03 法人代码,b.qa04 企业名称 from \"kfq_1.db\" a,tmp\\kfq_1.db b"_s;
    return QStringList { select,
        u"where (a.qa03=b.qa03 collate nocase) and (a.qa01!=b.qa01 collate nocase)"_s, u"union all"_s, select,
        u"where (a.qa01=b.qa01 collate nocase) and (a.qa03!=b.qa03 collate nocase)"_s, u"order by 1"_s }
        .join(u'\n');
}

int UploadImport::checkClashes()
{
    store::Query q;
    q.setSql(clashStatement());
    q.open();
    const int clashes = q.recordCount();
    if (clashes > 0) refillList(q);
    return clashes;
}

QStringList UploadImport::removeStage()
{
    QStringList left;
    for (const QString& t : scratchTables())
        if (!store::removeTableFiles(store::resolveTablePath(t))) left.append(t);
    return left;
}

} // namespace exchange
