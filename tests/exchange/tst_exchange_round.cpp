#include "central_server.h"
#include "core/database_files.h"
#include "exchange/demo_branches.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// Whole rounds through the central server: a branch sends, the central station
// takes; and two branches sending at the same time.
class TestExchangeRound : public CentralServerTest
{
    Q_OBJECT
public:
    TestExchangeRound() : CentralServerTest(55616) {}

private Q_SLOTS:
    // Branch 02 sends its movements, the central station takes them into its copy of
    // the branch; the central station sends a card that branch 02 takes. Turkish
    // texts, apostrophes, dates and decimal amounts arrive unchanged.
    void fullRound()
    {
        QString error;
        QVERIFY2(demobranches::make(home->file(u"demo"_s), 150, &error), qPrintable(error));
        BranchFolder branch(home->file(u"demo/sube02"_s), u"02"_s);
        BranchFolder central(home->file(u"demo/merkez"_s), u"02"_s);
        branch.accounts().insert(
            u"CariHareket"_s,
            u"CariHarKod, Aciklama, Borc, Alacak, Tarih, DökNo, DigerId, Sube, Yeni"_s,
            {{u"120.02.003"_s, u"Öğrenci 'İşık' ĞÜŞİÖÇ ğüşıöç"_s, 0.1, 1234567.891234,
              u"2026-12-31"_s, u"Fiş'1"_s, u"02-Q'1"_s, u"02"_s, 1}});
        // The fields of every movement, its id as the central station spells it.
        const QString accounts =
            u"SELECT CariHarKod, Tarih, \"DökNo\", Aciklama, Borc, Alacak, dBorc, eBorc, Fiyat, "
            "Miktar, KasaVisa, Nerde, Unvan, Carisi, DigerId%1 AS Kimlik FROM CariHareket "
            "ORDER BY Kimlik"_s;
        const QString stock = u"SELECT Aciklama, Miktar, Tutar, KdvTut, Üretim, Ürmik, Tarih, "
                              "DigerId%1 AS Kimlik FROM StokHareket ORDER BY Kimlik"_s;
        const auto sent = branch.accounts().rows(accounts.arg(u" || 'W'"_s));
        const auto sentStock = branch.stock().rows(stock.arg(u" || 'W'"_s));
        QCOMPARE(sent.size(), 152);

        QVERIFY(finished(branch.run(u"CariHarKod='120.02.001'"_s)));
        const ExchangeReport taken = central.run({}, true);
        QVERIFY(finished(taken));
        QCOMPARE(taken.taken(), 302);
        QCOMPARE(central.accounts().rows(accounts.arg(QString())), sent);
        QCOMPARE(central.stock().rows(stock.arg(QString())), sentStock);
        // The customer's card carries the sum of its movements.
        const auto card = central.accounts().row(
            u"SELECT Borc, Alacak FROM CariKartlar WHERE CariKod='120.02.003'"_s);
        QCOMPARE(card[0].toDouble(),
                 branch.accounts()
                     .value(u"SELECT TOTAL(Borc) FROM CariHareket WHERE CariHarKod='120.02.003'"_s)
                     .toDouble());
        QCOMPARE(card[1].toDouble(), 1234567.891234);

        // A card of the central station reaches the branch; balances are the branch's own.
        BranchFolder hq(home->file(u"demo/merkez"_s), u"01"_s);
        hq.accounts().exec(u"UPDATE CariKartlar SET Unvan = 'Şükrü''nün Örgü Evi', Borc = "
                           "99.99 WHERE CariKod = '120.01.004'"_s);
        QVERIFY(finished(hq.run(u"CariKod='120.01.004'"_s, true)));
        QVERIFY(finished(branch.run()));
        QCOMPARE(branch.accounts().rows(
                     u"SELECT Unvan, Borc FROM CariKartlar WHERE CariKod='120.01.004'"_s),
                 (QList<QVariantList>{{u"Şükrü'nün Örgü Evi"_s, 0.0}}));
    }

    // Two branches send into the same central database at the same moment.
    void twoBranchesAtOnce()
    {
        const int sales = 1500;
        QString error;
        const QStringList codes = {u"02"_s, u"03"_s};
        for (const QString& code : codes) {
            BranchFolder b(home->file(u"sube"_s + code), code);
            b.writeBranchList({code});
            QVERIFY(demobranches::addSales(b.dataFolder(), code, sales, 1, &error));
        }
        dbfiles::closeAll();
        std::vector<std::unique_ptr<QProcess>> runs;
        for (const QString& code : codes)
            runs.push_back(startProgram({u"--data-folder"_s, home->file(u"sube"_s + code) + u'/',
                                         u"--branch"_s, code, u"--command"_s, u"CariHarKod"_s}));
        for (const auto& p : runs)
            QVERIFY(endedWell(*p));
        for (const QString& table : {u"CariHareket"_s, u"StokHareket"_s})
            QCOMPARE(server->rows(u"SELECT \"Sube\", COUNT(*), COUNT(DISTINCT \"DigerId\") FROM "
                                  "\"%1\" GROUP BY 1 ORDER BY 1"_s.arg(table)),
                     (QList<QVariantList>{{u"02"_s, sales, sales}, {u"03"_s, sales, sales}}));
    }
};

QTEST_GUILESS_MAIN(TestExchangeRound)
#include "tst_exchange_round.moc"
