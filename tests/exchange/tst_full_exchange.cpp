#include "case_table.h"
#include "exchange_frame.h"
#include "web_data.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const std::pair<const char*, QString> kCommands[] = {
    {"full exchange", {}}, {"card", u"CariKod='C1'"_s}, {"upload", u"CariHarKod='x'"_s}};
} // namespace

// The exchange window, closed by its user at the given yield of its run (the wait
// for "Devam" counts as one; there, without a close, "Devam" is clicked).
class ClosingWindow : public WebData
{
public:
    using WebData::WebData;
    int closeAt = 0;
    int yields = 0;

    void yield() override
    {
        if (++yields == closeAt)
            close();
        WebData::yield();
    }
    bool waitForRelease() override
    {
        if (++yields == closeAt)
            QTimer::singleShot(0, this, &QWidget::close);
        else
            QTimer::singleShot(0, findChild<QPushButton*>(u"Devam"_s), &QPushButton::click);
        return WebData::waitForRelease();
    }
};

// The full exchange: prices re-done, then everything waiting for the branch posted
// into its files (values worked out by hand); and its window, whose "Devam" releases
// the wait before the download.
class TestFullExchange : public CentralServerTest
{
    Q_OBJECT
public:
    TestFullExchange() : CentralServerTest(55614) {}

private:
    // Fields of one account card of a file of the station.
    static QVariantList card(const TestDatabase& file, const QString& fields, const QString& code)
    {
        return file.row(u"SELECT %1 FROM CariKartlar WHERE CariKod=?"_s.arg(fields), {code});
    }

private Q_SLOTS:
    // A central card overwrites everything but the balances; a new group is added
    // ("Gurup Yok" is none); taken cards leave the central database, those that waited
    // (Yeni 2) stay with Yeni 3; other branches' and this side's own cards stay.
    void accountCards()
    {
        const TestDatabase file = station->accounts();
        file.insert(u"CariKartlar"_s, u"CariKod, Unvan, Borc, Alacak, Bakiye, Hesap"_s,
                    {{u"C1"_s, u"eski"_s, 50.0, 200.0, 150.0, u"Alacak"_s}});
        server->insert(u"CariKartlar"_s, u"CariKod, Unvan, Borc, Gurup, Sube, Server, Yeni"_s,
                       {{u"C1"_s, u"Yeni Ünvan"_s, 999.0, u"Gurup Yok"_s, u"02"_s, 0, 0},
                        {u"C2"_s, u"İkinci"_s, 0.0, u"Toptancı"_s, u"02"_s, 0, 2},
                        {u"C3"_s, u"Üçüncü"_s, 0.0, u"Gurup Yok"_s, u"03"_s, 0, 0},
                        {u"C4"_s, u"Dördüncü"_s, 0.0, u"Gurup Yok"_s, u"02"_s, 1, 0},
                        {u"C5"_s, u"Beşinci"_s, 0.0, u"Gurup Yok"_s, u"02"_s, 0, 3}});
        QVERIFY(finished(station->run()));
        QCOMPARE(card(file, u"Unvan, Borc, Bakiye, Hesap"_s, u"C1"_s),
                 (QVariantList{u"Yeni Ünvan"_s, 50.0, 150.0, u"Alacak"_s}));
        QCOMPARE(card(file, u"Unvan"_s, u"C2"_s), QVariantList{u"İkinci"_s});
        QCOMPARE(file.rows(u"SELECT Gurup FROM Gurup"_s), SqlRows{{u"Toptancı"_s}});
        QCOMPARE(server->rows(u"SELECT \"CariKod\", \"Yeni\" FROM \"CariKartlar\" ORDER BY 1"_s),
                 (SqlRows{{u"C2"_s, 3}, {u"C3"_s, 0}, {u"C4"_s, 0}, {u"C5"_s, 3}}));
    }

