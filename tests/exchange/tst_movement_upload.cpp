#include "branch_folder.h"
#include "central_server.h"
#include "core/settings_store.h"
#include "test_home.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// A branch's pending movements and card totals on their way to the central database.
class TestMovementUpload : public CentralServerTest
{
    Q_OBJECT
public:
    TestMovementUpload() : CentralServerTest(55613) {}

private:
    std::unique_ptr<BranchFolder> station;
    const QString command = u"CariHarKod='*'"_s;

    qint64 account(const QString& code, double borc, double alacak, const QString& id,
                   const QString& nerde = u"S"_s, const QString& branch = u"02"_s)
    {
        return station->insert(station->file(branch + u"Cari.Mdb"_s), u"CariHareket"_s,
                               {{u"CariHarKod"_s, code},
                                {u"Borc"_s, borc},
                                {u"Alacak"_s, alacak},
                                {u"DigerId"_s, id},
                                {u"Nerde"_s, nerde},
                                {u"DökNo"_s, u"İRS-"_s + id},
                                {u"Aciklama"_s, u"Satış – Çağlar"_s},
                                {u"Sube"_s, branch},
                                {u"Yeni"_s, 1}});
    }
    qint64 stock(const QString& code, const QVariant& id, const QVariant& serial = {})
    {
        return station->insert(station->stock(), u"StokHareket"_s,
                               {{u"StokHarKod"_s, code},
                                {u"DigerId"_s, id},
                                {u"SeriNoDiger"_s, serial},
                                {u"Miktar"_s, 12.5},
                                {u"Tutar"_s, 481.25},
                                {u"Üretim"_s, u"Örgü"_s},
                                {u"Ürmik"_s, 12.5},
                                {u"GirisCikis"_s, u"Satış"_s},
                                {u"Sube"_s, u"02"_s},
                                {u"Yeni"_s, 1}});
    }
    int pending(const QString& file, const QString& table)
    {
        return station
            ->value(file,
                    u"SELECT COUNT(*) FROM %1 WHERE Yeni>0 OR AktarimNo IS NOT NULL"_s.arg(table))
            .toInt();
    }

