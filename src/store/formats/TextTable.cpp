#include "TextTable.h"

#include "../StoreError.h"
#include "../TablePath.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

using namespace Qt::StringLiterals;

namespace store::formats {

namespace {

constexpr int MaxWidth = 65535;

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Text:
        return u"CHAR"_s;
    case FieldType::SmallInt:
        return u"NUMBER"_s;
    case FieldType::Integer:
        return u"LONGINT"_s;
    case FieldType::Float:
        return u"FLOAT"_s;
    case FieldType::Date:
        return u"DATE"_s;
    case FieldType::Logical:
        return u"BOOL"_s;
    case FieldType::Memo:
        return u"MEMO"_s;
    }
    return u"CHAR"_s;
}

int widthOf(const FieldDef& f)
{
    switch (f.type) {
    case FieldType::Text:
        return std::max(f.size, 1);
    case FieldType::SmallInt:
        return 6;
    case FieldType::Integer:
        return 11;
    case FieldType::Float:
        return 20;
    case FieldType::Date:
        return 10;
    case FieldType::Logical:
        return 1;
    case FieldType::Memo:
        return 0;
    }
    return 0;
}

bool parseType(const QString& name, int width, int decimals, FieldDef* f)
{
    const QString t = name.trimmed().toUpper();
    f->size = 0;
    f->decimals = 0;
    if (t == "CHAR"_L1 || t == "ALPHA"_L1 || t == "CHARACTER"_L1 || t == "STRING"_L1 || t == "VARCHAR"_L1) {
        f->type = FieldType::Text;
        f->size = std::max(width, 1);
    } else if (t == "TIME"_L1 || t == "TIMESTAMP"_L1 || t == "DATETIME"_L1) {
        // No time type in the store: the text is kept as written.
        f->type = FieldType::Text;
        f->size = std::max(width, t == "TIME"_L1 ? 8 : 19);
    } else if (t == "NUMBER"_L1 || t == "SHORT"_L1 || t == "SMALLINT"_L1) {
        f->type = decimals > 0 ? FieldType::Float : FieldType::SmallInt;
        f->decimals = decimals;
    } else if (t == "LONGINT"_L1 || t == "INTEGER"_L1 || t == "LONG"_L1 || t == "INT"_L1
        || t == "AUTOINC"_L1) {
        f->type = FieldType::Integer;
    } else if (t == "FLOAT"_L1 || t == "NUMERIC"_L1 || t == "DOUBLE"_L1 || t == "CURRENCY"_L1
        || t == "MONEY"_L1 || t == "BCD"_L1 || t == "DECIMAL"_L1) {
        f->type = FieldType::Float;
        f->decimals = decimals;
    } else if (t == "DATE"_L1) {
        f->type = FieldType::Date;
    } else if (t == "BOOL"_L1 || t == "BOOLEAN"_L1 || t == "LOGICAL"_L1) {
        f->type = FieldType::Logical;
    } else if (t == "MEMO"_L1 || t == "TEXT"_L1 || t == "BLOB"_L1) {
        f->type = FieldType::Memo;
    } else {
        return false;
    }
    return true;
}

std::optional<bool> parseLogical(std::string_view raw)
{
    const std::string_view t = trimmed(raw);
    if (t.size() > 5) return std::nullopt;
    char up[6] = {};
    for (size_t i = 0; i < t.size(); ++i)
        up[i] = char(std::toupper(static_cast<unsigned char>(t[i])));
    const std::string_view u(up, t.size());
    // GBK 是 and 否 as well.
    if (u == "T" || u == "TRUE" || u == "Y" || u == "YES" || u == "1" || u == "\xCA\xC7") return true;
    if (u == "F" || u == "FALSE" || u == "N" || u == "NO" || u == "0" || u == "\xB7\xF1") return false;
    return std::nullopt;
}

QDate parseDate(std::string_view raw)
{
    const QString t = QString::fromLatin1(trimmed(raw).data(), qsizetype(trimmed(raw).size()));
    for (const auto* format : { "yyyy-MM-dd", "yyyy/MM/dd", "yyyyMMdd", "yyyy.MM.dd", "yyyy-M-d", "yyyy/M/d",
             "MM/dd/yyyy", "M/d/yyyy" }) {
        const QDate d = QDate::fromString(t, QLatin1StringView(format));
        if (d.isValid()) return d;
    }
    return {};
}

QByteArray dateText(const QDate& d)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year(), d.month(), d.day());
    return QByteArray(buf);
}

} // namespace

