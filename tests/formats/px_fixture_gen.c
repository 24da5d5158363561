/* Writes a Paradox table with pxlib, so the reader tests check our decoder against files
 * that an independent implementation made.
 *
 *   px_fixture_gen OUT.db VERSION < TABLE
 *
 * VERSION is 70 (Paradox 7), 50 (Paradox 5) or 30 (Paradox 3 header layout). TABLE is UTF-8
 * text: the first line lists the fields separated by tabs as NAME:TYPE[SIZE] with TYPE one
 * of A (alpha, SIZE bytes), S (short), I (long), + (autoinc), N (number), $ (currency),
 * D (date), L (logical), T (time), @ (timestamp), # (BCD, SIZE decimals), M, F, B (memo,
 * formatted memo, blob; SIZE bytes kept in the record, at least 11). Every further line is a
 * row with one value per field separated by tabs; \N is null, and \t, \n, \\ are escapes.
 * Values: integers; numbers as C reads them; dates yyyy-mm-dd; times hh:mm:ss; timestamps
 * yyyy-mm-dd hh:mm:ss; logicals T or F; text in UTF-8 (written as GBK). The memo file is
 * OUT's base name with .mb. */
#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* paradox.h has no extern "C" guard; this file stays C. */
#include <paradox.h>

#define MAX_FIELDS 64
#define MAX_LINE 65536

static void fail(const char* what)
{
    fprintf(stderr, "px_fixture_gen: %s\n", what);
    exit(1);
}

static void onError(pxdoc_t* p, int type, const char* msg, void* data)
{
    (void)p;
    (void)data;
    fprintf(stderr, "px_fixture_gen: pxlib error %d: %s\n", type, msg);
    exit(1);
}

/* UTF-8 to GBK; pxlib itself crashes on text that grows past the field while recoding. */
static size_t toGbk(const char* in, char* out, size_t outSize)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == (iconv_t)-1) fail("iconv has no GBK");
    char* src = (char*)in;
    size_t srcLeft = strlen(in);
    char* dst = out;
    size_t dstLeft = outSize - 1;
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == (size_t)-1) fail("text is not valid UTF-8 or too long");
    iconv_close(cd);
    *dst = 0;
    return (size_t)(dst - out);
}

static void unescape(char* s)
{
    char* w = s;
    for (char* r = s; *r; ++r) {
        if (*r == '\\' && r[1]) {
            ++r;
            *w++ = *r == 't' ? '\t' : *r == 'n' ? '\n' : *r;
        } else {
            *w++ = *r;
        }
    }
    *w = 0;
}

static int split(char* line, char** parts, int max)
{
    int n = 0;
    char* p = line;
    while (n < max) {
        parts[n++] = p;
        char* tab = strchr(p, '\t');
        if (!tab) break;
        *tab = 0;
        p = tab + 1;
    }
    return n;
}

static int fieldLength(char type, int size)
{
    switch (type) {
    case pxfAlpha:
        return size;
    case pxfShort:
        return 2;
    case pxfLong:
    case pxfAutoInc:
    case pxfDate:
    case pxfTime:
        return 4;
    case pxfNumber:
    case pxfCurrency:
    case pxfTimestamp:
        return 8;
    case pxfLogical:
        return 1;
    case pxfBCD:
        return 17;
    default:
        return size;
    }
}

static char typeCode(char letter)
{
    switch (letter) {
    case 'A':
        return pxfAlpha;
    case 'S':
        return pxfShort;
    case 'I':
        return pxfLong;
    case '+':
        return pxfAutoInc;
    case 'N':
        return pxfNumber;
    case '$':
        return pxfCurrency;
    case 'D':
        return pxfDate;
    case 'L':
        return pxfLogical;
    case 'T':
        return pxfTime;
    case '@':
        return pxfTimestamp;
    case '#':
        return pxfBCD;
    case 'M':
        return pxfMemoBLOb;
    case 'F':
        return pxfFmtMemoBLOb;
    case 'B':
        return pxfBLOb;
    default:
        fail("unknown field type");
        return 0;
    }
}

