#include "branch_folder.h"
#include "central_server.h"
#include "test_home.h"

#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

// Sending one card to every other branch through the central database.
class TestCardExchange : public CentralServerTest
{
    Q_OBJECT
public:
    TestCardExchange() : CentralServerTest(55612) {}

private:
    std::unique_ptr<BranchFolder> station;

    QList<QVariantList> copies(const QString& table = u"CariKartlar"_s)
    {
        return server->rows(
            u"SELECT \"Sube\", \"Unvan\", \"Borc\", \"Yeni\", \"Server\" FROM \"%1\" "
            "ORDER BY \"Sube\""_s.arg(table));
    }

    void prepare() override
    {
        station = std::make_unique<BranchFolder>(home->file(u"data"_s), u"02"_s);
        // Another card comes first: a command matching nothing must not send it.
        station->insert(station->accounts(), u"CariKartlar"_s,
                        {{u"CariKod"_s, u"A0"_s}, {u"Unvan"_s, u"Başka"_s}, {u"Sube"_s, u"02"_s}});
        station->insert(station->accounts(), u"CariKartlar"_s,
                        {{u"CariKod"_s, u"C1"_s},
                         {u"Unvan"_s, u"Çağlar Örme"_s},
                         {u"Borc"_s, 12.5},
                         {u"Sube"_s, u"02"_s},
                         {u"Yeni"_s, 1}});
        // Branch 03 works as a terminal.
        station->insert(
            station->company(), u"CariKartlar"_s,
            {{u"CariKod"_s, u"T3"_s}, {u"Gurup"_s, u"Terminal"_s}, {u"Sube"_s, u"03"_s}});
        station->writeBranchList({u"01"_s, u"02"_s, u"03"_s, u"04"_s});
    }

private Q_SLOTS:
    // Every branch but the station's own gets exactly one copy: an existing copy is
    // overwritten, a missing one added; a terminal branch gets Yeni 2, the others the
    // card's own Yeni; Server tells which side wrote it.
    void oneCopyPerOtherBranch()
    {
        server->exec(
            u"INSERT INTO \"CariKartlar\" (\"CariKod\", \"Unvan\", \"Sube\") VALUES ('C1', 'eski', '01')"_s);
        const ExchangeReport report = runOnce(station->settings(u"CariKod='C1'"_s));
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        QCOMPARE(report.sent(), 3);
        const QList<QVariantList> expected = {
            {u"01"_s, u"Çağlar Örme"_s, 12.5, 1, 1},
            {u"03"_s, u"Çağlar Örme"_s, 12.5, 2, 1},
            {u"04"_s, u"Çağlar Örme"_s, 12.5, 1, 1},
        };
        QCOMPARE(copies().size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(copies()[i][0].toString(), expected[i][0].toString());
            QCOMPARE(copies()[i][1].toString(), expected[i][1].toString());
            QCOMPARE(copies()[i][2].toDouble(), expected[i][2].toDouble());
            QCOMPARE(copies()[i][3].toInt(), expected[i][3].toInt());
            QCOMPARE(copies()[i][4].toInt(), expected[i][4].toInt());
        }
        // Again from the central station: the same copies, now written with Server 0.
        QVERIFY(runOnce(station->settings(u"CariKod='C1'"_s, true)).complete());
        QCOMPARE(copies().size(), 3);
        for (const QVariantList& row : copies())
            QCOMPARE(row[4].toInt(), 0);
        // The local card itself is unchanged.
        QCOMPARE(
            station
                ->value(station->accounts(), u"SELECT Yeni FROM CariKartlar WHERE CariKod='C1'"_s)
                .toInt(),
            1);
    }

    // Nothing is sent without a branch list, or for a command that names no card.
    void nothingSentWhenNothingToSend()
    {
        ExchangeReport report = runOnce(station->settings(u"CariKod='YOK'"_s));
        QVERIFY(!report.complete());
        QVERIFY(report.failures().join(u' ').contains(u"bulunamadı"_s));
        QVERIFY(copies().isEmpty());

        QFile::remove(station->file(u"Sube.txt"_s));
        report = runOnce(station->settings(u"CariKod='C1'"_s));
        QVERIFY(!report.complete());
        QVERIFY(report.failures().join(u' ').contains(u"Sube.txt"_s));
        QVERIFY(copies().isEmpty());
    }

    // Stock cards take the same way. Codes with apostrophes, from the card and from a
    // branch list whose name is spelled in capitals, reach the central copy intact.
    void stockCardWithApostrophes()
    {
        QFile::remove(station->file(u"Sube.txt"_s));
        station->writeBranchList({u"02"_s, u"0'5"_s, u"03"_s}, true, u"SUBE.TXT"_s);
        station->insert(
            station->stock(), u"StokKartlar"_s,
            {{u"StokKod"_s, u"KMS'01"_s}, {u"StokAdi"_s, u"Süprem 30/1"_s}, {u"Sube"_s, u"02"_s}});
        const ExchangeReport report = runOnce(station->settings(u"StokKod='KMS''01'"_s));
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        const auto rows = server->rows(
            u"SELECT \"Sube\", \"StokKod\", \"StokAdi\", \"Yeni\" FROM \"StokKartlar\" "
            "ORDER BY \"Sube\""_s);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0][0].toString(), u"0'5"_s);
        QCOMPARE(rows[0][1].toString(), u"KMS'01"_s);
        QCOMPARE(rows[0][2].toString(), u"Süprem 30/1"_s);
        QCOMPARE(rows[1][0].toString(), u"03"_s);
        QCOMPARE(rows[1][3].toInt(), 2); // terminal
    }
};

QTEST_GUILESS_MAIN(TestCardExchange)
#include "tst_card_exchange.moc"