TextTable::TextTable(const QString& path)
    : m_path(path)
    , m_name(displayName(path))
{
}

TextTable::~TextTable() = default;

void TextTable::fail(const QString& what) const
{
    throw StoreError(u"文本表 %1 %2"_s.arg(m_name, what));
}

std::unique_ptr<TextTable> TextTable::open(const QString& path)
{
    std::unique_ptr<TextTable> table(new TextTable(path));
    TextTable& t = *table;
    if (!QFileInfo::exists(path)) t.fail(u"不存在"_s);
    t.m_schemaPath = companionPath(path, u"sch"_s);
    if (QFileInfo::exists(t.m_schemaPath)) {
        t.readSchemaFile();
        if (!QFileInfo(path).isWritable()) t.m_readOnlyReason = u"是只读文件，不能修改"_s;
    } else {
        t.inferSchema(t.readData());
        t.m_readOnlyReason = u"没有结构文件 %1，只能读取"_s.arg(displayName(t.m_schemaPath));
    }
    return table;
}

QByteArray TextTable::readData() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) fail(u"无法打开: %1"_s.arg(file.errorString()));
    return file.readAll();
}

void TextTable::readSchemaFile()
{
    const QString schemaName = displayName(m_schemaPath);
    QFile file(m_schemaPath);
    if (!file.open(QIODevice::ReadOnly))
        fail(u"的结构文件 %1 无法打开: %2"_s.arg(schemaName, file.errorString()));
    const QByteArray bytes = file.readAll();
    const QList<QByteArray> lines = bytes.split('\n');
    // The character set decides how the field names read, so it is looked up first.
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && line.left(eq).trimmed().toLower() == "charset") {
            const QByteArray v = line.mid(eq + 1).trimmed().toLower();
            m_utf8 = v == "utf-8" || v == "utf8";
        }
    }
    struct Entry
    {
        QString name;
        QString type;
        int width = 0;
        int decimals = 0;
        int offset = 0;
        int line = 0;
    };
    std::map<int, Entry> entries;
    auto bad = [&](int lineNo, const QString& why) {
        fail(u"的结构文件 %1 第 %2 行%3"_s.arg(schemaName).arg(lineNo).arg(why));
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = int(i + 1);
        QByteArray raw = lines[i];
        if (raw.endsWith('\r')) raw.chop(1);
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith("//") || line.startsWith('[')) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) bad(lineNo, u"无法识别"_s);
        const QByteArray key = line.left(eq).trimmed().toLower();
        const QByteArray rawValue = raw.mid(raw.indexOf('=') + 1);
        const QByteArray value = rawValue.trimmed();
        if (key == "filetype") {
            const QByteArray v = value.toUpper();
            if (v == "VARYING" || v == "DELIMITED")
                m_layout = Layout::Varying;
            else if (v == "FIXED")
                m_layout = Layout::Fixed;
            else
                bad(lineNo, u"的文件类型 %1 不受支持"_s.arg(QString::fromLatin1(value)));
        } else if (key == "delimiter") {
            m_delimiter = value.isEmpty() ? '\0' : value[0];
        } else if (key == "separator") {
            if (value.toUpper() == "TAB" || value == "\\t")
                m_separator = '\t';
            else if (!value.isEmpty())
                m_separator = value[0];
            else if (!rawValue.isEmpty())
                m_separator = rawValue[0];
            else
                bad(lineNo, u"没有给出分隔符"_s);
        } else if (key.startsWith("field") && key.size() > 5) {
            bool ok = false;
            const int n = key.mid(5).toInt(&ok);
            if (!ok || n < 1) bad(lineNo, u"无法识别"_s);
            const QString text = m_utf8 ? QString::fromUtf8(value) : m_codec.decode(value);
            QStringList parts = text.split(u',');
            if (parts.size() < 5) bad(lineNo, u"的字段说明不完整"_s);
            Entry e;
            e.line = lineNo;
            int numbers[3];
            for (int k = 0; k < 3; ++k) {
                numbers[k] = parts[parts.size() - 3 + k].trimmed().toInt(&ok);
                if (!ok || numbers[k] < 0 || numbers[k] > MaxWidth)
                    bad(lineNo, u"的宽度、小数位或位置不是合理的数"_s);
            }
            e.width = numbers[0];
            e.decimals = numbers[1];
            e.offset = numbers[2];
            e.type = parts[parts.size() - 4];
            e.name = parts.mid(0, parts.size() - 4).join(u',').trimmed();
            if (!entries.emplace(n, e).second) bad(lineNo, u"重复定义了 Field%1"_s.arg(n));
        }
    }
    if (entries.empty()) fail(u"的结构文件 %1 没有定义字段"_s.arg(schemaName));
    int expected = 1;
    for (const auto& [n, e] : entries) {
        if (n != expected) fail(u"的结构文件 %1 缺少 Field%2"_s.arg(schemaName).arg(expected));
        ++expected;
        FieldDef f;
        f.name = e.name;
        if (f.name.isEmpty()) bad(e.line, u"的字段没有名字"_s);
        if (!parseType(e.type, e.width, e.decimals, &f))
            bad(e.line, u"的类型 %1 不受支持"_s.arg(e.type.trimmed()));
        if (m_schema.fieldIndex(f.name) >= 0) bad(e.line, u"的字段名 %1 重复"_s.arg(f.name));
        if (m_layout == Layout::Fixed && e.width < 1) bad(e.line, u"的字段宽度为 0"_s);
        m_schema.fields.append(f);
        m_columns.append(Column { e.width, e.offset });
    }
}