    // Movements change their cards' balances; a movement whose card the branch lacks
    // stays in the central database (reported) instead of landing on another card.
    void accountMovements()
    {
        const TestDatabase file = station->accounts();
        file.insert(u"CariKartlar"_s, u"CariKod, Borc, Alacak, Hesap"_s,
                    {{u"C1"_s, 50.0, 200.0, u"Borç"_s}, {u"C2"_s, 0.0, 0.0, u"Alacak"_s}});
        server->insert(u"CariHareket"_s,
                       u"CariHarKod, Borc, Alacak, dBorc, DigerId, DokNo, Nerde, Sube, Yeni"_s,
                       {{u"C1"_s, 100.0, 0.0, 0.0, u"X1"_s, u"İRS-9"_s, u"F"_s, u"02"_s, 0},
                        {u"C2"_s, 10.0, 10.0, 3.0, u"X2"_s, u"İRS-10"_s, u"F"_s, u"02"_s, 2},
                        {u"C9"_s, 1.0, 0.0, 0.0, u"X3"_s, u"İRS-11"_s, u"F"_s, u"02"_s, 0}});
        QVERIFY(failedOn(station->run(), u"C9"_s));
        QCOMPARE(card(file, u"Borc, Alacak, Bakiye, Hesap"_s, u"C1"_s),
                 (QVariantList{150.0, 200.0, 50.0, u"Alacak"_s}));
        QCOMPARE(card(file, u"Bakiye, dBakiye, Hesap"_s, u"C2"_s),
                 (QVariantList{0.0, 3.0, u"Borç"_s}));
        QCOMPARE(file.rows(u"SELECT DigerId, DökNo FROM CariHareket ORDER BY rowid"_s),
                 (SqlRows{{u"X1W"_s, u"İRS-9"_s}, {u"X2W"_s, u"İRS-10"_s}}));
        // X1 is gone, X2 waited and stays (Yeni 3, Nerde S), X3 was not posted and stays.
        QCOMPARE(server->rows(u"SELECT \"DigerId\", \"Yeni\", \"Nerde\" FROM \"CariHareket\" "
                              "ORDER BY \"DigerId\""_s),
                 (SqlRows{{u"X2"_s, 3, u"S"_s}, {u"X3"_s, 0, u"F"_s}}));
        // Once the card is there, the waiting movement is posted, once.
        file.insert(u"CariKartlar"_s, u"CariKod"_s, {{u"C9"_s}});
        QVERIFY(finished(station->run()));
        QCOMPARE(card(file, u"Borc"_s, u"C9"_s), QVariantList{1.0});
        QCOMPARE(file.count(u"CariHareket"_s), 3);
        QCOMPARE(file.count(u"AlinanKayitlar"_s), 0);
    }

    // On the central station a branch's movement with the headquarters is posted a
    // second time in the company database, from the other side.
    void headquartersMirror()
    {
        const TestDatabase company = station->company();
        station->accounts().insert(u"CariKartlar"_s, u"CariKod"_s, {{u"Merkez"_s}, {u"C1"_s}});
        company.insert(u"CariKartlar"_s, u"CariKod, Alacak"_s,
                       {{u"Şube02"_s, 100.0}, {u"C1"_s, 0.0}});
        server->insert(
            u"CariHareket"_s,
            u"CariHarKod, Unvan, Carisi, Borc, Alacak, eBorc, Aciklama, DigerId, Sube, Server"_s,
            {{u"Merkez"_s, u"Merkez"_s, u""_s, 1500.5, 0.0, 12.0, u"Merkeze Ödeme yapıldı"_s,
              u"M1"_s, u"02"_s, 1},
             {u"C1"_s, u""_s, u"Merkez"_s, 0.0, 20.0, 0.0, u"Alacak dekontu"_s, u"M2"_s, u"02"_s,
              1}});
        QVERIFY(finished(station->run({}, true)));
        QCOMPARE(card(station->accounts(), u"Borc"_s, u"Merkez"_s), QVariantList{1500.5});
        QCOMPARE(company.rows(u"SELECT DigerId, Aciklama, Borc, Alacak, eAlacak FROM "
                              "CariHareket ORDER BY rowid"_s),
                 (SqlRows{{u"M1W"_s, u"Merkeze Tahsilat yapıldı"_s, 0.0, 1500.5, 12.0},
                          {u"M2W"_s, u"Borç dekontu"_s, 20.0, 0.0, 0.0}}));
        QCOMPARE(company.value(u"SELECT CariHarKod FROM CariHareket"_s).toString(), u"Şube02"_s);
        QCOMPARE(card(company, u"Alacak, Bakiye, Hesap"_s, u"Şube02"_s),
                 (QVariantList{1600.5, 1600.5, u"Alacak"_s}));
        QCOMPARE(card(company, u"Borc"_s, u"C1"_s), QVariantList{20.0});
        QCOMPARE(server->count(u"CariHareket"_s), 0);
    }

