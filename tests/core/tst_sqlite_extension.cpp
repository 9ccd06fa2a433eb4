#include "core/database_files.h"
#include "core/record_set.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

// The sqlite3 shell with the extension "trnocase" reads a station's file as the
// station does: the same rows for the same conditions in the same Turkish order, and
// the indexes the station built pass its integrity check.
class TestSqliteExtension : public QObject
{
    Q_OBJECT
    TestHome m_home;
    QString m_file = m_home.dataFolder() + u"/01Cari.Mdb"_s;

    QStringList shell(const QString& sql)
    {
        QProcess p;
        p.start(QStringLiteral(SQLITE3_SHELL),
                {u"-batch"_s, u"-cmd"_s, u".load "_s + QStringLiteral(TRNOCASE_EXTENSION), m_file,
                 sql});
        p.waitForFinished();
        // Errors end up in the comparison.
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).split(u'\n');
    }

private Q_SLOTS:
    void sameRowsOrderAndCheck()
    {
        QVERIFY(dbfiles::ensureDatabase(m_file, {u"CariKartlar"_s}));
        for (const char* t :
             {"Zeki", "çınar", "Cam",  "ÇAMLICA", "ılgın", "Irmak",  "İpek",  "incir",
              "Gül",  "Dağ",   "Dal",  "dag",     "DAĞ",   "Ödemiş", "Orhan", "Öz",
              "Üzüm", "Uşak",  "ulus", "Şeker",   "sarı",  "Tokat",  "şahin"})
            runSql(dbfiles::connection(m_file),
                   u"INSERT INTO CariKartlar (CariKod, Unvan) VALUES (?, ?)"_s,
                   {QString::fromUtf8(t).left(2), QString::fromUtf8(t)});
        // The station's condition, and the same written for the shell.
        const QList<std::pair<QString, QString>> cases = {
            {u""_s, u"1"_s},
            {u"Where Unvan = 'İPEK'"_s, u"Unvan = 'İPEK' COLLATE TRNOCASE"_s},
            {u"Where Unvan = 'irmak'"_s, u"Unvan = 'irmak' COLLATE TRNOCASE"_s},
            {u"Where Unvan Like 'ç*'"_s, u"jet_like('ç*', Unvan)"_s},
        };
        for (const auto& [jet, where] : cases) {
            const auto set =
                RecordSet::open(dbfiles::connection(m_file),
                                u"Select * From CariKartlar %1 Order By Unvan"_s.arg(jet));
            QVERIFY(set);
            QStringList station;
            for (set->moveFirst(); !set->eof(); set->moveNext())
                station << set->value(u"Unvan").toString();
            QCOMPARE(
                shell(u"SELECT Unvan FROM CariKartlar WHERE %1 ORDER BY Unvan COLLATE TRNOCASE, "
                      "rowid; SELECT count(*) FROM CariKartlar WHERE %1"_s.arg(where)),
                station + (QStringList{QString::number(station.size()), QString()}));
        }
        QCOMPARE(shell(u"PRAGMA integrity_check"_s), (QStringList{u"ok"_s, QString()}));
    }
};

QTEST_GUILESS_MAIN(TestSqliteExtension)
#include "tst_sqlite_extension.moc"