void TextTable::inferSchema(const QByteArray& data)
{
    m_headerLine = true;
    const qsizetype firstLineEnd = data.indexOf('\n');
    const QByteArray first = data.left(firstLineEnd < 0 ? data.size() : firstLineEnd);
    if (first.contains('\t') && !first.contains(',')) m_separator = '\t';
    qsizetype pos = 0;
    int line = 1;
    Record record;
    if (!nextRecord(data, pos, line, record)) fail(u"没有结构文件，也没有给出字段名的首行"_s);
    QList<int> widths;
    for (qsizetype i = 0; i < record.fields.size(); ++i) {
        FieldDef f;
        f.type = FieldType::Text;
        f.name = decodeText(fieldBytes(data, record.fields[i])).trimmed();
        if (f.name.isEmpty()) f.name = u"FIELD%1"_s.arg(i + 1);
        const QString base = f.name;
        for (int k = 2; m_schema.fieldIndex(f.name) >= 0; ++k)
            f.name = u"%1_%2"_s.arg(base).arg(k);
        m_schema.fields.append(f);
        m_columns.append(Column {});
        widths.append(1);
    }
    while (nextRecord(data, pos, line, record)) {
        if (record.fields.size() > widths.size())
            fail(u"第 %1 行有 %2 个字段，多于首行的 %3 个"_s.arg(record.line)
                     .arg(record.fields.size())
                     .arg(widths.size()));
        for (qsizetype i = 0; i < record.fields.size(); ++i) {
            const std::string_view bytes = fieldBytes(data, record.fields[i]);
            const int n = m_utf8 ? gbkLength(decodeText(bytes)) : int(bytes.size());
            widths[i] = std::max(widths[i], n);
        }
    }
    for (qsizetype i = 0; i < widths.size(); ++i)
        m_schema.fields[i].size = widths[i];
}

