#include "core/settings_store.h"

#include "core/settings_file.h"

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
    if (!v.isValid())
        return defaultValue;
    // A value written by hand without quotes, "Ali,Veli,Can", reads as a list.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

bool SaveSetting(const QString& section, const QString& key, const QString& value, QString* error)
{
    const QString name = section + u'/' + key;
    if (!useNativeStore())
        return settingsfile::update(
            appStorePath(), [&](QSettings& s) { s.setValue(name, value); }, error);
    auto store = appStore();
    store->setValue(name, value);
    store->sync();
    if (store->status() == QSettings::NoError && store->isWritable())
        return true;
    if (error)
        *error = u"ayar yazılamadı"_s;
    return false;
}

QList<StoreProblem> checkStores()
{
    QList<StoreProblem> problems;
    if (useNativeStore())
        return problems;
    for (const QString& path : {appStorePath(), registryStorePath()})
        if (const auto p = settingsfile::check(path))
            problems.append({path, p->reason, p->keptAs});
    return problems;
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

bool WriteRegistryText(RegistryRoot root, const QString& keyPath, const QString& valueName,
                       const QString& value, QString* error)
{
    auto key = registryKey(root, keyPath);
#ifdef Q_OS_WIN
    if (settings::homeOverride().isEmpty()) {
        key->setValue(valueName, value);
        key->sync();
        return key->status() == QSettings::NoError;
    }
#endif
    const QString group = key->group();
    key.reset();
    return settingsfile::update(
        settings::registryStorePath(),
        [&](QSettings& s) {
            s.beginGroup(group);
            s.setValue(valueName, value);
            s.endGroup();
        },
        error);
}
