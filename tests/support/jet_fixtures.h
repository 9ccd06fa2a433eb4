#pragma once

#include <QByteArray>
#include <QList>
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

// mdb-export's reading of a table (JET3 texts in the given iconv charset): the header
// row, then one list of texts per row. Dates as "yyyy-MM-dd HH:mm:ss", binary values
// in hexadecimal, NULL and empty texts as empty texts.
QList<QStringList> exportTable(const QString& file, const QString& table,
                               const QByteArray& charset = QByteArrayLiteral("CP1252"));

// mdb-tables' list of the user tables.
QStringList tables(const QString& file);

} // namespace jetfixtures