bool TextTable::nextRecord(const QByteArray& data, qsizetype& pos, int& line, Record& record)
{
    const char* d = data.constData();
    const qsizetype size = data.size();
    auto lineBreak = [&] {
        if (pos < size && d[pos] == '\r') {
            ++pos;
            if (pos < size && d[pos] == '\n') ++pos;
            ++line;
        } else if (pos < size && d[pos] == '\n') {
            ++pos;
            ++line;
        }
    };
    auto atLineEnd = [&](qsizetype p) { return p >= size || d[p] == '\r' || d[p] == '\n'; };
    while (pos < size && (d[pos] == '\r' || d[pos] == '\n'))
        lineBreak();
    if (pos >= size) return false;
    record.fields.clear();
    m_scratch.clear();
    record.begin = pos;
    record.line = line;

    if (m_layout == Layout::Fixed) {
        qsizetype end = pos;
        while (!atLineEnd(end))
            ++end;
        for (const Column& c : m_columns) {
            const qsizetype b = std::min(pos + c.offset, end);
            record.fields.append(Slice { b, std::min(b + c.width, end), false });
        }
        pos = end;
        lineBreak();
        record.end = pos;
        return true;
    }

    for (;;) {
        Slice s;
        if (m_delimiter && pos < size && d[pos] == m_delimiter) {
            const int startLine = line;
            const qsizetype content = pos + 1;
            const void* hit = std::memchr(d + content, m_delimiter, size_t(size - content));
            if (!hit)
                fail(u"第 %1 行的文字缺少结束的 %2"_s.arg(startLine).arg(QChar::fromLatin1(m_delimiter)));
            const qsizetype close = static_cast<const char*>(hit) - d;
            const bool plain = (close + 1 >= size || d[close + 1] != m_delimiter)
                && (close + 1 >= size || d[close + 1] == m_separator || atLineEnd(close + 1));
            if (plain) {
                s = Slice { content, close, false };
                line += int(std::count(d + content, d + close, '\n'));
                pos = close + 1;
            } else {
                // Doubled delimiters, or text after the closing one: unescape into the scratch.
                s.scratch = true;
                s.begin = qsizetype(m_scratch.size());
                pos = content;
                for (;;) {
                    if (pos >= size)
                        fail(u"第 %1 行的文字缺少结束的 %2"_s.arg(startLine).arg(
                            QChar::fromLatin1(m_delimiter)));
                    const char c = d[pos];
                    if (c == m_delimiter) {
                        if (pos + 1 < size && d[pos + 1] == m_delimiter) {
                            m_scratch += c;
                            pos += 2;
                            continue;
                        }
                        ++pos;
                        break;
                    }
                    if (c == '\n') ++line;
                    m_scratch += c;
                    ++pos;
                }
                while (pos < size && d[pos] != m_separator && !atLineEnd(pos))
                    m_scratch += d[pos++];
                s.end = qsizetype(m_scratch.size());
            }
        } else {
            s.begin = pos;
            while (pos < size && d[pos] != m_separator && !atLineEnd(pos))
                ++pos;
            s.end = pos;
        }
        record.fields.append(s);
        if (pos < size && d[pos] == m_separator) {
            ++pos;
            continue;
        }
        break;
    }
    lineBreak();
    record.end = pos;
    return true;
}

std::string_view TextTable::fieldBytes(const QByteArray& data, const Slice& s) const
{
    if (s.scratch) return std::string_view(m_scratch.data() + s.begin, size_t(s.end - s.begin));
    return std::string_view(data.constData() + s.begin, size_t(s.end - s.begin));
}

QString TextTable::decodeText(std::string_view bytes)
{
    if (m_utf8) return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    return m_codec.decode(bytes.data(), qsizetype(bytes.size()));
}

QByteArray TextTable::encodeText(const QString& text)
{
    return m_utf8 ? text.toUtf8() : m_codec.encode(text);
}

QVariant TextTable::decodeValue(std::string_view bytes, int field, int line)
{
    const FieldDef& f = m_schema.fields[field];
    auto bad = [&](const QString& what) -> QVariant {
        fail(u"第 %1 行字段 %2 的值 %3 %4"_s.arg(line).arg(f.name, decodeText(bytes), what));
    };
    switch (f.type) {
    case FieldType::Text:
    case FieldType::Memo: {
        if (m_layout == Layout::Fixed)
            while (!bytes.empty() && bytes.back() == ' ')
                bytes.remove_suffix(1);
        if (bytes.empty()) return {};
        return decodeText(bytes);
    }
    case FieldType::SmallInt:
    case FieldType::Integer: {
        if (trimmed(bytes).empty()) return {};
        if (const auto n = parseInteger(bytes)) return QVariant(qint64(*n));
        const auto d = parseDouble(bytes);
        if (d && *d == std::floor(*d) && std::fabs(*d) < 9.2e18) return QVariant(qint64(*d));
        return bad(u"不是整数"_s);
    }
    case FieldType::Float: {
        if (trimmed(bytes).empty()) return {};
        if (const auto d = parseDouble(bytes)) return *d;
        return bad(u"不是数值"_s);
    }
    case FieldType::Date: {
        if (trimmed(bytes).empty()) return {};
        const QDate d = parseDate(bytes);
        if (d.isValid()) return d;
        return bad(u"不是日期"_s);
    }
    case FieldType::Logical: {
        if (trimmed(bytes).empty()) return {};
        if (const auto b = parseLogical(bytes)) return *b;
        return bad(u"不是逻辑值"_s);
    }
    }
    return {};
}

