#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// The station's two per-user stores and the folders it keeps its own files in.
//
// * The application store "Topkar", section "Properties" (NetIp, serial settings, the
//   roll counter BarNo, …).
// * A registry-like store of keys under a root (window geometry under
//   "Nirvelo\Properties1", the exchange's terminal markers).
//
// On Windows both are the registry; elsewhere they are INI files in the user's
// configuration folder. When the environment variable TOPKAR_HOME names a folder,
// every store, the program folder files and the default data folder move there, so
// tests and trial runs never touch the user's own.
namespace settings {

inline constexpr char kHomeVariable[] = "TOPKAR_HOME";
inline constexpr char kAppName[] = "Topkar";

// The folder named by TOPKAR_HOME, or empty.
QString homeOverride();

// Where the layout files (Barkod.Dat, Kumas.Dat) and the log files live: TOPKAR_HOME
// when set; on Windows the program's own folder when the user may write there;
// otherwise the user's data folder ("Topkar" under ~/.local/share or %LOCALAPPDATA%).
QString programFolder();
QString programFile(const QString& name);

// Per-user application settings of "Topkar". A missing value reads as defaultValue; a
// list written by hand ("Ali,Veli,Can" without quotes) reads as that text.
QString GetSetting(const QString& section, const QString& key, const QString& defaultValue = {});
// Writes the value and has it on disk before returning: the store is replaced whole or
// not at all. False (and *error) when it could not be written (read-only folder, full
// disk, a file that cannot be read); the store then holds what it held before.
bool SaveSetting(const QString& section, const QString& key, const QString& value,
                 QString* error = nullptr);

// A store file that does not read whole at start: a folder in its place, a file that
// cannot be opened, or one with damaged lines (copied aside to keptAs before anything
// writes it). Its values read as their defaults until it is mended.
struct StoreProblem
{
    QString path;
    QString reason;
    QString keptAs;
};
QList<StoreProblem> checkStores();

// The INI file of the application store (not used on Windows without TOPKAR_HOME).
QString appStorePath();
QString registryStorePath();

} // namespace settings

// Registry roots as the station passes them.
enum class RegistryRoot : quint32
{
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u
};

// The text stored under root\keyPath\valueName, cut at its first NUL character. A
// missing value, or one that is not text, reads as empty text.
QString ReadRegistryText(RegistryRoot root, const QString& keyPath, const QString& valueName);
// Stores value as text, whole or not at all; false (and *error) when it could not be
// written.
bool WriteRegistryText(RegistryRoot root, const QString& keyPath, const QString& valueName,
                       const QString& value, QString* error = nullptr);
