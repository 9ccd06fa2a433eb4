#pragma once

#include <QSqlDatabase>
#include <QString>

// Registers on an open SQLite connection what the translated queries use: the
// collation TRNOCASE (case-insensitive, Turkish letters and order) and the function
// jet_like(pattern, text). Every connection to the station's files needs them, since
// their indexes are built in that collation. Returns false (and *error) when the
// connection is not an SQLite one or the registration fails.
bool registerTurkishFunctions(const QSqlDatabase& db, QString* error = nullptr);
