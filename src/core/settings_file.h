#pragma once

#include <QString>

#include <functional>
#include <optional>

class QSettings;

// The INI files that hold the station's settings where there is no registry, written
// so that a full disk, a kill or a damaged file never costs the settings that were
// there: the values that choose the data folder and the roll counter live in them.
namespace settingsfile {

// Applies change to the settings of the INI file at path. The change is made on a
// copy beside the file; the copy is read back from the disk and compared with what was
// meant, and only a copy that came back whole is renamed over the file. Anything else
// (a full disk, a folder that takes no files, a file that cannot be read) leaves the
// file as it was and returns false with the reason in *error. The file is on the disk
// under its name when this returns true. Writers take turns through a lock on the
// folder, or a lock file beside the file where the folder cannot be locked; a lock
// left by a killed process is taken over within seconds, and copies left by an
// interrupted write are removed. A damaged file
// is first copied aside (see check).
bool update(const QString& path, const std::function<void(QSettings&)>& change,
            QString* error = nullptr);

struct Problem
{
    QString reason; // why the file does not read whole
    QString keptAs; // where the damaged file was copied, when it could be
};

// What keeps the file at path from being read whole: a folder in its place, a file
// that cannot be opened, or one with lines that are no settings (random bytes, a cut
// section header). A damaged file that can be read is copied aside as it is
// (path + ".bozuk", ".bozuk2", …) before anything writes it. Nothing when the file
// is missing or reads whole.
std::optional<Problem> check(const QString& path);

} // namespace settingsfile
