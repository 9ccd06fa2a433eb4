#include "core/settings_file.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QSettings>
#include <QVariant>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace settingsfile {

namespace {

// A settings write takes milliseconds; a lock older than this was left by a process
// that died while making it (an empty lock file names no owner to ask).
constexpr std::chrono::seconds kStaleLock{3};
constexpr std::chrono::seconds kLockWait{5};
constexpr int kAsideCopies = 9;

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

// A name beside the file that no settings object of this process has read before
// (Qt keeps what it read of a file and trusts it while size and time look the same).
QString freshName(const QString& path, QStringView what)
{
    static std::atomic<int> serial{0};
    return u"%1.%2-%3-%4"_s.arg(path, what).arg(QCoreApplication::applicationPid()).arg(++serial);
}

QString asideName(const QString& path, int n)
{
    return path + u".bozuk"_s + (n > 1 ? QString::number(n) : QString());
}

std::optional<QByteArray> readAll(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

// Writes the bytes to a new file; a file that could not be written whole is removed.
bool writeAll(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(bytes) == bytes.size() && file.flush())
        return true;
    fail(error, file.errorString());
    file.close();
    file.remove();
    return false;
}

// Copies left by writes that were cut off: this store's own and those Qt makes
// ("Topkar.ini.XXXXXX"). Called with the lock held, so no other writer is busy.
void removeLeftovers(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    QDir dir = info.dir();
    for (const QString& entry : dir.entryList({name + u".*"_s}, QDir::Files | QDir::Hidden)) {
        if (entry.startsWith(name + u".lock"_s) || entry.startsWith(name + u".bozuk"_s))
            continue;
        dir.remove(entry);
    }
}

bool damaged(const QSettings& settings, const QByteArray& bytes)
{
    // A text file of settings holds no NUL bytes; random bytes nearly always do.
    return settings.status() == QSettings::FormatError || bytes.contains('\0');
}

QMap<QString, QVariant> contents(QSettings& settings)
{
    QMap<QString, QVariant> all;
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys)
        all.insert(key, settings.value(key));
    return all;
}

// Keeps the damaged file's bytes aside, unless a copy of them is kept already.
QString keepAside(const QString& path, const QByteArray& bytes)
{
    for (int n = 1; n <= kAsideCopies; ++n) {
        const QString aside = asideName(path, n);
        if (QFileInfo::exists(aside)) {
            if (readAll(aside, nullptr) == bytes)
                return aside;
            continue;
        }
        return writeAll(aside, bytes, nullptr) ? aside : QString();
    }
    return {};
}

// A file put in place must not carry the time of the file it replaces, or a reader
// holding the old contents would take it for unchanged.
void markNewer(const QString& fresh, const QString& old)
{
    const QDateTime before = QFileInfo(old).lastModified();
    if (!before.isValid() || QFileInfo(fresh).lastModified() > before)
        return;
    QFile file(fresh);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(before.addMSecs(1), QFileDevice::FileModificationTime);
}

// The new name is on the disk once the folder is: the roll counter must be there
// before the roll that carries its number is written.
bool syncFolder(const QString& path, QString* error)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    Q_UNUSED(error);
    return true; // NTFS keeps the rename in its own log
#else
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return synced || fail(error, u"klasör diske yazılamadı"_s);
#endif
}

bool replace(const QString& from, const QString& to, QString* error)
{
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), code);
    if (!code)
        return syncFolder(to, error);
    return fail(error, QString::fromStdString(code.message()));
}

// Writers of the files of one folder take turns. Where the system locks a folder (a
// lock the system lets go of when its holder dies, and that writes nothing to the
// disk) that is the turn; elsewhere a lock file beside the file, taken over from a
// killed writer within seconds.
class WriterTurn
{
public:
    explicit WriterTurn(const QString& path) : m_path(path) {}
    WriterTurn(const WriterTurn&) = delete;
    WriterTurn& operator=(const WriterTurn&) = delete;
    ~WriterTurn()
    {
#ifndef Q_OS_WIN
        if (m_folder >= 0)
            ::close(m_folder); // lets go of the lock
#endif
    }

