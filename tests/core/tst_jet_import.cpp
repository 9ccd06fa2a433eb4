#include "core/jet_import.h"
#include "jet_fixtures.h"
#include "test_home.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A plain look at an SQLite file, closed when it goes out of scope.
class Look
{
public:
    explicit Look(const QString& path)
    {
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"look"_s);
        m_db.setDatabaseName(path);
        m_db.open();
    }
    ~Look()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"look"_s);
    }
    QSqlQuery query(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            qWarning() << q.lastError().text() << sql;
        return q;
    }
    QVariant value(const QString& sql)
    {
        QSqlQuery q = query(sql);
        return q.next() ? q.value(0) : QVariant();
    }

private:
    QSqlDatabase m_db;
};

QString quoted(const QString& name)
{
    return u'"' + QString(name).replace(u'"', u"\"\""_s) + u'"';
}

// A stored value against mdb-export's text of it, by the column's declared type.
bool sameValue(const QString& reference, const QVariant& stored, const QString& type)
{
    if (reference.isEmpty())
        return stored.isNull() || stored.toString().isEmpty();
    if (type == u"DATETIME"_s) {
        if (reference.startsWith(u"1900-01-00"_s))
            return true; // libmdb formats no date outside 1900 to 2700 (checked below)
        const QString text = stored.toString();
        return (text.size() == 10 ? text + u" 00:00:00"_s : text) == reference;
    }
    if (type == u"BLOB"_s)
        return stored.toByteArray().toHex().toUpper() == reference.toLatin1();
    if (type == u"TEXT"_s)
        return stored.toString() == reference;
    if (type == u"INTEGER"_s || type == u"BIT"_s)
        return stored.toLongLong() == reference.toLongLong();
    const double a = stored.toDouble(), b = reference.toDouble();
    return std::abs(a - b) <= 1e-6 * std::max(1.0, std::abs(b));
}

int runImport(const QStringList& arguments, QString* errors = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(TOPKAR_IMPORT_PROGRAM), arguments);
    p.waitForFinished(120000);
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

// The importer on real Jet/ACE files, against the mdbtools commands' reading of them.
class TestJetImport : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;

