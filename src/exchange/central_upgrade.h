#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// What the exchange needs of a central database that was set up before it: the four
// exchange tables, each with an integer key column by which the exchange addresses its
// rows, and the table of upload receipts "AktarimFisleri".
namespace centralupgrade {

// What the database lacks, each item named for the operator ("CariKartlar tablosunun
// anahtar sütunu (id)"); empty when it has everything.
QStringList missingParts(const QSqlDatabase& db);

// Adds in one transaction what missingParts() names and the upgrade can add: the key
// column "id" of a table without a primary key, missing tables, the receipts and the
// identity table, the indexes. Existing rows keep every value (they gain their key).
// *added lists what was added; false and *error (nothing changed) when a statement
// fails or something remains missing that only a person can settle.
bool upgrade(QSqlDatabase db, QStringList* added, QString* error);

} // namespace centralupgrade