    // Stock movements change the stock card (a purchase also its cost, weighted with the
    // stock on hand; a sale beyond the stock leaves the shortfall, to 4 decimals, in
    // KalanA); a movement already here is passed over; a cancellation takes the sale back
    // out of the stock and the accounts.
    void stockMovementsAndCancellations()
    {
        const TestDatabase stock = station->stock();
        const TestDatabase accounts = station->accounts();
        stock.insert(u"StokKartlar"_s, u"StokKod"_s, {{u"K1"_s}});
        accounts.insert(
            u"CariKartlar"_s, u"CariKod, Borc, Alacak"_s,
            {{u"C1"_s, 700.0, 200.0}, {u"=100"_s, 200.0, 0.0}, {u"=110"_s, 0.0, 126.0}});
        const QString movements =
            u"StokHarKod, GirisCikis, Miktar, Tutar, Kar, KdvTut, KasaVisa, Carisi, DigerId, Sube"_s;
        server->insert(
            u"StokHareket"_s, movements,
            {{u"K1"_s, u"Alış"_s, 10, 100, 0, 18, u""_s, u"C1"_s, u"P1W"_s, u"02"_s},
             {u"K1"_s, u"Alış"_s, 30, 600, 0, 108, u""_s, u"C1"_s, u"P2W"_s, u"02"_s},
             {u"K1"_s, u"Satış"_s, 25, 500, 40, 90, u"Veresiye"_s, u"C1"_s, u"S1W"_s, u"02"_s},
             // the same again: passed over
             {u"K1"_s, u"Satış"_s, 25, 500, 40, 90, u"Veresiye"_s, u"C1"_s, u"S1W"_s, u"02"_s},
             {u"K1"_s, u"Satış"_s, 20.12345, 200, 40, 36, u"Nakit"_s, u"C1"_s, u"S2W"_s, u"02"_s}});
        QVERIFY(finished(station->run()));
        const QString k1 = u"SELECT CikanMik, CikanTutar, KalanA, KalanB, GirenMik, Maliyet, Kar "
                           "FROM StokKartlar"_s;
        // Cost: 10 kg for 100 into an empty stock, then (10 × 10 + 600) / (10 + 30).
        QCOMPARE(stock.row(k1), (QVariantList{45.12345, 700.0, 5.1235, 0.0, 40.0, 17.5, 80.0}));
        QCOMPARE(stock.count(u"StokHareket"_s), 4);
        QCOMPARE(server->count(u"StokHareket"_s), 0);

        // The branch's accounts of the two sales: on credit (S1W), and for cash (S2W)
        // with its payment, the cash account and the tax of 200.
        accounts.insert(u"CariHareket"_s, u"CariHarKod, Borc, Alacak, DigerId"_s,
                        {{u"C1"_s, 500, 0, u"S1W"_s},
                         {u"C1"_s, 200, 0, u"S2W"_s},
                         {u"C1"_s, 0, 200, u"S2W"_s},
                         {u"=100"_s, 200, 0, u"S2W"_s},
                         {u"=110"_s, 0, 36, u"S2W"_s}});
        // A second cancellation of the same sale changes nothing; one with nothing to
        // cancel stays, reported.
        server->insert(u"StokHareket"_s, u"StokHarKod, GirisCikis, Carisi, DigerId, Sube"_s,
                       {{u"K1"_s, u"Iptal"_s, u"C1"_s, u"S1W"_s, u"02"_s},
                        {u"K1"_s, u"Iptal"_s, u"C1"_s, u"S2W"_s, u"02"_s},
                        {u"K1"_s, u"Iptal"_s, u"C1"_s, u"S2W"_s, u"02"_s},
                        {u"K1"_s, u"Iptal"_s, u"C1"_s, u"NONE"_s, u"02"_s}});
        QVERIFY(failedOn(station->run(), u"NONE"_s));
        QCOMPARE(stock.row(k1).first(4), (QVariantList{0.0, 0.0, 0.0, 40.0}));
        QCOMPARE(stock.count(u"StokHareket"_s, u"GirisCikis='Iptal'"_s), 2);
        // Every account movement of both sales is emptied and removed.
        QCOMPARE(accounts.count(u"CariHareket"_s), 0);
        QCOMPARE(accounts.rows(u"SELECT CariKod, Borc, Alacak, Hesap FROM CariKartlar "
                               "ORDER BY rowid"_s),
                 (SqlRows{{u"C1"_s, 0.0, 0.0, u"Borç"_s},
                          {u"=100"_s, 0.0, 0.0, u"Borç"_s},
                          {u"=110"_s, 0.0, 90.0, u"Alacak"_s}}));
        QCOMPARE(server->count(u"StokHareket"_s), 1);
    }