void TextTable::readAll(const std::function<void(qint64 recno, const QVariantList& values)>& row)
{
    const QByteArray data = readData();
    qsizetype pos = 0;
    int line = 1;
    Record record;
    if (m_headerLine) nextRecord(data, pos, line, record);
    const qsizetype columns = m_schema.fields.size();
    QVariantList values;
    values.resize(columns);
    QList<qint64> recnos;
    qsizetype index = 0;
    while (nextRecord(data, pos, line, record)) {
        if (record.fields.size() > columns)
            fail(u"第 %1 行有 %2 个字段，多于结构文件定义的 %3 个"_s.arg(record.line)
                     .arg(record.fields.size())
                     .arg(columns));
        for (qsizetype c = 0; c < columns; ++c)
            values[c] = c < record.fields.size()
                ? decodeValue(fieldBytes(data, record.fields[c]), int(c), record.line)
                : QVariant();
        const qint64 recno = m_scanned && index < m_recnos.size() ? m_recnos[index] : m_nextRecno++;
        recnos.append(recno);
        ++index;
        row(recno, values);
    }
    m_recnos = recnos;
    m_scanned = true;
}

void TextTable::scanRecords(const QByteArray& data, QList<Record>* records)
{
    qsizetype pos = 0;
    int line = 1;
    Record record;
    if (m_headerLine) nextRecord(data, pos, line, record);
    qsizetype count = 0;
    while (nextRecord(data, pos, line, record)) {
        ++count;
        if (records) records->append(record);
    }
    if (!m_scanned) {
        m_recnos.clear();
        for (qsizetype i = 0; i < count; ++i)
            m_recnos.append(m_nextRecno++);
        m_scanned = true;
    } else if (count != m_recnos.size()) {
        fail(u"在打开后被别的程序改动过，请重新打开"_s);
    }
}

qsizetype TextTable::indexOf(qint64 recno) const
{
    const auto it = std::lower_bound(m_recnos.begin(), m_recnos.end(), recno);
    if (it == m_recnos.end() || *it != recno) fail(u"没有第 %1 条记录"_s.arg(recno));
    return qsizetype(it - m_recnos.begin());
}

void TextTable::requireWritable() const
{
    if (!m_readOnlyReason.isEmpty()) fail(m_readOnlyReason);
}

QByteArray TextTable::encodeRecord(const QVariantList& values)
{
    QByteArray out;
    for (qsizetype i = 0; i < m_schema.fields.size(); ++i) {
        const FieldDef& f = m_schema.fields[i];
        const QVariant value = i < values.size() ? values[i] : QVariant();
        QByteArray text;
        bool isText = false;
        if (!value.isNull() && value.isValid()) {
            switch (f.type) {
            case FieldType::Text:
            case FieldType::Memo:
                text = encodeText(value.toString());
                isText = true;
                break;
            case FieldType::SmallInt:
            case FieldType::Integer:
                text = QByteArray::number(value.typeId() == QMetaType::Double
                        ? qint64(std::llround(value.toDouble()))
                        : value.toLongLong());
                break;
            case FieldType::Float:
                text = shortestNumber(value.toDouble());
                break;
            case FieldType::Date:
                if (value.toDate().isValid()) text = dateText(value.toDate());
                break;
            case FieldType::Logical:
                text = value.toBool() ? "T" : "F";
                break;
            }
        }
        if (m_layout == Layout::Fixed) {
            const int width = m_columns[i].width;
            if (text.contains('\n') || text.contains('\r'))
                fail(u"的字段 %1 是定宽的，不能存放换行"_s.arg(f.name));
            if (text.size() > width)
                fail(u"的字段 %1 (宽 %2) 放不下 %3"_s.arg(f.name).arg(width).arg(value.toString()));
            // Fields go to their offsets; a gap in the layout stays blank.
            const qsizetype at = m_columns[i].offset;
            if (out.size() < at) out.append(at - out.size(), ' ');
            const QByteArray padded = isText ? text + QByteArray(width - text.size(), ' ')
                                             : QByteArray(width - text.size(), ' ') + text;
            out.replace(at, std::min<qsizetype>(width, std::max<qsizetype>(out.size() - at, 0)), padded);
            continue;
        }
        if (i > 0) out += m_separator;
        if (isText && m_delimiter) {
            const char delimiter[2] = { m_delimiter, 0 };
            const char doubled[3] = { m_delimiter, m_delimiter, 0 };
            out += m_delimiter;
            out += text.replace(delimiter, doubled);
            out += m_delimiter;
        } else {
            if (text.contains(m_separator) || text.contains('\n') || text.contains('\r'))
                fail(u"没有定界符，字段 %1 的内容不能含有分隔符或换行"_s.arg(f.name));
            out += text;
        }
    }
    out += "\r\n";
    return out;
}

