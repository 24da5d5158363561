#include "QuickCondition.h"

#include "store/Connection.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QSet>
#include <QUtf8StringView>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

enum class Affinity { Text, Numeric, Integer, Real, Blob };

// The engine's rules for the affinity of a declared column type.
Affinity affinityOf(const QString& declared)
{
    const QString t = declared.toUpper();
    if (t.contains(u"INT"_s)) return Affinity::Integer;
    if (t.contains(u"CHAR"_s) || t.contains(u"CLOB"_s) || t.contains(u"TEXT"_s)) return Affinity::Text;
    if (t.contains(u"BLOB"_s) || t.trimmed().isEmpty()) return Affinity::Blob;
    if (t.contains(u"REAL"_s) || t.contains(u"FLOA"_s) || t.contains(u"DOUB"_s)) return Affinity::Real;
    return Affinity::Numeric;
}

struct Token
{
    enum Kind { Word, Number, Text, Symbol, End } kind = End;
    QString text; // a text literal unquoted
};

bool isWordStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Plain ASCII words, numbers, single-quoted texts and operators; anything else (quoted
// names, comments, parameters, exponents, blobs) leaves the condition to the engine.
std::optional<QList<Token>> tokens(const QString& s)
{
    QList<Token> out;
    for (qsizetype i = 0; i < s.size();) {
        const QChar c = s[i];
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
            ++i;
        } else if (isWordStart(c)) {
            const qsizetype start = i;
            while (i < s.size() && (isWordStart(s[i]) || isDigit(s[i])))
                ++i;
            out.append({ Token::Word, s.mid(start, i - start) });
        } else if (isDigit(c)) {
            const qsizetype start = i;
            while (i < s.size() && isDigit(s[i]))
                ++i;
            if (i < s.size() && s[i] == u'.') {
                ++i;
                if (i >= s.size() || !isDigit(s[i])) return std::nullopt;
                while (i < s.size() && isDigit(s[i]))
                    ++i;
            }
            if (i < s.size() && (isWordStart(s[i]) || s[i] == u'.')) return std::nullopt;
            out.append({ Token::Number, s.mid(start, i - start) });
        } else if (c == u'\'') {
            QString text;
            for (++i;; ++i) {
                if (i >= s.size()) return std::nullopt;
                if (s[i] == u'\'') {
                    if (i + 1 < s.size() && s[i + 1] == u'\'') {
                        text += u'\'';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    text += s[i];
                }
            }
            out.append({ Token::Text, text });
        } else {
            static const QStringList two { u">="_s, u"<="_s, u"<>"_s, u"!="_s, u"=="_s };
            const QString pair = s.mid(i, 2);
            if (pair == u"--"_s || pair == u"/*"_s) return std::nullopt;
            if (two.contains(pair)) {
                out.append({ Token::Symbol, pair });
                i += 2;
            } else if (QStringView(u"<>=+-*(),").contains(c)) {
                out.append({ Token::Symbol, QString(c) });
                ++i;
            } else {
                return std::nullopt;
            }
        }
    }
    out.append(Token { Token::End, {} });
    return out;
}

// The outcomes a condition can have for a row, as a set: false, true, null. A value the
// condition cannot be sure about gives all three.
using Outcomes = unsigned;
constexpr Outcomes isFalse = 1, isTrue = 2, isNull = 4, anything = 7;

Outcomes outcomeOf(int order, int op);

struct Num
{
    enum Kind { Null, Int, Real, Unknown } kind = Unknown;
    qint64 i = 0;
    double d = 0;
};

Num numberOf(const QuickCondition::Value& v)
{
    switch (v.type) {
    case SQLITE_NULL:
        return { Num::Null };
    case SQLITE_INTEGER:
        return { Num::Int, v.i };
    case SQLITE_FLOAT:
        return { Num::Real, 0, v.d };
    default:
        return { Num::Unknown };
    }
}

// Whole numbers up to 2^53 convert to a double exactly, so the comparison is exact.
bool exactDouble(qint64 i)
{
    constexpr qint64 limit = qint64(1) << 53;
    return i >= -limit && i <= limit;
}

int textOrder(const char* a, int aBytes, const QByteArray& b)
{
    const int n = std::min(aBytes, int(b.size()));
    const int c = n > 0 ? std::memcmp(a, b.constData(), size_t(n)) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return aBytes < b.size() ? -1 : aBytes > b.size() ? 1 : 0;
}

enum Op { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };

Outcomes outcomeOf(int order, int op)
{
    bool holds = false;
    switch (op) {
    case Less:
        holds = order < 0;
        break;
    case LessEqual:
        holds = order <= 0;
        break;
    case Greater:
        holds = order > 0;
        break;
    case GreaterEqual:
        holds = order >= 0;
        break;
    case Equal:
        holds = order == 0;
        break;
    case NotEqual:
        holds = order != 0;
        break;
    }
    return holds ? isTrue : isFalse;
}

// Three-valued and/or over every pair of possible outcomes.
Outcomes joinedOutcomes(Outcomes a, Outcomes b, bool conjunction)
{
    Outcomes out = 0;
    for (Outcomes x : { isFalse, isTrue, isNull }) {
        if (!(a & x)) continue;
        for (Outcomes y : { isFalse, isTrue, isNull }) {
            if (!(b & y)) continue;
            if (conjunction)
                out |= (x == isFalse || y == isFalse) ? isFalse
                    : (x == isTrue && y == isTrue)    ? isTrue
                                                      : isNull;
            else
                out |= (x == isTrue || y == isTrue)  ? isTrue
                    : (x == isFalse && y == isFalse) ? isFalse
                                                     : isNull;
        }
    }
    return out;
}

Outcomes negation(Outcomes a)
{
    return ((a & isFalse) ? isTrue : 0) | ((a & isTrue) ? isFalse : 0) | (a & isNull);
}

struct Sum
{
    enum Kind { Column, Literal, Add, Subtract, Multiply } kind = Literal;
    int column = -1;
    Num value;
    std::unique_ptr<Sum> left, right;

    Num eval(const QuickCondition::Value* values) const
    {
        switch (kind) {
        case Column:
            return numberOf(values[column]);
        case Literal:
            return value;
        default:
            break;
        }
        const Num a = left->eval(values);
        const Num b = right->eval(values);
        if (a.kind == Num::Unknown || b.kind == Num::Unknown) return {};
        if (a.kind == Num::Null || b.kind == Num::Null) return { Num::Null };
        if (a.kind == Num::Int && b.kind == Num::Int) {
            qint64 r = 0;
            const bool overflow = kind == Add ? __builtin_add_overflow(a.i, b.i, &r)
                : kind == Subtract            ? __builtin_sub_overflow(a.i, b.i, &r)
                                              : __builtin_mul_overflow(a.i, b.i, &r);
            // The engine goes on in floating point; not worth following.
            if (overflow) return {};
            return { Num::Int, r };
        }
        const double x = a.kind == Num::Int ? double(a.i) : a.d;
        const double y = b.kind == Num::Int ? double(b.i) : b.d;
        const double r = kind == Add ? x + y : kind == Subtract ? x - y : x * y;
        if (!std::isfinite(r)) return {};
        return { Num::Real, 0, r };
    }
};

// The engine's glob: * any run, ? any one character, [...] a set (^ inverts it, a-b is a
// range, a ] first is a member), everything else itself; by characters, case kept.
template <typename Char>
bool globMatch(const std::vector<char32_t>& p, size_t pi, const Char* s, size_t n, size_t si)
{
    while (pi < p.size()) {
        char32_t c = p[pi++];
        if (c == U'*') {
            while (pi < p.size() && (p[pi] == U'*' || p[pi] == U'?')) {
                if (p[pi] == U'?') {
                    if (si >= n) return false;
                    ++si;
                }
                ++pi;
            }
            if (pi >= p.size()) return true;
            for (; si < n; ++si)
                if (globMatch(p, pi, s, n, si)) return true;
            return false;
        }
        if (c == U'?') {
            if (si >= n) return false;
            ++si;
            continue;
        }
        if (c == U'[') {
            if (si >= n) return false;
            const char32_t x = s[si++];
            bool seen = false, invert = false;
            char32_t prior = 0;
            char32_t c2 = pi < p.size() ? p[pi++] : 0;
            if (c2 == U'^') {
                invert = true;
                c2 = pi < p.size() ? p[pi++] : 0;
            }
            if (c2 == U']') {
                if (x == U']') seen = true;
                c2 = pi < p.size() ? p[pi++] : 0;
            }
            while (c2 != 0 && c2 != U']') {
                if (c2 == U'-' && pi < p.size() && p[pi] != U']' && prior > 0) {
                    c2 = p[pi++];
                    if (x >= prior && x <= c2) seen = true;
                    prior = 0;
                } else {
                    if (x == c2) seen = true;
                    prior = c2;
                }
                c2 = pi < p.size() ? p[pi++] : 0;
            }
            if (c2 == 0 || seen == invert) return false;
            continue;
        }
        if (si >= n || s[si] != c) return false;
        ++si;
    }
    return si >= n;
}

} // namespace

