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
                options.constData()) != 0)
        m_why = u"a small disk cannot be mounted here (%1): the full-disk cases are not run"_s.arg(
            QString::fromLocal8Bit(std::strerror(errno)));
}

SmallDisk::~SmallDisk()
{
    if (mounted())
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

void SmallDisk::fill(qint64 leaveFree)
{
    const int fd = ::open(QFile::encodeName(m_folder + u"/dolgu"_s).constData(),
                          O_WRONLY | O_CREAT | O_APPEND, 0600);
    const char block[4096] = {};
    off_t size = 0;
    for (size_t piece : {sizeof block, size_t(512), size_t(1)})
        for (ssize_t n = 1; fd >= 0 && n > 0; size += std::max<ssize_t>(n, 0))
            n = ::write(fd, block, piece);
    if (fd >= 0 && leaveFree > 0 && ::ftruncate(fd, std::max<off_t>(0, size - leaveFree)) != 0)
        qWarning("the small disk could not be given free room");
    if (fd >= 0)
        ::close(fd);
}

void damage(const QString& path, Damage d)
{
    QFile file(path);
    switch (d) {
    case Damage::Truncated:
    case Damage::Empty:
        file.resize(d == Damage::Empty ? 0 : file.size() / 2);
        break;
    case Damage::Random: {
        QList<quint32> words(std::max<qint64>(file.size(), 1024) / 4);
        QRandomGenerator(20260302).fillRange(words.data(), words.size());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(reinterpret_cast<const char*>(words.constData()), words.size() * 4);
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
    const unsigned effective = data[0].effective;
    data[0].effective &= ~kOverride;
    if (capabilities(data, true))
        m_effective = effective;
}

PermissionsApply::~PermissionsApply()
{
    __user_cap_data_struct data[2] = {};
    if (m_effective && capabilities(data, false)) {
        data[0].effective = m_effective;
        capabilities(data, true);
    }
}
