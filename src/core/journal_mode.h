#pragma once

#include <QSqlDatabase>
#include <QString>

// How a database file keeps its transactions safe on the disk.
//
// The orders file of a folder on this computer's own disk writes ahead (SQLite's WAL):
// one sync of the log per recorded roll instead of four for the rollback journal, and
// readers never wait for a writer. A folder on a network share keeps the rollback
// journal, since writing ahead needs memory shared between the stations, which a
// share does not give. Every commit reaches the disk before it returns either way.
namespace journal {

// True when the folder lies on a network share (NFS, SMB/CIFS, a mapped or UNC path
// on Windows, a file system in user space such as sshfs).
bool onNetworkShare(const QString& folder);

// Sets the journal of a freshly opened connection to the file at path: write-ahead
// for the orders file on a local disk, the rollback journal everywhere else (also
// turning back a file that was written ahead while its folder was local).
// Returns the mode in force ("wal", "delete").
QString choose(const QSqlDatabase& db, const QString& path);

} // namespace journal