struct QuickCondition::Node
{
    enum Kind {
        And,
        Or,
        Not,
        Compare,
        TextCompare,
        TextColumns,
        TrimCompare,
        Glob,
        IsNull,
        IsNotNull,
        InList
    } kind
        = Compare;
    int op = 0;
    int column = -1;
    int column2 = -1; // TextColumns
    std::vector<char32_t> pattern; // Glob
    std::unique_ptr<Sum> left, right; // Compare
    QByteArray text; // TextCompare, TrimCompare (UTF-8)
    QSet<QByteArray> list; // InList (UTF-8)
    std::unique_ptr<Node> a, b; // And, Or, Not

    Outcomes eval(const Value* values) const
    {
        switch (kind) {
        case And: {
            const Outcomes x = a->eval(values);
            return x == isFalse ? isFalse : joinedOutcomes(x, b->eval(values), true);
        }
        case Or: {
            const Outcomes x = a->eval(values);
            return x == isTrue ? isTrue : joinedOutcomes(x, b->eval(values), false);
        }
        case Not:
            return negation(a->eval(values));
        case IsNull:
            return values[column].type == SQLITE_NULL ? isTrue : isFalse;
        case IsNotNull:
            return values[column].type == SQLITE_NULL ? isFalse : isTrue;
        case InList: {
            const Value& v = values[column];
            if (v.type == SQLITE_NULL) return isNull;
            if (v.type != SQLITE_TEXT) return anything;
            return list.contains(QByteArray::fromRawData(v.text, v.bytes)) ? isTrue : isFalse;
        }
        case TextCompare: {
            const Value& v = values[column];
            if (v.type == SQLITE_NULL) return isNull;
            if (v.type != SQLITE_TEXT) return anything;
            return outcomeOf(textOrder(v.text, v.bytes, text), op);
        }
        case TrimCompare: {
            const Value& v = values[column];
            switch (v.type) {
            case SQLITE_NULL:
                return isNull;
            case SQLITE_TEXT: {
                // trim() takes off spaces only.
                const char* from = v.text;
                const char* to = v.text + v.bytes;
                while (from < to && *from == ' ')
                    ++from;
                while (to > from && to[-1] == ' ')
                    --to;
                return outcomeOf(textOrder(from, int(to - from), text), op);
            }
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                // A number's text is never empty, so it comes after ''.
                return text.isEmpty() ? outcomeOf(1, op) : anything;
            default:
                return anything;
            }
        }
        case TextColumns: {
            const Value& v = values[column];
            const Value& w = values[column2];
            if (v.type == SQLITE_NULL || w.type == SQLITE_NULL) return isNull;
            if (v.type != SQLITE_TEXT || w.type != SQLITE_TEXT) return anything;
            return outcomeOf(textOrder(v.text, v.bytes, QByteArray::fromRawData(w.text, w.bytes)), op);
        }
        case Glob: {
            const Value& v = values[column];
            if (v.type == SQLITE_NULL) return isNull;
            if (v.type != SQLITE_TEXT) return anything;
            const QByteArrayView bytes(v.text, v.bytes);
            // The engine reads a text up to its first zero byte.
            if (bytes.contains('\0')) return anything;
            const auto* ascii = reinterpret_cast<const unsigned char*>(v.text);
            if (std::all_of(ascii, ascii + v.bytes, [](unsigned char ch) { return ch < 0x80; }))
                return globMatch(pattern, 0, ascii, size_t(v.bytes), 0) ? isTrue : isFalse;
            if (!QUtf8StringView(bytes).isValidUtf8()) return anything;
            const QList<uint> wide = QString::fromUtf8(bytes).toUcs4();
            return globMatch(pattern, 0, wide.constData(), size_t(wide.size()), 0) ? isTrue : isFalse;
        }
        case Compare:
            break;
        }
        const Num x = left->kind == Sum::Column ? numberOf(values[left->column]) : left->eval(values);
        const Num y = right->kind == Sum::Literal ? right->value
            : right->kind == Sum::Column          ? numberOf(values[right->column])
                                                  : right->eval(values);
        if (x.kind == Num::Null || y.kind == Num::Null) return isNull;
        if (x.kind == Num::Unknown || y.kind == Num::Unknown) return anything;
        if (x.kind == Num::Int && y.kind == Num::Int)
            return outcomeOf(x.i < y.i ? -1 : x.i > y.i ? 1 : 0, op);
        if ((x.kind == Num::Int && !exactDouble(x.i)) || (y.kind == Num::Int && !exactDouble(y.i)))
            return anything;
        const double p = x.kind == Num::Int ? double(x.i) : x.d;
        const double q = y.kind == Num::Int ? double(y.i) : y.d;
        return outcomeOf(p < q ? -1 : p > q ? 1 : 0, op);
    }
};

