#include "exchange/central_database.h"
#include "exchange_frame.h"
#include "jet_fixtures.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// A plant that ran before this exchange: a central database set up without the key
// columns and the receipts table, branch files still in Jet format.
class TestExistingPlant : public CentralServerTest
{
    Q_OBJECT
public:
    TestExistingPlant() : CentralServerTest(55631) {}

private:
    const QStringList tables{u"CariKartlar"_s, u"StokKartlar"_s, u"CariHareket"_s,
                             u"StokHareket"_s};

    // Every row of the exchange tables as text, without the key.
    QStringList centralRows()
    {
        QStringList rows;
        for (const QString& t : tables)
            for (const auto& row : server->rows(
                     u"SELECT (to_jsonb(t) - 'id')::text FROM \"%1\" t ORDER BY 1"_s.arg(t)))
                rows.append(t + row.value(0).toString());
        return rows;
    }

private Q_SLOTS:
    // The exchange names exactly what is missing; --upgrade-central adds it without
    // changing a row, and the exchange then runs.
    void upgradeOfAnOldCentralDatabase()
    {
        QVERIFY(server->exec(u"DROP TABLE \"AktarimFisleri\""_s));
        for (const QString& t : tables)
            QVERIFY(server->exec(u"ALTER TABLE \"%1\" DROP COLUMN \"id\""_s.arg(t)));
        QVERIFY(server->exec(u"INSERT INTO \"CariKartlar\" (\"CariKod\", \"Unvan\", \"Sube\", "
                             "\"Server\", \"Yeni\") VALUES ('C9', 'Işık Tekstil', '02', 0, 1), "
                             "('C8', 'Öteki Şube', '05', 0, 1)"_s));
        QVERIFY(server->exec(u"INSERT INTO \"StokHareket\" (\"StokHarKod\", \"Miktar\", "
                             "\"Sube\", \"Yeni\") VALUES ('K1', 12.5, '05', 1)"_s));
        const QStringList before = centralRows();

        CentralDatabase central;
        QString error;
        QVERIFY(!central.open(u"ParvekWeb"_s, &error));
        QVERIFY2(error.contains(u"CariKartlar tablosunun anahtar sütunu (id)"_s) &&
                     error.contains(u"StokHareket tablosunun anahtar sütunu (id)"_s) &&
                     error.contains(u"AktarimFisleri"_s) && !error.contains(u"tablosu yok"_s) &&
                     error.contains(u"--upgrade-central"_s),
                 qPrintable(error));

        QVERIFY(endedWell(*startProgram({u"--upgrade-central"_s})));
        QCOMPARE(centralRows(), before);

        QVERIFY(finished(station->run()));
        QCOMPARE(station->accounts().value(u"SELECT Unvan FROM CariKartlar WHERE CariKod = 'C9'"_s),
                 QVariant(u"Işık Tekstil"_s));
    }

    // A branch file still in Jet format is refused with the way to convert it, and
    // left as it was.
    void jetBranchFile()
    {
        const QString source = jetfixtures::path(u"nwind.mdb"_s);
        const QString file = station->accounts().file();
        QVERIFY(QFile::remove(file) && QFile::copy(source, file));
        QVERIFY(failedOn(station->run(), u"topkar-import"_s));
        QFile a(source), b(file);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QVERIFY(a.readAll() == b.readAll());
    }
};

QTEST_GUILESS_MAIN(TestExistingPlant)
#include "tst_existing_plant.moc"
