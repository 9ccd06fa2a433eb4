#include "core/data_location.h"

#include "core/settings_store.h"

#include <QDir>

using namespace Qt::StringLiterals;

QString stationDataFolder(const QString& netIp)
{
    const QString host = netIp.trimmed();
#ifdef Q_OS_WIN
    if (settings::homeOverride().isEmpty()) {
        if (!host.isEmpty())
            return u"\\\\"_s + host + u"\\MuhasebeData\\"_s;
        const QString folder = settings::GetSetting(u"Platform"_s, u"DataFolder"_s);
        if (folder.isEmpty())
            return u"C:\\MuhasebeData\\"_s;
        return QDir::toNativeSeparators(QDir::cleanPath(folder)) + u'\\';
    }
#endif
    if (!host.isEmpty()) {
        const QString root = settings::GetSetting(u"Platform"_s, u"NetMountRoot"_s, u"/mnt"_s);
        return QDir::cleanPath(root + u'/' + host + u"/MuhasebeData"_s) + u'/';
    }
    QString folder = settings::GetSetting(u"Platform"_s, u"DataFolder"_s);
    if (folder.isEmpty()) {
        const QString home = settings::homeOverride();
        folder = (home.isEmpty() ? settings::programFolder() : home) + u"/MuhasebeData"_s;
    }
    return QDir::cleanPath(folder) + u'/';
}
