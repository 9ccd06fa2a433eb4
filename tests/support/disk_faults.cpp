#include "disk_faults.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

SmallDisk::SmallDisk(const QString& folder, int kilobytes) : m_folder(folder)
{
    QDir().mkpath(folder);
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0700";
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) == 0)
        m_mounted = true;
    else
        m_why = u"a small disk cannot be mounted here (%1): the full-disk cases are not run"_s.arg(
            QString::fromLocal8Bit(std::strerror(errno)));
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

void SmallDisk::fill(qint64 leaveFree)
{
    const QByteArray path = QFile::encodeName(m_folder + u"/dolgu"_s);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return;
    const QByteArray block(4096, 'x');
    off_t size = 0;
    for (qsizetype piece : {block.size(), qsizetype(512), qsizetype(1)}) {
        ssize_t n = 0;
        while ((n = ::write(fd, block.constData(), static_cast<size_t>(piece))) > 0)
            size += n;
    }
    if (leaveFree > 0 && ::ftruncate(fd, std::max<off_t>(0, size - leaveFree)) != 0)
        qWarning("the small disk could not be given free room");
    ::close(fd);
}

void SmallDisk::unfill()
{
    QFile::remove(m_folder + u"/dolgu"_s);
}

QString damageName(Damage d)
{
    switch (d) {
    case Damage::Truncated:
        return u"truncated"_s;
    case Damage::Empty:
        return u"zero bytes"_s;
    case Damage::Random:
        return u"random bytes"_s;
    case Damage::Folder:
        return u"a folder"_s;
    case Damage::Unreadable:
        return u"unreadable"_s;
    }
    return {};
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void damage(const QString& path, Damage d)
{
    QFile file(path);
    switch (d) {
    case Damage::Truncated:
        file.resize(file.size() / 2);
        break;
    case Damage::Empty:
        file.resize(0);
        break;
    case Damage::Random: {
        QByteArray bytes(std::max<qint64>(file.size(), 1024), Qt::Uninitialized);
        QRandomGenerator gen(20260302);
        for (char& c : bytes)
            c = static_cast<char>(gen.bounded(256));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        break;
    }
    case Damage::Folder:
        file.remove();
        QDir().mkpath(path);
        break;
    case Damage::Unreadable:
        file.setPermissions({});
        break;
    }
}

namespace {

// The capabilities that let root read and search regardless of permissions.
constexpr unsigned kOverride = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool capabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

} // namespace

PermissionsApply::PermissionsApply()
{
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data, false) || !(data[0].effective & kOverride))
        return;
    m_effective = data[0].effective;
    data[0].effective &= ~kOverride;
    m_dropped = capabilities(data, true);
}

PermissionsApply::~PermissionsApply()
{
    __user_cap_data_struct data[2] = {};
    if (m_dropped && capabilities(data, false)) {
        data[0].effective = m_effective;
        capabilities(data, true);
    }
}
