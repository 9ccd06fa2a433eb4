#include "core/sqlite_functions.h"

#include "core/jet_sql.h"
#include "core/turkish_text.h"

#ifdef TOPKAR_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3
#else
#include <sqlite3.h>
#endif

#include <algorithm>

namespace {

// The next character of UTF-8 text (as stored in the files), or 0 at its end. Only
// characters of the basic plane take part in folding; others compare by code.
char32_t nextChar(const unsigned char*& p, const unsigned char* end)
{
    if (p >= end)
        return 0;
    const unsigned char c = *p++;
    if (c < 0x80)
        return c;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t code = c & (0x3F >> more);
    for (; more > 0 && p < end && (*p & 0xC0) == 0x80; --more)
        code = (code << 6) | (*p++ & 0x3F);
    return code;
}

int collateUtf16(void*, int lenA, const void* a, int lenB, const void* b)
{
    // Native-order UTF-16 with lengths in bytes.
    return turkish::compare(QStringView(static_cast<const char16_t*>(a), lenA / 2),
                            QStringView(static_cast<const char16_t*>(b), lenB / 2));
}

int collateUtf8(void*, int lenA, const void* a, int lenB, const void* b)
{
    // Compared in place, without converting whole keys: an index search compares a
    // key at every step.
    auto pa = static_cast<const unsigned char*>(a);
    auto pb = static_cast<const unsigned char*>(b);
    const auto* ea = pa + lenA;
    const auto* eb = pb + lenB;
    // Equal bytes are equal characters: skip them, back to the start of a character.
    const int same = [&] {
        int n = 0;
        const int most = std::min(lenA, lenB);
        while (n < most && pa[n] == pb[n])
            ++n;
        while (n > 0 && n < most && (pa[n] & 0xC0) == 0x80)
            --n;
        return n;
    }();
    pa += same;
    pb += same;
    for (;;) {
        const bool endA = pa >= ea;
        const bool endB = pb >= eb;
        if (endA || endB)
            return endA && endB ? 0 : (endA ? -1 : 1);
        const char32_t ca = nextChar(pa, ea);
        const char32_t cb = nextChar(pb, eb);
        if (ca == cb)
            continue;
        if (ca > 0xFFFF || cb > 0xFFFF)
            return ca < cb ? -1 : 1;
        const int wa = turkish::weightOf(turkish::foldChar(static_cast<char16_t>(ca)));
        const int wb = turkish::weightOf(turkish::foldChar(static_cast<char16_t>(cb)));
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
}

QStringView textArg(sqlite3_value* v)
{
    const void* data = sqlite3_value_text16(v);
    const int bytes = sqlite3_value_bytes16(v);
    return QStringView(static_cast<const char16_t*>(data), bytes / 2);
}

void jetLike(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString pattern = textArg(argv[0]).toString();
    const QStringView text = textArg(argv[1]);
    sqlite3_result_int(ctx, turkish::likeMatch(pattern, text) ? 1 : 0);
}

} // namespace

int registerTurkishFunctions(sqlite3* db)
{
    // One comparison for each text encoding a file may have. (SQLite would otherwise
    // hand the text over unconverted to the one registered for the other encoding.)
    int rc = sqlite3_create_collation(db, jetsql::kCollation, SQLITE_UTF8, nullptr, collateUtf8);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_collation(db, jetsql::kCollation, SQLITE_UTF16, nullptr, collateUtf16);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function(db, jetsql::kLikeFunction, 2,
                                     SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, jetLike, nullptr,
                                     nullptr);
    return rc;
}