namespace {

using NodePtr = std::unique_ptr<QuickCondition::Node>;
using SumPtr = std::unique_ptr<Sum>;

struct Parser
{
    const QList<Token>& t;
    const QList<QuickCondition::Column>& columns;
    store::Connection& engine;
    std::vector<int>& used;
    qsizetype at = 0;

    const Token& peek(qsizetype ahead = 0) const { return t[std::min(at + ahead, t.size() - 1)]; }
    bool symbol(const QString& s)
    {
        if (peek().kind == Token::Symbol && peek().text == s) {
            ++at;
            return true;
        }
        return false;
    }
    bool isWord(const char* w, qsizetype ahead = 0) const
    {
        return peek(ahead).kind == Token::Word
            && peek(ahead).text.compare(QLatin1StringView(w), Qt::CaseInsensitive) == 0;
    }
    bool word(const char* w)
    {
        if (!isWord(w)) return false;
        ++at;
        return true;
    }
    int columnAt(qsizetype ahead = 0) const
    {
        if (peek(ahead).kind != Token::Word) return -1;
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i].name.compare(peek(ahead).text, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }
    int column()
    {
        const int c = columnAt();
        if (c < 0) return -1;
        ++at;
        if (std::find(used.begin(), used.end(), c) == used.end()) used.push_back(c);
        return c;
    }
    std::optional<int> comparison()
    {
        if (symbol(u"<"_s)) return Less;
        if (symbol(u"<="_s)) return LessEqual;
        if (symbol(u">"_s)) return Greater;
        if (symbol(u">="_s)) return GreaterEqual;
        if (symbol(u"="_s) || symbol(u"=="_s)) return Equal;
        if (symbol(u"<>"_s) || symbol(u"!="_s)) return NotEqual;
        return std::nullopt;
    }

