#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Moving the old station's orders over. A Kumas.Mdb that is a Jet (Access) file is
// copied whole into a new SQLite Kumas.Mdb, and the Jet file itself goes, byte for
// byte unchanged, into a dated folder under MuhasebeData/Jet-yedek. At every moment
// Kumas.Mdb is either the old Jet file or the complete new one: a failure or a kill
// leaves the folder's Kumas.Mdb as it was.
namespace jetmigration {

inline constexpr char kKeptFolder[] = "Jet-yedek";

// True when the data folder's Kumas.Mdb is a Jet/ACE file.
bool ordersInJetFile(const QString& folder);

struct Result
{
    bool ok = false;
    QString message;      // why nothing was moved
    qint64 orderRows = 0; // rows of Siparis now in the new file
    int tables = 0;
    qint64 rows = 0;   // of every table
    QString keptFile;  // where the Jet file is kept
    QStringList notes; // what the operator should know about a move that succeeded
};

// Moves the orders of folder/Kumas.Mdb over; the kept copy's folder is named by `when`.
Result moveOrders(const QString& folder, const QDateTime& when = QDateTime::currentDateTime());

// What the operator is told after a move, in one text.
QString report(const Result& result);

} // namespace jetmigration
