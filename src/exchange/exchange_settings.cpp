#include "exchange/exchange_settings.h"

#include "core/settings_store.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
const QString kSection = u"Exchange"_s;
}

QString findCaseInsensitive(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return path;
    const QDir folder = info.dir();
    const QString name = info.fileName();
    const QStringList entries = folder.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder.filePath(entry);
    return path;
}

QString ExchangeSettings::file(const QString& name) const
{
    QString folder = QDir::fromNativeSeparators(DataFolder);
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return findCaseInsensitive(folder + name);
}

ExchangeSettings storedExchangeSettings()
{
    ExchangeSettings s;
    s.DataFolder = settings::GetSetting(kSection, u"DataFolder"_s);
    s.OwnBranch = settings::GetSetting(kSection, u"OwnBranch"_s);
    s.ExchangeCommand = settings::GetSetting(kSection, u"ExchangeCommand"_s);
    const QString central = settings::GetSetting(kSection, u"CentralStation"_s).trimmed();
    s.CentralStation = central.compare(u"True"_s, Qt::CaseInsensitive) == 0 || central == u"1"_s ||
                       central == u"-1"_s;
    s.DataSource = settings::GetSetting(kSection, u"DataSource"_s, s.DataSource);
    return s;
}

void storeExchangeCommand(const QString& command)
{
    settings::SaveSetting(kSection, u"ExchangeCommand"_s, command);
}
