#include "core/database_files.h"
#include "exchange/demo_branches.h"
#include "exchange/movement_upload.h"
#include "exchange_frame.h"

#include <QtTest>

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

    // The central copies of the branch's cards.
    void centralCards(const BranchFolder& branch)
    {
        for (const auto& [table, key, file] :
             {std::tuple{u"CariKartlar"_s, u"CariKod"_s, branch.accounts()},
              std::tuple{u"StokKartlar"_s, u"StokKod"_s, branch.stock()}}) {
            server->exec(u"DELETE FROM \"%1\""_s.arg(table));
            server->insert(table, key + u", Sube"_s,
                           file.rows(u"SELECT %1, '02' FROM %2"_s.arg(key, table)));
        }
    }

    // Starts the exchange program and kills it after a random number of its progress
    // lines (and a random moment more); false when it had finished by itself.
    bool runAndKill(const QStringList& arguments, QRandomGenerator& random)
    {
        const auto p = startProgram(arguments);
        if (!p->waitForStarted())
            return false;
        for (int lines = random.bounded(6); lines > 0 && p->state() == QProcess::Running;)
            if (p->canReadLine() && !p->readLine().isEmpty())
                --lines;
            else
                p->waitForReadyRead(100);
        QThread::usleep(random.bounded(40000));
        const bool killed = p->state() == QProcess::Running;
        p->kill();
        p->waitForFinished();
        return killed;
    }

