#include "core/database_backup.h"
#include "core/database_files.h"
#include "core/log_file.h"
#include "core/sequential_file.h"
#include "core/settings_store.h"
#include "core/shared_routines.h"
#include "core/sqlite_functions.h"
#include "disk_faults.h"
#include "test_home.h"

#include <QSqlQuery>
#include <QtTest>

#include <sqlite3.h>

#include <atomic>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Files the station shares with other writers, and the shared routines, on the cases
// that can really break: the two settings stores and the sequential files, written over
// by hand, damaged, or left by a writer killed at any moment; the support log, which
// never passes its cap, and whose next lines a writer killed at any moment (in the middle
// of a line, while renaming the full file) spoils none of; a database backed up while
// written, which holds one moment of it.
class TestSharedFiles : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;

private Q_SLOTS:
    void init() { home = std::make_unique<TestHome>(); }
    void cleanup() { home.reset(); }

    // Registry texts: a missing value reads empty, text with an embedded NUL is cut
    // there, a value that is not text reads empty (the plain round trip carries the
    // terminal flag of tst_exchange_round).
    void registryTextValues()
    {
        QVERIFY(stationRegistryText(u"KumasTop"_s).isEmpty());
        storeStationRegistryText(u"Ter01"_s, u"True"_s + QChar(0) + u"junk"_s);
        QCOMPARE(stationRegistryText(u"Ter01"_s), u"True"_s);
        {
            QSettings raw(settings::registryStorePath(), QSettings::IniFormat);
            raw.setValue(u"HKEY_CURRENT_USER/Nirvelo/Properties1/Binary"_s,
                         QByteArray("\x01\x02", 2));
            raw.setValue(u"HKEY_CURRENT_USER/Nirvelo/Properties1/List"_s,
                         QStringList{u"a"_s, u"b"_s});
        }
        QVERIFY(stationRegistryText(u"Binary"_s).isEmpty() &&
                stationRegistryText(u"List"_s).isEmpty());
    }

    // A file edited by hand, a lock and copies left by a killed writer, a damaged file.
    void storesReadHandWrittenListsAndSurviveKillsAndDamage()
    {
        const QString path = settings::appStorePath();
        QVERIFY(writeBytes(path, "[Platform]\nOperators=Ali,Veli,Can\n[Properties]\nBarNo=151\n"));
        QCOMPARE(settings::GetSetting(u"Platform"_s, u"Operators"_s), u"Ali,Veli,Can"_s);

        // Killed right after making its lock: an empty lock file, a few seconds old.
        QFile lock(path + u".lock"_s);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                         QFileDevice::FileModificationTime);
        lock.close();
        QVERIFY(writeBytes(path + u".xYz123"_s,
                           "[Properties]\nBarNo=1\n")); // a cut-off write's copy
        QElapsedTimer clock;
        clock.start();
        QVERIFY(settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"152"_s));
        QVERIFY2(clock.elapsed() < 5000, "a stale lock is taken over at once");
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"152"_s);
        QCOMPARE(settings::GetSetting(u"Platform"_s, u"Operators"_s), u"Ali,Veli,Can"_s);
        QCOMPARE(QDir(home->path()).entryList({u"Topkar.ini*"_s}, QDir::Files),
                 QStringList{u"Topkar.ini"_s});

        // A section header cut short: said, and the file kept as it is before any write.
        const QByteArray damaged = "[Platform\nDataFolder=/veri\n[Properties]\nBarNo=153\n";
        QVERIFY(writeBytes(path, damaged));
        const QList<settings::StoreProblem> problems = settings::checkStores();
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].path, path);
        QCOMPARE(readBytes(problems[0].keptAs), damaged);
        QVERIFY(settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"154"_s));
        QCOMPARE(readBytes(problems[0].keptAs), damaged);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"154"_s);
    }

    // Capitals at the start, after a blank or a field ending in "." (for a–z also
    // "/"); Ctrl+A, G, N, P, T swallowed. Start, blank, Ctrl+S and Ctrl+C are checked
    // through the entry keys (tst_entry_panel).
    void capitalizeKey()
    {
        const std::tuple<QString, char16_t, char16_t> cases[] = {
            {u"Al"_s, u'i', u'i'},  {u"A.Ş."_s, u'ç', u'Ç'}, {u"ali "_s, u'ş', u'Ş'},
            {u"30/"_s, u'a', u'A'}, {u"30/"_s, u'ö', u'ö'},  {u""_s, u'`', u'`'},
            {u""_s, u'5', u'5'},    {u"x"_s, 1, 0},          {u"x"_s, 7, 0},
            {u"x"_s, 14, 0},        {u"x"_s, 16, 0},         {u"x"_s, 20, 0}};
        for (const auto& [text, key, result] : cases)
            QCOMPARE(CapitalizeKey(text, text.size(), QChar(key)), QChar(result));
    }

    // The amount calculator: operation, the two amounts, the result, and for texts with
    // a unit or without a number the first amount as it is left.
    void calcAmounts()
    {
        const std::tuple<int, QVariant, QVariant, QString, QString> cases[] = {
            {3, u"0,5"_s, 3, u"0,166"_s, {}}, // cut, not rounded, below 1
            {3, 6, 3, u"2"_s, {}},
            {2, u"12 KG"_s, u"3 tl"_s, u"36"_s, u"12"_s},
            {1, u"abc"_s, u","_s, u"0"_s, u"0"_s},
            {3, 5, 0, u"0"_s, {}},
            {9, 5, 1, u"0"_s, {}},
            {0, u"1.234,5"_s, 0.25, u"1234,25"_s, {}},
            {1, 0.1, 0.2, u"0,3"_s, {}}};
        for (auto [operation, a, b, result, cleaned] : cases) {
            QCOMPARE(CalcAmounts(operation, a, b), result);
            if (!cleaned.isNull())
                QCOMPARE(a.toString(), cleaned);
        }
    }

    // The sequential files beyond the byte-exact round trip of the label layout
    // (tst_label_designer): a file cut in the middle of a record gives what stands
    // before the cut; numbers quoted, without a leading zero, with an exponent or
    // blanks; the number forms written.
    void sequentialFileEdges()
    {
        const auto cut = seqfile::parse(u"1890,120,\"Ari"_s);
        QCOMPARE(cut.size(), 1);
        QCOMPARE(cut[0].size(), 3);
        QVERIFY(cut[0][2].quoted && cut[0][2].text == u"Ari"_s);
        QList<double> numbers;
        for (const seqfile::Field& field : seqfile::parse(u"\"2\",.5,1E+07, 30 \n"_s).value(0))
            numbers.append(field.number().value_or(-1));
        QCOMPARE(numbers, (QList<double>{2, 0.5, 1e7, 30}));
        QCOMPARE((QStringList{seqfile::numberText(1e7), seqfile::numberText(1234.5678),
                              seqfile::numberText(-30)}),
                 (QStringList{u"1E+07"_s, u"1234.568"_s, u"-30"_s}));
    }

    // A write that fails (a folder that refuses new files, even to root) says so and
    // leaves the old file.
    void failedWriteKeepsTheOldFile()
    {
        const QString path = home->file(u"Kumas.Dat"_s);
        QVERIFY(seqfile::writeFile(path, u"1395,#TRUE#\r\n"_s));
        {
            const PermissionsApply asUser;
            QFile::setPermissions(home->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            QString error;
            QVERIFY(!seqfile::writeFile(path, u"1,#FALSE#\r\n"_s, &error));
            QVERIFY(!error.isEmpty());
            QFile::setPermissions(home->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner);
        }
        QVERIFY(!seqfile::writeFile(home->file(u"no/such/folder/Kumas.Dat"_s), u"x"_s));
        QCOMPARE(seqfile::readFile(path)->at(0).at(0).number(), 1395.0);
    }

    void capsSizeAndSurvivesKills()
    {
        const QString path = home->file(u"t.log"_s);
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
        QVERIFY(writeBytes(path, readBytes(path) + "yazar yarım"));

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
        const QString file = home->dataFolder() + u"/Kumas.Mdb"_s;
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
            folders << dbbackup::backUp({file, home->file(u"yok.Mdb"_s)}, home->file(u"yedek"_s),
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
