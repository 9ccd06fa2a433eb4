// The loadable SQLite extension "trnocase": the Turkish collation TRNOCASE and the
// function jet_like that the station registers on its own connections, for the
// sqlite3 shell and other SQLite tools:
//
//   sqlite3 -cmd ".load /usr/lib/topkar/trnocase" Kumas.Mdb "PRAGMA integrity_check"
//
// SQLite derives the entry point's name from the file name (trnocase →
// sqlite3_trnocase_init).

#include "core/sqlite_functions.h"

#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#ifdef _WIN32
#define TRNOCASE_EXPORT __declspec(dllexport)
#else
#define TRNOCASE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TRNOCASE_EXPORT int sqlite3_trnocase_init(sqlite3* db, char** errorMessage,
                                                     const sqlite3_api_routines* api)
{
    SQLITE_EXTENSION_INIT2(api);
    const int rc = registerTurkishFunctions(db);
    if (rc != SQLITE_OK && errorMessage)
        *errorMessage = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    return rc;
}
