#include "core/database_files.h"
#include "core/settings_store.h"
#include "test_home.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlQuery>
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
        const int rounds = qEnvironmentVariableIntValue("TOPKAR_CRASH_ROUNDS") > 0
                               ? qEnvironmentVariableIntValue("TOPKAR_CRASH_ROUNDS")
                               : 200;
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

        QSqlDatabase db = dbfiles::connection(home.dataFolder() + u"/Kumas.Mdb"_s);
        QSqlQuery q(db);
        QVERIFY(q.exec(u"PRAGMA integrity_check"_s) && q.next());
        QCOMPARE(q.value(0).toString(), u"ok"_s);
        q.exec(u"SELECT COUNT(*) FROM Siparis"_s);
        q.next();
        const int rows = q.value(0).toInt();
        qInfo("%d writers killed, %d rolls reported written, %d rows in the table", rounds, printed,
              rows);
        QVERIFY(rows >= printed); // a row is committed before it is reported
        QVERIFY(rows > 0);
        q.exec(
            u"SELECT COUNT(*) FROM (SELECT BarNo FROM Siparis GROUP BY BarNo COLLATE TRNOCASE HAVING COUNT(*) > 1)"_s);
        q.next();
        QCOMPARE(q.value(0).toInt(), 0);
        q.exec(u"SELECT COUNT(*) FROM Siparis WHERE SipNo IS NULL OR BarNo IS NULL OR Tarih IS "
               u"NULL OR Firma IS NULL "
               "OR Makina IS NULL OR MakCinsi IS NULL OR Kumas IS NULL OR Lot IS NULL OR SipKg IS "
               "NULL OR TopKg "
               "IS NULL OR Top IS NULL OR Operator IS NULL OR Fiyat IS NULL OR Aciklama IS NULL OR "
               "Durum IS NULL "
               "OR TopKg <> 18.75"_s);
        q.next();
        QCOMPARE(q.value(0).toInt(), 0);
        // The stored counter is past the counter of every barcode number in the table.
        const qint64 counter = settings::GetSetting(u"Properties"_s, u"BarNo"_s).toLongLong();
        const QRegularExpression tail(u"^1047S\\d\\d(\\d+)$"_s);
        q.exec(u"SELECT BarNo FROM Siparis"_s);
        while (q.next()) {
            const auto m = tail.match(q.value(0).toString());
            QVERIFY(m.hasMatch());
            QVERIFY(m.captured(1).toLongLong() <= counter);
        }
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crash_safety.moc"