private Q_SLOTS:
    void init() { home = std::make_unique<TestHome>(); }
    void cleanup() { home.reset(); }

    void everyTableAsReference_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("target");
        QTest::newRow("JET3, Windows-1252") << u"nwind.mdb"_s << 1252 << u"nwind.db"_s;
        // The old station's order file: Turkish letters, the station's indexes.
        QTest::newRow("JET3, Windows-1254, station file") << u"order"_s << 1254 << u"Kumas.Mdb"_s;
        QTest::newRow("JET4") << u"DateTestDatabase.mdb"_s << 1254 << u"dates.db"_s;
        QTest::newRow("ACE") << u"ASampleDatabase.accdb"_s << 1254 << u"assets.db"_s;
    }

    // Every table, every row, every value as mdb-export reads it: texts with accents,
    // apostrophes and line breaks, dates, currency, memos, OLE pictures, NULLs, table
    // and column names with blanks and non-ASCII letters.
    void everyTableAsReference()
    {
        QFETCH(QString, source);
        QFETCH(int, codePage);
        QFETCH(QString, target);
        if (source == u"order"_s) {
            source = home->file(u"old.mdb"_s);
            QVERIFY(jetfixtures::writeOrderFile(source));
        } else {
            source = jetfixtures::path(source);
        }
        target = home->file(target);
        const jetimport::Result result =
            jetimport::importFile(source, target, {codePage, false, {}});
        QCOMPARE(result.message, QString());
        QCOMPARE(result.status, jetimport::Status::Done);

        const QStringList tables = jetfixtures::tables(source);
        QCOMPARE(result.tables, tables.size());
        Look look(target);
        qint64 total = 0;
        for (const QString& table : tables) {
            const auto reference =
                jetfixtures::exportTable(source, table, "CP" + QByteArray::number(codePage));
            QVERIFY(!reference.isEmpty());
            const QStringList header = reference.first();
            QStringList columns, types;
            QSqlQuery info = look.query(u"PRAGMA table_info(%1)"_s.arg(quoted(table)));
            QHash<QString, QString> typeOf;
            while (info.next())
                typeOf.insert(info.value(1).toString(), info.value(2).toString());
            for (const QString& c : header) {
                QVERIFY2(typeOf.contains(c), qPrintable(table + u'.' + c));
                columns.append(quoted(c));
                types.append(typeOf.value(c));
            }
            QSqlQuery rows = look.query(
                u"SELECT %1 FROM %2 ORDER BY rowid"_s.arg(columns.join(u','), quoted(table)));
            for (qsizetype r = 1; r < reference.size(); ++r) {
                QVERIFY2(rows.next(), qPrintable(u"%1: row %2 missing"_s.arg(table).arg(r)));
                for (int c = 0; c < header.size(); ++c)
                    QVERIFY2(sameValue(reference[r][c], rows.value(c), types[c]),
                             qPrintable(u"%1 row %2 %3: %4 ≠ %5"_s.arg(table).arg(r).arg(
                                 header[c], rows.value(c).toString(), reference[r][c])));
            }
            QVERIFY2(!rows.next(), qPrintable(table + u": more rows than the reference"_s));
            total += reference.size() - 1;
        }
        QCOMPARE(result.rows, total);
        if (target.endsWith(u"Kumas.Mdb"_s)) {
            QVERIFY(look.value(u"SELECT count(*) FROM Siparis WHERE ShipAddress LIKE '%Bolıvar%'"_s)
                        .toInt() > 0);
            QVERIFY(look.value(u"SELECT sql FROM sqlite_master WHERE name = 'Siparis_BarNo'"_s)
                        .toString()
                        .contains(u"COLLATE TRNOCASE"_s));
        }
    }

    // Dates that libmdb's own formatting cannot show: the years the rows describe.
    void datesOutsideTheUsualYears()
    {
        const QString target = home->file(u"dates.db"_s);
        QCOMPARE(jetimport::importFile(jetfixtures::path(u"DateTestDatabase.mdb"_s), target).status,
                 jetimport::Status::Done);
        Look look(target);
        QSqlQuery q = look.query(u"SELECT LongTextCol, DateTimeCol, DateCol FROM DateTest"_s);
        int checked = 0;
        while (q.next()) {
            const int year = q.value(1).toString().left(4).toInt();
            const QString what = q.value(0).toString();
            QCOMPARE(q.value(2).toString().size(), 10); // a date only
            if (what == u"Year 9999"_s)
                QCOMPARE(year, 9999);
            else if (what.startsWith(u"Pre-1900"_s))
                QVERIFY(year < 1900 && year > 1000);
            else if (what.startsWith(u"Pre-1000"_s))
                QVERIFY(year < 1000 && year > 100);
            else
                continue;
            ++checked;
        }
        QCOMPARE(checked, 3);
    }

    void damagedSource_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("cut mid-page") << u"cut"_s << u"yarım kalmış"_s;
        QTest::newRow("cut at a page") << u"pages"_s << u"bozuk sayfa"_s;
        QTest::newRow("random bytes") << u"random"_s << u"Jet (Access) dosyası değil"_s;
        QTest::newRow("zero bytes") << u"empty"_s << u"0 bayt"_s;
        QTest::newRow("a folder") << u"folder"_s << u"klasör"_s;
    }

    // A source that cannot be read: a message naming the file and the reason, exit 1,
    // no target and nothing else left in the folder.
    void damagedSource()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QDir dir(home->path());
        const QString source = home->file(u"Kaynak Dosya.mdb"_s);
        QFile nwind(jetfixtures::path(u"nwind.mdb"_s));
        QVERIFY(nwind.open(QIODevice::ReadOnly));
        QByteArray bytes = nwind.readAll();
        if (kind == u"cut"_s)
            bytes.truncate(bytes.size() / 2 + 1000);
        else if (kind == u"pages"_s)
            bytes.truncate(2048 * 700);
        else if (kind == u"random"_s)
            bytes = QByteArray(65536, Qt::Uninitialized);
        else
            bytes.clear();
        if (kind == u"random"_s)
            for (char& b : bytes)
                b = char(QRandomGenerator::global()->generate());
        if (kind == u"folder"_s) {
            QVERIFY(dir.mkdir(u"Kaynak Dosya.mdb"_s));
        } else {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        const QStringList before = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QString errors;
        QCOMPARE(runImport({source, home->file(u"hedef.db"_s)}, &errors), 1);
        QVERIFY2(errors.contains(QDir::toNativeSeparators(source)), qPrintable(errors));
        QVERIFY2(errors.contains(reason), qPrintable(errors));
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // Killed anywhere, the import leaves either no target (or the old one it was to
    // replace) or the whole new one, never a half one.
    void killedAtRandomPoints()
    {
        const QString source = jetfixtures::path(u"nwind.mdb"_s);
        const QString target = home->file(u"hedef.db"_s);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runImport({source, target}), 0);
        const int duration = int(clock.elapsed());
        int cut = 0;
        for (int i = 0; i < 50; ++i) {
            const bool replacing = i % 2 == 1;
            QFile::remove(target);
            if (replacing)
                QCOMPARE(runImport({jetfixtures::path(u"DateTestDatabase.mdb"_s), target}), 0);
            QProcess p;
            p.start(QStringLiteral(TOPKAR_IMPORT_PROGRAM),
                    replacing ? QStringList{u"--replace"_s, source, target}
                              : QStringList{source, target});
            QVERIFY(p.waitForStarted());
            QTest::qWait(QRandomGenerator::global()->bounded(duration + 20));
            p.kill();
            p.waitForFinished();
            if (p.exitStatus() == QProcess::CrashExit)
                ++cut;
            if (!QFile::exists(target))
                continue;
            Look look(target);
            QCOMPARE(look.value(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
            if (look.value(u"SELECT count(*) FROM sqlite_master WHERE name = 'DateTest'"_s).toInt())
                QVERIFY(replacing); // the old target, untouched
            else
                QCOMPARE(look.value(u"SELECT (SELECT count(*) FROM Orders) + (SELECT count(*) "
                                    "FROM \"Order Details\") + (SELECT count(*) FROM Employees)"_s)
                             .toInt(),
                         830 + 2155 + 9);
        }
        QVERIFY(cut > 10);
    }

    void wrongCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const QString s = jetfixtures::path(u"nwind.mdb"_s);
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("one file") << QStringList{s};
        QTest::newRow("three files") << QStringList{s, u"a"_s, u"b"_s};
        QTest::newRow("unknown option") << QStringList{u"--bogus"_s, s, u"a"_s};
        QTest::newRow("no code page") << QStringList{u"--codepage"_s, u"abc"_s, s, u"a"_s};
        QTest::newRow("unknown code page") << QStringList{u"--codepage"_s, u"99999"_s, s, u"a"_s};
        QTest::newRow("existing target") << QStringList{s, u"existing"_s};
    }

    void wrongCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFile existing(home->file(u"existing"_s));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("old");
        existing.close();
        for (QString& a : arguments)
            if (a == u"a"_s || a == u"existing"_s)
                a = home->file(a);
        QString errors;
        QCOMPARE(runImport(arguments, &errors), 2);
        QVERIFY(!errors.isEmpty());
        QVERIFY(!QFile::exists(home->file(u"a"_s)));
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestJetImport)
#include "tst_jet_import.moc"
