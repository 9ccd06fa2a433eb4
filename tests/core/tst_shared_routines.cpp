#include "core/sequential_file.h"
#include "core/settings_store.h"
#include "core/shared_routines.h"
#include "disk_faults.h"
#include "test_home.h"

#include <QFile>
#include <QSettings>
#include <QtTest>

using namespace Qt::StringLiterals;

// The shared routines and the two stores on the cases that can really break.
class TestSharedRoutines : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;

private Q_SLOTS:
    void init() { home = std::make_unique<TestHome>(); }
    void cleanup() { home.reset(); }

    void registryTextValues()
    {
        const QString key = u"Nirvelo\\Properties1"_s;
        QVERIFY(ReadRegistryText(RegistryRoot::CurrentUser, key, u"KumasTop"_s).isEmpty());
        WriteRegistryText(RegistryRoot::CurrentUser, key, u"KumasTop"_s, u"1500"_s);
        QCOMPARE(ReadRegistryText(RegistryRoot::CurrentUser, key, u"KumasTop"_s), u"1500"_s);
        // Text with an embedded NUL is cut there; a value that is not text reads empty.
        WriteRegistryText(RegistryRoot::CurrentUser, key, u"Ter01"_s,
                          u"True"_s + QChar(0) + u"junk"_s);
        QCOMPARE(ReadRegistryText(RegistryRoot::CurrentUser, key, u"Ter01"_s), u"True"_s);
        {
            QSettings raw(settings::registryStorePath(), QSettings::IniFormat);
            raw.setValue(u"HKEY_CURRENT_USER/Nirvelo/Properties1/Binary"_s,
                         QByteArray("\x01\x02", 2));
            raw.setValue(u"HKEY_CURRENT_USER/Nirvelo/Properties1/List"_s,
                         QStringList{u"a"_s, u"b"_s});
        }
        QVERIFY(ReadRegistryText(RegistryRoot::CurrentUser, key, u"Binary"_s).isEmpty());
        QVERIFY(ReadRegistryText(RegistryRoot::CurrentUser, key, u"List"_s).isEmpty());
        // The stores live under the test's own folder.
        QVERIFY(settings::registryStorePath().startsWith(home->path()));
        QVERIFY(settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"214"_s));
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"214"_s);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"Missing"_s, u"x"_s), u"x"_s);
    }

    // A file edited by hand, a lock and copies left by a killed writer, a damaged file.
    void storesReadHandWrittenListsAndSurviveKillsAndDamage()
    {
        const QString path = settings::appStorePath();
        QVERIFY(
            writeFileBytes(path, "[Platform]\nOperators=Ali,Veli,Can\n[Properties]\nBarNo=151\n"));
        QCOMPARE(settings::GetSetting(u"Platform"_s, u"Operators"_s), u"Ali,Veli,Can"_s);

        // Killed right after making its lock: an empty lock file, a few seconds old.
        QVERIFY(writeFileBytes(path + u".lock"_s, {}));
        QFile lock(path + u".lock"_s);
        QVERIFY(lock.open(QIODevice::ReadWrite));
        lock.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                         QFileDevice::FileModificationTime);
        lock.close();
        QVERIFY(writeFileBytes(path + u".xYz123"_s,
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
        QVERIFY(writeFileBytes(path, damaged));
        const QList<settings::StoreProblem> problems = settings::checkStores();
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].path, path);
        QCOMPARE(fileBytes(problems[0].keptAs), damaged);
        QVERIFY(settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"154"_s));
        QCOMPARE(fileBytes(problems[0].keptAs), damaged);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"154"_s);
    }

    void capitalizeKey()
    {
        QCOMPARE(CapitalizeKey(u""_s, 0, u'i'), QChar(u'İ'));
        QCOMPARE(CapitalizeKey(u""_s, 0, u'ı'), QChar(u'I'));
        QCOMPARE(CapitalizeKey(u"ali "_s, 4, u'a'), QChar(u'A'));
        QCOMPARE(CapitalizeKey(u"ali "_s, 4, u'ş'), QChar(u'Ş'));
        QCOMPARE(CapitalizeKey(u"Al"_s, 2, u'i'), QChar(u'i'));
        QCOMPARE(CapitalizeKey(u"Al"_s, 2, u'a'), QChar(u'a'));
        QCOMPARE(CapitalizeKey(u"A.Ş."_s, 4, u'ç'), QChar(u'Ç'));
        QCOMPARE(CapitalizeKey(u"30/"_s, 3, u'a'), QChar(u'A'));
        QCOMPARE(CapitalizeKey(u"30/"_s, 3, u'ö'), QChar(u'ö')); // "/" counts for a–z only
        QCOMPARE(CapitalizeKey(u""_s, 0, u'`'), QChar(u'`'));
        QCOMPARE(CapitalizeKey(u""_s, 0, u'5'), QChar(u'5'));
        for (char16_t ctrl : {1, 7, 14, 16, 19, 20})
            QCOMPARE(CapitalizeKey(u"x"_s, 1, QChar(ctrl)), QChar(0));
        QCOMPARE(CapitalizeKey(u"x"_s, 1, QChar(3)), QChar(3)); // Ctrl+C passes
    }

    void calcAmounts()
    {
        QVariant a = u"0,5"_s, b = 3;
        QCOMPARE(CalcAmounts(3, a, b), u"0,166"_s); // cut, not rounded, below 1
        a = 6;
        b = 3;
        QCOMPARE(CalcAmounts(3, a, b), u"2"_s);
        a = u"12 KG"_s;
        b = u"3 tl"_s;
        QCOMPARE(CalcAmounts(2, a, b), u"36"_s);
        QCOMPARE(a.toString(), u"12"_s); // left holding the cleaned amounts
        QCOMPARE(b.toString(), u"3"_s);
        a = u"abc"_s;
        b = u","_s;
        QCOMPARE(CalcAmounts(1, a, b), u"0"_s);
        QCOMPARE(a.toString(), u"0"_s);
        a = 5;
        b = 0;
        QCOMPARE(CalcAmounts(3, a, b), u"0"_s);
        QCOMPARE(CalcAmounts(9, a, b), u"0"_s);
        a = u"1.234,5"_s;
        b = 0.25;
        QCOMPARE(CalcAmounts(0, a, b), u"1234,25"_s);
        a = 0.1;
        b = 0.2;
        QCOMPARE(CalcAmounts(1, a, b), u"0,3"_s);
    }

    void sequentialFileRoundTrip()
    {
        seqfile::Writer w;
        w.number(1890);
        w.number(120.5);
        w.text(u"Çağ Şık İĞÜ"_s);
        w.number(8.25);
        w.boolean(true);
        w.boolean(false);
        w.raw(u"2"_s);
        w.endRecord();
        w.number(1500.5);
        w.boolean(true);
        w.endRecord();
        QCOMPARE(w.content(),
                 u"1890,120.5,\"Çağ Şık İĞÜ\",8.25,#TRUE#,#FALSE#,2\r\n1500.5,#TRUE#\r\n"_s);
        const QString path = home->file(u"Layout.Dat"_s);
        QVERIFY(seqfile::writeFile(path, w.content()));
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        // One byte per Turkish letter, as a Windows station writes it.
        QVERIFY(bytes.contains("\"\xC7"
                               "a\xF0 \xDE\xFDk \xDD\xD0\xDC\""));
        const auto records = seqfile::readFile(path);
        QVERIFY(records);
        QCOMPARE(records->size(), 2);
        QCOMPARE(records->at(0).at(2).text, u"Çağ Şık İĞÜ"_s);
        QCOMPARE(records->at(0).at(1).number(), 120.5);
        QCOMPARE(records->at(0).at(4).boolean(), true);
        QCOMPARE(records->at(1).at(0).number(), 1500.5);

        // A file cut in the middle of a record gives what stands before the cut.
        const auto cut = seqfile::parse(u"1890,120,\"Ari"_s);
        QCOMPARE(cut.size(), 1);
        QCOMPARE(cut[0].size(), 3);
        QCOMPARE(cut[0][2].text, u"Ari"_s);
        QVERIFY(cut[0][2].quoted);
        const auto quoted = seqfile::parse(u"\"2\",.5,1E+07, 30 \n"_s);
        QCOMPARE(quoted[0][0].number(), 2.0);
        QCOMPARE(quoted[0][1].number(), 0.5);
        QCOMPARE(quoted[0][2].number(), 1e7);
        QCOMPARE(quoted[0][3].number(), 30.0);
        QCOMPARE(seqfile::numberText(1e7), u"1E+07"_s);
        QCOMPARE(seqfile::numberText(1234.5678), u"1234.568"_s);
        QCOMPARE(seqfile::numberText(-30), u"-30"_s);
    }

    void atomicWriteKeepsTheOldFileOnFailure()
    {
        const QString path = home->file(u"Kumas.Dat"_s);
        QVERIFY(seqfile::writeFile(path, u"1395,#TRUE#\r\n"_s));
        const QDateTime before = QFileInfo(path).lastModified();
        QTest::qWait(20);
        // Unchanged content is not written again.
        QVERIFY(seqfile::writeFile(path, u"1395,#TRUE#\r\n"_s, nullptr, true));
        QCOMPARE(QFileInfo(path).lastModified(), before);
        // Writing into a folder that refuses new files fails and leaves the old file.
        if (geteuid() != 0) {
            QFile::setPermissions(home->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            QString error;
            QVERIFY(!seqfile::writeFile(path, u"1,#FALSE#\r\n"_s, &error));
            QVERIFY(!error.isEmpty());
            QFile::setPermissions(home->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner);
        }
        const QString missing = home->file(u"no/such/folder/Kumas.Dat"_s);
        QVERIFY(!seqfile::writeFile(missing, u"x"_s));
        QCOMPARE(seqfile::readFile(path)->at(0).at(0).number(), 1395.0);
    }
};

QTEST_GUILESS_MAIN(TestSharedRoutines)
#include "tst_shared_routines.moc"
