#pragma once

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

// Per-user application settings of "Topkar". A missing value reads as defaultValue.
QString GetSetting(const QString& section, const QString& key, const QString& defaultValue = {});
// Writes and flushes the value to disk before returning; false when the store could
// not be written (read-only or full disk).
bool SaveSetting(const QString& section, const QString& key, const QString& value);

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
// Stores value as text; failures are not reported (the stores' own behaviour).
void WriteRegistryText(RegistryRoot root, const QString& keyPath, const QString& valueName,
                       const QString& value);
