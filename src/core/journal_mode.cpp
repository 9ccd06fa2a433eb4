#include "core/journal_mode.h"

#include "core/database_files.h"
#include "core/logging.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStorageInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace journal {

bool onNetworkShare(const QString& folder)
{
    const QString native = QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath());
#ifdef Q_OS_WIN
    if (native.startsWith(u"\\\\"_s))
        return true;
    const std::wstring root = native.left(3).toStdWString();
    return GetDriveTypeW(root.c_str()) == DRIVE_REMOTE;
#else
    const QByteArray type = QStorageInfo(native).fileSystemType().toLower();
    static const QList<QByteArray> shares = {"nfs",   "nfs4",   "cifs",  "smb3", "smbfs",
                                             "9p",    "afs",    "ncpfs", "ceph", "glusterfs",
                                             "davfs", "lustre", "gfs2",  "ocfs2"};
    return shares.contains(type) || type.startsWith("fuse.") || type == "fuse" ||
           (native.startsWith(u"//"_s));
#endif
}

QString choose(const QSqlDatabase& db, const QString& path)
{
    const QFileInfo file(path);
    const bool ahead =
        file.fileName().compare(QLatin1String(dbfiles::kOrders), Qt::CaseInsensitive) == 0 &&
        !onNetworkShare(file.absolutePath());
    QSqlQuery q(db);
    // Switching back from write-ahead needs the file to itself; while another station
    // holds it open, the file stays as it is until a later start.
    q.exec(ahead ? u"PRAGMA journal_mode = WAL"_s : u"PRAGMA journal_mode = DELETE"_s);
    const QString mode = q.next() ? q.value(0).toString().toLower() : QString();
    q.finish();
    // A commit returns only once it is on the disk, in either journal.
    q.exec(u"PRAGMA synchronous = FULL"_s);
    if (ahead != (mode == u"wal"_s))
        qCInfo(lcDatabase).noquote()
            << "günlük kipi" << mode << "kaldı:" << QDir::toNativeSeparators(path);
    return mode;
}

} // namespace journal
