#pragma once

#include "core/order_server.h"

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
    QString odbcIni() const { return m_dir.filePath(QStringLiteral("odbc.ini")); }

    // pg_ctl stop with the mode ("fast", or "immediate" as a crash) and start again.
    bool stop(const QString& mode = QStringLiteral("fast"));
    bool start();

    // The database "central" as the station's orders server, and its connection to it
    // (reopened after a restart).
    orderserver::Address address() const;
    QSqlDatabase orders() const { return orderserver::reconnect(address()); }
    // Points the station's orders here: [Platform] of the test home's Topkar.ini.
    void pointOrdersHere() const;
    // The orders table as the station makes it, and the other tables as their files
    // have them, all empty.
    bool freshTables(const QStringList& others = {}) const;

private:
    bool script(const QStringList& arguments);

    QTemporaryDir m_dir;
    int m_port;
    bool m_running = false;
    QString m_error;
};
