#include "core/database_files.h"
#include "core/record_set.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

// The sqlite3 shell with the extension "trnocase" reads a station's file as the
// station does: the same rows for the same conditions, the same Turkish order, and
// the station's TRNOCASE indexes pass its integrity check.
class TestSqliteExtension : public QObject
{
    Q_OBJECT

    TestHome m_home;
    QString m_file;

    // The shell's answer to one statement, line by line.
    QStringList shell(const QString& sql, bool load = true)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Under the sanitizers the extension needs their run-time in the shell too.
        env.insert(u"LD_PRELOAD"_s, QStringLiteral(SANITIZER_PRELOAD));
        p.setProcessEnvironment(env);
        QStringList args{u"-batch"_s, u"-bail"_s};
        if (load)
            args << u"-cmd"_s << u".load "_s + QStringLiteral(TRNOCASE_EXTENSION);
        p.start(QStringLiteral(SQLITE3_SHELL), args << m_file << sql);
        if (!p.waitForFinished(30000))
            return {u"(timeout)"_s};
        const QString err = QString::fromUtf8(p.readAllStandardError()).trimmed();
        if (!err.isEmpty() || p.exitCode() != 0)
            return {u"(error) "_s + err};
        return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    QStringList station(const QString& source)
    {
        const auto set = RecordSet::open(dbfiles::connection(m_file), source);
        QStringList titles;
        if (!set)
            return {u"(error)"_s};
        for (set->moveFirst(); !set->eof(); set->moveNext())
            titles << set->value(u"Unvan").toString();
        return titles;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_file = m_home.dataFolder() + u"/01Cari.Mdb"_s;
        QVERIFY(dbfiles::ensureDatabase(m_file, {u"CariKartlar"_s}));
        const QSqlDatabase db = dbfiles::connection(m_file);
        const QStringList titles = {
            u"Zeki Ltd"_s, u"çınar"_s, u"Cam Evi"_s, u"ÇAMLICA"_s, u"ılgın"_s, u"Irmak"_s,
            u"İpek"_s,     u"incir"_s, u"Gül"_s,     u"Dağ"_s,     u"Dal"_s,   u"dag"_s,
            u"Ödemiş"_s,   u"Orhan"_s, u"Öz"_s,      u"Üzüm"_s,    u"Uşak"_s,  u"ulus"_s,
            u"Şeker"_s,    u"sarı"_s,  u"Tokat"_s,   u"şahin"_s,   u"DAĞ"_s};
        for (const QString& t : titles)
            QVERIFY(runSql(db, u"INSERT INTO CariKartlar (CariKod, Unvan) VALUES (?, ?)"_s,
                           {t.left(2), t})
                        .isActive());
    }

    void sameOrderCountsAndCheck_data()
    {
        QTest::addColumn<QString>("stationSource");
        QTest::addColumn<QString>("shellWhere");
        QTest::newRow("all") << u"Select * From CariKartlar"_s << u"1"_s;
        QTest::newRow("equal") << u"Select * From CariKartlar Where Unvan = 'dağ'"_s
                               << u"Unvan = 'dağ' COLLATE TRNOCASE"_s;
        QTest::newRow("dotted") << u"Select * From CariKartlar Where Unvan = 'İPEK'"_s
                                << u"Unvan = 'İPEK' COLLATE TRNOCASE"_s;
        QTest::newRow("dotless") << u"Select * From CariKartlar Where Unvan = 'irmak'"_s
                                 << u"Unvan = 'irmak' COLLATE TRNOCASE"_s;
        QTest::newRow("like") << u"Select * From CariKartlar Where Unvan Like 'ç*'"_s
                              << u"jet_like('ç*', Unvan)"_s;
        QTest::newRow("range")
            << u"Select * From CariKartlar Where Unvan >= 'ı' And Unvan < 'j'"_s
            << u"Unvan >= 'ı' COLLATE TRNOCASE AND Unvan < 'j' COLLATE TRNOCASE"_s;
    }

    void sameOrderCountsAndCheck()
    {
        QFETCH(QString, stationSource);
        QFETCH(QString, shellWhere);
        const QStringList expected = station(stationSource + u" Order By Unvan"_s);
        QCOMPARE(shell(u"SELECT Unvan FROM CariKartlar WHERE %1 ORDER BY Unvan COLLATE TRNOCASE, "
                       "rowid"_s.arg(shellWhere)),
                 expected);
        QCOMPARE(shell(u"SELECT count(*) FROM CariKartlar WHERE "_s + shellWhere),
                 QStringList{QString::number(expected.size())});
    }

    void integrityCheckNeedsTheExtension()
    {
        QCOMPARE(shell(u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
        QCOMPARE(shell(u"SELECT count(*) FROM CariKartlar"_s, false).value(0).left(7),
                 u"(error)"_s);
        // Without the extension the rows still read, in SQLite's own order.
        QCOMPARE(shell(u"SELECT Unvan FROM CariKartlar WHERE CariKod = 'İp'"_s, false),
                 QStringList{u"İpek"_s});
    }
};

QTEST_GUILESS_MAIN(TestSqliteExtension)
#include "tst_sqlite_extension.moc"
