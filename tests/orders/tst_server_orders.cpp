#include "core/database_files.h"
#include "core/order_server.h"
#include "core/order_transfer.h"
#include "core/settings_store.h"
#include "pg_server.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// Stations of one plant recording rolls into one orders table on a server at the same
// time, the server stopped hard in the middle and started again: every roll a station
// reported is there, whole, and no barcode number is in two rows.
class TestServerOrders : public QObject
{
    Q_OBJECT
    std::unique_ptr<PgServer> server;

    QVariant value(const QString& sql)
    {
        QSqlQuery q(server->orders());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }

private Q_SLOTS:
    void initTestCase()
    {
        server = std::make_unique<PgServer>(55442);
        QVERIFY2(server->running(), qPrintable(server->error()));
    }
    void cleanupTestCase() { server.reset(); }

    void stationsRecordAtOnce_data()
    {
        QTest::addColumn<bool>("stopServer");
        QTest::newRow("steady") << false;
        QTest::newRow("server stopped and started") << true;
    }
    void stationsRecordAtOnce()
    {
        QFETCH(bool, stopServer);
        const int rolls = qEnvironmentVariableIntValue("TOPKAR_SERVER_ROLLS") > 0
                              ? qEnvironmentVariableIntValue("TOPKAR_SERVER_ROLLS")
                              : 1000;
        QVERIFY(server->freshTables());
        // Four stations, each with its own settings (and roll counter), all pointed at
        // the server.
        TestHome home;
        server->pointOrdersHere();
        const QString ini = QDir(home.path()).relativeFilePath(settings::appStorePath());
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int i = 0; i < 4; ++i) {
            const QString own = home.file(u"station%1"_s.arg(i));
            QVERIFY(QDir().mkpath(QFileInfo(own + u'/' + ini).path()));
            QVERIFY(QFile::copy(settings::appStorePath(), own + u'/' + ini));
            auto w = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(settings::kHomeVariable), own);
            w->setProcessEnvironment(env);
            w->start(QStringLiteral(ROLL_WRITER), {QString::number(rolls)});
            QVERIFY(w->waitForStarted());
            writers.push_back(std::move(w));
        }
        QStringList reported;
        const auto collect = [&] {
            for (auto& w : writers)
                while (w->canReadLine())
                    reported.append(QString::fromUtf8(w->readLine()).trimmed());
        };
        if (stopServer) {
            // Stopped hard once the stations are well under way.
            QTRY_VERIFY_WITH_TIMEOUT((collect(), reported.size() >= rolls), 120000);
            QVERIFY(server->stop(u"immediate"_s));
            QTest::qWait(1000);
            QVERIFY(server->start());
        }
        for (auto& w : writers) {
            QVERIFY(w->state() == QProcess::NotRunning || w->waitForFinished(600000));
            QVERIFY2(w->exitStatus() == QProcess::NormalExit && w->exitCode() == 0,
                     w->readAllStandardError().constData());
        }
        collect();
        const QSet<QString> said(reported.begin(), reported.end());
        QCOMPARE(said.size(), 4 * rolls);
        // Every reported roll is there, whole, once; a roll cut short by the stop may be
        // there too.
        QSet<QString> stored;
        QSqlQuery q(server->orders());
        QVERIFY(
            q.exec(u"SELECT lower(\"BarNo\") FROM \"Siparis\" WHERE \"SipNo\" = '1047' AND "
                   "\"Tarih\" IS NOT NULL AND \"Firma\" = 'O''BRİEN TEKSTİL' AND \"Operator\" = "
                   "'Ayşe Kılıç' AND \"Aciklama\" = 'Acil' AND \"TopKg\" = 18.75 AND \"SipKg\" = "
                   "500 AND \"Fiyat\" = 120.5 AND \"Top\" = 1"_s));
        while (q.next())
            stored.insert(q.value(0).toString());
        const int rows = value(u"SELECT COUNT(*) FROM \"Siparis\""_s).toInt();
        QCOMPARE(stored.size(), rows);
        QVERIFY(stopServer ? rows >= 4 * rolls : rows == 4 * rolls);
        for (const QString& barNo : said)
            QVERIFY2(stored.contains(barNo.toLower()), qPrintable(barNo));
    }

    // A plant moved over: the file's rows copied once and whole; a second copy without
    // leave is refused, and a copy that cannot finish leaves the server table as it was.
    void moveOverCopiesOnceAndWhole()
    {
        TestHome home;
        const QString file = home.dataFolder() + u"/Kumas.Mdb"_s;
        QVERIFY(dbfiles::ensureDatabase(file, {u"Siparis"_s}));
        QSqlDatabase source = dbfiles::connection(file);
        source.transaction();
        for (int i = 0; i < 5000; ++i)
            runSql(source,
                   u"INSERT INTO Siparis (SipNo, BarNo, Tarih, Firma, TopKg) VALUES "
                   u"(?, ?, '2026-03-04', 'O''BRİEN İĞNE', ?)"_s,
                   {QString::number(1000 + i / 7), u"B%1"_s.arg(i), i / 4.0});
        source.commit();
        QVERIFY(server->freshTables());
        const QSqlDatabase db = server->orders();
        const auto first = ordertransfer::copyToServer(file, db, false);
        QVERIFY2(first.ok, qPrintable(first.message));
        QCOMPARE(first.copied, 5000);
        QCOMPARE(value(u"SELECT SUM(\"TopKg\") || ' ' || COUNT(DISTINCT \"SipNo\") || ' ' || "
                       u"MAX(\"Firma\") || MAX(\"Tarih\")::date FROM \"Siparis\""_s)
                     .toString(),
                 u"3124375 715 O'BRİEN İĞNE2026-03-04"_s);
        QVERIFY(!ordertransfer::copyToServer(file, db, false).ok);
        const auto again = ordertransfer::copyToServer(file, db, true); // the same barcodes
        QVERIFY(!again.ok && again.copied == 0);
        QCOMPARE(value(u"SELECT COUNT(*) FROM \"Siparis\""_s).toInt(), 5000);
    }
};

QTEST_GUILESS_MAIN(TestServerOrders)
#include "tst_server_orders.moc"
