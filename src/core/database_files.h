#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The station's database files: SQLite files under the names the company has always
// used (Kumas.Mdb, 01Cari.Mdb, 01Stok.Mdb) in the folder MuhasebeData.
namespace dbfiles {

inline constexpr char kOrders[] = "Kumas.Mdb";    // Siparis
inline constexpr char kAccounts[] = "01Cari.Mdb"; // CariKartlar
inline constexpr char kStock[] = "01Stok.Mdb";    // StokKartlar

// An open connection to an existing database file (never to a Jet file), shared by every user of
// the same file and carrying the Turkish collation and Like function. Fails (invalid database,
// *error set) when the file does not exist or cannot be opened; it is never created
// here.
QSqlDatabase connection(const QString& path, QString* error = nullptr);

// Registers the Turkish collation TRNOCASE and the function jet_like on an open SQLite
// connection of Qt's driver; false and *error when it is not one or registering fails.
bool registerFunctions(const QSqlDatabase& db, QString* error);

// Closes the connection connection() opened to one file (before it is replaced).
void close(const QString& path);

// Closes every connection opened by connection() (before files are moved or removed).
void closeAll();

// Table definitions of the files the station and the exchange create when missing.
// Each entry is one CREATE TABLE or CREATE INDEX statement.
QStringList tableStatements(const QString& table);

// The column definitions of a CREATE TABLE statement: name → definition text
// ("Borc" → "Borc DOUBLE DEFAULT 0").
QList<std::pair<QString, QString>> columnDefinitions(const QString& statement);

// Creates the file with the given tables (and their indexes) when it does not exist,
// and adds any of the tables that an existing file lacks, and any of their columns
// that a table made by an older station lacks. The folder must exist.
bool ensureDatabase(const QString& path, const QStringList& tables, QString* error = nullptr);

} // namespace dbfiles
