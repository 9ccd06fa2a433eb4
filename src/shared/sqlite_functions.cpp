#include "sqlite_functions.h"

#include "jet_sql.h"
#include "turkish_text.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace {

int collateTurkish(void*, int lenA, const void* a, int lenB, const void* b)
{
    // SQLite hands over UTF-16 in native byte order with lengths in bytes.
    const QStringView va(static_cast<const char16_t*>(a), lenA / 2);
    const QStringView vb(static_cast<const char16_t*>(b), lenB / 2);
    return turkish::compare(va, vb);
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

bool registerTurkishFunctions(const QSqlDatabase& db, QString* error)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        if (error)
            *error = QStringLiteral("SQLite bağlantısı değil");
        return false;
    }
    auto* sqlite = *static_cast<sqlite3* const*>(handle.data());
    if (!sqlite) {
        if (error)
            *error = QStringLiteral("Veritabanı açık değil");
        return false;
    }
    int rc =
        sqlite3_create_collation(sqlite, jetsql::kCollation, SQLITE_UTF16, nullptr, collateTurkish);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function(sqlite, jetsql::kLikeFunction, 2,
                                     SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, jetLike, nullptr,
                                     nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(sqlite));
        return false;
    }
    return true;
}
