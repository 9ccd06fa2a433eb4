#include "test_home.h"

#include "core/database_files.h"
#include "core/settings_store.h"

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

TestHome::TestHome()
{
    m_previous = qgetenv(settings::kHomeVariable);
    qputenv(settings::kHomeVariable, m_dir.path().toLocal8Bit());
}

TestHome::~TestHome()
{
    dbfiles::closeAll();
    if (m_previous.isEmpty())
        qunsetenv(settings::kHomeVariable);
    else
        qputenv(settings::kHomeVariable, m_previous);
}

QString TestHome::dataFolder() const
{
    const QString folder = m_dir.filePath(QStringLiteral("MuhasebeData"));
    QDir().mkpath(folder);
    return folder;
}

ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment)
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, arguments);
    if (!p.waitForStarted(10000))
        qWarning("%s could not be started", qPrintable(program));
    const bool ended = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString stationRegistryText(const QString& name)
{
    return ReadRegistryText(RegistryRoot::CurrentUser, u"Nirvelo\\Properties1"_s, name);
}

bool storeStationRegistryText(const QString& name, const QString& value)
{
    return WriteRegistryText(RegistryRoot::CurrentUser, u"Nirvelo\\Properties1"_s, name, value);
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
