#include "pg_server.h"

#include "core/jet_sql.h"
#include "core/settings_store.h"
#include "core/table_schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

PgServer::PgServer(int port) : m_dir(QDir::tempPath() + u"/topkar-pg-XXXXXX"_s), m_port(port)
{
    // A server run as the user postgres reaches the folder.
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    start();
}

PgServer::~PgServer()
{
    QSqlDatabase::database(u"topkar-orders"_s, false).close();
    if (m_running)
        stop(u"immediate"_s);
}

bool PgServer::script(const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"bash"_s,
            QStringList{QStringLiteral(TOPKAR_SOURCE_DIR "/scripts/central-pg.sh")} + arguments);
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    m_error = u"central-pg.sh %1 failed: %2"_s.arg(arguments.join(u' '),
                                                   QString::fromLocal8Bit(p.readAll()));
    qWarning("%s", qPrintable(m_error));
    return false;
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

orderserver::Address PgServer::address() const
{
    return {m_dir.filePath(u"sock"_s), m_port, u"central"_s, u"postgres"_s, {}};
}

void PgServer::pointOrdersHere() const
{
    const orderserver::Address a = address();
    settings::SaveSetting(u"Platform"_s, u"OrdersHost"_s, a.host);
    settings::SaveSetting(u"Platform"_s, u"OrdersPort"_s, QString::number(a.port));
    settings::SaveSetting(u"Platform"_s, u"OrdersDatabase"_s, a.database);
    settings::SaveSetting(u"Platform"_s, u"OrdersUser"_s, a.user);
}

bool PgServer::freshTables(const QStringList& others) const
{
    QSqlDatabase db = orders();
    QSqlQuery q(db);
    QStringList all{u"\"Siparis\""_s};
    for (const QString& t : others)
        all.append(jetsql::quoteIdentifier(t));
    bool ok =
        q.exec(u"DROP TABLE IF EXISTS "_s + all.join(u", "_s)) && orderserver::ensureSchema(db);
    for (const QString& table : others)
        ok = ok && q.exec(orderserver::createTableStatement(table));
    forgetTableInfo(db);
    return ok;
}
