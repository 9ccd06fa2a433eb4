#pragma once

#include <QString>

// Where the station's database files are: the local folder when no network host is
// set, otherwise the host's shared MuhasebeData folder.
//
// Windows: "C:\MuhasebeData\" (or the setting Platform/DataFolder) or
// "\\host\MuhasebeData\".
// Elsewhere: the local folder is the setting Platform/DataFolder, else MuhasebeData
// under TOPKAR_HOME or the user's data folder; a host's share is expected mounted at
// Platform/NetMountRoot (default /mnt) + "/" + host + "/MuhasebeData/".
// The result always ends with a path separator.
QString stationDataFolder(const QString& netIp);

// True for the local folder (which the station may create), false for a share.
inline bool isLocalDataFolder(const QString& netIp)
{
    return netIp.trimmed().isEmpty();
}
