#pragma once

#include "test_home.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

#include <memory>

// A throwaway PostgreSQL server for one test program (scripts/central-pg.sh): its own
// folder, its own socket, a user-level ODBC data source "ParvekWeb" (ODBCINI) and the
// exchange's central tables. Stopped and removed with the object.
class CentralServer
{
public:
    explicit CentralServer(int port);
    ~CentralServer();
    CentralServer(const CentralServer&) = delete;
    CentralServer& operator=(const CentralServer&) = delete;

    bool ready() const { return m_ready; }
    QString error() const { return m_error; }
    QString odbcIni() const;

    // pg_ctl stop with the mode ("fast", or "immediate" as a crash) and start again.
    bool stop(const QString& mode = QStringLiteral("fast"));
    bool start();

    // Empties the exchange tables (and the receipts).
    void clear();
    // Runs a statement on the server through the data source; the rows of a query.
    QList<QVariantList> rows(const QString& sql, const QVariantList& params = {});
    QVariant value(const QString& sql, const QVariantList& params = {});
    bool exec(const QString& sql, const QVariantList& params = {});

private:
    bool script(const QStringList& arguments);
    QSqlDatabase connection();
    void disconnect();

    QTemporaryDir m_dir;
    int m_port;
    bool m_ready = false;
    bool m_running = false;
    QString m_error;
    QString m_connection;
};

// The frame of an exchange test program: one server for the program on its own port,
// emptied before every test, and a fresh home (settings, data folders) for each test.
// prepare() adds what a test program sets up before each of its tests.
class CentralServerTest : public QObject
{
    Q_OBJECT
protected:
    explicit CentralServerTest(int port) : m_port(port) {}
    virtual void prepare() {}

    std::unique_ptr<CentralServer> server;
    std::unique_ptr<TestHome> home;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup() { home.reset(); }
    void cleanupTestCase() { server.reset(); }

private:
    int m_port;
};
