#include "exchange_frame.h"

#include "core/database_files.h"
#include "core/sequential_file.h"
#include "exchange/central_database.h"
#include "exchange/exchange_run.h"
#include "exchange/local_files.h"

#include <QtTest>

using namespace Qt::StringLiterals;

BranchFolder::BranchFolder(const QString& path, const QString& branch) : m_branch(branch)
{
    QDir().mkpath(path);
    m_folder = QDir(path).absolutePath() + u'/';
}

ExchangeSettings BranchFolder::settings(const QString& command, bool central) const
{
    return {.DataFolder = m_folder,
            .OwnBranch = m_branch,
            .ExchangeCommand = command,
            .CentralStation = central};
}

bool BranchFolder::prepare(bool central) const
{
    QStringList made;
    QString error;
    const bool ok = localfiles::prepareBranch(settings({}, central), &made, &error);
    if (!ok)
        qWarning("%s", qPrintable(error));
    return ok;
}

ExchangeReport BranchFolder::run(const QString& command, bool central, ExchangeHost* host) const
{
    ExchangeSettings s = settings(command, central);
    ExchangeControls controls;
    RecordingHost quiet;
    return runExchange(s, controls, host ? *host : quiet);
}

void BranchFolder::writeBranchList(const QStringList& codes) const
{
    seqfile::writeFile(file(u"Sube.txt"_s), u"\"%1\"\r\n"_s.arg(codes.join(u"\"\r\n\""_s)));
}

bool finished(const ExchangeReport& report)
{
    if (!report.complete())
        qWarning("%s", qPrintable(report.summary()));
    return report.complete();
}

bool failedOn(const ExchangeReport& report, const QString& text)
{
    return !report.complete() && report.failures().join(u' ').contains(text);
}

void CentralServer::clear()
{
    exec(
        u"TRUNCATE \"CariKartlar\", \"StokKartlar\", \"CariHareket\", \"StokHareket\", \"AktarimFisleri\""_s);
}

QList<SqlRows> CentralServer::contents() const
{
    QList<SqlRows> out;
    for (const QString& table :
         {u"CariHareket"_s, u"StokHareket"_s, u"CariKartlar"_s, u"StokKartlar"_s})
        out.append(rows(
            u"SELECT (row_to_json(t)::jsonb - 'id')::text FROM \"%1\" t ORDER BY 1"_s.arg(table)));
    return out;
}

void CentralServerTest::initTestCase()
{
    server = std::make_unique<CentralServer>(m_port);
    QVERIFY2(server->running(), qPrintable(server->error()));
    QString error;
    QVERIFY2(createCentralSchema(server->orders(), &error), qPrintable(error));
}

void CentralServerTest::init()
{
    server->clear();
    home = std::make_unique<TestHome>();
    station = std::make_unique<BranchFolder>(home->file(u"data"_s), u"02"_s);
    station->writeBranchList({u"02"_s});
    QVERIFY(station->prepare(true));
}

void CentralServerTest::cleanup()
{
    station.reset();
    home.reset();
}

std::unique_ptr<QProcess> CentralServerTest::startProgram(const QStringList& arguments)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"ODBCINI"_s, server->odbcIni());
    env.insert(u"TOPKAR_HOME"_s, home->path());
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QStringLiteral(TOPKAR_EXCHANGE_PROGRAM), QStringList{u"--no-window"_s} + arguments);
    return p;
}

bool endedWell(QProcess& program)
{
    const bool ok = program.waitForFinished(600000) &&
                    program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
    if (!ok)
        qWarning("%s", program.readAll().constData());
    return ok;
}
