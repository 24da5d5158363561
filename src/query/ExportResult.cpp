#include "ExportResult.h"

#include "store/OpenTables.h"
#include "store/Query.h"
#include "store/Table.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString printCopy = u"query_p.db"_s;
const QString columnHeads = u"bt_p.db"_s;
const QString transposed = u"hljh.db"_s;

constexpr int maxTextSize = 255; // the widest text field any of the table types holds
constexpr int dbaseNameBytes = 10;

enum class Target { Native, Dbase, Xlsx, Csv };

Target targetOf(const QString& fileName)
{
    const QString extension = QFileInfo(QString(fileName).replace(u'\\', u'/')).suffix().toUpper();
    if (extension == "DBF"_L1) return Target::Dbase;
    if (extension == "XLSX"_L1) return Target::Xlsx;
    if (extension == "CSV"_L1) return Target::Csv;
    return Target::Native; // the store's default: .db native, .txt text, no extension .db
}

// The first characters of `name` that fit `bytes` GBK bytes.
QString gbkLeft(const QString& name, int bytes)
{
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        qsizetype n = name[i].isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QString next = out + name.mid(i, n);
        if (store::gbkLength(next) > bytes) break;
        out = next;
        i += n - 1;
    }
    return out;
}

// dBase keeps at most ten bytes of a field name, and grid headings such as 企业详细名称 or
// 全年产品产值合计 are longer: shorten them, keeping the names distinct.
void fitDbaseNames(QList<store::FieldDef>& fields)
{
    QSet<QString> used;
    for (store::FieldDef& f : fields) {
        QString name = gbkLeft(f.name, dbaseNameBytes);
        for (int k = 1; name.isEmpty() || used.contains(name.toLower()); ++k) {
            const QString suffix = QString::number(k);
            name = gbkLeft(f.name, dbaseNameBytes - int(suffix.size())) + suffix;
        }
        used.insert(name.toLower());
        f.name = name;
    }
}

store::TableSchema columnHeadSchema()
{
    store::TableSchema schema;
    schema.fields = { { u"表头文字"_s, store::FieldType::Text, 255, 0 },
        { u"列宽度"_s, store::FieldType::SmallInt, 0, 0 } };
    return schema;
}

// Print widths in characters: a text column as wide as the table's (at most 40), a number
// at least 10 and as wide as its longest value, so that no figure runs over its rules.
QList<int> printWidths(const store::Dataset& source, const store::TableSchema& exported)
{
    QList<int> widths;
    QList<bool> numbers;
    for (const store::FieldDef& f : exported.fields) {
        widths.append(f.size == 0 ? 10 : std::min(f.size, 40));
        numbers.append(store::isNumeric(f.type));
    }
    if (!numbers.contains(true)) return widths;
    const int rows = source.recordCount();
    for (int r = 0; r < rows; ++r) {
        const QVariantList row = source.rowAt(r);
        for (qsizetype i = 0; i < widths.size(); ++i)
            if (numbers[i])
                widths[i] = std::max(widths[i], std::min(40, int(store::displayText(row.value(i)).size())));
    }
    return widths;
}

void rewriteColumnHeads(const store::TableSchema& exported, const QList<int>& widths)
{
    if (QFileInfo::exists(store::resolveTablePath(columnHeads))) {
        store::Table heads;
        heads.setTableName(columnHeads);
        heads.emptyTable();
    } else {
        store::Table::createTable(columnHeads, columnHeadSchema());
    }
    store::Table heads;
    heads.setTableName(columnHeads);
    heads.open();
    const int text = heads.fieldByName(u"表头文字"_s).index();
    const int width = heads.fieldByName(u"列宽度"_s).index();
    for (qsizetype i = 0; i < exported.fields.size(); ++i) {
        heads.append();
        heads.setValue(text, exported.fields[i].name);
        heads.setValue(width, widths.value(i, 10));
        heads.post();
    }
    heads.close();
}

