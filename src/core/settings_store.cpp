#include "core/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <memory>

using namespace Qt::StringLiterals;

namespace settings {

QString homeOverride()
{
    const QString home = qEnvironmentVariable(kHomeVariable);
    if (home.isEmpty())
        return {};
    QDir().mkpath(home);
    return QDir(home).absolutePath();
}

namespace {

QString userDataFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + u"/.local/share"_s;
    folder += u'/' + QLatin1String(kAppName);
    QDir().mkpath(folder);
    return folder;
}

#ifdef Q_OS_WIN
// The program's own folder when this user may write there (a copy of the program in
// a folder of its own, as older stations ran); an installed program's folder is not
// writable, and its files go to the user's data folder instead.
bool writableFolder(const QString& folder)
{
    QTemporaryFile probe(folder + u"/topkar-probe-XXXXXX"_s);
    return probe.open();
}
#endif

} // namespace

QString programFolder()
{
    if (const QString home = homeOverride(); !home.isEmpty())
        return home;
#ifdef Q_OS_WIN
    static const bool own = writableFolder(QCoreApplication::applicationDirPath());
    if (own)
        return QCoreApplication::applicationDirPath();
#endif
    return userDataFolder();
}

QString programFile(const QString& name)
{
    return QDir(programFolder()).filePath(name);
}

namespace {

QString configFolder()
{
    if (const QString home = homeOverride(); !home.isEmpty())
        return home;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + u"/.config"_s;
    return folder + u'/' + QLatin1String(kAppName);
}

bool useNativeStore()
{
#ifdef Q_OS_WIN
    return homeOverride().isEmpty();
#else
    return false;
#endif
}

std::unique_ptr<QSettings> appStore()
{
    if (useNativeStore())
        // The per-application store of the older Windows stations, so that their
        // settings carry over.
        return std::make_unique<QSettings>(
            u"HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Topkar"_s,
            QSettings::NativeFormat);
    return std::make_unique<QSettings>(appStorePath(), QSettings::IniFormat);
}

} // namespace

QString appStorePath()
{
    return configFolder() + u"/Topkar.ini"_s;
}

QString registryStorePath()
{
    return configFolder() + u"/registry.ini"_s;
}

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue)
{
    auto store = appStore();
    const QVariant v = store->value(section + u'/' + key);
    return v.isValid() ? v.toString() : defaultValue;
}

bool SaveSetting(const QString& section, const QString& key, const QString& value)
{
    auto store = appStore();
    store->setValue(section + u'/' + key, value);
    store->sync();
    return store->status() == QSettings::NoError && store->isWritable();
}

} // namespace settings

namespace {

QString rootName(RegistryRoot root)
{
    return root == RegistryRoot::LocalMachine ? u"HKEY_LOCAL_MACHINE"_s : u"HKEY_CURRENT_USER"_s;
}

std::unique_ptr<QSettings> registryKey(RegistryRoot root, const QString& keyPath)
{
    QString path = keyPath;
    path.replace(u'/', u'\\');
    while (path.endsWith(u'\\'))
        path.chop(1);
#ifdef Q_OS_WIN
    if (settings::homeOverride().isEmpty())
        return std::make_unique<QSettings>(rootName(root) + u'\\' + path, QSettings::NativeFormat);
#endif
    auto store = std::make_unique<QSettings>(settings::registryStorePath(), QSettings::IniFormat);
    // Each key path is one section of the file: [HKEY_CURRENT_USER\Nirvelo\Properties1].
    store->beginGroup(rootName(root) + u'\\' + path);
    return store;
}

} // namespace

QString ReadRegistryText(RegistryRoot root, const QString& keyPath, const QString& valueName)
{
    auto key = registryKey(root, keyPath);
    const QVariant v = key->value(valueName);
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return QString();
    QString text = v.toString();
    if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
        text.truncate(nul);
    return text;
}

void WriteRegistryText(RegistryRoot root, const QString& keyPath, const QString& valueName,
                       const QString& value)
{
    auto key = registryKey(root, keyPath);
    key->setValue(valueName, value);
    key->sync();
}
