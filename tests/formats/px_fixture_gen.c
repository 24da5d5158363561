/* Writes a Paradox table with pxlib, so the reader tests check our decoder against files
 * that an independent implementation made.
 *
 *   px_fixture_gen OUT.db VERSION [CODEPAGE [PASSWORD]] < TABLE
 *
 * VERSION is 70 (Paradox 7), 50 (Paradox 5), 40 (Paradox 4) or 30 (Paradox 3 header layout).
 * CODEPAGE (default 936) is written to the header and text is written in it; a PASSWORD
 * encrypts the table and its memo file. TABLE is UTF-8
 * text: the first line lists the fields separated by tabs as NAME:TYPE[SIZE] with TYPE one
 * of A (alpha, SIZE bytes), S (short), I (long), + (autoinc), N (number), $ (currency),
 * D (date), L (logical), T (time), @ (timestamp), # (BCD, SIZE decimals), M, F, B (memo,
 * formatted memo, blob; SIZE bytes kept in the record, at least 10), O, G (OLE, graphic; only
 * null values). Every further line is a
 * row with one value per field separated by tabs; \N is null, and \t, \n, \\ are escapes.
 * Values: integers; numbers as C reads them; dates yyyy-mm-dd; times hh:mm:ss; timestamps
 * yyyy-mm-dd hh:mm:ss; logicals T or F; text in UTF-8 (written in the code page). The memo file is
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

/* Exported by pxlib but not declared in paradox.h. */
long px_passwd_checksum(const char* password);
void px_encrypt_mb_block(
    unsigned char* src, unsigned char* dest, unsigned long encryption, unsigned long blocksize);
void px_encrypt_db_block(unsigned char* src, unsigned char* dest, unsigned long encryption,
    unsigned long blocksize, unsigned long blockno);

static unsigned char* readAll(const char* path, long* size)
{
    FILE* f = fopen(path, "rb");
    if (!f) fail("cannot open a written file");
    fseek(f, 0, SEEK_END);
    *size = ftell(f);
    unsigned char* bytes = (unsigned char*)calloc(1, (size_t)*size + 4096);
    fseek(f, 0, SEEK_SET);
    if (fread(bytes, 1, (size_t)*size, f) != (size_t)*size) fail("cannot read a written file");
    fclose(f);
    return bytes;
}

static void writeAll(const char* path, const unsigned char* bytes, long size)
{
    FILE* f = fopen(path, "wb");
    if (!f || fwrite(bytes, 1, (size_t)size, f) != (size_t)size || fclose(f) != 0)
        fail("cannot write a file");
}

/* Encrypts a plain table and its memo file as Paradox does. pxlib 0.6.8 encrypts the data
 * blocks itself but then lays out its memo file wrongly (it reads its own plain blocks back
 * through the decryption), so the table is written plain and scrambled here. */
static void encrypt(const char* table, const char* memo, const char* password, int version)
{
    const unsigned long key = (unsigned long)px_passwd_checksum(password);
    long size = 0;
    unsigned char* db = readAll(table, &size);
    const long headerSize = db[2] | db[3] << 8;
    const long blockSize = db[5] * 0x400L;
    for (long at = headerSize, n = 1; at < size; at += blockSize, ++n)
        px_encrypt_db_block(db + at, db + at, key, (unsigned long)blockSize, (unsigned long)n);
    const int at = version >= 40 ? 0x5C : 0x25;
    for (int i = 0; i < 4; ++i)
        db[at + i] = (unsigned char)(key >> (8 * i));
    writeAll(table, db, size);
    free(db);
    if (!memo) return;
    unsigned char* mb = readAll(memo, &size);
    const long padded = (size + 255) / 256 * 256;
    px_encrypt_mb_block(mb, mb, key, (unsigned long)padded);
    writeAll(memo, mb, padded);
    free(mb);
}

static char g_encoding[32] = "GBK";

/* UTF-8 to the table's code page; pxlib itself crashes on text that grows past the field
 * while recoding. */
static size_t toGbk(const char* in, char* out, size_t outSize)
{
    iconv_t cd = iconv_open(g_encoding, "UTF-8");
    if (cd == (iconv_t)-1) fail("iconv does not know the code page");
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
    case 'O':
        return pxfOLE;
    case 'G':
        return pxfGraphic;
    default:
        fail("unknown field type");
        return 0;
    }
}

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 5) fail("usage: px_fixture_gen OUT.db VERSION [CODEPAGE [PASSWORD]] < TABLE");
    const char* out = argv[1];
    const int version = atoi(argv[2]);
    if (version != 70 && version != 50 && version != 40 && version != 30)
        fail("VERSION must be 70, 50, 40 or 30");
    const int codePage = argc > 3 ? atoi(argv[3]) : 936;
    const char* password = argc > 4 ? argv[4] : NULL;
    char encoding[32];
    snprintf(encoding, sizeof encoding, "CP%d", codePage);
    if (codePage != 936) snprintf(g_encoding, sizeof g_encoding, "%s", encoding);

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
    PX_set_value(doc, "codepage", codePage);
    PX_set_parameter(doc, "targetencoding", encoding);
    PX_set_parameter(doc, "inputencoding", encoding);
    static char mbPath[4096];
    snprintf(mbPath, sizeof mbPath, "%s", out);
    char* dot = strrchr(mbPath, '.');
    if (dot && !strchr(dot, '/')) *dot = 0;
    strncat(mbPath, ".mb", sizeof mbPath - strlen(mbPath) - 1);
    if (hasBlob && PX_set_blob_file(doc, mbPath) < 0) fail("cannot create the memo file");

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

    if (password) encrypt(out, hasBlob ? mbPath : NULL, password, version);

    if (version == 30) {
        /* pxlib 0.6.8 lays out a Paradox 3 header for this version but stamps it 0x0B;
         * put the version byte right so the file says what it holds. */
        FILE* f = fopen(out, "r+b");
        if (!f || fseek(f, 0x39, SEEK_SET) != 0 || fputc(0x03, f) == EOF || fclose(f) != 0)
            fail("cannot set the version byte");
    }
    return 0;
}
