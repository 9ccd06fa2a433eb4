#include "core/database_files.h"
#include "core/record_set.h"
#include "exchange/central_database.h"
#include "exchange/demo_branches.h"
#include "exchange_frame.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The central server from the ground up: the record-set operations the exchange uses on
// it, over the ODBC data source; whole rounds, a branch sending and the central station
// taking; two branches sending at the same time; the program's command line.
class TestExchangeRound : public CentralServerTest
{
    Q_OBJECT
public:
    TestExchangeRound() : CentralServerTest(55616) {}

private:
    // The central movements.
    static std::unique_ptr<RecordSet> open(const CentralDatabase& central,
                                           const QString& where = {})
    {
        return RecordSet::open(central.database(), u"Select * From CariHareket"_s + where);
    }
    // Adds a movement through the set: DigerId, CariHarKod, Borc, Aciklama, Tarih as far
    // as given; false when it is refused.
    static bool add(RecordSet& rs, const QVariantList& values)
    {
        static const QStringList fields = {u"DigerId"_s, u"CariHarKod"_s, u"Borc"_s, u"Aciklama"_s,
                                           u"Tarih"_s};
        rs.addNew();
        for (int i = 0; i < values.size(); ++i)
            if (!rs.setValue(fields[i], values[i]))
                return false;
        if (rs.update())
            return true;
        qWarning("%s", qPrintable(rs.lastError()));
        return false;
    }

private Q_SLOTS:
    // The search of the ODBC sets starts at the current row and ends at end-of-file;
    // a filter shows a part of the set, clearing it shows all again, and rows added
    // through the set stay in it.
    void searchFromCurrentAndFilter()
    {
        CentralDatabase central;
        QVERIFY(central.open(u"ParvekWeb"_s));
        auto rs = open(central);
        QVERIFY(rs);
        for (const QVariantList& row :
             QList<QVariantList>{{u"a"_s, u"K1"_s, 10}, {u"b"_s, u"K1"_s, 0}, {u"c"_s, u"K2"_s, 5}})
            QVERIFY(add(*rs, row));
        rs = open(central);
        rs->moveFirst();
        QVERIFY(rs->findFromCurrent(u"CariHarKod='K1'"_s)); // the current row itself
        QCOMPARE(rs->value(u"DigerId").toString(), u"a"_s);
        rs->moveNext();
        QVERIFY(rs->findFromCurrent(u"CariHarKod='K2'"_s));
        QCOMPARE(rs->value(u"DigerId").toString(), u"c"_s);
        QVERIFY(rs->findFromCurrent(u"CariHarKod='K1'"_s)); // nothing after: end-of-file
        QVERIFY(rs->eof() && rs->noMatch());

        QVERIFY(rs->setFilter(u"CariHarKod='K1' And Borc<>0"_s));
        QCOMPARE(rs->exactCount(), 1);
        QVERIFY(add(*rs, {u"d"_s, u"K1"_s, 7.5}));
        QCOMPARE(rs->exactCount(), 2);
        QVERIFY(rs->findFromCurrent(u"DigerId='d'"_s) && !rs->eof());
        QVERIFY(rs->setFilter({}));
        QCOMPARE(rs->exactCount(), 4);
        rs->moveLast();
        QCOMPARE(rs->value(u"DigerId").toString(), u"d"_s); // added rows stay at the end
    }

    // Held additions are found by searches before they are written, and vanish with a
    // rolled back transaction (written together they carry every upload).
    void batchedAdditions()
    {
        CentralDatabase central;
        QVERIFY(central.open(u"ParvekWeb"_s));
        auto rs = open(central);
        QVERIFY(rs);
        rs->setBatchUpdates(true);
        QVERIFY(central.begin());
        for (int i = 0; i < 1234; ++i) // every third row gives a value to one more column
            QVERIFY(add(*rs, QVariantList{QString::number(i), u"K%1"_s.arg(i % 7), i * 0.25,
                                          u"Satış %1"_s.arg(i)}
                                 .first(i % 3 == 0 ? 4 : 3)));
        QCOMPARE(rs->heldRows(), 1234);
        QCOMPARE(server->count(u"CariHareket"_s), 0);
        rs->moveFirst();
        QVERIFY(rs->findFromCurrent(u"DigerId='1000'"_s));
        QCOMPARE(rs->heldRows(), 0);
        QCOMPARE(rs->value(u"Borc").toDouble(), 250.0);
        QCOMPARE(rs->exactCount(), 1234);
        central.rollback();
        QCOMPARE(server->count(u"CariHareket"_s), 0);
    }

    // Branch 02 sends its movements, the central station takes them into its copy of
    // the branch: every field arrives unchanged, Turkish texts, apostrophes, dates and
    // decimal amounts among them.
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
        // The customer's card carries the large amount to its last decimal.
        QCOMPARE(central.accounts()
                     .value(u"SELECT Alacak FROM CariKartlar WHERE CariKod='120.02.003'"_s)
                     .toDouble(),
                 1234567.891234);
    }

    // The program's command line: a wrong one is refused with the usage (2) before
    // anything is touched; without a window the run does not wait for a release.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown");
        QTest::newRow("unknown option") << QStringList{u"--bogus"_s} << 2 << u"--branch <kod>"_s;
        QTest::newRow("missing value") << QStringList{u"--branch"_s} << 2 << u"--branch <kod>"_s;
        QTest::newRow("stray value")
            << QStringList{u"--branch"_s, u"02"_s, u"x"_s} << 2 << u"Beklenmeyen değer: x"_s;
        QTest::newRow("no branch") << QStringList{} << 2 << u"Şube kodu yok"_s;
        QTest::newRow("full exchange")
            << QStringList{u"--branch"_s, u"02"_s} << 0 << u"Aktarım tamamlandı"_s;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, shown);
        const auto p =
            startProgram(QStringList{u"--data-folder"_s, station->dataFolder()} + arguments);
        QVERIFY(p->waitForFinished(60000));
        const QString output = QString::fromUtf8(p->readAll());
        QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == status &&
                     output.contains(shown) && !output.contains(u"onay bekleniyor"_s),
                 qPrintable(output));
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
