#include "pg_server.h"

#include "core/settings_store.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

PgServer::PgServer(int port) : m_dir(QDir::tempPath() + u"/topkar-pg-XXXXXX"_s), m_port(port)
{
    // The server runs as its own user, which must reach the folder.
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    start();
}

PgServer::~PgServer()
{
    if (m_running)
        stop(u"immediate"_s);
}

bool PgServer::script(const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"bash"_s,
            QStringList{QStringLiteral(TOPKAR_SOURCE_DIR "/scripts/central-pg.sh")} + arguments);
    const bool ok =
        p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok) {
        m_error = u"central-pg.sh %1 failed: %2"_s.arg(arguments.join(u' '),
                                                       QString::fromLocal8Bit(p.readAll()));
        qWarning("%s", qPrintable(m_error));
    }
    return ok;
}

bool PgServer::start()
{
    m_running = script({u"start"_s, m_dir.path(), QString::number(m_port)});
    return m_running;
}

bool PgServer::stop(const QString& mode)
{
    const bool ok = script({u"stop"_s, m_dir.path(), mode});
    m_running = m_running && !ok;
    return ok;
}

void PgServer::pointOrdersHere() const
{
    settings::SaveSetting(u"Platform"_s, u"OrdersHost"_s, socketFolder());
    settings::SaveSetting(u"Platform"_s, u"OrdersPort"_s, QString::number(m_port));
    settings::SaveSetting(u"Platform"_s, u"OrdersDatabase"_s, u"central"_s);
    settings::SaveSetting(u"Platform"_s, u"OrdersUser"_s, u"postgres"_s);
}

QSqlDatabase PgServer::connection(const QString& name) const
{
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(u"QPSQL"_s, name);
    if (!db.isOpen()) {
        db.setHostName(socketFolder());
        db.setPort(m_port);
        db.setDatabaseName(u"central"_s);
        db.setUserName(u"postgres"_s);
        db.open();
    }
    return db;
}
