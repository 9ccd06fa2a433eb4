#include "branch_folder.h"
#include "central_server.h"
#include "core/database_files.h"
#include "core/settings_store.h"
#include "exchange/demo_branches.h"
#include "test_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <cmath>

using namespace Qt::StringLiterals;

// Runs cut short at any point, by a server that stops or by a process that is killed,
// and started again: every movement ends in its place exactly once, with the same
// balances as a run that was never interrupted. TOPKAR_FAULT_SCALE divides the
// counts (the sanitizer build runs a smaller version).
class TestExchangeFaults : public CentralServerTest
{
    Q_OBJECT
public:
    TestExchangeFaults() : CentralServerTest(55615) {}

private:
    const int scale = std::max(1, qEnvironmentVariableIntValue("TOPKAR_FAULT_SCALE"));

    // The central rows of a table as text, without their keys, in a fixed order.
    QStringList fingerprint(const QString& table)
    {
        QStringList out;
        for (const QVariantList& row : server->rows(
                 u"SELECT (row_to_json(t)::jsonb - 'id')::text FROM \"%1\" t ORDER BY 1"_s.arg(
                     table)))
            out.append(row.value(0).toString());
        return out;
    }

    void centralCards(const BranchFolder& branch)
    {
        server->exec(u"DELETE FROM \"CariKartlar\""_s);
        server->exec(u"DELETE FROM \"StokKartlar\""_s);
        for (const QVariantMap& card :
             branch.rows(branch.accounts(), u"SELECT CariKod FROM CariKartlar"_s))
            server->exec(u"INSERT INTO \"CariKartlar\" (\"CariKod\", \"Sube\") VALUES (?, '02')"_s,
                         {card[u"CariKod"_s]});
        for (const QVariantMap& card :
             branch.rows(branch.stock(), u"SELECT StokKod FROM StokKartlar"_s))
            server->exec(u"INSERT INTO \"StokKartlar\" (\"StokKod\", \"Sube\") VALUES (?, '02')"_s,
                         {card[u"StokKod"_s]});
    }

    // Starts the exchange program and kills it after a random number of its progress
    // lines (and a random moment more); false when it had finished by itself.
    bool runAndKill(const QStringList& arguments, QRandomGenerator& random)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"ODBCINI"_s, server->odbcIni());
        env.insert(u"TOPKAR_HOME"_s, home->path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TOPKAR_EXCHANGE_PROGRAM), QStringList{u"--no-window"_s} + arguments);
        if (!p.waitForStarted())
            return false;
        const int lines = random.bounded(6);
        for (int seen = 0; seen < lines && p.state() == QProcess::Running;) {
            if (p.canReadLine()) {
                p.readLine();
                ++seen;
            } else {
                p.waitForReadyRead(100);
            }
        }
        QThread::usleep(random.bounded(40000));
        const bool killed = p.state() == QProcess::Running;
        p.kill();
        p.waitForFinished();
        return killed;
    }

    int runToEnd(const QStringList& arguments)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"ODBCINI"_s, server->odbcIni());
        env.insert(u"TOPKAR_HOME"_s, home->path());
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(TOPKAR_EXCHANGE_PROGRAM), QStringList{u"--no-window"_s} + arguments);
        p.waitForFinished(600000);
        if (p.exitCode() != 0)
            qWarning("%s", p.readAll().constData());
        return p.exitCode();
    }

