#pragma once

#include <QByteArray>
#include <QString>

// Faults of the disk under a test: a small disk that can be filled, and the ways a
// file is found damaged at start.

// A small memory disk (tmpfs) mounted over a folder for the life of the object. Only
// where the test may mount (root on Linux); otherwise mounted() is false and why()
// says so, for QSKIP.
class SmallDisk
{
public:
    SmallDisk(const QString& folder, int kilobytes);
    ~SmallDisk(); // unmounts
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }
    // Fills the disk up to all but about the given number of bytes.
    void fill(qint64 leaveFree = 0);
    // Frees what fill() took.
    void unfill();

private:
    QString m_folder;
    bool m_mounted = false;
    QString m_why;
};

// How a file is found at start.
enum class Damage
{
    Truncated, // cut in the middle
    Empty,     // zero bytes
    Random,    // random bytes of the same size
    Folder,    // a folder in its place
    Unreadable // no read permission
};
QString damageName(Damage d);
// Damages the file at path (which must exist unless the damage is Folder).
void damage(const QString& path, Damage d);

// Makes the calling thread respect file permissions while it lives, even when the test
// runs as root (which otherwise reads files it has no permission for).
class PermissionsApply
{
public:
    PermissionsApply();
    ~PermissionsApply();
    PermissionsApply(const PermissionsApply&) = delete;
    PermissionsApply& operator=(const PermissionsApply&) = delete;

private:
    bool m_dropped = false;
    unsigned m_effective = 0;
};

// A file's bytes (empty when it cannot be read), and a file written with given bytes.
QByteArray fileBytes(const QString& path);
bool writeFileBytes(const QString& path, const QByteArray& bytes);
