#include "core/database_backup.h"
#include "core/database_files.h"
#include "core/log_file.h"
#include "core/sqlite_functions.h"
#include "test_home.h"

#include <QSqlQuery>
#include <QtTest>

#include <sqlite3.h>

#include <atomic>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Files that other writers share: the support log never passes its cap, and a writer
// killed at any moment (in the middle of a line, while renaming the full file) spoils
// none of the next lines; a database backed up while written holds one moment of it.
class TestSharedFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void capsSizeAndSurvivesKills()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"t.log"_s);
        const qint64 cap = 64 * 1024;
        for (int i = 0; i < 20; ++i) // full once at least, whatever the writers below manage
            QVERIFY(LogFile(path, cap).append("yazar " + QByteArray(8000, 'x')));
        for (int round = 0; round < 20; ++round) {
            const pid_t child = fork();
            if (child == 0) {
                LogFile log(path, cap);
                for (int i = 0;; ++i)
                    log.append("yazar " + QByteArray(100 + (i * 7919) % 16000, 'x'));
            }
            usleep(2000 + round * 700);
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        QVERIFY(LogFile(path, cap).append("yazar tam"));
        // What a kill inside a write leaves: a torn last line.
        QFile torn(path);
        QVERIFY(torn.open(QIODevice::Append));
        torn.write("yazar yarım");
        torn.close();

        LogFile log(path, cap);
        QVERIFY(log.append("sonraki"));
        QVERIFY(QFileInfo(path).size() <= cap);
        const QList<QByteArray> lines =
            (readBytes(log.previousPath()) + readBytes(path)).split('\n');
        QCOMPARE(lines.mid(lines.size() - 4),
                 (QList<QByteArray>{"yazar tam", "yazar yarım", "sonraki", ""}));
        for (const QByteArray& line : lines.mid(0, lines.size() - 4))
            QVERIFY2(line.startsWith('y') && line.indexOf("yazar", 1) < 0,
                     line.left(60).constData());
    }

    // Backups taken while another station records rolls: each holds the file as it was
    // at one moment (every transaction of ten rows whole or absent, indexes in order).
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

QTEST_GUILESS_MAIN(TestSharedFiles)
#include "tst_shared_files.moc"
