#include "core/database_backup.h"

#include "core/logging.h"
#include "core/sqlite_functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace dbbackup {

namespace {

struct CloseDb
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;

Db openFile(const QString& path, int flags, QString* error)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK) {
        *error = u"%1: %2"_s.arg(QDir::toNativeSeparators(path),
                                 QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
        return {};
    }
    // Writers of other stations hold the file for a moment: wait for them.
    sqlite3_busy_timeout(raw, 10000);
    return db;
}

QString errorOf(sqlite3* db, const QString& path)
{
    return u"%1: %2"_s.arg(QDir::toNativeSeparators(path), QString::fromUtf8(sqlite3_errmsg(db)));
}

bool check(sqlite3* db, const QString& path, QString* error)
{
    if (registerTurkishFunctions(db) != SQLITE_OK) {
        *error = errorOf(db, path);
        return false;
    }
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &raw, nullptr) != SQLITE_OK) {
        *error = errorOf(db, path);
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    if (sqlite3_step(raw) != SQLITE_ROW) {
        *error = errorOf(db, path);
        return false;
    }
    const QString answer =
        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
    if (answer != u"ok"_s) {
        *error = u"%1: bütünlük denetimi: %2"_s.arg(QDir::toNativeSeparators(path), answer);
        return false;
    }
    return true;
}

bool copyFile(const QString& source, const QString& copy, QString* error)
{
    const QString part = copy + u".part"_s;
    QFile::remove(part);
    {
        const Db from = openFile(source, SQLITE_OPEN_READWRITE, error);
        if (!from)
            return false;
        Db to = openFile(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
        if (!to)
            return false;
        sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
        if (!backup) {
            *error = errorOf(to.get(), part);
            to.reset();
            QFile::remove(part);
            return false;
        }
        // All pages in one step: copied in smaller steps, a file that another station
        // writes meanwhile would make the copy start over and over.
        int rc = SQLITE_OK;
        for (int attempt = 0; attempt < 30; ++attempt) {
            rc = sqlite3_backup_step(backup, -1);
            if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
                break;
            QThread::msleep(200);
        }
        sqlite3_backup_finish(backup);
        bool ok = rc == SQLITE_DONE;
        if (!ok)
            *error = u"%1: %2"_s.arg(QDir::toNativeSeparators(source),
                                     QString::fromUtf8(sqlite3_errstr(rc)));
        ok = ok && check(to.get(), part, error);
        if (!ok || sqlite3_close(to.release()) != SQLITE_OK) {
            QFile::remove(part);
            return false;
        }
    }
    if (!QFile::rename(part, copy)) {
        *error = u"%1 adı verilemedi"_s.arg(QDir::toNativeSeparators(copy));
        QFile::remove(part);
        return false;
    }
    return true;
}

} // namespace

QString backUp(const QStringList& files, const QString& target, const QDateTime& when,
               QString* error)
{
    const QString stamp = u"Topkar-"_s + when.toString(u"yyyy-MM-dd_HH-mm-ss"_s);
    QString folder = QDir(target).filePath(stamp);
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = QDir(target).filePath(stamp + u'-' + QString::number(n));
    if (!QDir().mkpath(folder)) {
        *error = u"Yedek klasörü açılamadı: %1"_s.arg(QDir::toNativeSeparators(folder));
        return {};
    }
    int copied = 0;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile())
            continue;
        const QString copy = QDir(folder).filePath(QFileInfo(file).fileName());
        if (!copyFile(file, copy, error)) {
            qCWarning(lcDatabase).noquote() << "yedeklenemedi:" << *error;
            return {};
        }
        qCInfo(lcDatabase).noquote() << "yedeklendi:" << QDir::toNativeSeparators(file) << "→"
                                     << QDir::toNativeSeparators(copy);
        ++copied;
    }
    if (copied == 0) {
        QDir().rmdir(folder);
        *error = u"Yedeklenecek veritabanı dosyası yok: %1"_s.arg(files.join(u", "_s));
        return {};
    }
    return folder;
}

} // namespace dbbackup
