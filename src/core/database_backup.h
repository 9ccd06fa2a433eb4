#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Backups of the station's database files, safe while other stations write to them.
namespace dbbackup {

// Copies each of files that exists into a new folder under target, named by the
// time ("Topkar-2025-03-31_20-00-00"), under its own name. Each copy is made with
// SQLite's online backup in one step, so it holds the file as it was at one moment
// even while other connections write (they wait meanwhile, as for any reader), and
// is checked (integrity_check with the Turkish collation) before it takes its name:
// a copy under its own name is whole. Returns the new folder, or an empty text and
// *error when a file could not be copied (copies made before stay).
QString backUp(const QStringList& files, const QString& target, const QDateTime& when,
               QString* error);

} // namespace dbbackup
