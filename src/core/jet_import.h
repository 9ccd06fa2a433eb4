#pragma once

#include "core/jet_file.h"

#include <QString>
#include <QStringList>

#include <functional>

// Copies every table of a Jet/ACE file into a new SQLite file: the same table and
// column names, the closest column types, the rows in their stored order.
//
// The copy is written into a temporary file beside the target and renamed onto it
// only when every row is in, so a failure or a kill never leaves a half-made target.
// When the target is one of the station's databases (Kumas.Mdb, the card files
// NNCari.Mdb / NNStok.Mdb), the tables the station knows also get the columns it
// needs and its indexes in the Turkish collation.
namespace jetimport {

enum class Status
{
    Done,         // every table copied
    Failed,       // the source could not be read or the target not written
    TargetExists, // nothing tried: the target exists and replace was not asked for
    Refused,      // nothing tried: source and target are one file, the target a folder
};

struct Options
{
    int codePage = jet::kDefaultCodePage; // of JET3 texts
    bool replace = false;                 // an existing target is replaced
    QStringList tables;                   // only these tables (all when empty)
};

struct Result
{
    Status status = Status::Failed;
    QString message; // why it failed or was refused
    int tables = 0;
    qint64 rows = 0;
    QStringList notes; // what the operator should know about a copy that succeeded
};

// Called after each table with its name and row count.
using Progress = std::function<void(const QString& table, qint64 rows)>;

Result importFile(const QString& source, const QString& target, const Options& options = {},
                  const Progress& progress = {});

// Writes the file's contents to the disk (before it is renamed into place).
bool syncFile(const QString& path);

// True when the file name is one of the station's databases.
bool isStationDatabase(const QString& target);

} // namespace jetimport
