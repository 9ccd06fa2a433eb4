#pragma once

// The frame of the exchange tests: a throwaway central server, the station's data
// folders with plain SQL on their files, and the test class that holds them.

#include "exchange/exchange_host.h"
#include "exchange/exchange_report.h"
#include "exchange/exchange_settings.h"
#include "pg_server.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QObject>
#include <QProcess>

#include <functional>
#include <memory>

// A host that can act on the progress (to cut a run short or to add a movement in the
// middle of an upload).
class RecordingHost : public ExchangeHost
{
public:
    void progress(const QString& text, int value, int maximum) override
    {
        if (onProgress)
            onProgress(text, value, maximum);
    }
    std::function<void(const QString& text, int value, int maximum)> onProgress;
};

// A station's data folder for a test.
class BranchFolder
{
public:
    BranchFolder(const QString& path, const QString& branch);

    QString dataFolder() const { return m_folder; }
    QString file(const QString& name) const { return m_folder + name; }
    TestDatabase accounts() const
    {
        return TestDatabase(file(m_branch + QStringLiteral("Cari.Mdb")));
    }
    TestDatabase stock() const { return TestDatabase(file(m_branch + QStringLiteral("Stok.Mdb"))); }
    TestDatabase company() const { return TestDatabase(file(QStringLiteral("01Cari.Mdb"))); }

    ExchangeSettings settings(const QString& command = {}, bool central = false) const;
    // The station's files with every table the exchange uses, as the operator makes
    // them with --prepare-branch (the company database too for the central station).
    bool prepare(bool central = false) const;
    // One exchange run of this station as the window runs it (with a host that shows
    // nothing when none is given).
    ExchangeReport run(const QString& command = {}, bool central = false,
                       ExchangeHost* host = nullptr) const;
    // Sube.txt with the codes, one quoted code a line (Windows-1254, as a station writes it).
    void writeBranchList(const QStringList& codes) const;

private:
    QString m_folder;
    QString m_branch;
};

// True when the run finished its work; otherwise prints its summary.
bool finished(const ExchangeReport& report);
// True when the run did not finish and a failure names the text.
bool failedOn(const ExchangeReport& report, const QString& text);

// Waits for a program's end: true when it ended well, else prints its output.
bool endedWell(QProcess& program);

// The throwaway server of one test program, which the code under test reaches through
// the user-level ODBC data source "ParvekWeb" (ODBCINI) and the test through a
// connection of its own.
class CentralServer : public PgServer, public TestDatabase
{
public:
    explicit CentralServer(int port) : PgServer(port)
    {
        qputenv("ODBCINI", odbcIni().toLocal8Bit());
    }

    // Empties the exchange tables (and the receipts).
    void clear();
    // The rows of the four exchange tables as text, without their keys, in a fixed order.
    QList<SqlRows> contents() const;

protected:
    QSqlDatabase connection() const override { return orders(); }
};

// The frame of an exchange test program: one server for the program on its own port
// with the exchange's central tables, emptied before every test, and for each test a
// fresh home (settings, data folders) with the station's data folder of branch 02
// (prepared as a central station's), whose branch list names only itself.
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

private:
    int m_port;
};