    // Waiting stock movements take the customer's special price, and their account
    // movement the new amount; an empty special price is none.
    void priceRefresh()
    {
        station->accounts().insert(
            u"Cari"_s, u"CariKod, StokKod, 0Fiyat"_s,
            {{u"C1"_s, u"K1"_s, 41.75}, {u"C3"_s, u"K1"_s, QVariant()}, {u"C4"_s, u"K1"_s, u""_s}});
        // 77W is re-priced with its account movement, 78W is at the special price
        // already, 79W's customer has none, 88WW is re-priced without an account
        // movement, 80W's and 81W's customers have an empty price: all left alone.
        server->insert(u"StokHareket"_s,
                       u"StokHarKod, Carisi, Fiyat, Miktar, Tutar, DigerId, Sube, Yeni"_s,
                       {{u"K1"_s, u"C1"_s, 40.0, 3.0, 120.0, u"77W"_s, u"05"_s, 2},
                        {u"K1"_s, u"C1"_s, 41.75, 3.0, 125.25, u"78W"_s, u"05"_s, 2},
                        {u"K1"_s, u"C2"_s, 40.0, 3.0, 120.0, u"79W"_s, u"05"_s, 2},
                        {u"K1"_s, u"C1"_s, 30.0, 3.0, 90.0, u"88WW"_s, u"05"_s, 2},
                        {u"K1"_s, u"C3"_s, 40.0, 3.0, 120.0, u"80W"_s, u"05"_s, 2},
                        {u"K1"_s, u"C4"_s, 40.0, 3.0, 120.0, u"81W"_s, u"05"_s, 2}});
        server->insert(
            u"CariHareket"_s, u"Borc, Fiyat, DigerId, Yeni"_s,
            {{120.0, 40.0, u"77"_s, 2}, {125.25, 0.0, u"78"_s, 2}, {120.0, 40.0, u"80"_s, 2}});
        QVERIFY(finished(station->run()));
        QCOMPARE(server->rows(u"SELECT \"DigerId\", \"Fiyat\", \"Tutar\" FROM \"StokHareket\" "
                              "ORDER BY \"id\""_s),
                 (SqlRows{{u"77W"_s, 41.75, 125.25},
                          {u"78W"_s, 41.75, 125.25},
                          {u"79W"_s, 40.0, 120.0},
                          {u"88WW"_s, 41.75, 125.25},
                          {u"80W"_s, 40.0, 120.0},
                          {u"81W"_s, 40.0, 120.0}}));
        QCOMPARE(
            server->rows(u"SELECT \"DigerId\", \"Borc\", \"Fiyat\" FROM \"CariHareket\" "
                         "ORDER BY \"id\""_s),
            (SqlRows{{u"77"_s, 125.25, 41.75}, {u"78"_s, 125.25, 0.0}, {u"80"_s, 120.0, 40.0}}));
    }

    // The exchange never makes a branch's files or tables: a missing database or table
    // leaves its set empty and is reported; what waits for it stays in the central
    // database.
    void branchFilesNeverMade()
    {
        BranchFolder bare(home->file(u"bare"_s), u"05"_s);
        bare.writeBranchList({u"01"_s, u"05"_s});
        const TestDatabase company = bare.company(); // made by hand, with one table
        QVERIFY(company.insert(u"CariKartlar"_s, u"CariKod"_s, {{u"X"_s}}));
        server->insert(u"CariKartlar"_s, u"CariKod, Sube, Server"_s, {{u"C1"_s, u"05"_s, 0}});
        const QString tables = u"SELECT name FROM sqlite_master WHERE type='table'"_s;
        const auto before = company.rows(tables);
        QVERIFY(failedOn(bare.run(), u"05Cari.Mdb yok"_s));
        const ExchangeReport upload = bare.run(u"CariHarKod='x'"_s);
        QVERIFY(finished(upload));
        QVERIFY(upload.notes().join(u' ').contains(u"CariHareket tablosu yok"_s));
        QCOMPARE(QDir(bare.dataFolder()).entryList(QDir::Files),
                 (QStringList{u"01Cari.Mdb"_s, u"Sube.txt"_s}));
        QCOMPARE(company.rows(tables), before);
        QCOMPARE(server->count(u"CariKartlar"_s), 1);

        // A branch code with an apostrophe finds its own records. A command whose names
        // are not spelled exactly (they are matched case-sensitively) runs the full
        // exchange.
        server->clear();
        server->insert(u"CariKartlar"_s, u"CariKod, Sube, Server"_s, {{u"C1"_s, u"0'2"_s, 0}});
        BranchFolder quoted(home->file(u"q"_s), u"0'2"_s);
        QVERIFY(quoted.prepare());
        QVERIFY(finished(quoted.run(u"carikod='X'"_s)));
        QCOMPARE(quoted.accounts().count(u"CariKartlar"_s, u"CariKod='C1'"_s), 1);
        QCOMPARE(server->count(u"CariKartlar"_s), 0);
    }