private Q_SLOTS:
    // The server stops (as in a crash), or the branch file refuses the marks of the
    // third window, in the middle of an upload of 10,000 movements from a terminal
    // branch; after that has passed, a second run completes the upload.
    void stoppedDuringUpload_data()
    {
        QTest::addColumn<bool>("branchFails");
        QTest::newRow("server stops") << false;
        QTest::newRow("branch file refuses marks") << true;
    }
    void stoppedDuringUpload()
    {
        QFETCH(bool, branchFails);
        const int sales = 5000 / scale;
        const QString command = u"CariHarKod='x'"_s;
        BranchFolder reference(home->file(u"reference"_s), u"02"_s);
        reference.writeBranchList({u"02"_s});
        storeStationRegistryText(u"Ter02"_s, u"True"_s);
        QString error;
        for (const BranchFolder* b : {station.get(), &reference})
            QVERIFY2(demobranches::addSales(b->dataFolder(), u"02"_s, sales, 1, &error),
                     qPrintable(error));

        // The uninterrupted run, for comparison.
        centralCards(reference);
        QVERIFY(finished(reference.run(command)));
        const auto uninterrupted = server->contents();
        QCOMPARE(uninterrupted[0].size(), sales);
        server->clear();

        centralCards(*station);
        RecordingHost host;
        bool stopped = false;
        // The windows before the refused one go.
        const int sent = sales / kMarkWindow / 2 * kMarkWindow;
        if (branchFails)
            QVERIFY(station->accounts().exec(
                u"CREATE TRIGGER refuse BEFORE UPDATE OF AktarimNo ON CariHareket WHEN "
                "NEW.rowid > %1 BEGIN SELECT RAISE(ABORT, 'disk'); END"_s.arg(sent)));
        else
            host.onProgress = [&](const QString& text, int value, int maximum) {
                if (!stopped && text.contains(u"Şube 02/"_s) && value >= maximum / 2) {
                    stopped = true;
                    QVERIFY(server->stop(u"immediate"_s));
                }
            };
        QVERIFY(!station->run(command, false, &host).complete());
        QVERIFY(stopped || branchFails);
        QVERIFY(station->accounts().count(u"CariHareket"_s, u"Yeni>0"_s) > 0);
        if (branchFails) {
            QCOMPARE(server->count(u"CariHareket"_s), sent);
            QVERIFY(station->accounts().exec(u"DROP TRIGGER refuse"_s));
        } else {
            QVERIFY2(server->start(), qPrintable(server->error()));
        }
        QVERIFY(finished(station->run(command)));

        QCOMPARE(server->contents(), uninterrupted); // 0 lost, 0 doubled, same values
        const QString pending = u"Yeni>0 OR AktarimNo IS NOT NULL"_s;
        QCOMPARE(station->accounts().count(u"CariHareket"_s, pending), 0);
        QCOMPARE(station->stock().count(u"StokHareket"_s, pending), 0);
    }

    // The exchange program is killed at random points of uploads and downloads, again
    // and again, while the branch keeps recording sales; then both run to their end.
    void killedAtRandomPoints()
    {
        const int kills = 50 / scale;
        const int salesPerRound = 300 / scale;
        BranchFolder central(home->file(u"merkez"_s), u"02"_s);
        central.writeBranchList({u"02"_s});
        QString error;
        QVERIFY(demobranches::addCards(central.dataFolder(), u"01"_s, &error) &&
                demobranches::addCards(central.dataFolder(), u"02"_s, &error));
        QRandomGenerator random(20260207);
        const QStringList upload = {u"--data-folder"_s, station->dataFolder(),
                                    u"--branch"_s,      u"02"_s,
                                    u"--command"_s,     u"StokHarKod"_s};
        const QStringList download = {u"--data-folder"_s, central.dataFolder(), u"--branch"_s,
                                      u"02"_s, u"--central"_s};
        const auto doubled = u"SELECT COUNT(*) - COUNT(DISTINCT \"DigerId\") FROM \"%1\""_s;
        const std::pair<QString, TestDatabase> movements[] = {
            {u"CariHareket"_s, central.accounts()}, {u"StokHareket"_s, central.stock()}};
        int killed = 0;
        for (int round = 0; round < kills; ++round) {
            if (round % 2 == 0) {
                dbfiles::closeAll(); // the branch keeps working between the runs
                QVERIFY(demobranches::addSales(station->dataFolder(), u"02"_s, salesPerRound,
                                               1 + round * salesPerRound, &error));
                dbfiles::closeAll();
            }
            killed += runAndKill(round % 2 == 0 ? upload : download, random) ? 1 : 0;
            // Whatever moment the run died at, nothing is doubled on either side.
            for (const auto& [table, file] : movements) {
                QCOMPARE(server->value(doubled.arg(table)).toInt(), 0);
                if (QFile::exists(file.file()))
                    QCOMPARE(file.value(doubled.arg(table)).toInt(), 0);
            }
            dbfiles::closeAll();
        }
        QVERIFY2(killed >= kills / 2, qPrintable(u"only %1 runs were cut short"_s.arg(killed)));
        QVERIFY(endedWell(*startProgram(upload)));
        QVERIFY(endedWell(*startProgram(download)));

        const int sales = (kills + 1) / 2 * salesPerRound;
        QCOMPARE(station->accounts().count(u"CariHareket"_s, u"Yeni>0"_s), 0);
        for (const auto& [table, file] : movements) {
            QCOMPARE(server->count(table), 0);
            QCOMPARE(file.row(u"SELECT COUNT(*), COUNT(DISTINCT DigerId) FROM "_s + table),
                     (QVariantList{sales, sales}));
            QCOMPARE(file.count(u"AlinanKayitlar"_s), 0);
        }
        // Balances as an uninterrupted run leaves them: every sale counted once.
        const TestDatabase cards[] = {central.accounts(), central.stock()};
        QVERIFY(cards[0].exec(u"ATTACH ? AS sube"_s, {station->accounts().file()}));
        QVERIFY(cards[1].exec(u"ATTACH ? AS sube"_s, {station->stock().file()}));
        QCOMPARE(cards[0].count(u"CariKartlar"_s,
                                u"abs(Borc - (SELECT TOTAL(Borc) FROM sube.CariHareket "
                                "WHERE CariHarKod = CariKod)) > 1e-6"_s),
                 0);
        QCOMPARE(cards[1].count(
                     u"StokKartlar"_s,
                     u"abs(CikanMik - (SELECT TOTAL(Miktar) FROM sube.StokHareket WHERE "
                     "StokHarKod = StokKod)) > 1e-6 OR abs(CikanTutar - (SELECT "
                     "TOTAL(Tutar) FROM sube.StokHareket WHERE StokHarKod = StokKod)) > 1e-6"_s),
                 0);
    }
};

QTEST_GUILESS_MAIN(TestExchangeFaults)
#include "tst_exchange_faults.moc"