// Bytes of the longest text in each field of `source` (0 for fields without text).
QList<int> longestTexts(const store::Dataset& source, const QList<bool>& wanted)
{
    QList<int> longest(wanted.size(), 0);
    const int rows = source.recordCount();
    for (int r = 0; r < rows; ++r) {
        const QVariantList row = source.rowAt(r);
        for (qsizetype i = 0; i < wanted.size(); ++i)
            if (wanted[i] && !row.value(i).isNull())
                longest[i] = std::max(longest[i], store::gbkLength(row.value(i).toString()));
    }
    return longest;
}

// Writes the table in a folder of its own beside the target, under the target's name (a
// text table's schema names its table), and moves the finished files over the target's:
// a failure on the way leaves whatever file was there before.
void writeTableFile(
    store::Dataset& source, const store::TableSchema& schema, const QString& fileName, store::TableType type)
{
    const QString path = store::resolveTablePath(fileName);
    const QFileInfo target(path);
    const QString shown = store::displayName(path);
    store::openTables::requireClosed(path, u"重建"_s);
    QTemporaryDir staging(target.absolutePath() + u"/.velto-save-XXXXXX"_s);
    if (!staging.isValid()) throw store::StoreError(u"无法建立文件 %1"_s.arg(shown));
    const QString staged = staging.filePath(target.fileName());
    store::Table::createTable(staged, schema, type);
    {
        store::Table table;
        table.setTableName(staged);
        table.setTableType(type);
        table.batchAppend(source);
    }
    if (!store::removeTableFiles(path)) throw store::StoreError(u"无法替换文件 %1"_s.arg(shown));
    const QDir from(staging.path());
    for (const QString& name : from.entryList(QDir::Files | QDir::Hidden))
        if (!QFile::rename(from.filePath(name), target.absoluteDir().filePath(name)))
            throw store::StoreError(u"无法替换文件 %1"_s.arg(shown));
}

// --- spreadsheets -------------------------------------------------------------------------