    bool take(QString* error)
    {
        const QString busy =
            u"başka bir program ayarları yazıyor (%1)"_s.arg(QFileInfo(m_path).fileName());
#ifndef Q_OS_WIN
        m_folder = ::open(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_folder >= 0) {
            const auto until = std::chrono::steady_clock::now() + kLockWait;
            for (;;) {
                if (::flock(m_folder, LOCK_EX | LOCK_NB) == 0) {
                    // A lock file left by a writer of the other kind, killed.
                    QFile::remove(m_path + u".lock"_s);
                    return true;
                }
                if (errno != EWOULDBLOCK && errno != EINTR)
                    break; // a folder the system cannot lock: the lock file below
                if (std::chrono::steady_clock::now() > until)
                    return fail(error, busy);
                ::usleep(2000);
            }
            ::close(m_folder);
            m_folder = -1;
        }
#endif
        m_file.emplace(m_path + u".lock"_s);
        m_file->setStaleLockTime(kStaleLock);
        if (m_file->tryLock(kLockWait))
            return true;
        return fail(error, m_file->error() == QLockFile::LockFailedError
                               ? busy
                               : u"kilit dosyası yazılamadı (disk dolu olabilir)"_s);
    }

private:
    QString m_path;
    std::optional<QLockFile> m_file;
#ifndef Q_OS_WIN
    int m_folder = -1;
#endif
};

} // namespace

bool update(const QString& path, const std::function<void(QSettings&)>& change, QString* error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return fail(error, u"bir dosya değil"_s);
    QDir().mkpath(info.absolutePath());
    WriterTurn turn(path);
    if (!turn.take(error))
        return false;
    removeLeftovers(path);

    QByteArray old;
    if (info.exists()) {
        const auto bytes = readAll(path, error);
        if (!bytes)
            return false;
        old = *bytes;
    }
    const QString copy = freshName(path, u"yeni");
    if (!writeAll(copy, old, error))
        return false;
    QMap<QString, QVariant> meant;
    {
        QSettings settings(copy, QSettings::IniFormat);
        settings.allKeys(); // reads every section
        if (damaged(settings, old))
            keepAside(path, old);
        change(settings);
        settings.sync();
        if (settings.status() == QSettings::AccessError) {
            QFile::remove(copy);
            return fail(error, u"dosya yazılamadı"_s);
        }
        meant = contents(settings);
    }
    // Read back from the disk under a name that was never read: what a full disk cut
    // short differs from what was meant.
    const QString written = freshName(path, u"denetim");
    bool whole = QFile::rename(copy, written);
    if (whole) {
        QSettings back(written, QSettings::IniFormat);
        whole = back.status() != QSettings::AccessError && contents(back) == meant;
    }
    if (!whole) {
        QFile::remove(copy);
        QFile::remove(written);
        return fail(error, u"dosya tam yazılamadı (disk dolu olabilir)"_s);
    }
    markNewer(written, path);
    if (!replace(written, path, error)) {
        QFile::remove(written);
        return false;
    }
    return true;
}

std::optional<Problem> check(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    if (!info.isFile())
        return Problem{u"bir dosya değil"_s, {}};
    QString why;
    const auto bytes = readAll(path, &why);
    if (!bytes)
        return Problem{why, {}};
    QSettings settings(path, QSettings::IniFormat);
    settings.allKeys(); // reads every section
    if (settings.status() == QSettings::AccessError)
        return Problem{u"okunamadı"_s, {}};
    if (!damaged(settings, *bytes))
        return std::nullopt;
    return Problem{u"ayar olmayan satırlar var"_s, keepAside(path, *bytes)};
}

} // namespace settingsfile
