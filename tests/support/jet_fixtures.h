#pragma once

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The real Jet/ACE files of tests/fixtures/jet and their reference reading by the
// mdbtools commands.
namespace jetfixtures {

// The full path of a fixture file ("nwind.mdb").
QString path(const QString& name);

// Writes a copy of nwind.mdb that plays an old station's order file: its table
// "Umsätze" renamed "Siparis" and the "í" of "Bolívar" replaced by the byte that
// Windows-1254 reads as "ı" (Windows-1252 as "ý"). False when it cannot be written.
bool writeOrderFile(const QString& target);

// Writes a copy of ASampleDatabase.accdb that plays the accounting program's customer
// file: its table "Asset Items" renamed "CariKartlar", the column "Model" renamed
// "Unvan" (65 cards, one of them "Surger 350"). With `newCard` the card "220ZX" is
// "Yeni1" instead. False when it cannot be written.
bool writeCardFile(const QString& target, bool newCard = false);

// Compares a table copied into db with mdb-export's reading of it, value by value in
// stored order (JET3 texts in the given code page): empty when they agree, else the
// first difference. *rows gets the reference's row count.
QString compareTable(const QString& file, int codePage, const QSqlDatabase& db,
                     const QString& table, qint64* rows);

} // namespace jetfixtures