QByteArray csvField(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r')) {
        bytes.replace("\"", "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

void writeCsv(store::Dataset& source, const store::TableSchema& schema, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw store::StoreError(u"无法建立文件 %1: %2"_s.arg(store::displayName(path), file.errorString()));
    // The byte order mark is how spreadsheet programs tell UTF-8 from the local code page.
    QByteArray line = "\xEF\xBB\xBF";
    for (qsizetype i = 0; i < schema.fields.size(); ++i) {
        if (i) line += ',';
        line += csvField(schema.fields[i].name);
    }
    file.write(line + "\r\n");
    const int rows = source.recordCount();
    for (int r = 0; r < rows; ++r) {
        const QVariantList row = source.rowAt(r);
        line.clear();
        for (qsizetype i = 0; i < schema.fields.size(); ++i) {
            if (i) line += ',';
            line += csvField(store::displayText(row.value(i)));
        }
        file.write(line + "\r\n");
    }
    if (!file.commit())
        throw store::StoreError(u"无法写入文件 %1: %2"_s.arg(store::displayName(path), file.errorString()));
}

QString sheetName(const QString& path)
{
    QString name = QFileInfo(path).completeBaseName();
    for (QChar& c : name)
        if (u"[]:*?/\\"_s.contains(c)) c = u'_';
    name = name.left(31);
    return name.isEmpty() ? u"Sheet1"_s : name;
}

struct WorkbookCloser
{
    void operator()(lxw_workbook* wb) const { workbook_close(wb); }
};

void writeXlsx(store::Dataset& source, const store::TableSchema& schema, const QString& path)
{
    const QString shown = store::displayName(path);
    constexpr int maxRows = 1048576;
    constexpr int maxColumns = 16384;
    const int rows = source.recordCount();
    if (rows + 1 > maxRows)
        throw store::StoreError(
            u"%1: Excel 工作表最多 %2 行，结果有 %3 行"_s.arg(shown).arg(maxRows - 1).arg(rows));
    if (schema.fields.size() > maxColumns)
        throw store::StoreError(u"%1: Excel 工作表最多 %2 列"_s.arg(shown).arg(maxColumns));

    // Written beside the target and moved over it, so a failure leaves any earlier file.
    const QString temp = path + u".new"_s;
    const QByteArray tempName = QFile::encodeName(temp);
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE; // rows go straight to disk: answers can be large
    std::unique_ptr<lxw_workbook, WorkbookCloser> book(workbook_new_opt(tempName.constData(), &options));
    if (!book) throw store::StoreError(u"无法建立文件 %1"_s.arg(shown));
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), sheetName(path).toUtf8().constData());
    lxw_format* dateFormat = workbook_add_format(book.get());
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    lxw_format* headFormat = workbook_add_format(book.get());
    format_set_bold(headFormat);

    lxw_error status = LXW_NO_ERROR;
    auto check = [&](lxw_error e) {
        if (e != LXW_NO_ERROR && status == LXW_NO_ERROR) status = e;
    };
    for (qsizetype c = 0; c < schema.fields.size(); ++c) {
        const store::FieldDef& f = schema.fields[c];
        const int chars = std::max(store::gbkLength(f.name), f.type == store::FieldType::Text ? f.size : 12);
        check(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), std::min(chars, 60) + 2, nullptr));
        check(worksheet_write_string(sheet, 0, lxw_col_t(c), f.name.toUtf8().constData(), headFormat));
    }
    for (int r = 0; r < rows; ++r) {
        const QVariantList row = source.rowAt(r);
        const auto sheetRow = lxw_row_t(r + 1);
        for (qsizetype c = 0; c < schema.fields.size(); ++c) {
            const QVariant v = row.value(c);
            if (v.isNull()) continue;
            const auto col = lxw_col_t(c);
            switch (schema.fields[c].type) {
            case store::FieldType::SmallInt:
            case store::FieldType::Integer:
            case store::FieldType::Float:
                check(worksheet_write_number(sheet, sheetRow, col, v.toDouble(), nullptr));
                break;
            case store::FieldType::Logical:
                check(worksheet_write_boolean(sheet, sheetRow, col, v.toBool(), nullptr));
                break;
            case store::FieldType::Date: {
                const QDate d = v.toDate();
                lxw_datetime dt { d.year(), d.month(), d.day(), 0, 0, 0 };
                check(worksheet_write_datetime(sheet, sheetRow, col, &dt, dateFormat));
                break;
            }
            default:
                check(worksheet_write_string(
                    sheet, sheetRow, col, store::displayText(v).toUtf8().constData(), nullptr));
            }
        }
    }
    const lxw_error closed = workbook_close(book.release());
    if (status == LXW_NO_ERROR) status = closed;
    if (status != LXW_NO_ERROR) {
        QFile::remove(temp);
        throw store::StoreError(u"无法写入文件 %1: %2"_s.arg(shown, QString::fromUtf8(lxw_strerror(status))));
    }
    if ((QFile::exists(path) && !QFile::remove(path)) || !QFile::rename(temp, path)) {
        QFile::remove(temp);
        throw store::StoreError(u"无法替换文件 %1"_s.arg(shown));
    }
}

// A value of the transposed table, as text.
QString transposedText(const QVariant& value, store::FieldType type, int width)
{
    if (value.isNull()) return {};
    switch (type) {
    case store::FieldType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case store::FieldType::SmallInt:
    case store::FieldType::Integer:
        return QString::number(value.toLongLong());
    case store::FieldType::Date:
        return QLocale::system().toString(value.toDate(), QLocale::ShortFormat);
    case store::FieldType::Memo:
        return gbkLeft(value.toString(), width); // a memo has no size: keep what fits
    default:
        return store::displayText(value);
    }
}

} // namespace

