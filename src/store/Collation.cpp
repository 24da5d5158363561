#include "Collation.h"

#include "SqlTranslator.h"

#include <QStringDecoder>

#include <sqlite3.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace store {

namespace {

// GBK code of each BMP character (0: none), built once by decoding every GBK code, so that
// a character maps to exactly one code and the order is the code page's own.
const std::vector<quint16>& gbkCodes()
{
    static const std::vector<quint16> table = [] {
        std::vector<quint16> codes(0x10000, 0);
        QStringDecoder decoder("GBK", QStringDecoder::Flag::Stateless);
        auto take = [&](const QByteArray& bytes, quint16 code) {
            const QString s = decoder.decode(bytes);
            if (decoder.hasError()) {
                decoder.resetState();
                return;
            }
            if (s.size() == 1 && s[0].unicode() >= 0x80 && s[0] != QChar::ReplacementCharacter
                && codes[s[0].unicode()] == 0)
                codes[s[0].unicode()] = code;
        };
        take(QByteArray(1, char(0x80)), 0x80); // the euro sign of code page 936
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x40; trail <= 0xFE; ++trail)
                if (trail != 0x7F) {
                    const char bytes[2] = { char(lead), char(trail) };
                    take(QByteArray(bytes, 2), quint16(lead << 8 | trail));
                }
        return codes;
    }();
    return table;
}

// The sort key of one character: ASCII as itself, a GBK character as its code (whose first
// byte is above every ASCII byte), anything else after all of them.
inline quint32 keyOf(char32_t c, bool noCase, const std::vector<quint16>& codes)
{
    if (c < 0x80) return noCase && c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c < 0x10000 && codes[c]) return codes[c];
    return 0x10000 + quint32(c);
}

// Next code point of UTF-8 text; a byte that is no valid sequence stands for itself,
// after every character, so distinct texts never compare equal.
char32_t nextUtf8(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char b = *p++;
    if (b < 0x80) return b;
    int extra = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
    if (b >= 0xF5) extra = -1;
    if (extra < 0 || end - p < extra) return 0x200000 + b;
    char32_t c = b & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0x200000 + b;
        c = c << 6 | (p[i] & 0x3F);
    }
    p += extra;
    return c;
}

int compareUtf8(const void* a, int na, const void* b, int nb, bool noCase)
{
    auto* pa = static_cast<const unsigned char*>(a);
    auto* pb = static_cast<const unsigned char*>(b);
    const unsigned char* ea = pa + na;
    const unsigned char* eb = pb + nb;
    // Equal leading bytes are equal characters: skip them, then back up to the start of
    // the character in which the texts part.
    if (!noCase) {
        const unsigned char* start = pa;
        while (pa < ea && pb < eb && *pa == *pb) {
            ++pa;
            ++pb;
        }
        if (pa < ea && pb < eb)
            while (pa > start && (*pa & 0xC0) == 0x80) {
                --pa;
                --pb;
            }
    }
    const std::vector<quint16>& codes = gbkCodes();
    while (pa < ea && pb < eb) {
        const quint32 ka = keyOf(nextUtf8(pa, ea), noCase, codes);
        const quint32 kb = keyOf(nextUtf8(pb, eb), noCase, codes);
        if (ka != kb) return ka < kb ? -1 : 1;
    }
    return pa < ea ? 1 : pb < eb ? -1 : 0;
}

int gbkCollation(void*, int na, const void* a, int nb, const void* b)
{
    return compareUtf8(a, na, b, nb, false);
}

int gbkNoCaseCollation(void*, int na, const void* a, int nb, const void* b)
{
    return compareUtf8(a, na, b, nb, true);
}

char32_t nextUtf16(QStringView s, qsizetype& i)
{
    const QChar c = s[i++];
    if (c.isHighSurrogate() && i < s.size() && s[i].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i++]);
    return c.unicode();
}

} // namespace

int compareGbk(QStringView a, QStringView b, bool noCase)
{
    const std::vector<quint16>& codes = gbkCodes();
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const quint32 ka = keyOf(nextUtf16(a, i), noCase, codes);
        const quint32 kb = keyOf(nextUtf16(b, j), noCase, codes);
        if (ka != kb) return ka < kb ? -1 : 1;
    }
    return i < a.size() ? 1 : j < b.size() ? -1 : 0;
}

void registerCollations(sqlite3* db)
{
    sqlite3_create_collation_v2(db, kGbkCollation, SQLITE_UTF8, nullptr, gbkCollation, nullptr);
    sqlite3_create_collation_v2(db, kGbkNoCaseCollation, SQLITE_UTF8, nullptr, gbkNoCaseCollation, nullptr);
}

QString gbkOrderTerm(const QString& column, bool noCase)
{
    return sqlIdentifier(column) + u" COLLATE "_s
        + QLatin1StringView(noCase ? kGbkNoCaseCollation : kGbkCollation);
}

} // namespace store
