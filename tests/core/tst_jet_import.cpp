#include "case_table.h"
#include "core/database_files.h"
#include "core/jet_import.h"
#include "disk_faults.h"
#include "jet_fixtures.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The fixture read with its code page (the JET3 texts').
const std::tuple<const char*, QString, int> kSources[] = {
    {"JET3, Windows-1252", u"nwind.mdb"_s, 1252},
    {"JET4", u"DateTestDatabase.mdb"_s, 1254},
    {"ACE", u"ASampleDatabase.accdb"_s, 1254},
};
// How a copy of nwind.mdb is damaged (a cut at the given size), and the reason told.
const std::tuple<const char*, Damage, qsizetype, QString> kDamaged[] = {
    {"cut mid-page", Damage::Truncated, 1500000, u"yarım kalmış"_s},
    {"cut at a page", Damage::Truncated, 2048 * 700, u"bozuk sayfa"_s},
    {"random bytes", Damage::Random, 0, u"Jet (Access) dosyası değil"_s},
    {"zero bytes", Damage::Empty, 0, u"0 bayt"_s},
    {"a folder", Damage::Folder, 0, u"klasör"_s},
};
// "s" stands for the source, "new" for a target to make, "old" for an existing file.
const std::tuple<const char*, QStringList> kWrongCommandLines[] = {
    {"nothing", {}},
    {"one file", {u"s"_s}},
    {"three files", {u"s"_s, u"new"_s, u"b"_s}},
    {"unknown option", {u"--bogus"_s, u"s"_s, u"new"_s}},
    {"no code page", {u"--codepage"_s, u"abc"_s, u"s"_s, u"new"_s}},
    {"unknown code page", {u"--codepage=99999"_s, u"s"_s, u"new"_s}},
    {"existing target", {u"s"_s, u"old"_s}},
};

} // namespace

// The importer on real Jet/ACE files, against the mdbtools commands' reading of them.
class TestJetImport : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;

    static ProgramRun runImport(const QStringList& arguments)
    {
        return runProgram(QStringLiteral(TOPKAR_IMPORT_PROGRAM), arguments);
    }

private Q_SLOTS:
    void init() { home = std::make_unique<TestHome>(); }
    void cleanup() { home.reset(); }

    void everyTableAsReference_data() { addCases(kSources); }

    // Every table, every row, every value as mdb-export reads it: texts with accents,
    // apostrophes and line breaks, dates, currency, memos, OLE pictures, NULLs, table
    // and column names with blanks and non-ASCII letters.
    void everyTableAsReference()
    {
        const auto& [name, fixture, codePage] = currentCase(kSources);
        const QString source = jetfixtures::path(fixture), target = home->file(u"copy.db"_s);
        const auto result = jetimport::importFile(source, target, {codePage, false, {}});
        QCOMPARE(result.message, QString());
        const QStringList tables = // mdb-tables' list of the user tables
            runProgram(u"mdb-tables"_s, {u"-1"_s, source}).out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(result.tables, tables.size());
        const QSqlDatabase db = dbfiles::connection(target);
        qint64 total = 0;
        for (const QString& table : tables) {
            qint64 rows = 0;
            const QString difference =
                jetfixtures::compareTable(source, codePage, db, table, &rows);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
            total += rows;
        }
        QCOMPARE(result.rows, total);
    }

    // Dates that libmdb's own formatting cannot show: the years their rows describe.
    void datesOutsideTheUsualYears()
    {
        const QString target = home->file(u"dates.db"_s);
        jetimport::importFile(jetfixtures::path(u"DateTestDatabase.mdb"_s), target);
        const auto year = [&](const QString& row) {
            return TestDatabase(target)
                .value(u"SELECT DateCol FROM DateTest WHERE LongTextCol LIKE '%1%'"_s.arg(row))
                .toString();
        };
        QCOMPARE(year(u"Year 9999"_s).left(4), u"9999"_s);
        QVERIFY(year(u"Pre-1900"_s) < u"1900"_s && year(u"Pre-1900"_s) > u"1000"_s);
        QVERIFY(year(u"Pre-1000"_s) < u"1000"_s && year(u"Pre-1000"_s) > u"0100"_s);
    }

    void damagedSource_data() { addCases(kDamaged); }

    // A source that cannot be read: a message naming the file and the reason, exit 1,
    // no target and nothing else left in the folder.
    void damagedSource()
    {
        const auto& [name, how, size, reason] = currentCase(kDamaged);
        const QString source = home->file(u"Kaynak Dosya.mdb"_s);
        QVERIFY(QFile::copy(jetfixtures::path(u"nwind.mdb"_s), source));
        damage(source, how);
        QVERIFY(size == 0 || QFile::resize(source, size));
        const QDir dir(home->path());
        const QStringList before = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const ProgramRun run = runImport({source, home->file(u"hedef.db"_s)});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(source) && run.err.contains(reason), qPrintable(run.err));
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // Killed anywhere, the import leaves no target (or the old one it was to replace)
    // or the whole new one, never a half one.
    void killedAtRandomPoints()
    {
        const QString source = jetfixtures::path(u"nwind.mdb"_s);
        const QString target = home->file(u"hedef.db"_s);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runImport({source, target}).exitCode, 0);
        const int duration = int(clock.elapsed());
        int cut = 0;
        for (int i = 0; i < 50; ++i) {
            const bool replacing = i % 2 == 1;
            dbfiles::closeAll();
            QFile::remove(target);
            if (replacing)
                QCOMPARE(runImport({jetfixtures::path(u"DateTestDatabase.mdb"_s), target}).exitCode,
                         0);
            QProcess p;
            p.start(QStringLiteral(TOPKAR_IMPORT_PROGRAM),
                    {replacing ? u"--replace"_s : u"--codepage=1254"_s, source, target});
            QVERIFY(p.waitForStarted());
            QTest::qWait(QRandomGenerator::global()->bounded(duration + 20));
            p.kill();
            p.waitForFinished();
            cut += p.exitStatus() == QProcess::CrashExit;
            if (!QFile::exists(target))
                continue;
            QCOMPARE(TestDatabase(target).value(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
            const int rows = TestDatabase(target)
                                 .value(u"SELECT (SELECT count(*) FROM Orders) + (SELECT "
                                        "count(*) FROM \"Order Details\")"_s)
                                 .toInt();
            QVERIFY(rows == 830 + 2155 || (replacing && rows == 0)); // new, or the old one
        }
        QVERIFY(cut > 10);
    }

    void wrongCommandLine_data() { addCases(kWrongCommandLines); }

    // Exit 2 with a message; no target made, an existing one untouched.
    void wrongCommandLine()
    {
        QStringList arguments = std::get<1>(currentCase(kWrongCommandLines));
        QVERIFY(writeBytes(home->file(u"old"_s), "old"));
        for (QString& a : arguments)
            a = a == u"new" || a == u"old" ? home->file(a)
                : a == u"s"                ? jetfixtures::path(u"nwind.mdb"_s)
                                           : a;
        const ProgramRun run = runImport(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.err.isEmpty() && !QFile::exists(home->file(u"new"_s)));
        QCOMPARE(readBytes(home->file(u"old"_s)), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestJetImport)
#include "tst_jet_import.moc"