store::TableSchema exportSchema(const store::Dataset& source, const ExportGrid* grid, const QString& fileName)
{
    store::TableSchema schema;
    const QList<store::FieldDef>& fields = source.fieldDefs();
    QList<bool> narrowed(fields.size(), false);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        store::FieldDef def = fields[i];
        if (grid && i < grid->columns.size()) {
            def.name = grid->columns[i].title;
            // Before any result window was activated there is no character width to divide by.
            if (def.type == store::FieldType::Text && grid->charWidth > 0) {
                def.size
                    = std::clamp(int(std::trunc(double(grid->columns[i].width) / double(grid->charWidth))), 1,
                        maxTextSize);
                narrowed[i] = def.size < fields[i].size;
            }
        }
        if (def.type != store::FieldType::Text) def.size = 0;
        schema.fields.append(def);
    }
    // A column narrowed on the screen never cuts a value: it is as wide as its longest text.
    if (narrowed.contains(true)) {
        const QList<int> longest = longestTexts(source, narrowed);
        for (qsizetype i = 0; i < fields.size(); ++i)
            if (narrowed[i])
                schema.fields[i].size = std::clamp(longest[i], schema.fields[i].size, maxTextSize);
    }
    if (targetOf(fileName) == Target::Dbase) fitDbaseNames(schema.fields);
    return schema;
}

void ExportResult(store::Dataset& source, const ExportGrid* grid, const QString& fileName)
{
    if (!source.isOpen()) source.open();
    source.checkBrowseMode();
    const store::TableSchema schema = exportSchema(source, grid, fileName);
    const Target target = targetOf(fileName);
    if (target == Target::Xlsx || target == Target::Csv) {
        const QString path = store::resolveFilePath(fileName);
        if (target == Target::Xlsx)
            writeXlsx(source, schema, path);
        else
            writeCsv(source, schema, path);
        return;
    }
    writeTableFile(source, schema, fileName,
        target == Target::Dbase ? store::TableType::Dbase : store::TableType::Default);
    if (fileName == printCopy) rewriteColumnHeads(schema, printWidths(source, schema));
}

void TransposeResult(store::Dataset& source, store::Query& answer)
{
    if (!source.isOpen()) source.open();
    source.checkBrowseMode();
    const QList<store::FieldDef> fields = source.fieldDefs();
    const int records = source.recordCount();
    // Each record becomes a column, and a table holds only so many.
    if (records + 1 > store::Table::maxFieldCount())
        throw store::StoreError(u"结果有 %1 行，行列交换后每行成为一列，最多只能交换 %2 行。"
                                "请先加上查询条件减少结果的行数，再进行行列交换。"_s.arg(records)
                                    .arg(store::Table::maxFieldCount() - 1));
    int width = 60;
    for (const store::FieldDef& f : fields)
        if (f.type == store::FieldType::Text && f.size + 1 > width) width = f.size + 1;

    store::TableSchema schema;
    schema.fields.append({ u"字段名"_s, store::FieldType::Text, width, 0 });
    for (int i = 1; i <= records; ++i)
        schema.fields.append({ u"字段%1"_s.arg(i), store::FieldType::Text, width, 0 });

    // Cell by cell is the same table as one row per source field; each row is stored once.
    std::vector<QVariantList> rows(size_t(fields.size()), QVariantList(records + 1));
    for (qsizetype j = 0; j < fields.size(); ++j)
        rows[size_t(j)][0] = fields[j].name;
    for (int i = 0; i < records; ++i) {
        const QVariantList values = source.rowAt(i);
        for (qsizetype j = 0; j < fields.size(); ++j)
            rows[size_t(j)][i + 1] = transposedText(values.value(j), fields[j].type, width);
    }

    store::Table::createTable(transposed, schema);
    {
        store::Table table;
        table.setTableName(transposed);
        table.open();
        for (const QVariantList& row : rows) {
            table.append();
            for (int c = 0; c < int(row.size()); ++c)
                table.setValue(c, row[c]);
            table.post();
        }
        table.close();
    }
    answer.setSql(u"Select * from hljh.db"_s);
    answer.open();
}

QStringList exportFileTypes()
{
    return { u"*.db"_s, u"*.dbf"_s, u"*.txt"_s, u"*.xlsx"_s, u"*.csv"_s };
}
