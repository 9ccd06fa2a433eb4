#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

// A throwaway PostgreSQL server for one test program (scripts/central-pg.sh): its own
// folder, its own socket, a database "central", and a user-level ODBC data source
// "ParvekWeb" (odbcIni()) on it. Stopped and removed with the object.
class PgServer
{
public:
    explicit PgServer(int port);
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    bool running() const { return m_running; }
    QString error() const { return m_error; }
    int port() const { return m_port; }
    QString socketFolder() const { return m_dir.filePath(QStringLiteral("sock")); }
    QString odbcIni() const { return m_dir.filePath(QStringLiteral("odbc.ini")); }

    // pg_ctl stop with the mode ("fast", or "immediate" as a crash) and start again.
    bool stop(const QString& mode = QStringLiteral("fast"));
    bool start();

    // Points the station's orders at this server: [Platform] of the test home's Topkar.ini.
    void pointOrdersHere() const;
    // A connection of Qt's PostgreSQL driver to the database "central" for the test's
    // own checks.
    QSqlDatabase connection(const QString& name) const;

private:
    bool script(const QStringList& arguments);

    QTemporaryDir m_dir;
    int m_port;
    bool m_running = false;
    QString m_error;
};
