#include "core/settings_store.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QRegularExpression>
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
        qInfo("%d writers killed, %d rolls reported written, %d rows in the table", rounds, printed,
              rows);
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
        // The stored counter is past the counter of every barcode number in the table.
        const qint64 counter = settings::GetSetting(u"Properties"_s, u"BarNo"_s).toLongLong();
        const qint64 highest = highestCounter(file);
        qInfo("0 duplicate numbers, 0 half rows, integrity ok; counter %lld, highest number %lld",
              counter, highest);
        QVERIFY(highest > 0 && highest <= counter);
    }

    // Two stations, each with its own settings and counter, record into one folder at
    // once: every roll lands, under a number of its own.
    void twoStationsRecordIntoOneFolder()
    {
        TestHome home;
        const int rolls = countFromEnvironment("TOPKAR_STATION_ROLLS", 200);
        QTemporaryDir stations[2];
        QProcess writers[2];
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 2; ++i) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"TOPKAR_HOME"_s, stations[i].path());
            writers[i].setProcessEnvironment(env);
            writers[i].start(QStringLiteral(ROLL_WRITER),
                             {QString::number(rolls), home.dataFolder()});
        }
        int printed = 0;
        QByteArray told;
        for (QProcess& writer : writers) {
            QVERIFY(writer.waitForFinished(3600000));
            const QByteArray errors = writer.readAllStandardError();
            QVERIFY2(writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0,
                     errors.constData());
            printed += static_cast<int>(writer.readAllStandardOutput().count('\n'));
            told += errors.mid(errors.lastIndexOf("told ")).trimmed() + ' ';
        }
        const TestDatabase file(home.dataFolder() + u"/Kumas.Mdb"_s);
        // A folder on this computer's disk: the orders file writes ahead.
        QCOMPARE(file.value(u"PRAGMA journal_mode"_s).toString(), u"wal"_s);
        const QVariantList counts =
            file.row(u"SELECT COUNT(*), COUNT(DISTINCT BarNo) FROM Siparis"_s);
        qInfo("2 stations × %d rolls in %.1f s: %d rows, %d numbers, highest number %lld; "
              "busy file: %s(rolls recorded again)",
              rolls, clock.elapsed() / 1000.0, counts.value(0).toInt(), counts.value(1).toInt(),
              highestCounter(file), told.constData());
        QCOMPARE(printed, 2 * rolls);
        QCOMPARE(counts, (QVariantList{2 * rolls, 2 * rolls}));
    }

private:
    // The highest counter in the barcode numbers of the table, -1 for a foreign number.
    static qint64 highestCounter(const TestDatabase& file)
    {
        const QRegularExpression tail(u"^1047S\\d\\d(\\d+)$"_s);
        qint64 highest = 0;
        for (const QVariantList& row : file.rows(u"SELECT BarNo FROM Siparis"_s)) {
            const auto m = tail.match(row[0].toString());
            if (!m.hasMatch())
                return -1;
            highest = std::max(highest, m.captured(1).toLongLong());
        }
        return highest;
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crash_safety.moc"