    // The window: closing it at any of the run's yields (or at the wait for "Devam")
    // stops the run there, with nothing half-written: the next run ends where an
    // uninterrupted run ends.
    void closedAtEveryYield_data() { addCases(kCommands); }
    void closedAtEveryYield()
    {
        const QString& command = std::get<1>(currentCase(kCommands));
        int run = 0;
        // Something for every pass of every exchange, in a folder of its own.
        auto fresh = [&] {
            server->clear();
            BranchFolder b(home->file(u"run%1"_s.arg(++run)), u"02"_s);
            b.writeBranchList({u"02"_s, u"03"_s, u"04"_s});
            b.prepare();
            b.accounts().insert(u"CariKartlar"_s, u"CariKod, Sube"_s, {{u"C1"_s, u"02"_s}});
            b.accounts().insert(u"CariHareket"_s, u"CariHarKod, Borc, DigerId, Sube, Yeni"_s,
                                {{u"C1"_s, 5.5, u"U1"_s, u"02"_s, 1}});
            b.stock().insert(u"StokKartlar"_s, u"StokKod"_s, {{u"K1"_s}});
            b.stock().insert(u"StokHareket"_s, u"StokHarKod, Miktar, DigerId, Sube, Yeni"_s,
                             {{u"K1"_s, 2.5, u"U1"_s, u"02"_s, 1}});
            server->insert(u"CariKartlar"_s, u"CariKod, Sube"_s, {{u"C2"_s, u"02"_s}});
            server->insert(u"CariHareket"_s, u"CariHarKod, Borc, DigerId, Sube"_s,
                           {{u"C1"_s, 7.0, u"D1"_s, u"02"_s}});
            server->insert(u"StokKartlar"_s, u"StokKod, Sube"_s, {{u"K2"_s, u"02"_s}});
            server->insert(u"StokHareket"_s,
                           u"StokHarKod, GirisCikis, Miktar, Carisi, DigerId, Sube"_s,
                           {{u"K1"_s, u"Satış"_s, 1.5, u"C1"_s, u"D2W"_s, u"02"_s},
                            {u"K1"_s, u"Iptal"_s, 0.0, u"C1"_s, u"D2W"_s, u"02"_s}});
            return b;
        };
        auto contents = [&](const BranchFolder& b) {
            QList<SqlRows> all = server->contents();
            for (const TestDatabase& file : {b.accounts(), b.stock()})
                for (const QVariantList& t :
                     file.rows(u"SELECT name FROM sqlite_master WHERE type='table'"_s))
                    all.append(file.rows(u"SELECT * FROM \"%1\""_s.arg(t[0].toString())));
            return all;
        };
        // Left open, the window runs to the end (released by "Devam") and says so.
        const BranchFolder reference = fresh();
        {
            ClosingWindow form(reference.settings(command));
            form.show();
            QVERIFY(finished(form.load()));
            const QString status = form.findChild<QLabel*>(u"StatusBar1"_s)->text();
            QVERIFY(status.startsWith(u"Aktarım tamamlandı"_s));
            QVERIFY(!form.findChild<QPushButton*>(u"Devam"_s)->isEnabled());
        }
        const auto uninterrupted = contents(reference);

        for (int closeAt = 1;; ++closeAt) {
            const BranchFolder b = fresh();
            ClosingWindow form(b.settings(command));
            form.closeAt = closeAt;
            form.show();
            const ExchangeReport report = form.load();
            if (form.yields < closeAt)
                break; // the run had no more yields
            QVERIFY2(!report.complete() && report.summary().contains(u"durduruldu"_s),
                     qPrintable(u"yield %1: %2"_s.arg(closeAt).arg(report.summary())));
            QVERIFY(finished(b.run(command)));
            QVERIFY2(contents(b) == uninterrupted, qPrintable(u"yield %1"_s.arg(closeAt)));
        }
    }
};

QTEST_MAIN(TestFullExchange)
#include "tst_full_exchange.moc"