private Q_SLOTS:
    // The server stops (as in a crash) in the middle of an upload of 10,000 movements
    // from a terminal branch; after it is back, a second run completes the upload.
    void serverStopsDuringUpload()
    {
        const int sales = 5000 / scale;
        BranchFolder station(home->file(u"sube"_s), u"02"_s);
        BranchFolder reference(home->file(u"reference"_s), u"02"_s);
        station.writeBranchList({u"02"_s});
        reference.writeBranchList({u"02"_s});
        WriteRegistryText(RegistryRoot::CurrentUser, u"Nirvelo\\Properties1"_s, u"Ter02"_s,
                          u"True"_s);
        QString error;
        QVERIFY2(demobranches::addSales(station.dataFolder(), u"02"_s, sales, 1, &error),
                 qPrintable(error));
        QVERIFY2(demobranches::addSales(reference.dataFolder(), u"02"_s, sales, 1, &error),
                 qPrintable(error));
        const QString command = u"CariHarKod='x'"_s;

        // The uninterrupted run, for comparison.
        centralCards(reference);
        QVERIFY(runOnce(reference.settings(command)).complete());
        const QStringList accounts = fingerprint(u"CariHareket"_s);
        const QStringList stock = fingerprint(u"StokHareket"_s);
        const QStringList accountCards = fingerprint(u"CariKartlar"_s);
        const QStringList stockCards = fingerprint(u"StokKartlar"_s);
        QCOMPARE(accounts.size(), sales);
        server->clear();

        centralCards(station);
        RecordingHost host;
        bool stopped = false;
        host.onProgress = [&](const QString& text, int value, int maximum) {
            if (!stopped && text.contains(u"Şube 02/"_s) && value >= maximum / 2) {
                stopped = true;
                QVERIFY(server->stop(u"immediate"_s));
            }
        };
        const ExchangeReport cut = runOnce(station.settings(command), host);
        QVERIFY(stopped);
        QVERIFY(!cut.complete());
        QVERIFY(
            station.value(station.accounts(), u"SELECT COUNT(*) FROM CariHareket WHERE Yeni>0"_s)
                .toInt() > 0);
        QVERIFY2(server->start(), qPrintable(server->error()));
        const ExchangeReport again = runOnce(station.settings(command));
        QVERIFY2(again.complete(), qPrintable(again.summary()));

        QCOMPARE(fingerprint(u"CariHareket"_s), accounts); // 0 lost, 0 doubled, same values
        QCOMPARE(fingerprint(u"StokHareket"_s), stock);
        QCOMPARE(fingerprint(u"CariKartlar"_s), accountCards);
        QCOMPARE(fingerprint(u"StokKartlar"_s), stockCards);
        for (const QString& file : {station.accounts(), station.stock()})
            QCOMPARE(
                station
                    .value(file,
                           u"SELECT COUNT(*) FROM %1 WHERE Yeni>0 OR AktarimNo IS NOT NULL"_s.arg(
                               file == station.accounts() ? u"CariHareket"_s : u"StokHareket"_s))
                    .toInt(),
                0);
    }

    // The exchange program is killed at random points of uploads and downloads, again
    // and again, while the branch keeps recording sales; then both run to their end.
    void killedAtRandomPoints()
    {
        const int kills = 50 / scale;
        const int salesPerRound = 300 / scale;
        BranchFolder station(home->file(u"sube02"_s), u"02"_s);
        BranchFolder central(home->file(u"merkez"_s), u"02"_s);
        station.writeBranchList({u"02"_s});
        central.writeBranchList({u"02"_s});
        QString error;
        QVERIFY(demobranches::addCards(central.dataFolder(), u"02"_s, &error));
        QRandomGenerator random(20260207);
        const QStringList upload = {u"--data-folder"_s, station.dataFolder(),
                                    u"--branch"_s,      u"02"_s,
                                    u"--command"_s,     u"StokHarKod"_s};
        const QStringList download = {u"--data-folder"_s, central.dataFolder(), u"--branch"_s,
                                      u"02"_s, u"--central"_s};
        int killed = 0;
        for (int round = 0; round < kills; ++round) {
            if (round % 2 == 0) {
                dbfiles::closeAll(); // the branch keeps working between the runs
                QVERIFY(demobranches::addSales(station.dataFolder(), u"02"_s, salesPerRound,
                                               1 + round * salesPerRound, &error));
                dbfiles::closeAll();
            }
            killed += runAndKill(round % 2 == 0 ? upload : download, random) ? 1 : 0;
            // Whatever moment the run died at, nothing is doubled on either side.
            for (const QString& table : {u"CariHareket"_s, u"StokHareket"_s}) {
                QCOMPARE(
                    server
                        ->value(u"SELECT COUNT(*) - COUNT(DISTINCT \"DigerId\") FROM \"%1\""_s.arg(
                            table))
                        .toInt(),
                    0);
                const QString file =
                    table == u"CariHareket"_s ? central.accounts() : central.stock();
                if (QFile::exists(file))
                    QCOMPARE(central
                                 .value(file, u"SELECT COUNT(*) - COUNT(DISTINCT DigerId) FROM "_s +
                                                  table)
                                 .toInt(),
                             0);
            }
            dbfiles::closeAll();
        }
        QVERIFY2(killed >= kills / 2, qPrintable(u"only %1 runs were cut short"_s.arg(killed)));
        QCOMPARE(runToEnd(upload), 0);
        QCOMPARE(runToEnd(download), 0);

        const int sales = (kills + 1) / 2 * salesPerRound;
        QCOMPARE(
            station.value(station.accounts(), u"SELECT COUNT(*) FROM CariHareket WHERE Yeni>0"_s)
                .toInt(),
            0);
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"CariHareket\""_s).toInt(), 0);
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"StokHareket\""_s).toInt(), 0);
        for (const QString& table : {u"CariHareket"_s, u"StokHareket"_s}) {
            const QString file = table == u"CariHareket"_s ? central.accounts() : central.stock();
            QCOMPARE(central.value(file, u"SELECT COUNT(*) FROM "_s + table).toInt(), sales);
            QCOMPARE(central.value(file, u"SELECT COUNT(DISTINCT DigerId) FROM "_s + table).toInt(),
                     sales);
            QCOMPARE(central.value(file, u"SELECT COUNT(*) FROM AlinanKayitlar"_s).toInt(), 0);
        }
        // Balances as an uninterrupted run leaves them: every sale counted once.
        for (const QVariantMap& card :
             central.rows(central.accounts(), u"SELECT CariKod, Borc FROM CariKartlar"_s)) {
            const double sum =
                station
                    .value(station.accounts(),
                           u"SELECT TOTAL(Borc) FROM CariHareket WHERE CariHarKod=?"_s,
                           {card[u"CariKod"_s]})
                    .toDouble();
            QVERIFY2(std::abs(card[u"Borc"_s].toDouble() - sum) < 1e-6,
                     qPrintable(card[u"CariKod"_s].toString()));
        }
        for (const QVariantMap& card : central.rows(
                 central.stock(), u"SELECT StokKod, CikanMik, CikanTutar FROM StokKartlar"_s)) {
            const auto sums =
                station.rows(station.stock(),
                             u"SELECT TOTAL(Miktar) AS m, TOTAL(Tutar) AS t FROM StokHareket "
                             "WHERE StokHarKod=?"_s,
                             {card[u"StokKod"_s]});
            QVERIFY(std::abs(card[u"CikanMik"_s].toDouble() - sums[0][u"m"_s].toDouble()) < 1e-6);
            QVERIFY(std::abs(card[u"CikanTutar"_s].toDouble() - sums[0][u"t"_s].toDouble()) < 1e-6);
        }
    }
};

QTEST_GUILESS_MAIN(TestExchangeFaults)
#include "tst_exchange_faults.moc"
