#include "core/database_files.h"
#include "core/order_transfer.h"
#include "core/settings_store.h"
#include "pg_server.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QtTest>

using namespace Qt::StringLiterals;

// The orders table that a plant's stations share, in one folder or on a server.
class TestServerOrders : public QObject
{
    Q_OBJECT
    std::unique_ptr<PgServer> server;

private Q_SLOTS:
    void initTestCase()
    {
        server = std::make_unique<PgServer>(55442);
        QVERIFY2(server->running(), qPrintable(server->error()));
    }

    // Stations record at once, each with its own settings and roll counter: two into one
    // folder on this computer's disk (the orders file writes ahead; a roll refused by
    // the busy file is recorded again), four onto the server, which is stopped hard in
    // the middle and started again. Every roll a station reported is there, whole, and
    // no barcode number is in two rows.
    void stationsRecordAtOnce_data()
    {
        QTest::addColumn<bool>("onServer");
        QTest::newRow("one folder") << false;
        QTest::newRow("server stopped hard") << true;
    }
    void stationsRecordAtOnce()
    {
        QFETCH(bool, onServer);
        const int rolls = onServer ? countFromEnvironment("TOPKAR_SERVER_ROLLS", 1000)
                                   : countFromEnvironment("TOPKAR_STATION_ROLLS", 200);
        TestHome home;
        if (onServer) {
            QVERIFY(server->freshTables());
            server->pointOrdersHere();
        }
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int i = 0; i < (onServer ? 4 : 2); ++i) {
            const QString own = home.file(u"station%1"_s.arg(i));
            const QString ini =
                own + u'/' + QDir(home.path()).relativeFilePath(settings::appStorePath());
            QVERIFY(QDir().mkpath(QFileInfo(ini).path()));
            QVERIFY(!onServer || QFile::copy(settings::appStorePath(), ini));
            writers.push_back(std::make_unique<QProcess>());
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(settings::kHomeVariable), own);
            writers.back()->setProcessEnvironment(env);
            writers.back()->start(QStringLiteral(ROLL_WRITER),
                                  QStringList{QString::number(rolls)} +
                                      (onServer ? QStringList() : QStringList{home.dataFolder()}));
        }
        QSet<QString> reported;
        const auto collect = [&] {
            for (auto& w : writers)
                while (w->canReadLine())
                    reported.insert(QString::fromUtf8(w->readLine()).trimmed().toLower());
            return int(reported.size());
        };
        if (onServer) {
            QTRY_VERIFY_WITH_TIMEOUT(collect() >= rolls, 120000);
            QVERIFY(server->stop(u"immediate"_s));
            QTest::qWait(1000);
            QVERIFY(server->start());
        }
        for (auto& w : writers) {
            QVERIFY(w->state() == QProcess::NotRunning || w->waitForFinished(3600000));
            QVERIFY2(w->exitCode() == 0, w->readAllStandardError().constData());
        }
        QCOMPARE(collect(), int(writers.size()) * rolls);
        const TestDatabase orders = onServer ? TestDatabase(server->orders())
                                             : TestDatabase(home.dataFolder() + u"/Kumas.Mdb"_s);
        QVERIFY(onServer || orders.value(u"PRAGMA journal_mode"_s).toString() == u"wal"_s);
        // A roll cut short by the stop may be there too, whole.
        QSet<QString> stored;
        for (const QVariantList& row : orders.rows(
                 u"SELECT lower(\"BarNo\") FROM \"Siparis\" WHERE \"SipNo\" = '1047' AND "
                 "\"Tarih\" IS NOT NULL AND \"Firma\" = 'O''BRİEN TEKSTİL' AND \"Operator\" = "
                 "'Ayşe Kılıç' AND \"Aciklama\" = 'Acil' AND \"TopKg\" = 18.75 AND \"SipKg\" = "
                 "500 AND \"Fiyat\" = 120.5 AND \"Top\" = 1"_s))
            stored.insert(row[0].toString());
        QCOMPARE(stored.size(), orders.count(u"Siparis"_s));
        QVERIFY(stored.contains(reported));
    }

    // A plant moved over: the file's rows copied once and whole; a second copy without
    // leave is refused, and one that cannot finish leaves the server table as it was.
    void moveOverCopiesOnceAndWhole()
    {
        TestHome home;
        const QString file = home.dataFolder() + u"/Kumas.Mdb"_s;
        QVERIFY(dbfiles::ensureDatabase(file, {u"Siparis"_s}));
        runSql(dbfiles::connection(file),
               u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 4999) "
               u"INSERT INTO Siparis (SipNo, BarNo, Tarih, Firma, TopKg) SELECT 1000 + i / 7, "
               u"'B' || i, '2026-03-04', 'O''BRİEN İĞNE', i / 4.0 FROM n"_s);
        QVERIFY(server->freshTables());
        const auto first = ordertransfer::copyToServer(file, server->orders(), false);
        QVERIFY2(first.ok && first.copied == 5000, qPrintable(first.message));
        QCOMPARE(TestDatabase(server->orders())
                     .value(u"SELECT SUM(\"TopKg\") || ' ' || COUNT(DISTINCT \"SipNo\") || ' ' || "
                            u"MAX(\"Firma\") || MAX(\"Tarih\")::date FROM \"Siparis\""_s)
                     .toString(),
                 u"3124375 715 O'BRİEN İĞNE2026-03-04"_s);
        QVERIFY(!ordertransfer::copyToServer(file, server->orders(), false).ok);
        const auto again = ordertransfer::copyToServer(file, server->orders(), true);
        QVERIFY(!again.ok && again.copied == 0); // the same barcode numbers
        QCOMPARE(TestDatabase(server->orders()).count(u"Siparis"_s), 5000);
    }
};

QTEST_GUILESS_MAIN(TestServerOrders)
#include "tst_server_orders.moc"
