#include "core/database_backup.h"
#include "core/database_files.h"
#include "core/sqlite_functions.h"
#include "test_home.h"

#include <QThread>
#include <QtTest>

#include <sqlite3.h>

#include <atomic>

using namespace Qt::StringLiterals;

// A backup taken while another station writes holds the file as it was at one
// moment: every transaction whole or absent, indexes in order.
class TestDatabaseBackup : public QObject
{
    Q_OBJECT

    static int count(const QString& file)
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        registerTurkishFunctions(db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM Siparis", -1, &st, nullptr);
        const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
        sqlite3_finalize(st);
        sqlite3_close(db);
        return n;
    }

private Q_SLOTS:
    void backUpWhileWritten()
    {
        TestHome home;
        const QString file = home.dataFolder() + u"/Kumas.Mdb"_s;
        QVERIFY(dbfiles::ensureDatabase(file, {u"Siparis"_s}));
        dbfiles::closeAll();

        // Another station: transactions of ten rolls, one after the other.
        std::atomic<bool> stop = false;
        std::atomic<int> committed = 0;
        QThread* writer = QThread::create([&] {
            sqlite3* db = nullptr;
            sqlite3_open(QFile::encodeName(file).constData(), &db);
            sqlite3_busy_timeout(db, 10000);
            registerTurkishFunctions(db);
            for (int t = 0; !stop; ++t) {
                sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
                for (int r = 0; r < 10; ++r) {
                    const QByteArray sql = "INSERT INTO Siparis (SipNo, BarNo, Firma) VALUES ('" +
                                           QByteArray::number(t) + "', '" +
                                           QByteArray::number(t * 10 + r) + "', 'Işık Örme')";
                    sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
                }
                if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
                    ++committed;
            }
            sqlite3_close(db);
        });
        writer->start();
        const QString target = home.file(u"yedek"_s);
        QStringList folders;
        for (int i = 0; i < 5; ++i) {
            QTRY_VERIFY(committed > i * 20);
            QString error;
            const QString folder =
                dbbackup::backUp({file, home.file(u"yok.Mdb"_s)}, target,
                                 QDateTime(QDate(2025, 3, 31), QTime(20, 0)), &error);
            QVERIFY2(!folder.isEmpty(), qPrintable(error));
            folders << folder;
        }
        stop = true;
        writer->wait();
        delete writer;

        // One second, five backups: five folders; only the files that exist.
        QCOMPARE(QFileInfo(folders.first()).fileName(), u"Topkar-2025-03-31_20-00-00"_s);
        QCOMPARE(QDir(folders.last()).entryList(QDir::Files), QStringList{u"Kumas.Mdb"_s});
        int previous = 0;
        for (const QString& folder : std::as_const(folders)) {
            const int rows = count(folder + u"/Kumas.Mdb"_s);
            QVERIFY2(rows > previous && rows % 10 == 0, qPrintable(QString::number(rows)));
            previous = rows;
        }

        // Nothing to copy, or nowhere to put it: an error, no folder.
        QString error;
        QVERIFY(dbbackup::backUp({home.file(u"yok.Mdb"_s)}, target, QDateTime(), &error).isEmpty());
        QVERIFY(dbbackup::backUp({file}, file, QDateTime(), &error).isEmpty());
        QVERIFY(error.contains(u"Yedek klasörü"_s));
    }
};

QTEST_GUILESS_MAIN(TestDatabaseBackup)
#include "tst_database_backup.moc"
