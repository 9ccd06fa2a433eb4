#include "central_server.h"

#include "exchange/central_database.h"
#include "sql_helpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using namespace Qt::StringLiterals;

CentralServer::CentralServer(int port)
    : m_dir(QDir::tempPath() + u"/topkar-central-XXXXXX"_s), m_port(port)
{
    m_connection = u"test-central-check-%1"_s.arg(port);
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::ExeOther);
    if (!start())
        return;
    qputenv("ODBCINI", odbcIni().toLocal8Bit());
    QSqlDatabase db = connection();
    if (!db.isOpen()) {
        m_error = db.lastError().text();
        return;
    }
    if (!createCentralSchema(db, &m_error))
        return;
    m_ready = true;
}

CentralServer::~CentralServer()
{
    disconnect();
    if (m_running)
        stop(u"immediate"_s);
}

QString CentralServer::odbcIni() const
{
    return m_dir.filePath(u"odbc.ini"_s);
}

bool CentralServer::script(const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"bash"_s,
            QStringList{QStringLiteral(TOPKAR_SOURCE_DIR "/scripts/central-pg.sh")} + arguments);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QString::fromLocal8Bit(p.readAll());
        return false;
    }
    return true;
}

bool CentralServer::start()
{
    m_running = script({u"start"_s, m_dir.path(), QString::number(m_port)});
    return m_running;
}

bool CentralServer::stop(const QString& mode)
{
    disconnect();
    const bool ok = script({u"stop"_s, m_dir.path(), mode});
    m_running = m_running && !ok;
    return ok;
}

QSqlDatabase CentralServer::connection()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(u"QODBC"_s, m_connection);
    if (!db.isOpen()) {
        db.setDatabaseName(u"ParvekWeb"_s);
        db.open();
    }
    return db;
}

void CentralServer::disconnect()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void CentralServer::clear()
{
    exec(
        u"TRUNCATE \"CariKartlar\", \"StokKartlar\", \"CariHareket\", \"StokHareket\", \"AktarimFisleri\""_s);
}

QList<QVariantList> CentralServer::rows(const QString& sql, const QVariantList& params)
{
    QSqlQuery q = runSql(connection(), sql, params);
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row.append(q.value(i));
        out.append(row);
    }
    return out;
}

QVariant CentralServer::value(const QString& sql, const QVariantList& params)
{
    const auto r = rows(sql, params);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

bool CentralServer::exec(const QString& sql, const QVariantList& params)
{
    return runSql(connection(), sql, params).isActive();
}

void CentralServerTest::initTestCase()
{
    server = std::make_unique<CentralServer>(m_port);
    QVERIFY2(server->ready(), qPrintable(server->error()));
}

void CentralServerTest::init()
{
    server->clear();
    home = std::make_unique<TestHome>();
    prepare();
}
