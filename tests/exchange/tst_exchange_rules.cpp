#include "core/database_files.h"
#include "core/record_set.h"
#include "exchange/balances.h"
#include "exchange/branch_list.h"
#include "exchange/exchange_run.h"
#include "exchange/field_copy.h"
#include "test_home.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

// The exchange's rules that need no central server: the dispatch, the branch list,
// the field names and the balance arithmetic.
class TestExchangeRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dispatch()
    {
        QCOMPARE(exchangeKindFor(u"CariKod='C1'"_s), ExchangeKind::AccountCards);
        QCOMPARE(exchangeKindFor(u"StokKod='K1'"_s), ExchangeKind::StockCards);
        // A condition on an account movement runs the upload, not the card exchange.
        QCOMPARE(exchangeKindFor(u"CariHarKod='C1'"_s), ExchangeKind::Movements);
        QCOMPARE(exchangeKindFor(u"StokHarKod='K1'"_s), ExchangeKind::Movements);
        QCOMPARE(exchangeKindFor(QString()), ExchangeKind::Full);
        QCOMPARE(exchangeKindFor(u"carikod='C1'"_s),
                 ExchangeKind::Full); // the tests are case-sensitive
    }

    // Sube.txt in the Windows Turkish code page, comma- or line-separated, found
    // whatever the case of its name; no file reads as no list.
    void branchList()
    {
        TestHome home;
        ExchangeSettings s;
        s.DataFolder = home.path() + u'/';
        QVERIFY(!readBranchList(s));
        QFile f(home.file(u"sube.TXT"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("01,\"02\"\r\n03\r\n\r\n\"\xDE"
                "ube 4\",\r\n"); // "Şube 4" in Windows-1254
        f.close();
        QCOMPARE(readBranchList(s).value(), (QStringList{u"01"_s, u"02"_s, u"03"_s, u"Şube 4"_s}));
        QCOMPARE(QFileInfo(s.file(u"Sube.txt"_s)).fileName(), u"sube.TXT"_s);
    }

    void centralNames()
    {
        QCOMPARE(fieldcopy::centralName(u"DökNo"_s), u"DokNo"_s);
        QCOMPARE(fieldcopy::centralName(u"ÜrMik"_s), u"Urmik"_s);
        QCOMPARE(fieldcopy::centralName(u"Üretim"_s), u"Uretim"_s);
        QCOMPARE(fieldcopy::centralName(u"DigerId"_s), u"DigerId"_s);
    }

    // Stock balances on a real card: the weighted cost of purchases, a sale beyond the
    // stock, a cancellation (account balances are checked through the full exchange).
    void stockBalances()
    {
        TestHome home;
        const QString path = home.file(u"02Stok.Mdb"_s);
        QVERIFY(dbfiles::ensureDatabase(path, {u"StokKartlar"_s}));
        auto stock = RecordSet::open(dbfiles::connection(path), u"StokKartlar"_s);
        stock->addNew();
        QVERIFY(stock->setValue(u"StokKod", u"K1"_s) && stock->update());
        stock->moveFirst();
        auto post = [&](const balances::StockMovement& mv) {
            QVERIFY(stock->edit());
            QVERIFY(balances::postToStockCard(*stock, mv));
            QVERIFY(stock->update());
        };
        post({true, 10, 100, 0}); // 10 kg for 100 into an empty stock: cost 10
        QCOMPARE(stock->value(u"Maliyet").toDouble(), 10.0);
        post({true, 30, 600, 0}); // (10 × 10 + 600) / (10 + 30) = 17,5
        QCOMPARE(stock->value(u"Maliyet").toDouble(), 17.5);
        QCOMPARE(stock->value(u"KalanB").toDouble(), 40.0);
        post({false, 45.12345, 900, 12.5}); // more than in stock: the shortfall in KalanA
        QCOMPARE(stock->value(u"KalanB").toDouble(), 0.0);
        QCOMPARE(stock->value(u"KalanA").toDouble(), 5.1235); // rounded to 4 decimals
        QCOMPARE(stock->value(u"Kar").toDouble(), 12.5);
        QVERIFY(stock->edit());
        QVERIFY(balances::cancelOnStockCard(*stock, 45.12345, 900));
        QVERIFY(stock->update());
        QCOMPARE(stock->value(u"CikanMik").toDouble(), 0.0);
        QCOMPARE(stock->value(u"KalanB").toDouble(), 40.0);
    }
};

QTEST_GUILESS_MAIN(TestExchangeRules)
#include "tst_exchange_rules.moc"
