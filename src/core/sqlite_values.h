#pragma once

#include <QVariant>

struct sqlite3_stmt;

// Values passed straight to and from SQLite's own statements, the way Qt's SQLite driver
// passes them, so that a row read or a parameter bound past the driver (where reading
// many rows through it costs several times the engine's work) stores and compares exactly
// as one that went through QtSql.
namespace sqlitevalues {

// Binds a parameter (counted from 1); returns SQLite's result code.
int bind(sqlite3_stmt* statement, int index, const QVariant& value);
// A column of the current row: qlonglong, double, QString, QByteArray or a null QVariant.
QVariant column(sqlite3_stmt* statement, int index);

} // namespace sqlitevalues