    void prepare() override
    {
        station = std::make_unique<BranchFolder>(home->file(u"data"_s), u"02"_s);
        station->writeBranchList({u"02"_s});
    }

private Q_SLOTS:
    // An invoice already in the central database (same account, side and id) is
    // overwritten, in this run's rows too; any other movement is added.
    void invoicesOverwriteOthersAppend()
    {
        server->exec(
            u"INSERT INTO \"CariHareket\" (\"CariHarKod\", \"Borc\", \"DigerId\", \"Nerde\") "
            "VALUES ('C1', 100, 'F1', 'FI')"_s);
        account(u"C1"_s, 150, 0, u"F1"_s, u"FI"_s);  // overwrites the central invoice
        account(u"C1"_s, 0, 80, u"F1"_s, u"FI"_s);   // other side: added
        account(u"C1"_s, 150, 0, u"F1"_s, u"S"_s);   // no invoice: added
        account(u"C1"_s, 0, 30, u"F1"_s, u"SFIŞ"_s); // overwrites the row added above
        account(u"C2"_s, 9.99, 0, u"F1"_s, u"FI"_s); // other account: added
        const ExchangeReport report = runOnce(station->settings(command));
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        const auto rows = server->rows(
            u"SELECT \"CariHarKod\", \"Borc\", \"Alacak\", \"Yeni\", \"Server\", \"DokNo\" "
            "FROM \"CariHareket\" ORDER BY \"id\""_s);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0][1].toDouble(), 150.0);
        QCOMPARE(rows[1][2].toDouble(), 30.0);
        QCOMPARE(rows[2][1].toDouble(), 150.0);
        QCOMPARE(rows[3][0].toString(), u"C2"_s);
        for (const QVariantList& r : rows) {
            QCOMPARE(r[3].toInt(), 0);
            QCOMPARE(r[4].toInt(), 1);
        }
        QCOMPARE(rows[3][5].toString(), u"İRS-F1"_s);
        QCOMPARE(pending(station->accounts(), u"CariHareket"_s), 0);
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"AktarimFisleri\""_s).toInt(), 0);
    }

    // A stock movement's ids get one trailing "W"; the Turkish field names of the
    // branch arrive under the central names.
    void stockIdsTakeOneW()
    {
        stock(u"K1"_s, u"S1"_s, u"SN1W"_s);
        stock(u"K1"_s, u"S2W"_s);
        stock(u"K1"_s, QVariant());
        QVERIFY(runOnce(station->settings(command)).complete());
        const auto rows =
            server->rows(u"SELECT \"DigerId\", \"SeriNoDiger\", \"Uretim\", \"Urmik\" "
                         "FROM \"StokHareket\" ORDER BY \"id\""_s);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0][0].toString(), u"S1W"_s);
        QCOMPARE(rows[0][1].toString(), u"SN1W"_s);
        QCOMPARE(rows[0][2].toString(), u"Örgü"_s);
        QCOMPARE(rows[0][3].toDouble(), 12.5);
        QCOMPARE(rows[1][0].toString(), u"S2W"_s);
        QCOMPARE(rows[2][0].toString(), u"W"_s);
        QCOMPARE(pending(station->stock(), u"StokHareket"_s), 0);
    }

    // A terminal branch sends its movements as final (Yeni 3) and the totals of the
    // cards they touched; "=" accounts keep their totals; touched cards end at 2.
    void terminalSendsCardTotals()
    {
        WriteRegistryText(RegistryRoot::CurrentUser, u"Nirvelo\\Properties1"_s, u"Ter02"_s,
                          u"True"_s);
        const QString cards = station->accounts();
        station->insert(cards, u"CariKartlar"_s,
                        {{u"CariKod"_s, u"C1"_s},
                         {u"Borc"_s, 250.0},
                         {u"Alacak"_s, 40.0},
                         {u"Bakiye"_s, 210.0},
                         {u"Hesap"_s, u"Borç"_s},
                         {u"Sube"_s, u"02"_s}});
        station->insert(cards, u"CariKartlar"_s,
                        {{u"CariKod"_s, u"=100"_s}, {u"Borc"_s, 77.0}, {u"Sube"_s, u"02"_s}});
        station->insert(cards, u"CariKartlar"_s,
                        {{u"CariKod"_s, u"C2"_s}, {u"Borc"_s, 5.0}, {u"Sube"_s, u"02"_s}});
        station->insert(station->stock(), u"StokKartlar"_s,
                        {{u"StokKod"_s, u"K1"_s},
                         {u"CikanMik"_s, 12.5},
                         {u"KalanA"_s, 12.5},
                         {u"Maliyet"_s, 38.5},
                         {u"Sube"_s, u"02"_s}});
        server->exec(u"INSERT INTO \"CariKartlar\" (\"CariKod\", \"Sube\", \"Borc\") VALUES ('C1', "
                     u"'02', 1), "
                     "('=100', '02', 1), ('C2', '02', 1)"_s);
        server->exec(u"INSERT INTO \"StokKartlar\" (\"StokKod\", \"Sube\") VALUES ('K1', '02')"_s);
        account(u"C1"_s, 250, 0, u"1"_s);
        account(u"=100"_s, 77, 0, u"2"_s);
        stock(u"K1"_s, u"3"_s);
        const ExchangeReport report = runOnce(station->settings(command));
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        QCOMPARE(server->value(u"SELECT MIN(\"Yeni\") FROM \"CariHareket\""_s).toInt(), 3);
        QCOMPARE(server->value(u"SELECT MIN(\"Yeni\") FROM \"StokHareket\""_s).toInt(), 3);
        const auto c1 =
            server->rows(u"SELECT \"Borc\", \"Alacak\", \"Bakiye\", \"Hesap\" FROM \"CariKartlar\" "
                         "WHERE \"CariKod\" = 'C1'"_s);
        QCOMPARE(c1.value(0), (QVariantList{250.0, 40.0, 210.0, u"Borç"_s}));
        QCOMPARE(server->value(u"SELECT \"Borc\" FROM \"CariKartlar\" WHERE \"CariKod\" = '=100'"_s)
                     .toDouble(),
                 1.0);
        QCOMPARE(server->value(u"SELECT \"Borc\" FROM \"CariKartlar\" WHERE \"CariKod\" = 'C2'"_s)
                     .toDouble(),
                 1.0);
        QCOMPARE(server->value(u"SELECT \"KalanA\" FROM \"StokKartlar\""_s).toDouble(), 12.5);
        const auto yeni =
            station->rows(cards, u"SELECT CariKod, Yeni FROM CariKartlar ORDER BY rowid"_s);
        QCOMPARE(yeni[0][u"Yeni"_s].toInt(), 2);
        QCOMPARE(yeni[1][u"Yeni"_s].toInt(), 2); // "=100": no totals sent, but settled
        QCOMPARE(yeni[2][u"Yeni"_s].toInt(), 0); // not touched
        QCOMPARE(station->value(station->stock(), u"SELECT Yeni FROM StokKartlar"_s).toInt(), 2);
    }

    // Without pending account movements the account side sends no totals and clears
    // nothing, while the stock side still runs; a branch listed twice goes once.
    void quietAccountsAndRepeatedBranch()
    {
        station->writeBranchList({u"02"_s, u"02"_s});
        station->insert(
            station->accounts(), u"CariKartlar"_s,
            {{u"CariKod"_s, u"C1"_s}, {u"Borc"_s, 9.0}, {u"Sube"_s, u"02"_s}, {u"Yeni"_s, 9}});
        server->exec(
            u"INSERT INTO \"CariKartlar\" (\"CariKod\", \"Sube\", \"Borc\") VALUES ('C1', '02', 1)"_s);
        stock(u"K1"_s, u"S1"_s);
        QVERIFY(runOnce(station->settings(command)).complete());
        QCOMPARE(server->value(u"SELECT \"Borc\" FROM \"CariKartlar\""_s).toDouble(), 1.0);
        QCOMPARE(station->value(station->accounts(), u"SELECT Yeni FROM CariKartlar"_s).toInt(), 9);
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"StokHareket\""_s).toInt(), 1);
    }

    // Only what arrived is cleared: a movement recorded while the upload runs, and one
    // the central database refuses, stay pending (the refusal is reported) and go
    // with a later run, once.
    void onlyArrivedMovementsAreCleared()
    {
        server->exec(
            u"ALTER TABLE \"CariHareket\" ADD CONSTRAINT test_limit CHECK (\"Borc\" < 1000000)"_s);
        for (int i = 0; i < 1200; ++i)
            account(u"C%1"_s.arg(i % 9), 10 + i, 0, QString::number(i));
        account(u"C1"_s, 5000000, 0, u"too-big"_s);
        RecordingHost host;
        bool added = false;
        host.onProgress = [&](const QString&, int value, int) {
            if (!added && value == 600) {
                added = true;
                account(u"C7"_s, 1.5, 0, u"late"_s);
            }
        };
        ExchangeReport report = runOnce(station->settings(command), host);
        QVERIFY(added);
        QVERIFY(!report.complete());
        QVERIFY(report.failures().join(u' ').contains(u"gönderilemedi"_s));
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"CariHareket\""_s).toInt(), 1200);
        const auto left =
            station->rows(station->accounts(),
                          u"SELECT DigerId FROM CariHareket WHERE Yeni>0 ORDER BY DigerId"_s);
        QCOMPARE(left.size(), 2);
        QCOMPARE(left[0][u"DigerId"_s].toString(), u"late"_s);
        QCOMPARE(left[1][u"DigerId"_s].toString(), u"too-big"_s);

        server->exec(u"ALTER TABLE \"CariHareket\" DROP CONSTRAINT test_limit"_s);
        report = runOnce(station->settings(command));
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"CariHareket\""_s).toInt(), 1202);
        QCOMPARE(
            server->value(u"SELECT COUNT(DISTINCT \"DigerId\") FROM \"CariHareket\""_s).toInt(),
            1202);
        QCOMPARE(pending(station->accounts(), u"CariHareket"_s), 0);
    }
};

QTEST_GUILESS_MAIN(TestMovementUpload)
#include "tst_movement_upload.moc"
