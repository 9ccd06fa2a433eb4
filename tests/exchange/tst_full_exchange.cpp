#include "branch_folder.h"
#include "central_server.h"
#include "test_home.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The full exchange: prices re-done, then everything waiting for the branch posted
// into its files; values worked out by hand.
class TestFullExchange : public CentralServerTest
{
    Q_OBJECT
public:
    TestFullExchange() : CentralServerTest(55614) {}

private:
    std::unique_ptr<BranchFolder> station;

    void central(const QString& table, const QVariantMap& values)
    {
        QStringList names, marks;
        QVariantList params;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            names.append(u'"' + it.key() + u'"');
            marks.append(u"?"_s);
            params.append(it.value());
        }
        QVERIFY(server->exec(u"INSERT INTO \"%1\" (%2) VALUES (%3)"_s.arg(
                                 table, names.join(u", "_s), marks.join(u", "_s)),
                             params));
    }
    QVariantMap local(const QString& file, const QString& sql, const QVariantList& params = {})
    {
        return station->rows(file, sql, params).value(0);
    }
    int centralCount(const QString& sql) { return server->value(sql).toInt(); }

    void prepare() override
    {
        station = std::make_unique<BranchFolder>(home->file(u"data"_s), u"02"_s);
        station->writeBranchList({u"02"_s});
    }

