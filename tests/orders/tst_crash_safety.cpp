#include "core/settings_store.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// A power cut or a killed station at any moment: afterwards no barcode number is in
// two rows, every row is whole, and the counter is past every number given.
class TestCrashSafety : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedWritersLeaveWholeUniqueRows()
    {
        TestHome home;
        const int rounds = countFromEnvironment("TOPKAR_CRASH_ROUNDS", 200);
        QRandomGenerator rnd(20261207);
        int printed = 0;
        for (int i = 0; i < rounds; ++i) {
            QProcess writer;
            writer.start(QStringLiteral(ROLL_WRITER), {});
            QVERIFY(writer.waitForStarted());
            // Mostly kill it in the middle of its loop, sometimes while it opens.
            if (i % 5 != 0)
                writer.waitForReadyRead(5000);
            QTest::qWait(static_cast<int>(rnd.bounded(0, 40)));
            writer.kill(); // SIGKILL: no chance to finish anything
            QVERIFY(writer.waitForFinished());
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit || writer.exitCode() == 0,
                     writer.readAllStandardError().constData());
            printed += static_cast<int>(writer.readAllStandardOutput().count('\n'));
        }

        const TestDatabase file(home.dataFolder() + u"/Kumas.Mdb"_s);
        QCOMPARE(file.value(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        const int rows = file.count(u"Siparis"_s);
        QVERIFY(rows >= printed); // a row is committed before it is reported
        QVERIFY(rows > 0);
        QCOMPARE(file.value(u"SELECT COUNT(*) FROM (SELECT BarNo FROM Siparis GROUP BY BarNo "
                            "COLLATE TRNOCASE HAVING COUNT(*) > 1)"_s)
                     .toInt(),
                 0);
        const QStringList columns = u"SipNo BarNo Tarih Firma Makina MakCinsi Kumas Lot SipKg "
                                    u"TopKg Top Operator Fiyat Aciklama Durum"_s.split(u' ');
        QCOMPARE(file.count(u"Siparis"_s,
                            columns.join(u" IS NULL OR "_s) + u" IS NULL OR TopKg <> 18.75"_s),
                 0);
        // Every barcode number is the writer's (order, "S", month, counter), and the stored
        // counter is past the counter of every one in the table.
        QCOMPARE(
            file.count(
                u"Siparis"_s,
                u"BarNo NOT GLOB '1047S[0-9][0-9][0-9]*' OR substr(BarNo, 6) GLOB '*[^0-9]*'"_s),
            0);
        const qint64 highest =
            file.value(u"SELECT MAX(CAST(substr(BarNo, 8) AS INTEGER)) FROM Siparis"_s)
                .toLongLong();
        QVERIFY(highest > 0 &&
                highest <= settings::GetSetting(u"Properties"_s, u"BarNo"_s).toLongLong());
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crash_safety.moc"