    // The literal as the engine reads it.
    SumPtr literal(const QString& text)
    {
        Num n;
        try {
            store::Statement st = engine.prepare(u"SELECT "_s + text);
            if (!st.step()) return nullptr;
            n = numberOf(QuickCondition::read(sqlite3_column_value(st.handle(), 0)));
        } catch (const store::StoreError&) {
            return nullptr;
        }
        if (n.kind != Num::Int && n.kind != Num::Real) return nullptr;
        if (n.kind == Num::Real && !std::isfinite(n.d)) return nullptr;
        auto node = std::make_unique<Sum>();
        node->kind = Sum::Literal;
        node->value = n;
        return node;
    }

    SumPtr atom()
    {
        if (peek().kind == Token::Number) return literal(t[at++].text);
        if (peek().kind == Token::Symbol && peek().text == u"-"_s && peek(1).kind == Token::Number) {
            at += 2;
            return literal(u'-' + t[at - 1].text);
        }
        const int c = columnAt();
        if (c < 0) return nullptr;
        const Affinity a = affinityOf(columns[c].declared);
        if (a != Affinity::Integer && a != Affinity::Real && a != Affinity::Numeric) return nullptr;
        column();
        auto node = std::make_unique<Sum>();
        node->kind = Sum::Column;
        node->column = c;
        return node;
    }