int main(int argc, char** argv)
{
    if (argc != 3) fail("usage: px_fixture_gen OUT.db VERSION < TABLE");
    const char* out = argv[1];
    const int version = atoi(argv[2]);
    if (version != 70 && version != 50 && version != 30) fail("VERSION must be 70, 50 or 30");

    static char line[MAX_LINE];
    if (!fgets(line, sizeof line, stdin)) fail("no field line");
    line[strcspn(line, "\r\n")] = 0;
    char* defs[MAX_FIELDS];
    const int numFields = split(line, defs, MAX_FIELDS);

    PX_boot();
    pxdoc_t* doc = PX_new2(onError, NULL, NULL, NULL);
    pxfield_t* fields = (pxfield_t*)doc->malloc(doc, numFields * sizeof(pxfield_t), "fields");
    int hasBlob = 0;
    for (int i = 0; i < numFields; ++i) {
        char* colon = strrchr(defs[i], ':');
        if (!colon) fail("field without type");
        *colon = 0;
        const char type = typeCode(colon[1]);
        const int size = colon[2] ? atoi(colon + 2) : 0;
        static char name[1024];
        toGbk(defs[i], name, sizeof name);
        fields[i].px_fname = PX_strdup(doc, name);
        fields[i].px_ftype = type;
        fields[i].px_flen = fieldLength(type, size);
        fields[i].px_fdc = type == pxfBCD ? size : 0;
        if (type == pxfMemoBLOb || type == pxfFmtMemoBLOb || type == pxfBLOb) hasBlob = 1;
    }

    if (PX_create_file(doc, fields, numFields, out, pxfFileTypNonIndexDB) < 0)
        fail("cannot create the table");
    /* pxlib lays the header out by this number when it writes it on closing. */
    doc->px_head->px_fileversion = version;
    /* The code page must come before the encodings, and writing needs both. */
    PX_set_value(doc, "codepage", 936);
    PX_set_parameter(doc, "targetencoding", "CP936");
    PX_set_parameter(doc, "inputencoding", "CP936");
    if (hasBlob) {
        char mb[4096];
        snprintf(mb, sizeof mb, "%s", out);
        char* dot = strrchr(mb, '.');
        if (dot && !strchr(dot, '/')) *dot = 0;
        strncat(mb, ".mb", sizeof mb - strlen(mb) - 1);
        if (PX_set_blob_file(doc, mb) < 0) fail("cannot create the memo file");
    }

    const int recordSize = PX_get_recordsize(doc);
    char* record = (char*)malloc(recordSize);
    static char gbk[MAX_LINE * 2];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = 0;
        char* values[MAX_FIELDS];
        if (split(line, values, MAX_FIELDS) != numFields) fail("row with the wrong number of values");
        memset(record, 0, recordSize);
        int offset = 0;
        for (int i = 0; i < numFields; ++i) {
            char* data = record + offset;
            const int len = fields[i].px_flen;
            offset += len;
            char* v = values[i];
            if (strcmp(v, "\\N") == 0) continue; /* all zero bytes: blank */
            unescape(v);
            int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
            switch (fields[i].px_ftype) {
            case pxfAlpha:
                if (toGbk(v, gbk, sizeof gbk) > (size_t)len) fail("text longer than its field");
                PX_put_data_alpha(doc, data, len, gbk);
                break;
            case pxfShort:
                PX_put_data_short(doc, data, len, (short)atoi(v));
                break;
            case pxfLong:
            case pxfAutoInc:
                PX_put_data_long(doc, data, len, atoi(v));
                break;
            case pxfNumber:
            case pxfCurrency:
                PX_put_data_double(doc, data, len, strtod(v, NULL));
                break;
            case pxfDate:
                if (sscanf(v, "%d-%d-%d", &y, &mo, &d) != 3) fail("bad date");
                /* Day ordinals: 0001-01-01 is 1. */
                PX_put_data_long(doc, data, len, PX_GregorianToSdn(y, mo, d) - 1721425);
                break;
            case pxfTime:
                if (sscanf(v, "%d:%d:%d", &h, &mi, &s) != 3) fail("bad time");
                PX_put_data_long(doc, data, len, ((h * 60 + mi) * 60 + s) * 1000);
                break;
            case pxfTimestamp:
                if (sscanf(v, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) fail("bad timestamp");
                PX_put_data_double(doc, data, len,
                    ((double)(PX_GregorianToSdn(y, mo, d) - 1721425) * 86400.0 + (h * 60 + mi) * 60 + s)
                        * 1000.0);
                break;
            case pxfLogical:
                PX_put_data_byte(doc, data, len, v[0] == 'T' ? 1 : 0);
                break;
            case pxfBCD:
                PX_put_data_bcd(doc, data, fields[i].px_fdc, v);
                break;
            default: {
                const size_t n = toGbk(v, gbk, sizeof gbk);
                PX_put_data_blob(doc, data, len, gbk, (int)n);
                break;
            }
            }
        }
        if (PX_put_record(doc, record) < 0) fail("cannot store a row");
    }
    free(record);
    PX_close(doc);
    PX_delete(doc);

    if (version == 30) {
        /* pxlib 0.6.8 lays out a Paradox 3 header for this version but stamps it 0x0B;
         * put the version byte right so the file says what it holds. */
        FILE* f = fopen(out, "r+b");
        if (!f || fseek(f, 0x39, SEEK_SET) != 0 || fputc(0x03, f) == EOF || fclose(f) != 0)
            fail("cannot set the version byte");
    }
    return 0;
}