private Q_SLOTS:
    // A central card overwrites everything but the balances; a new group is added
    // ("Gurup Yok" is none); taken cards leave the central database, those that waited
    // (Yeni 2) stay with Yeni 3; other branches' and this side's own cards stay.
    void accountCards()
    {
        station->insert(station->accounts(), u"CariKartlar"_s,
                        {{u"CariKod"_s, u"C1"_s},
                         {u"Unvan"_s, u"eski"_s},
                         {u"Borc"_s, 50.0},
                         {u"Alacak"_s, 200.0},
                         {u"Bakiye"_s, 150.0},
                         {u"Hesap"_s, u"Alacak"_s}});
        central(u"CariKartlar"_s, {{u"CariKod"_s, u"C1"_s},
                                   {u"Unvan"_s, u"Yeni Ünvan"_s},
                                   {u"Borc"_s, 999.0},
                                   {u"Gurup"_s, u"Gurup Yok"_s},
                                   {u"Sube"_s, u"02"_s},
                                   {u"Server"_s, 0},
                                   {u"Yeni"_s, 0}});
        central(u"CariKartlar"_s, {{u"CariKod"_s, u"C2"_s},
                                   {u"Unvan"_s, u"İkinci"_s},
                                   {u"Gurup"_s, u"Toptancı"_s},
                                   {u"Sube"_s, u"02"_s},
                                   {u"Server"_s, 0},
                                   {u"Yeni"_s, 2}});
        central(u"CariKartlar"_s,
                {{u"CariKod"_s, u"C3"_s}, {u"Sube"_s, u"03"_s}, {u"Server"_s, 0}});
        central(u"CariKartlar"_s,
                {{u"CariKod"_s, u"C4"_s}, {u"Sube"_s, u"02"_s}, {u"Server"_s, 1}});
        central(u"CariKartlar"_s,
                {{u"CariKod"_s, u"C5"_s}, {u"Sube"_s, u"02"_s}, {u"Server"_s, 0}, {u"Yeni"_s, 3}});
        const ExchangeReport report = runOnce(station->settings());
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        const QVariantMap c1 =
            local(station->accounts(), u"SELECT * FROM CariKartlar WHERE CariKod='C1'"_s);
        QCOMPARE(c1[u"Unvan"_s].toString(), u"Yeni Ünvan"_s);
        QCOMPARE(c1[u"Borc"_s].toDouble(), 50.0);
        QCOMPARE(c1[u"Bakiye"_s].toDouble(), 150.0);
        QCOMPARE(c1[u"Hesap"_s].toString(), u"Alacak"_s);
        QCOMPARE(local(station->accounts(),
                       u"SELECT Unvan FROM CariKartlar WHERE CariKod='C2'"_s)[u"Unvan"_s]
                     .toString(),
                 u"İkinci"_s);
        const auto groups = station->rows(station->accounts(), u"SELECT Gurup FROM Gurup"_s);
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0][u"Gurup"_s].toString(), u"Toptancı"_s);
        const auto left = server->rows(
            u"SELECT \"CariKod\", \"Yeni\" FROM \"CariKartlar\" ORDER BY \"CariKod\""_s);
        QCOMPARE(left.size(), 4);
        QCOMPARE(left[0], (QVariantList{u"C2"_s, 3}));
        QCOMPARE(left[1][0].toString(), u"C3"_s);
    }

    // Movements change their cards' balances; a movement whose card the branch lacks
    // stays in the central database (reported) instead of landing on another card.
    void accountMovements()
    {
        const QString file = station->accounts();
        station->insert(file, u"CariKartlar"_s,
                        {{u"CariKod"_s, u"C1"_s}, {u"Borc"_s, 50.0}, {u"Alacak"_s, 200.0}});
        station->insert(file, u"CariKartlar"_s,
                        {{u"CariKod"_s, u"C2"_s}, {u"Hesap"_s, u"Alacak"_s}});
        central(u"CariHareket"_s, {{u"CariHarKod"_s, u"C1"_s},
                                   {u"Borc"_s, 100.0},
                                   {u"DigerId"_s, u"X1"_s},
                                   {u"DokNo"_s, u"İRS-9"_s},
                                   {u"Nerde"_s, u"F"_s},
                                   {u"Sube"_s, u"02"_s},
                                   {u"Server"_s, 0}});
        central(u"CariHareket"_s, {{u"CariHarKod"_s, u"C2"_s},
                                   {u"Borc"_s, 10.0},
                                   {u"Alacak"_s, 10.0},
                                   {u"dBorc"_s, 3.0},
                                   {u"DigerId"_s, u"X2"_s},
                                   {u"Nerde"_s, u"F"_s},
                                   {u"Sube"_s, u"02"_s},
                                   {u"Server"_s, 0},
                                   {u"Yeni"_s, 2}});
        central(u"CariHareket"_s, {{u"CariHarKod"_s, u"C9"_s},
                                   {u"Borc"_s, 1.0},
                                   {u"DigerId"_s, u"X3"_s},
                                   {u"Sube"_s, u"02"_s},
                                   {u"Server"_s, 0}});
        const ExchangeReport report = runOnce(station->settings());
        QVERIFY(!report.complete());
        QVERIFY(report.failures().join(u' ').contains(u"C9"_s));
        const QVariantMap c1 = local(file, u"SELECT * FROM CariKartlar WHERE CariKod='C1'"_s);
        QCOMPARE(c1[u"Borc"_s].toDouble(), 150.0);
        QCOMPARE(c1[u"Alacak"_s].toDouble(), 200.0);
        QCOMPARE(c1[u"Bakiye"_s].toDouble(), 50.0);
        QCOMPARE(c1[u"Hesap"_s].toString(), u"Alacak"_s);
        const QVariantMap c2 = local(file, u"SELECT * FROM CariKartlar WHERE CariKod='C2'"_s);
        QCOMPARE(c2[u"Bakiye"_s].toDouble(), 0.0);
        QCOMPARE(c2[u"dBakiye"_s].toDouble(), 3.0);
        QCOMPARE(c2[u"Hesap"_s].toString(), u"Borç"_s);
        const QVariantMap m1 = local(file, u"SELECT * FROM CariHareket WHERE CariHarKod='C1'"_s);
        QCOMPARE(m1[u"DigerId"_s].toString(), u"X1W"_s);
        QCOMPARE(m1[u"DökNo"_s].toString(), u"İRS-9"_s);
        QCOMPARE(station->value(file, u"SELECT COUNT(*) FROM CariHareket"_s).toInt(), 2);
        // X1 is gone, X2 waited and stays (Yeni 3, Nerde S), X3 was not posted and stays.
        const auto left = server->rows(
            u"SELECT \"DigerId\", \"Yeni\", \"Nerde\" FROM \"CariHareket\" ORDER BY \"DigerId\""_s);
        QCOMPARE(left.size(), 2);
        QCOMPARE(left[0], (QVariantList{u"X2"_s, 3, u"S"_s}));
        QCOMPARE(left[1][0].toString(), u"X3"_s);
        // Once the card is there, the waiting movement is posted, once.
        station->insert(file, u"CariKartlar"_s, {{u"CariKod"_s, u"C9"_s}});
        QVERIFY(runOnce(station->settings()).complete());
        QCOMPARE(
            local(file, u"SELECT Borc FROM CariKartlar WHERE CariKod='C9'"_s)[u"Borc"_s].toDouble(),
            1.0);
        QCOMPARE(station->value(file, u"SELECT COUNT(*) FROM CariHareket"_s).toInt(), 3);
        QCOMPARE(station->value(file, u"SELECT COUNT(*) FROM AlinanKayitlar"_s).toInt(), 0);
    }

    // On the central station a branch's movement with the headquarters is posted a
    // second time in the company database, from the other side.
    void headquartersMirror()
    {
        station->insert(station->accounts(), u"CariKartlar"_s, {{u"CariKod"_s, u"Merkez"_s}});
        station->insert(station->accounts(), u"CariKartlar"_s, {{u"CariKod"_s, u"C1"_s}});
        station->insert(station->company(), u"CariKartlar"_s,
                        {{u"CariKod"_s, u"Şube02"_s}, {u"Alacak"_s, 100.0}});
        station->insert(station->company(), u"CariKartlar"_s, {{u"CariKod"_s, u"C1"_s}});
        central(u"CariHareket"_s, {{u"CariHarKod"_s, u"Merkez"_s},
                                   {u"Unvan"_s, u"Merkez"_s},
                                   {u"Borc"_s, 1500.5},
                                   {u"eBorc"_s, 12.0},
                                   {u"Aciklama"_s, u"Merkeze Ödeme yapıldı"_s},
                                   {u"DigerId"_s, u"M1"_s},
                                   {u"Sube"_s, u"02"_s},
                                   {u"Server"_s, 1}});
        central(u"CariHareket"_s, {{u"CariHarKod"_s, u"C1"_s},
                                   {u"Carisi"_s, u"Merkez"_s},
                                   {u"Alacak"_s, 20.0},
                                   {u"Aciklama"_s, u"Alacak dekontu"_s},
                                   {u"DigerId"_s, u"M2"_s},
                                   {u"Sube"_s, u"02"_s},
                                   {u"Server"_s, 1}});
        const ExchangeReport report = runOnce(station->settings({}, true));
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        QCOMPARE(local(station->accounts(),
                       u"SELECT Borc FROM CariKartlar WHERE CariKod='Merkez'"_s)[u"Borc"_s]
                     .toDouble(),
                 1500.5);
        const auto mirror =
            station->rows(station->company(), u"SELECT * FROM CariHareket ORDER BY rowid"_s);
        QCOMPARE(mirror.size(), 2);
        QCOMPARE(mirror[0][u"CariHarKod"_s].toString(), u"Şube02"_s);
        QCOMPARE(mirror[0][u"DigerId"_s].toString(), u"M1W"_s);
        QCOMPARE(mirror[0][u"Aciklama"_s].toString(), u"Merkeze Tahsilat yapıldı"_s);
        QCOMPARE(mirror[0][u"Borc"_s].toDouble(), 0.0);
        QCOMPARE(mirror[0][u"Alacak"_s].toDouble(), 1500.5);
        QCOMPARE(mirror[0][u"eAlacak"_s].toDouble(), 12.0);
        QCOMPARE(mirror[1][u"Aciklama"_s].toString(), u"Borç dekontu"_s);
        QCOMPARE(mirror[1][u"Borc"_s].toDouble(), 20.0);
        const QVariantMap branchCard =
            local(station->company(), u"SELECT * FROM CariKartlar WHERE CariKod='Şube02'"_s);
        QCOMPARE(branchCard[u"Alacak"_s].toDouble(), 1600.5);
        QCOMPARE(branchCard[u"Bakiye"_s].toDouble(), 1600.5);
        QCOMPARE(branchCard[u"Hesap"_s].toString(), u"Alacak"_s);
        QCOMPARE(local(station->company(),
                       u"SELECT Borc FROM CariKartlar WHERE CariKod='C1'"_s)[u"Borc"_s]
                     .toDouble(),
                 20.0);
        QCOMPARE(centralCount(u"SELECT COUNT(*) FROM \"CariHareket\""_s), 0);
    }

    // Stock movements change the stock card (a purchase also its cost, a sale beyond
    // the stock leaves the shortfall in KalanA); a movement already here is passed
    // over; a cancellation takes the sale back out of the stock and the accounts.
    void stockMovementsAndCancellations()
    {
        const QString stock = station->stock();
        const QString accounts = station->accounts();
        station->insert(stock, u"StokKartlar"_s, {{u"StokKod"_s, u"K1"_s}});
        for (const auto& [code, borc, alacak] :
             {std::tuple{u"C1"_s, 700.0, 200.0}, {u"=100"_s, 200.0, 0.0}, {u"=110"_s, 0.0, 126.0}})
            station->insert(accounts, u"CariKartlar"_s,
                            {{u"CariKod"_s, code}, {u"Borc"_s, borc}, {u"Alacak"_s, alacak}});
        auto movement = [&](const QString& id, const QString& kind, double kg, double amount,
                            const QString& cash) {
            central(u"StokHareket"_s, {{u"StokHarKod"_s, u"K1"_s},
                                       {u"GirisCikis"_s, kind},
                                       {u"Miktar"_s, kg},
                                       {u"Tutar"_s, amount},
                                       {u"Kar"_s, kind == u"Satış"_s ? 40.0 : 0.0},
                                       {u"KdvTut"_s, amount * 0.18},
                                       {u"KasaVisa"_s, cash},
                                       {u"Carisi"_s, u"C1"_s},
                                       {u"DigerId"_s, id},
                                       {u"Sube"_s, u"02"_s},
                                       {u"Server"_s, 0}});
        };
        movement(u"P1W"_s, u"Alış"_s, 10, 100, {});
        movement(u"S1W"_s, u"Satış"_s, 25, 500, u"Veresiye"_s);
        movement(u"S1W"_s, u"Satış"_s, 25, 500, u"Veresiye"_s); // the same again: passed over
        movement(u"S2W"_s, u"Satış"_s, 1, 200, u"Nakit"_s);
        QVERIFY(runOnce(station->settings()).complete());
        QVariantMap k1 = local(stock, u"SELECT * FROM StokKartlar"_s);
        QCOMPARE(k1[u"GirenMik"_s].toDouble(), 10.0);
        QCOMPARE(k1[u"Maliyet"_s].toDouble(), 10.0); // 100 for 10 kg into an empty stock
        QCOMPARE(k1[u"CikanMik"_s].toDouble(), 26.0);
        QCOMPARE(k1[u"CikanTutar"_s].toDouble(), 700.0);
        QCOMPARE(k1[u"Kar"_s].toDouble(), 80.0);
        QCOMPARE(k1[u"KalanA"_s].toDouble(), 16.0);
        QCOMPARE(k1[u"KalanB"_s].toDouble(), 0.0);
        QCOMPARE(station->value(stock, u"SELECT COUNT(*) FROM StokHareket"_s).toInt(), 3);
        QCOMPARE(centralCount(u"SELECT COUNT(*) FROM \"StokHareket\""_s), 0);

        // The branch's accounts of the two sales: on credit (S1W), and for cash (S2W)
        // with its payment, the cash account and the tax.
        auto account = [&](const QString& code, double borc, double alacak, const QString& id) {
            station->insert(accounts, u"CariHareket"_s,
                            {{u"CariHarKod"_s, code},
                             {u"Borc"_s, borc},
                             {u"Alacak"_s, alacak},
                             {u"DigerId"_s, id}});
        };
        account(u"C1"_s, 500, 0, u"S1W"_s);
        account(u"C1"_s, 200, 0, u"S2W"_s);
        account(u"C1"_s, 0, 200, u"S2W"_s);
        account(u"=100"_s, 200, 0, u"S2W"_s);
        account(u"=110"_s, 0, 36, u"S2W"_s); // the tax of 200
        auto cancel = [&](const QString& id) {
            central(u"StokHareket"_s, {{u"StokHarKod"_s, u"K1"_s},
                                       {u"GirisCikis"_s, u"Iptal"_s},
                                       {u"Carisi"_s, u"C1"_s},
                                       {u"DigerId"_s, id},
                                       {u"Sube"_s, u"02"_s},
                                       {u"Server"_s, 0}});
        };
        cancel(u"S1W"_s);
        cancel(u"S2W"_s);
        cancel(u"S2W"_s);  // a second cancellation of the same sale changes nothing
        cancel(u"NONE"_s); // nothing to cancel: stays, reported
        const ExchangeReport report = runOnce(station->settings());
        QVERIFY(!report.complete());
        QVERIFY(report.failures().join(u' ').contains(u"NONE"_s));
        k1 = local(stock, u"SELECT * FROM StokKartlar"_s);
        QCOMPARE(k1[u"CikanMik"_s].toDouble(), 0.0);
        QCOMPARE(k1[u"CikanTutar"_s].toDouble(), 0.0);
        QCOMPARE(k1[u"KalanB"_s].toDouble(), 10.0);
        QCOMPARE(k1[u"KalanA"_s].toDouble(), 0.0);
        QCOMPARE(
            station->value(stock, u"SELECT COUNT(*) FROM StokHareket WHERE GirisCikis='Iptal'"_s)
                .toInt(),
            2);
        // Every account movement of both sales is emptied and removed.
        QCOMPARE(station->value(accounts, u"SELECT COUNT(*) FROM CariHareket"_s).toInt(), 0);
        const QVariantMap c1 = local(accounts, u"SELECT * FROM CariKartlar WHERE CariKod='C1'"_s);
        QCOMPARE(c1[u"Borc"_s].toDouble(), 0.0);
        QCOMPARE(c1[u"Alacak"_s].toDouble(), 0.0);
        QCOMPARE(c1[u"Hesap"_s].toString(), u"Borç"_s);
        QCOMPARE(local(accounts, u"SELECT Borc FROM CariKartlar WHERE CariKod='=100'"_s)[u"Borc"_s]
                     .toDouble(),
                 0.0);
        QCOMPARE(
            local(accounts, u"SELECT Alacak FROM CariKartlar WHERE CariKod='=110'"_s)[u"Alacak"_s]
                .toDouble(),
            90.0);
        QCOMPARE(centralCount(u"SELECT COUNT(*) FROM \"StokHareket\""_s), 1);
    }

    // Waiting stock movements take the customer's special price, and their account
    // movement the new amount.
    void priceRefresh()
    {
        station->insert(station->accounts(), u"Cari"_s,
                        {{u"CariKod"_s, u"C1"_s}, {u"StokKod"_s, u"K1"_s}, {u"0Fiyat"_s, 41.75}});
        auto movement = [&](const QString& customer, double price, const QString& id) {
            central(u"StokHareket"_s, {{u"StokHarKod"_s, u"K1"_s},
                                       {u"Carisi"_s, customer},
                                       {u"Fiyat"_s, price},
                                       {u"Miktar"_s, 3.0},
                                       {u"Tutar"_s, price * 3},
                                       {u"DigerId"_s, id},
                                       {u"Sube"_s, u"05"_s},
                                       {u"Yeni"_s, 2}});
        };
        movement(u"C1"_s, 40.0, u"77W"_s);  // re-priced with its account movement
        movement(u"C1"_s, 41.75, u"78W"_s); // already at the special price
        movement(u"C2"_s, 40.0, u"79W"_s);  // no special price
        movement(u"C1"_s, 30.0, u"88WW"_s); // re-priced, no account movement
        central(u"CariHareket"_s,
                {{u"Borc"_s, 120.0}, {u"Fiyat"_s, 40.0}, {u"DigerId"_s, u"77"_s}, {u"Yeni"_s, 2}});
        central(u"CariHareket"_s, {{u"Borc"_s, 125.25}, {u"DigerId"_s, u"78"_s}, {u"Yeni"_s, 2}});
        RecordingHost host;
        QVERIFY(runOnce(station->settings(), host).complete());
        QCOMPARE(host.waits, 1);
        const auto stock = server->rows(
            u"SELECT \"DigerId\", \"Fiyat\", \"Tutar\" FROM \"StokHareket\" ORDER BY \"id\""_s);
        QCOMPARE(stock[0], (QVariantList{u"77W"_s, 41.75, 125.25}));
        QCOMPARE(stock[1], (QVariantList{u"78W"_s, 41.75, 125.25}));
        QCOMPARE(stock[2], (QVariantList{u"79W"_s, 40.0, 120.0}));
        QCOMPARE(stock[3], (QVariantList{u"88WW"_s, 41.75, 125.25}));
        const auto accounts = server->rows(
            u"SELECT \"DigerId\", \"Borc\", \"Fiyat\" FROM \"CariHareket\" ORDER BY \"id\""_s);
        QCOMPARE(accounts[0], (QVariantList{u"77"_s, 125.25, 41.75}));
        QCOMPARE(accounts[1], (QVariantList{u"78"_s, 125.25, 0.0}));
    }

    // The download waits for the host; a host that declines stops the run with
    // nothing taken. A branch code with an apostrophe finds its own records.
    void releaseAndQuotedBranch()
    {
        central(u"CariKartlar"_s,
                {{u"CariKod"_s, u"C1"_s}, {u"Sube"_s, u"0'2"_s}, {u"Server"_s, 0}});
        BranchFolder quoted(home->file(u"q"_s), u"0'2"_s);
        RecordingHost host;
        host.release = false;
        ExchangeReport report = runOnce(quoted.settings(), host);
        QVERIFY(!report.complete());
        QCOMPARE(centralCount(u"SELECT COUNT(*) FROM \"CariKartlar\""_s), 1);
        report = runOnce(quoted.settings());
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        QCOMPARE(
            quoted
                .value(quoted.accounts(), u"SELECT COUNT(*) FROM CariKartlar WHERE CariKod='C1'"_s)
                .toInt(),
            1);
        QCOMPARE(centralCount(u"SELECT COUNT(*) FROM \"CariKartlar\""_s), 0);
    }
};

QTEST_GUILESS_MAIN(TestFullExchange)
#include "tst_full_exchange.moc"
