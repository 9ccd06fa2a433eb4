#pragma once

#include "branch_folder.h"
#include "test_home.h"

#include <QObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

#include <memory>

// Waits for a program's end: true when it ended well, else prints its output.
bool endedWell(QProcess& program);

// A throwaway PostgreSQL server for one test program (scripts/central-pg.sh): its own
// folder, its own socket, a user-level ODBC data source "ParvekWeb" (ODBCINI) and the
// exchange's central tables. Stopped and removed with the object.
class CentralServer : public TestDatabase
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

protected:
    QSqlDatabase connection() const override;

private:
    bool script(const QStringList& arguments);
    void disconnect();

    QTemporaryDir m_dir;
    int m_port;
    bool m_ready = false;
    bool m_running = false;
    QString m_error;
    QString m_connection;
};

// The frame of an exchange test program: one server for the program on its own port,
// emptied before every test, and for each test a fresh home (settings, data folders)
// with the station's data folder of branch 02, whose branch list names only itself.
class CentralServerTest : public QObject
{
    Q_OBJECT
protected:
    explicit CentralServerTest(int port) : m_port(port) {}

    // The exchange program on this server and home, without its window (output and
    // errors in one channel).
    std::unique_ptr<QProcess> startProgram(const QStringList& arguments);

    std::unique_ptr<CentralServer> server;
    std::unique_ptr<TestHome> home;
    std::unique_ptr<BranchFolder> station;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase() { server.reset(); }

private:
    int m_port;
};
