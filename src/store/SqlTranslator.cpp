#include "SqlTranslator.h"

#include "Collation.h"
#include "StoreError.h"

#include <QHash>
#include <QSet>

#include <sqlite3.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace store {

namespace {

[[noreturn]] void fail(const QString& what)
{
    throw StoreError(u"SQL 语句错误: "_s + what);
}

bool isBlank(QChar c)
{
    return c.isSpace() || c.unicode() == 0xFEFF;
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Letters of any script start a name: SQLite reads every non-ASCII character as part of
// an identifier, so unquoted Chinese names need no quoting.
bool isWordStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || (u >= 0x80 && !isBlank(c));
}

bool isWordChar(QChar c)
{
    return isWordStart(c) || isDigit(c);
}

bool isPlainIdentifier(const QString& s)
{
    if (s.isEmpty()) return false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_';
        if (!letter && (i == 0 || !isDigit(s[i]))) return false;
    }
    return true;
}

// Words that end a table reference instead of being its alias.
bool isReserved(const QString& word)
{
    static const QStringList words
        = u"select from where group order having union except intersect limit offset left right inner outer "
          "full cross natural join on using set values into as and or not by asc desc is null in like "
          "between exists distinct all case when then else end window returning default"_s.split(u' ');
    return words.contains(word, Qt::CaseInsensitive);
}

bool isSqliteKeyword(const QString& word)
{
    const QByteArray utf8 = word.toUtf8();
    return sqlite3_keyword_check(utf8.constData(), int(utf8.size())) != 0;
}