qint64 TextTable::append(const QVariantList& values)
{
    requireWritable();
    if (!m_scanned) scanRecords(readData(), nullptr);
    QByteArray line = encodeRecord(values);
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite)) throwIoError(m_name, file);
    const qint64 size = file.size();
    if (size > 0) {
        // A last line without its line break would swallow the new row.
        file.seek(size - 1);
        const QByteArray last = file.read(1);
        if (last != "\n" && last != "\r") line.prepend("\r\n");
    }
    if (!file.seek(size) || file.write(line) != line.size()) throwIoError(m_name, file);
    syncToDisk(file, m_name);
    m_recnos.append(m_nextRecno);
    return m_nextRecno++;
}

void TextTable::replaceRecord(qint64 recno, const QByteArray* replacement)
{
    const QByteArray data = readData();
    QList<Record> records;
    scanRecords(data, &records);
    const qsizetype index = indexOf(recno);
    const Record& r = records[index];
    QByteArray out = data.left(r.begin);
    if (replacement) out += *replacement;
    out += data.mid(r.end);
    replaceFile(m_path, out, m_name);
    if (!replacement) m_recnos.removeAt(index);
}

void TextTable::update(qint64 recno, const QVariantList& values)
{
    requireWritable();
    const QByteArray line = encodeRecord(values);
    replaceRecord(recno, &line);
}

void TextTable::remove(qint64 recno)
{
    requireWritable();
    replaceRecord(recno, nullptr);
}

void TextTable::pack()
{
    requireWritable();
    // Deleted rows already left the file; only the numbering closes up.
    if (!m_scanned) scanRecords(readData(), nullptr);
    for (qsizetype i = 0; i < m_recnos.size(); ++i)
        m_recnos[i] = i + 1;
    m_nextRecno = m_recnos.size() + 1;
}

void TextTable::rewrite(const QList<QVariantList>& rows)
{
    requireWritable();
    QByteArray out;
    for (const QVariantList& values : rows)
        out += encodeRecord(values);
    replaceFile(m_path, out, m_name);
    m_recnos.clear();
    for (qsizetype i = 0; i < rows.size(); ++i)
        m_recnos.append(i + 1);
    m_nextRecno = rows.size() + 1;
    m_scanned = true;
}

QByteArray TextTable::schemaFileBytes() const
{
    QByteArray out;
    out += '[' + m_codec.encode(QFileInfo(m_path).completeBaseName()) + "]\r\n";
    out += "Filetype=VARYING\r\nDelimiter=\"\r\nSeparator=,\r\nCharSet=GBK\r\n";
    int offset = 0;
    for (qsizetype i = 0; i < m_schema.fields.size(); ++i) {
        const FieldDef& f = m_schema.fields[i];
        const int width = widthOf(f);
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, ",%02d,%02d,%02d\r\n", width, f.decimals, offset);
        out += "Field" + QByteArray::number(i + 1) + '=' + m_codec.encode(f.name) + ','
            + typeName(f.type).toLatin1() + numbers;
        offset += width;
    }
    return out;
}

std::unique_ptr<TextTable> TextTable::create(const QString& path, const TableSchema& schema)
{
    std::unique_ptr<TextTable> table(new TextTable(path));
    TextTable& t = *table;
    if (schema.fields.isEmpty()) t.fail(u"至少要有一个字段"_s);
    for (const FieldDef& f : schema.fields) {
        if (f.name.trimmed().isEmpty()) t.fail(u"的字段名不能为空"_s);
        if (f.name.contains(u',') || f.name.contains(u'\n') || f.name.contains(u'\r'))
            t.fail(u"的字段名 %1 不能含有逗号或换行"_s.arg(f.name));
        if (t.m_schema.fieldIndex(f.name) >= 0) t.fail(u"的字段名 %1 重复"_s.arg(f.name));
        FieldDef def = f;
        def.size = f.type == FieldType::Text ? std::max(f.size, 1) : 0;
        def.decimals = f.type == FieldType::Float ? std::clamp(f.decimals, 0, 99) : 0;
        t.m_schema.fields.append(def);
    }
    const QString schemaPath = companionPath(path, u"sch"_s);
    replaceFile(schemaPath, t.schemaFileBytes(), t.m_name);
    replaceFile(path, QByteArray(), t.m_name);
    return open(path);
}

} // namespace store::formats