    SumPtr arithmetic(SumPtr left, Sum::Kind kind, SumPtr right)
    {
        if (!left || !right) return nullptr;
        auto node = std::make_unique<Sum>();
        node->kind = kind;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    SumPtr term()
    {
        SumPtr n = atom();
        while (n && symbol(u"*"_s))
            n = arithmetic(std::move(n), Sum::Multiply, atom());
        return n;
    }

    SumPtr sum()
    {
        SumPtr n = term();
        while (n) {
            if (symbol(u"+"_s))
                n = arithmetic(std::move(n), Sum::Add, term());
            else if (symbol(u"-"_s))
                n = arithmetic(std::move(n), Sum::Subtract, term());
            else
                break;
        }
        return n;
    }

    NodePtr node(QuickCondition::Node::Kind kind, int c = -1)
    {
        auto n = std::make_unique<QuickCondition::Node>();
        n->kind = kind;
        n->column = c;
        return n;
    }

    NodePtr predicate()
    {
        using N = QuickCondition::Node;
        if (isWord("trim") && peek(1).kind == Token::Symbol && peek(1).text == u"("_s && columnAt(2) >= 0) {
            at += 2;
            const int c = column();
            if (!symbol(u")"_s)) return nullptr;
            const std::optional<int> op = comparison();
            if (!op || peek().kind != Token::Text) return nullptr;
            NodePtr n = node(N::TrimCompare, c);
            n->op = *op;
            n->text = t[at++].text.toUtf8();
            return n;
        }
        const int c = columnAt();
        if (c >= 0 && isWord("is", 1)) {
            column();
            ++at; // is
            const bool negated = word("not");
            if (!word("null")) return nullptr;
            return node(negated ? N::IsNotNull : N::IsNull, c);
        }
        const bool text = c >= 0 && affinityOf(columns[c].declared) == Affinity::Text;
        if (text && isWord("in", 1)) {
            column();
            ++at;
            if (!symbol(u"("_s)) return nullptr;
            NodePtr n = node(N::InList, c);
            do {
                if (peek().kind != Token::Text) return nullptr;
                n->list.insert(t[at++].text.toUtf8());
            } while (symbol(u","_s));
            if (!symbol(u")"_s)) return nullptr;
            return n;
        }
        if (c >= 0 && isWord("glob", 1) && peek(2).kind == Token::Text) {
            column();
            ++at;
            NodePtr n = node(N::Glob, c);
            const QList<uint> p = t[at++].text.toUcs4();
            if (p.contains(0u)) return nullptr;
            n->pattern.assign(p.cbegin(), p.cend());
            return n;
        }
        if (text && isWord("between", 1) && peek(2).kind == Token::Text && isWord("and", 3)
            && peek(4).kind == Token::Text) {
            // x between a and b is x>=a and x<=b.
            column();
            NodePtr low = node(N::TextCompare, c);
            low->op = GreaterEqual;
            low->text = t[at + 1].text.toUtf8();
            NodePtr high = node(N::TextCompare, c);
            high->op = LessEqual;
            high->text = t[at + 3].text.toUtf8();
            at += 4;
            return joined(std::move(low), N::And, std::move(high));
        }
        if (text) {
            column();
            const std::optional<int> op = comparison();
            if (!op) return nullptr;
            const int other = columnAt();
            if (other >= 0 && affinityOf(columns[other].declared) == Affinity::Text) {
                column();
                NodePtr n = node(N::TextColumns, c);
                n->column2 = other;
                n->op = *op;
                return n;
            }
            if (peek().kind != Token::Text) return nullptr;
            NodePtr n = node(N::TextCompare, c);
            n->op = *op;
            n->text = t[at++].text.toUtf8();
            return n;
        }
        SumPtr left = sum();
        if (!left) return nullptr;
        const std::optional<int> op = comparison();
        if (!op) return nullptr;
        SumPtr right = sum();
        if (!right) return nullptr;
        NodePtr n = node(N::Compare);
        n->op = *op;
        n->left = std::move(left);
        n->right = std::move(right);
        return n;
    }

    NodePtr primary()
    {
        if (symbol(u"("_s)) {
            NodePtr n = disjunction();
            if (!n || !symbol(u")"_s)) return nullptr;
            return n;
        }
        return predicate();
    }

    NodePtr unary()
    {
        if (word("not")) {
            NodePtr inner = unary();
            if (!inner) return nullptr;
            NodePtr n = node(QuickCondition::Node::Not);
            n->a = std::move(inner);
            return n;
        }
        return primary();
    }

    NodePtr joined(NodePtr left, QuickCondition::Node::Kind kind, NodePtr right)
    {
        if (!left || !right) return nullptr;
        NodePtr n = node(kind);
        n->a = std::move(left);
        n->b = std::move(right);
        return n;
    }

    NodePtr conjunction()
    {
        NodePtr n = unary();
        while (n && word("and"))
            n = joined(std::move(n), QuickCondition::Node::And, unary());
        return n;
    }

    NodePtr disjunction()
    {
        NodePtr n = conjunction();
        while (n && word("or"))
            n = joined(std::move(n), QuickCondition::Node::Or, conjunction());
        return n;
    }
};

} // namespace

QuickCondition::Value QuickCondition::read(sqlite3_value* value)
{
    Value v;
    v.type = sqlite3_value_type(value);
    switch (v.type) {
    case SQLITE_INTEGER:
        v.i = sqlite3_value_int64(value);
        break;
    case SQLITE_FLOAT:
        v.d = sqlite3_value_double(value);
        break;
    case SQLITE_TEXT:
        v.text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        v.bytes = sqlite3_value_bytes(value);
        break;
    default:
        break;
    }
    return v;
}

std::optional<QuickCondition> QuickCondition::recognise(
    const QString& condition, const QList<Column>& columns, store::Connection& engine)
{
    const std::optional<QList<Token>> t = tokens(condition);
    if (!t) return std::nullopt;
    QuickCondition q;
    Parser p { *t, columns, engine, q.m_columns };
    NodePtr root = p.disjunction();
    if (!root || p.peek().kind != Token::End) return std::nullopt;
    q.m_root = std::move(root);
    return q;
}

bool QuickCondition::mayFail(const Value* values) const
{
    return (m_root->eval(values) & isFalse) != 0;
}
