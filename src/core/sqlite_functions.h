#pragma once

struct sqlite3;

// Registers on an open SQLite connection what the translated queries use: the
// collation TRNOCASE (case-insensitive, Turkish letters and order) and the function
// jet_like(pattern, text). Every connection to the station's files needs them, since
// their indexes are built in that collation. Returns an SQLite result code
// (SQLITE_OK on success; the connection's error message says why otherwise).
//
// The same code is built into the loadable extension "trnocase" for the sqlite3 shell
// and other SQLite tools (TOPKAR_SQLITE_EXTENSION): there every SQLite call goes
// through the table of routines the loading program hands over, so the extension
// always works on the loader's own SQLite.
int registerTurkishFunctions(sqlite3* db);
