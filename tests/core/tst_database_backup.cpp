#include "core/database_backup.h"
#include "core/database_files.h"
#include "core/sqlite_functions.h"
#include "test_home.h"

#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <sqlite3.h>

#include <atomic>

using namespace Qt::StringLiterals;

// Backups taken while another station records rolls: each holds the file as it was
// at one moment (every transaction of ten rows whole or absent, indexes in order).
class TestDatabaseBackup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void backUpWhileWritten()
    {
        TestHome home;
        const QString file = home.dataFolder() + u"/Kumas.Mdb"_s;
        QVERIFY(dbfiles::ensureDatabase(file, {u"Siparis"_s}));
        std::atomic<bool> stop = false;
        std::atomic<int> committed = 0;
        std::unique_ptr<QThread> writer(QThread::create([&] {
            sqlite3* db = nullptr;
            sqlite3_open(QFile::encodeName(file).constData(), &db);
            sqlite3_busy_timeout(db, 10000);
            registerTurkishFunctions(db);
            sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
            for (int n = 0; !stop; ++n) {
                const QByteArray sql = "BEGIN IMMEDIATE; WITH RECURSIVE c(r) AS (SELECT 0 UNION "
                                       "ALL SELECT r + 1 FROM c WHERE r < 9) INSERT INTO Siparis "
                                       "(SipNo, BarNo) SELECT '1', 'ş" +
                                       QByteArray::number(n) + "-' || r FROM c; COMMIT;";
                if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
                    ++committed;
            }
            sqlite3_close(db);
        }));
        writer->start();
        QStringList folders;
        for (int i = 1; i <= 4; ++i) {
            QTRY_VERIFY(committed > i * 3);
            QString error;
            folders << dbbackup::backUp({file, home.file(u"yok.Mdb"_s)}, home.file(u"yedek"_s),
                                        QDateTime(QDate(2025, 3, 31), QTime(20, 0)), &error);
            QVERIFY2(!folders.last().isEmpty(), qPrintable(error));
        }
        stop = true;
        writer->wait();

        QCOMPARE(QFileInfo(folders[0]).fileName(), u"Topkar-2025-03-31_20-00-00"_s);
        QCOMPARE(QDir(folders[3]).entryList(QDir::Files), QStringList{u"Kumas.Mdb"_s});
        int previous = 0;
        for (const QString& folder : std::as_const(folders)) {
            QSqlQuery q(dbfiles::connection(folder + u"/Kumas.Mdb"_s));
            QVERIFY(q.exec(u"SELECT count(*) FROM Siparis"_s) && q.next());
            QVERIFY(q.value(0).toInt() > previous && q.value(0).toInt() % 10 == 0);
            previous = q.value(0).toInt();
        }
        // Nowhere to put it: an error, nothing made.
        QString error;
        QVERIFY(dbbackup::backUp({file}, file, {}, &error).isEmpty() &&
                error.contains(u"Yedek klasörü"_s));
    }
};

QTEST_GUILESS_MAIN(TestDatabaseBackup)
#include "tst_database_backup.moc"
