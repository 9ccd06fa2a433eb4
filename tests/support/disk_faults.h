#pragma once

#include <QString>

// Faults of the disk under a test: a small disk that can be filled, and the ways a
// file is found damaged at start.

// A small memory disk (tmpfs) mounted over a folder for the life of the object, where
// the test may mount (root on Linux); otherwise why() says why not, for QSKIP.
class SmallDisk
{
public:
    SmallDisk(const QString& folder, int kilobytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_why.isEmpty(); }
    QString why() const { return m_why; }
    // Fills the disk up to all but about the given number of bytes.
    void fill(qint64 leaveFree = 0);

private:
    QString m_folder;
    QString m_why;
};

// How a file is found at start: cut in the middle, zero bytes, random bytes of the same
// size, a folder in its place, no read permission.
enum class Damage
{
    Truncated,
    Empty,
    Random,
    Folder,
    Unreadable
};
inline constexpr const char* kDamageNames[] = {"truncated", "zero bytes", "random bytes",
                                               "a folder", "unreadable"};
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
    unsigned m_effective = 0; // the capabilities dropped, 0 when none were
};