QString baseName(const QString& fileName)
{
    QString name = fileName.trimmed();
    name.replace(u'\\', u'/');
    name = name.mid(name.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 ? name.left(dot) : name;
}

// Reads the characters of a statement; knows quotes, names, numbers and comments, not SQL.
class Lexer
{
public:
    explicit Lexer(const QString& text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek(qsizetype ahead = 0) const
    {
        const qsizetype i = m_pos + ahead;
        return i < m_text.size() ? m_text[i] : QChar();
    }
    qsizetype pos() const { return m_pos; }
    void setPos(qsizetype pos) { m_pos = pos; }
    void advance(qsizetype n = 1) { m_pos = std::min(m_pos + n, m_text.size()); }

    // True when blanks or comments were skipped.
    bool skipSpace()
    {
        const qsizetype start = m_pos;
        while (!atEnd()) {
            if (isBlank(peek())) {
                ++m_pos;
            } else if (peek() == u'-' && peek(1) == u'-') {
                while (!atEnd() && peek() != u'\n')
                    ++m_pos;
            } else if (peek() == u'/' && peek(1) == u'*') {
                const qsizetype end = m_text.indexOf(u"*/"_s, m_pos + 2);
                m_pos = end < 0 ? m_text.size() : end + 2;
            } else {
                break;
            }
        }
        return m_pos > start;
    }

    QString excerpt(qsizetype from) const
    {
        QString s = m_text.mid(from, 24).simplified();
        if (from + 24 < m_text.size()) s += u'…';
        return s;
    }

    // At an opening quote: the quoted text, a doubled quote read as one.
    QString quoted()
    {
        const qsizetype start = m_pos;
        const QChar quote = peek();
        ++m_pos;
        QString content;
        for (;;) {
            if (atEnd()) fail(u"引号不成对: %1"_s.arg(excerpt(start)));
            const QChar c = m_text[m_pos++];
            if (c == quote) {
                if (peek() != quote) return content;
                ++m_pos;
            }
            content += c;
        }
    }

    QString raw(qsizetype from) const { return m_text.mid(from, m_pos - from); }

    QString word()
    {
        const qsizetype start = m_pos;
        while (!atEnd() && isWordChar(peek()))
            ++m_pos;
        return raw(start);
    }

    // A table file name written without quotes: everything up to a blank or a separator.
    QString bareName()
    {
        const qsizetype start = m_pos;
        while (!atEnd()) {
            const QChar c = peek();
            if (isBlank(c) || c == u',' || c == u'(' || c == u')' || c == u';' || c == u'"' || c == u'\'')
                break;
            ++m_pos;
        }
        return raw(start);
    }

    QString number()
    {
        const qsizetype start = m_pos;
        while (isDigit(peek()))
            ++m_pos;
        if (peek() == u'.') {
            ++m_pos;
            while (isDigit(peek()))
                ++m_pos;
        }
        if ((peek() == u'e' || peek() == u'E')
            && (isDigit(peek(1)) || ((peek(1) == u'+' || peek(1) == u'-') && isDigit(peek(2))))) {
            m_pos += 2;
            while (isDigit(peek()))
                ++m_pos;
        }
        return raw(start);
    }

    QString punct()
    {
        static const QStringList pairs { u"<="_s, u">="_s, u"<>"_s, u"!="_s, u"||"_s, u"=="_s };
        const QString two = m_text.mid(m_pos, 2);
        if (pairs.contains(two)) {
            m_pos += 2;
            return two;
        }
        const QChar c = peek();
        if (c.unicode() < 0x20) fail(u"语句中有不能识别的控制字符 (编码 %1)"_s.arg(int(c.unicode())));
        ++m_pos;
        return QString(c);
    }

private:
    const QString& m_text;
    qsizetype m_pos = 0;
};

enum class Kind {
    Word,
    Number,
    String, // single-quoted, kept as written
    Constant, // double-quoted where a value is expected
    Identifier, // double-quoted column name
    Qualifier, // double-quoted table name before '.'
    Punct,
    Table,
};

struct Token
{
    Kind kind = Kind::Word;
    QString text; // as written; for the double-quoted kinds the text between the quotes
    bool space = false; // blanks before it
    int ref = -1; // Table: index of the reference
};

struct Reference
{
    QString fileName;
    QString alias; // as written
    QString effectiveAlias; // written, or the base name given to it
    int table = -1;
    bool mayGetAlias = true; // not for an INSERT target: SQLite could not use it there
    bool aliasWithAs = false; // UPDATE and DELETE targets take "AS alias"
};

// Where a table reference is due.
enum class Expect { None, From, Join, Comma, Update, Into, Ddl };

QString keywordOf(Expect e)
{
    switch (e) {
    case Expect::From:
        return u"FROM"_s;
    case Expect::Join:
        return u"JOIN"_s;
    case Expect::Comma:
        return u"逗号"_s;
    case Expect::Update:
        return u"UPDATE"_s;
    case Expect::Into:
        return u"INTO"_s;
    default:
        return u"TABLE"_s;
    }
}

// The functions whose SQL-92 argument syntax SQLite does not read.
enum class Function { None, Substring, Trim, Extract, Cast };

Function functionOf(const QString& word)
{
    if (word.compare("substring"_L1, Qt::CaseInsensitive) == 0) return Function::Substring;
    if (word.compare("trim"_L1, Qt::CaseInsensitive) == 0) return Function::Trim;
    if (word.compare("extract"_L1, Qt::CaseInsensitive) == 0) return Function::Extract;
    if (word.compare("cast"_L1, Qt::CaseInsensitive) == 0) return Function::Cast;
    return Function::None;
}

// One parenthesis level while reading.
struct Level
{
    bool fromList = false; // a comma here starts another table
    bool functionFrom = false; // FROM here belongs to SUBSTRING, TRIM or EXTRACT
    bool columnList = false; // INSERT's column list: double quotes are names
    bool byList = false; // after ORDER BY or GROUP BY: a double-quoted item is a name
};

// A function call being rewritten while the statement is written out.
struct Frame
{
    Function function = Function::None;
    bool space = false;
    QStringList parts { QString() };
    int depth = 0; // plain parentheses open inside it
    QString side; // TRIM: leading, trailing or both
};

void appendTo(Frame& frame, const QString& text, bool space)
{
    QString& part = frame.parts.last();
    if (space && !part.isEmpty()) part += u' ';
    part += text;
}

// strftime format of an EXTRACT field; null when there is none.
const char* extractFormat(const QString& field)
{
    static const char* const fields[][2] = { { "year", "%Y" }, { "month", "%m" }, { "day", "%d" },
        { "hour", "%H" }, { "minute", "%M" }, { "second", "%S" } };
    for (const auto& f : fields)
        if (field.compare(QLatin1StringView(f[0]), Qt::CaseInsensitive) == 0) return f[1];
    return nullptr;
}

QString castType(const QString& declared)
{
    FieldType type;
    int size = 0;
    if (!parseSqlType(declared, &type, &size)) return declared;
    switch (type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Logical:
        return u"INTEGER"_s;
    case FieldType::Float:
        return u"REAL"_s;
    default:
        return u"TEXT"_s; // dates are ISO text
    }
}

QString closeFunction(const Frame& f)
{
    QStringList parts;
    for (const QString& p : f.parts)
        parts.append(p.trimmed());
    switch (f.function) {
    case Function::Substring:
        return u"substr("_s + parts.join(u',') + u')';
    case Function::Trim: {
        const QString name = f.side == "leading"_L1 ? u"ltrim"_s
            : f.side == "trailing"_L1               ? u"rtrim"_s
                                                    : u"trim"_s;
        if (parts.size() == 2)
            return name + u'(' + parts[1] + (parts[0].isEmpty() ? QString() : u',' + parts[0]) + u')';
        return name + u'(' + parts[0] + u')';
    }
    case Function::Extract:
        // The field was checked while reading; a malformed call is left for SQLite to reject.
        if (const char* format = extractFormat(parts[0]); format && parts.size() == 2)
            return u"cast(strftime('%1',%2) as integer)"_s.arg(QLatin1StringView(format), parts[1]);
        return u"extract("_s + parts.join(u',') + u')';
    case Function::Cast:
        if (parts.size() == 2) return u"cast("_s + parts[0] + u" as "_s + castType(parts[1]) + u')';
        return u"cast("_s + parts[0] + u')';
    case Function::None:
        break;
    }
    return u'(' + parts.join(u',') + u')';
}

class Translator
{
public:
    Translator(const QString& text, const std::function<QString(const QString&)>* schemaOf)
        : m_text(text)
        , m_lex(text)
        , m_schemaOf(schemaOf)
    {
    }

    SqlTranslation statement()
    {
        if (m_text.contains(QChar(0))) fail(u"语句中有不能识别的控制字符 (编码 0)"_s);
        m_lex.skipSpace();
        if (m_lex.atEnd()) fail(u"语句为空"_s);
        const qsizetype start = m_lex.pos();
        const QString first = isWordStart(m_lex.peek()) ? m_lex.word() : QString();
        const QString verb = first.toLower();
        if (verb == "create"_L1 || verb == "drop"_L1) {
            ddl(verb);
        } else {
            if (verb == "select"_L1)
                m_out.kind = SqlStatementKind::Select;
            else if (verb == "insert"_L1)
                m_out.kind = SqlStatementKind::Insert;
            else if (verb == "update"_L1)
                m_out.kind = SqlStatementKind::Update;
            else if (verb == "delete"_L1)
                m_out.kind = SqlStatementKind::Delete;
            else
                fail(u"不支持以“%1”开头的语句"_s.arg(m_lex.excerpt(start).section(u' ', 0, 0)));
            m_lex.setPos(start);
            read(false);
        }
        resolve();
        if (m_target >= 0) m_out.targetTable = m_refs[size_t(m_target)].table;
        if (m_out.kind != SqlStatementKind::CreateTable && m_out.kind != SqlStatementKind::CreateIndex
            && m_out.kind != SqlStatementKind::DropTable && m_out.kind != SqlStatementKind::DropIndex) {
            collateSortTerms();
            m_out.sql = write();
        }
        return m_out;
    }

    QString expression()
    {
        if (m_text.contains(QChar(0))) fail(u"语句中有不能识别的控制字符 (编码 0)"_s);
        m_lex.skipSpace();
        if (m_lex.atEnd()) fail(u"表达式为空"_s);
        read(true);
        for (const Token& t : m_tokens)
            if (t.kind == Kind::Qualifier) fail(u"表达式中不能指明表 %1"_s.arg(t.text));
        return write();
    }

private:
    const Token* previous() const { return m_tokens.empty() ? nullptr : &m_tokens.back(); }

    bool previousIs(Kind kind, const QString& text) const
    {
        const Token* p = previous();
        return p && p->kind == kind && p->text.compare(text, Qt::CaseInsensitive) == 0;
    }

    // Reads a table reference where one is due; false for a subquery "(select …)".
    bool reference(Expect e, bool space)
    {
        const qsizetype start = m_lex.pos();
        const QChar c = m_lex.peek();
        if (m_lex.atEnd() || c == u',' || c == u')' || c == u';') fail(u"%1 后缺少表名"_s.arg(keywordOf(e)));
        if (c == u'(') {
            if (e == Expect::From || e == Expect::Join || e == Expect::Comma) return false;
            fail(u"%1 后缺少表名"_s.arg(keywordOf(e)));
        }
        Reference ref;
        if (c == u'"' || c == u'\'') {
            ref.fileName = m_lex.quoted();
        } else {
            ref.fileName = m_lex.bareName();
            if (isReserved(ref.fileName))
                fail(u"%1 后缺少表名: %2"_s.arg(keywordOf(e), m_lex.excerpt(start)));
        }
        if (ref.fileName.trimmed().isEmpty()) fail(u"%1 后缺少表名"_s.arg(keywordOf(e)));
        if (e != Expect::Into && e != Expect::Ddl) {
            const qsizetype afterName = m_lex.pos();
            m_lex.skipSpace();
            QString word = isWordStart(m_lex.peek()) ? m_lex.word() : QString();
            if (word.compare("as"_L1, Qt::CaseInsensitive) == 0) {
                m_lex.skipSpace();
                word = isWordStart(m_lex.peek()) ? m_lex.word() : QString();
                if (word.isEmpty() || isReserved(word)) fail(u"AS 后缺少别名"_s);
                ref.alias = word;
            } else if (!word.isEmpty() && !isReserved(word)) {
                ref.alias = word;
            } else {
                m_lex.setPos(afterName);
            }
        }
        ref.mayGetAlias = e != Expect::Into && e != Expect::Ddl;
        const bool isTarget = e == Expect::Update || e == Expect::Into || e == Expect::Ddl
            || (m_out.kind == SqlStatementKind::Delete && m_tokens.size() == 2 && m_target < 0);
        ref.aliasWithAs = isTarget;
        if (isTarget && m_target < 0) m_target = int(m_refs.size());
        Token t;
        t.kind = Kind::Table;
        t.space = space;
        t.ref = int(m_refs.size());
        m_refs.push_back(ref);
        m_tokens.push_back(t);
        return true;
    }

    void read(bool expression)
    {
        std::vector<Level> levels(1);
        Expect expect = Expect::None;
        bool setList = false;
        bool afterInsertTarget = false;
        for (;;) {
            const bool space = m_lex.skipSpace() && !m_tokens.empty();
            if (m_lex.atEnd()) break;
            if (expect != Expect::None) {
                const Expect e = expect;
                expect = Expect::None;
                if (e == Expect::From || e == Expect::Join || e == Expect::Comma)
                    levels.back().fromList = true;
                if (reference(e, space)) {
                    afterInsertTarget = e == Expect::Into;
                    continue;
                }
            }
            const qsizetype start = m_lex.pos();
            const QChar c = m_lex.peek();
            if (c == u';') {
                if (expression) fail(u"表达式中不能有分号"_s);
                while (m_lex.peek() == u';') {
                    m_lex.advance();
                    m_lex.skipSpace();
                }
                if (!m_lex.atEnd()) fail(u"一次只能执行一条语句: %1"_s.arg(m_lex.excerpt(m_lex.pos())));
                break;
            }
            Token t;
            t.space = space;
            if (isWordStart(c)) {
                t.kind = Kind::Word;
                t.text = m_lex.word();
            } else if (isDigit(c)
                || (c == u'.' && isDigit(m_lex.peek(1))
                    && (space || !previous() || previous()->kind == Kind::Punct))) {
                t.kind = Kind::Number;
                t.text = m_lex.number();
            } else if (c == u'\'') {
                m_lex.quoted();
                t.kind = Kind::String;
                t.text = m_lex.raw(start);
            } else if (c == u'"') {
                t.text = m_lex.quoted();
                const bool afterDot = !space && previousIs(Kind::Punct, u"."_s);
                const bool listItem = previousIs(Kind::Word, u"by"_s) || previousIs(Kind::Punct, u","_s);
                const bool byItem = levels.back().byList && listItem;
                const bool setColumn
                    = setList && levels.size() == 1 && (previousIs(Kind::Word, u"set"_s) || listItem);
                if (m_lex.peek() == u'.' && !afterDot)
                    t.kind = Kind::Qualifier;
                else if (afterDot || setColumn || byItem || levels.back().columnList)
                    t.kind = Kind::Identifier;
                else
                    t.kind = Kind::Constant;
            } else {
                t.kind = Kind::Punct;
                t.text = m_lex.punct();
            }

            const qsizetype index = qsizetype(m_tokens.size());
            if (t.kind == Kind::Word && index >= 2 && m_tokens[index - 1].kind == Kind::Punct
                && m_tokens[index - 1].text == u"("_s && m_tokens[index - 2].kind == Kind::Word
                && functionOf(m_tokens[index - 2].text) == Function::Extract && !extractFormat(t.text))
                fail(u"EXTRACT 只能取 YEAR、MONTH、DAY、HOUR、MINUTE 或 SECOND"_s);
            if (!expression && index == 1 && m_out.kind == SqlStatementKind::Insert
                && !(t.kind == Kind::Word && t.text.compare("into"_L1, Qt::CaseInsensitive) == 0))
                fail(u"INSERT 后缺少 INTO"_s);
            if (!expression && index == 1 && m_out.kind == SqlStatementKind::Delete
                && !(t.kind == Kind::Word && t.text.compare("from"_L1, Qt::CaseInsensitive) == 0))
                fail(u"DELETE 后缺少 FROM"_s);

            Level& level = levels.back();
            if (t.kind == Kind::Punct && t.text == u"("_s) {
                Level inner;
                inner.functionFrom = previous() && previous()->kind == Kind::Word
                    && functionOf(previous()->text) != Function::None;
                inner.columnList = afterInsertTarget;
                levels.push_back(inner);
            } else if (t.kind == Kind::Punct && t.text == u")"_s) {
                if (levels.size() == 1) fail(u"括号不成对: %1"_s.arg(m_lex.excerpt(start)));
                levels.pop_back();
            } else if (t.kind == Kind::Punct && t.text == u","_s) {
                if (level.fromList) expect = Expect::Comma;
            } else if (t.kind == Kind::Word) {
                const QString w = t.text.toLower();
                if (!expression && index == 0 && w == "update"_L1) {
                    expect = Expect::Update;
                } else if (!expression && index == 1 && w == "into"_L1
                    && m_out.kind == SqlStatementKind::Insert) {
                    expect = Expect::Into;
                } else if (w == "from"_L1 && !level.functionFrom) {
                    if (expression) fail(u"表达式中不能引用表"_s);
                    expect = Expect::From;
                    if (levels.size() == 1) setList = false;
                } else if (w == "join"_L1) {
                    if (expression) fail(u"表达式中不能引用表"_s);
                    expect = Expect::Join;
                } else if (w == "where"_L1 || w == "group"_L1 || w == "order"_L1 || w == "having"_L1
                    || w == "union"_L1 || w == "except"_L1 || w == "intersect"_L1 || w == "limit"_L1
                    || w == "select"_L1) {
                    level.fromList = false;
                    level.byList = false;
                    if (levels.size() == 1) setList = false;
                } else if (w == "by"_L1
                    && (previousIs(Kind::Word, u"order"_s) || previousIs(Kind::Word, u"group"_s))) {
                    level.byList = true;
                } else if (w == "set"_L1 && levels.size() == 1 && m_out.kind == SqlStatementKind::Update) {
                    setList = true;
                }
            }
            afterInsertTarget = false;
            m_tokens.push_back(t);
        }
        if (expect != Expect::None) fail(u"%1 后缺少表名"_s.arg(keywordOf(expect)));
        if (levels.size() != 1) fail(u"括号不成对"_s);
    }

    // --- DDL ------------------------------------------------------------------------------

    bool acceptWord(QLatin1StringView word)
    {
        m_lex.skipSpace();
        const qsizetype start = m_lex.pos();
        if (isWordStart(m_lex.peek()) && m_lex.word().compare(word, Qt::CaseInsensitive) == 0) return true;
        m_lex.setPos(start);
        return false;
    }

    void expectWord(QLatin1StringView word, const QString& context)
    {
        if (!acceptWord(word)) fail(u"%1 后缺少 %2"_s.arg(context, QString(word).toUpper()));
    }

    bool acceptPunct(QChar c)
    {
        m_lex.skipSpace();
        if (m_lex.peek() != c) return false;
        m_lex.advance();
        return true;
    }

    QString name(const QString& what)
    {
        m_lex.skipSpace();
        const qsizetype start = m_lex.pos();
        QString n;
        if (m_lex.peek() == u'"')
            n = m_lex.quoted();
        else if (isWordStart(m_lex.peek()))
            n = m_lex.word();
        if (n.trimmed().isEmpty()) fail(u"缺少%1: %2"_s.arg(what, m_lex.excerpt(start)));
        return n;
    }

    QStringList nameList(const QString& what)
    {
        if (!acceptPunct(u'(')) fail(u"%1 应写在括号中"_s.arg(what));
        QStringList names;
        QSet<QString> seen;
        do {
            const QString n = name(what);
            if (seen.contains(n.toLower())) fail(u"%1 %2 重复"_s.arg(what, n));
            seen.insert(n.toLower());
            names.append(n);
        } while (acceptPunct(u','));
        if (!acceptPunct(u')')) fail(u"%1 的括号不成对"_s.arg(what));
        return names;
    }

    void ddlReference(const QString& keyword)
    {
        m_lex.skipSpace();
        if (m_lex.atEnd()) fail(u"%1 后缺少表名"_s.arg(keyword));
        reference(Expect::Ddl, false);
    }

    FieldDef fieldDef(QStringList* primary)
    {
        FieldDef f;
        f.name = name(u"字段名"_s);
        QStringList words;
        for (;;) {
            m_lex.skipSpace();
            const qsizetype start = m_lex.pos();
            if (!isWordStart(m_lex.peek())) break;
            const QString w = m_lex.word();
            static const QStringList ends { u"not"_s, u"null"_s, u"primary"_s };
            if (ends.contains(w, Qt::CaseInsensitive)) {
                m_lex.setPos(start);
                break;
            }
            words.append(w);
        }
        if (words.isEmpty()) fail(u"字段 %1 缺少类型"_s.arg(f.name));
        QString declared = words.join(u' ');
        QString decimals;
        if (acceptPunct(u'(')) {
            auto digits = [&] {
                m_lex.skipSpace();
                const QString n = m_lex.number();
                if (n.isEmpty() || n.size() > 6 || n.contains(u'.') || n.contains(u'e', Qt::CaseInsensitive))
                    fail(u"字段 %1 的长度写得不对"_s.arg(f.name));
                return n;
            };
            declared += u'(' + digits();
            if (acceptPunct(u',')) decimals = digits();
            if (!acceptPunct(u')')) fail(u"字段 %1 的长度写得不对"_s.arg(f.name));
            declared += u')';
        }
        if (!parseSqlType(declared, &f.type, &f.size))
            fail(u"字段 %1 的类型 %2 不认识"_s.arg(f.name, declared));
        if (f.type == FieldType::Float && !decimals.isEmpty()) f.decimals = decimals.toInt();
        for (;;) {
            if (acceptWord("not"_L1)) {
                expectWord("null"_L1, u"NOT"_s);
            } else if (acceptWord("null"_L1)) {
            } else if (acceptWord("primary"_L1)) {
                expectWord("key"_L1, u"PRIMARY"_s);
                primary->append(f.name);
            } else {
                break;
            }
        }
        return f;
    }

    void createTable()
    {
        m_out.kind = SqlStatementKind::CreateTable;
        ddlReference(u"TABLE"_s);
        if (!acceptPunct(u'(')) fail(u"CREATE TABLE 缺少字段定义"_s);
        QStringList columnKey;
        QStringList tableKey;
        bool tableKeyGiven = false;
        QSet<QString> names;
        do {
            const bool named = acceptWord("constraint"_L1);
            if (named) name(u"约束名"_s);
            if (named || acceptWord("primary"_L1)) {
                // [CONSTRAINT name] PRIMARY KEY (f1, f2)
                if (named) expectWord("primary"_L1, u"CONSTRAINT"_s);
                expectWord("key"_L1, u"PRIMARY"_s);
                if (tableKeyGiven) fail(u"主键定义了两次"_s);
                tableKey = nameList(u"主键字段"_s);
                tableKeyGiven = true;
                continue;
            }
            const FieldDef f = fieldDef(&columnKey);
            if (names.contains(f.name.toLower())) fail(u"字段 %1 重复"_s.arg(f.name));
            names.insert(f.name.toLower());
            m_out.schema.fields.append(f);
        } while (acceptPunct(u','));
        if (!acceptPunct(u')')) fail(u"字段定义有误: %1"_s.arg(m_lex.excerpt(m_lex.pos())));
        if (tableKeyGiven && !columnKey.isEmpty()) fail(u"主键定义了两次"_s);
        if (m_out.schema.fields.isEmpty()) fail(u"CREATE TABLE 缺少字段定义"_s);
        const QStringList key = tableKeyGiven ? tableKey : columnKey;
        if (!key.isEmpty()) {
            IndexDef primary;
            primary.primary = true;
            primary.unique = true;
            for (const QString& k : key) {
                const int i = m_out.schema.fieldIndex(k);
                if (i < 0) fail(u"主键字段 %1 不在表中"_s.arg(k));
                primary.fields.append(m_out.schema.fields[i].name);
            }
            m_out.schema.indexes.append(primary);
        }
    }

    void createIndex(bool unique)
    {
        m_out.kind = SqlStatementKind::CreateIndex;
        m_out.index.name = name(u"索引名"_s);
        if (m_out.index.name.compare("on"_L1, Qt::CaseInsensitive) == 0) fail(u"CREATE INDEX 后缺少索引名"_s);
        if (m_out.index.name.compare("primary"_L1, Qt::CaseInsensitive) == 0)
            fail(u"主索引只能由 CREATE TABLE 的 PRIMARY KEY 建立"_s);
        m_out.index.unique = unique;
        expectWord("on"_L1, u"CREATE INDEX %1"_s.arg(m_out.index.name));
        ddlReference(u"ON"_s);
        m_out.index.fields = nameList(u"索引字段"_s);
    }

    // DROP INDEX "table.db".name, table.name, or name ON table; PRIMARY names the primary index.
    void dropIndex()
    {
        m_out.kind = SqlStatementKind::DropIndex;
        m_lex.skipSpace();
        const qsizetype start = m_lex.pos();
        if (m_lex.atEnd()) fail(u"DROP INDEX 后缺少索引名"_s);
        QString first;
        bool quoted = false;
        if (m_lex.peek() == u'"' || m_lex.peek() == u'\'') {
            first = m_lex.quoted();
            quoted = true;
        } else {
            first = m_lex.bareName();
        }
        QString indexName;
        if (quoted && m_lex.peek() == u'.') {
            m_lex.advance();
            indexName = name(u"索引名"_s);
            addDdlReference(first);
        } else if (acceptWord("on"_L1)) {
            indexName = first;
            ddlReference(u"ON"_s);
        } else {
            const qsizetype dot = quoted ? -1 : first.lastIndexOf(u'.');
            if (dot <= 0 || dot + 1 >= first.size())
                fail(u"DROP INDEX 缺少表名: %1"_s.arg(m_lex.excerpt(start)));
            indexName = first.mid(dot + 1);
            addDdlReference(first.left(dot));
        }
        if (indexName.trimmed().isEmpty()) fail(u"DROP INDEX 后缺少索引名"_s);
        if (indexName.compare("primary"_L1, Qt::CaseInsensitive) == 0) {
            m_out.index.primary = true;
            m_out.index.unique = true;
        } else {
            m_out.index.name = indexName;
        }
    }

    void addDdlReference(const QString& fileName)
    {
        if (fileName.trimmed().isEmpty()) fail(u"DROP INDEX 缺少表名"_s);
        Reference ref;
        ref.fileName = fileName;
        ref.mayGetAlias = false;
        m_target = int(m_refs.size());
        m_refs.push_back(ref);
    }

    void ddl(const QString& verb)
    {
        const QString context = verb.toUpper();
        if (verb == "create"_L1) {
            const bool unique = acceptWord("unique"_L1);
            if (acceptWord("table"_L1) && !unique)
                createTable();
            else if (acceptWord("index"_L1))
                createIndex(unique);
            else
                fail(u"CREATE 后只能是 TABLE 或 [UNIQUE] INDEX"_s);
        } else {
            if (acceptWord("table"_L1)) {
                m_out.kind = SqlStatementKind::DropTable;
                ddlReference(u"TABLE"_s);
            } else if (acceptWord("index"_L1)) {
                dropIndex();
            } else {
                fail(u"DROP 后只能是 TABLE 或 INDEX"_s);
            }
        }
        m_lex.skipSpace();
        while (m_lex.peek() == u';') {
            m_lex.advance();
            m_lex.skipSpace();
        }
        if (!m_lex.atEnd()) fail(u"%1 语句结尾有多余的内容: %2"_s.arg(context, m_lex.excerpt(m_lex.pos())));
    }

    // --- Tables and aliases ---------------------------------------------------------------

    void resolve()
    {
        QHash<QString, int> tableOfKey;
        for (Reference& r : m_refs) {
            const QString key = sqlTableKey(r.fileName);
            auto it = tableOfKey.constFind(key);
            if (it == tableOfKey.constEnd()) {
                it = tableOfKey.insert(key, int(m_out.tables.size()));
                m_out.tables.append(SqlTableRef { r.fileName, r.alias });
            }
            r.table = it.value();
        }

        // A base name becomes an alias only when no written alias and no other table has it.
        QSet<QString> writtenAliases;
        QHash<QString, int> tableOfBase; // -1 when two tables share the base name
        for (const Reference& r : m_refs) {
            if (!r.alias.isEmpty()) writtenAliases.insert(r.alias.toLower());
            const QString base = baseName(r.fileName).toLower();
            const auto it = tableOfBase.constFind(base);
            if (it == tableOfBase.constEnd())
                tableOfBase.insert(base, r.table);
            else if (it.value() != r.table)
                tableOfBase[base] = -1;
        }
        std::vector<QString> tableAlias(size_t(m_out.tables.size()));
        for (Reference& r : m_refs) {
            if (!r.alias.isEmpty()) {
                r.effectiveAlias = r.alias;
            } else if (r.mayGetAlias) {
                const QString candidate = baseName(r.fileName);
                const QString lower = candidate.toLower();
                if (isPlainIdentifier(candidate) && !isSqliteKeyword(candidate)
                    && !writtenAliases.contains(lower) && tableOfBase.value(lower) == r.table)
                    r.effectiveAlias = candidate;
            }
            if (tableAlias[size_t(r.table)].isEmpty()) tableAlias[size_t(r.table)] = r.effectiveAlias;
        }

        for (const Token& t : m_tokens)
            if (t.kind == Kind::Qualifier && !tableOfKey.contains(sqlTableKey(t.text)))
                fail(u"表 %1 不在语句的 FROM 中"_s.arg(t.text));

        // Only a statement that reads well gets its tables attached.
        QStringList schemas;
        for (const SqlTableRef& t : std::as_const(m_out.tables))
            schemas.append((*m_schemaOf)(t.fileName));

        for (Token& t : m_tokens) {
            if (t.kind == Kind::Table) {
                const Reference& r = m_refs[size_t(t.ref)];
                t.text = sqlIdentifier(schemas[r.table]) + u".\"data\""_s;
                if (!r.effectiveAlias.isEmpty())
                    t.text += (r.aliasWithAs ? u" AS "_s : u" "_s) + r.effectiveAlias;
            } else if (t.kind == Kind::Qualifier) {
                const int table = tableOfKey.value(sqlTableKey(t.text));
                const QString& alias = tableAlias[size_t(table)];
                // Without an alias SQLite still accepts the table's full name as qualifier.
                t.text = alias.isEmpty() ? sqlIdentifier(schemas[table]) + u".\"data\""_s : alias;
            }
        }
    }

    // --- Text order -----------------------------------------------------------------------

    // Every term of ORDER BY and GROUP BY compares text in GBK order, as the old engine
    // sorted and grouped; a term that names its own collation keeps it.
    void collateSortTerms()
    {
        struct List
        {
            int depth;
            bool term = false; // the current term has tokens
            bool collated = false; // … and names a collation
            bool modifiers = false; // after ASC, DESC or NULLS: no term until the next comma
        };
        static const QStringList listEnds { u"limit"_s, u"offset"_s, u"having"_s, u"order"_s, u"union"_s,
            u"except"_s, u"intersect"_s, u"window"_s, u"group"_s };
        static const QStringList modifiers { u"asc"_s, u"desc"_s, u"nulls"_s };
        std::vector<Token> out;
        out.reserve(m_tokens.size() + 4);
        std::vector<List> lists;
        int depth = 0;
        auto endTerm = [&] {
            List& l = lists.back();
            if (l.term && !l.collated) {
                Token c;
                c.kind = Kind::Word;
                c.text = u"COLLATE "_s + QLatin1StringView(kGbkCollation);
                c.space = true;
                out.push_back(c);
            }
            l.term = l.collated = false;
        };
        for (const Token& t : m_tokens) {
            const bool word = t.kind == Kind::Word;
            const QString lower = word ? t.text.toLower() : QString();
            if (!lists.empty() && lists.back().depth == depth) {
                List& l = lists.back();
                if (t.kind == Kind::Punct && (t.text == u")"_s || t.text == u";"_s)) {
                    endTerm();
                    lists.pop_back();
                } else if (t.kind == Kind::Punct && t.text == u","_s) {
                    endTerm();
                    l.modifiers = false;
                } else if (word && listEnds.contains(lower)) {
                    endTerm();
                    lists.pop_back();
                } else if (word && modifiers.contains(lower)) {
                    endTerm();
                    l.modifiers = true;
                } else if (word && lower == "collate"_L1) {
                    l.collated = true;
                } else if (!l.modifiers) {
                    l.term = true;
                }
            }
            if (t.kind == Kind::Punct && t.text == u"("_s)
                ++depth;
            else if (t.kind == Kind::Punct && t.text == u")"_s)
                --depth;
            out.push_back(t);
            if (word && lower == "by"_L1 && out.size() >= 2 && out[out.size() - 2].kind == Kind::Word) {
                const QString before = out[out.size() - 2].text.toLower();
                if (before == "order"_L1 || before == "group"_L1) lists.push_back(List { depth });
            }
        }
        while (!lists.empty()) {
            endTerm();
            lists.pop_back();
        }
        m_tokens = std::move(out);
    }

    // --- Writing the SQLite text ----------------------------------------------------------

    QString write() const
    {
        std::vector<Frame> frames(1);
        const size_t n = m_tokens.size();
        for (size_t i = 0; i < n; ++i) {
            const Token& t = m_tokens[i];
            Frame& top = frames.back();
            const bool isPunct = t.kind == Kind::Punct;
            if (t.kind == Kind::Word) {
                const Function f = functionOf(t.text);
                if (f != Function::None && i + 1 < n && m_tokens[i + 1].kind == Kind::Punct
                    && m_tokens[i + 1].text == u"("_s) {
                    Frame frame;
                    frame.function = f;
                    frame.space = t.space;
                    frames.push_back(frame);
                    ++i;
                    continue;
                }
                if (top.function != Function::None && top.depth == 0
                    && splitsArguments(top, t.text.toLower()))
                    continue;
            }
            if (isPunct && t.text == u"("_s) {
                ++top.depth;
            } else if (isPunct && t.text == u")"_s) {
                if (top.function != Function::None && top.depth == 0) {
                    const QString call = closeFunction(top);
                    const bool space = top.space;
                    frames.pop_back();
                    appendTo(frames.back(), call, space);
                    continue;
                }
                --top.depth;
            } else if (isPunct && t.text == u","_s && top.function == Function::Substring && top.depth == 0) {
                top.parts.append(QString());
                continue;
            }
            appendTo(top, render(t), t.space);
        }
        return frames.front().parts.front();
    }

    // SUBSTRING(x FROM a FOR b), TRIM(LEADING c FROM x), EXTRACT(YEAR FROM d), CAST(x AS t).
    static bool splitsArguments(Frame& f, const QString& word)
    {
        switch (f.function) {
        case Function::Substring:
            if (word != "from"_L1 && word != "for"_L1) return false;
            break;
        case Function::Trim:
            if ((word == "leading"_L1 || word == "trailing"_L1 || word == "both"_L1) && f.parts.size() == 1
                && f.parts[0].isEmpty() && f.side.isEmpty()) {
                f.side = word;
                return true;
            }
            if (word != "from"_L1 || f.parts.size() != 1) return false;
            break;
        case Function::Extract:
            if (word != "from"_L1 || f.parts.size() != 1) return false;
            break;
        case Function::Cast:
            if (word != "as"_L1 || f.parts.size() != 1) return false;
            break;
        case Function::None:
            return false;
        }
        f.parts.append(QString());
        return true;
    }

    static QString render(const Token& t)
    {
        switch (t.kind) {
        case Kind::Constant:
            return sqlQuote(t.text);
        case Kind::Identifier:
            return sqlIdentifier(t.text);
        default:
            return t.text;
        }
    }

    const QString& m_text;
    Lexer m_lex;
    const std::function<QString(const QString&)>* m_schemaOf;
    std::vector<Token> m_tokens;
    std::vector<Reference> m_refs;
    int m_target = -1; // index into m_refs
    SqlTranslation m_out;
};

} // namespace

SqlTranslation translateSql(
    const QString& text, const std::function<QString(const QString& fileName)>& schemaOf)
{
    return Translator(text, &schemaOf).statement();
}

QString translateSqlExpression(const QString& text)
{
    return Translator(text, nullptr).expression();
}

QString sqlTableKey(const QString& fileName)
{
    QString key = fileName.trimmed().toLower();
    key.replace(u'\\', u'/');
    while (key.startsWith("./"_L1))
        key.remove(0, 2);
    const QString base = key.mid(key.lastIndexOf(u'/') + 1);
    if (!base.contains(u'.')) key += u".db"_s;
    return key;
}

QString sqlQuote(const QString& text)
{
    QString s = text;
    s.replace(u'\'', u"''"_s);
    return u'\'' + s + u'\'';
}

QString sqlIdentifier(const QString& name)
{
    QString s = name;
    s.replace(u'"', u"\"\""_s);
    return u'"' + s + u'"';
}

} // namespace store
