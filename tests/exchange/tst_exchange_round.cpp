#include "branch_folder.h"
#include "central_server.h"
#include "core/database_files.h"
#include "exchange/demo_branches.h"
#include "test_home.h"

#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

// Whole rounds through the central server: a branch sends, the central station
// takes; and two branches sending at the same time.
class TestExchangeRound : public CentralServerTest
{
    Q_OBJECT
public:
    TestExchangeRound() : CentralServerTest(55616) {}

private:
    QProcess* start(const QStringList& arguments)
    {
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"ODBCINI"_s, server->odbcIni());
        env.insert(u"TOPKAR_HOME"_s, home->path());
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QStringLiteral(TOPKAR_EXCHANGE_PROGRAM),
                 QStringList{u"--no-window"_s} + arguments);
        return p;
    }

private Q_SLOTS:
    // Branch 02 sends its movements, the central station takes them into its copy of
    // the branch (and mirrors the payment to the headquarters in the company
    // database); the central station sends a card that branch 02 takes. Turkish
    // texts, apostrophes, dates and decimal amounts arrive unchanged.
    void fullRound()
    {
        QString error;
        QVERIFY2(demobranches::make(home->file(u"demo"_s), 150, &error), qPrintable(error));
        BranchFolder branch(home->file(u"demo/sube02"_s), u"02"_s);
        BranchFolder central(home->file(u"demo/merkez"_s), u"02"_s);
        branch.insert(branch.accounts(), u"CariHareket"_s,
                      {{u"CariHarKod"_s, u"120.02.003"_s},
                       {u"Aciklama"_s, u"Öğrenci 'İşık' ĞÜŞİÖÇ ğüşıöç"_s},
                       {u"Borc"_s, 0.1},
                       {u"Alacak"_s, 1234567.891234},
                       {u"Tarih"_s, u"2026-12-31"_s},
                       {u"DökNo"_s, u"Fiş'1"_s},
                       {u"DigerId"_s, u"02-Q'1"_s},
                       {u"Sube"_s, u"02"_s},
                       {u"Yeni"_s, 1}});
        const QString fields =
            u"CariHarKod, Tarih, \"DökNo\", Aciklama, Borc, Alacak, dBorc, eBorc, Fiyat, Miktar, "
            "KasaVisa, Nerde, Unvan, Carisi"_s;
        const auto sent =
            branch.rows(branch.accounts(),
                        u"SELECT %1, DigerId FROM CariHareket ORDER BY DigerId"_s.arg(fields));
        const auto sentStock =
            branch.rows(branch.stock(), u"SELECT * FROM StokHareket ORDER BY DigerId"_s);
        QCOMPARE(sent.size(), 152);

        QVERIFY2(runOnce(branch.settings(u"CariHarKod='120.02.001'"_s)).complete(), "upload");
        const ExchangeReport taken = runOnce(central.settings({}, true));
        QVERIFY2(taken.complete(), qPrintable(taken.summary()));
        QCOMPARE(taken.taken(), 302);

        const auto arrived =
            central.rows(central.accounts(),
                         u"SELECT %1, DigerId FROM CariHareket ORDER BY DigerId"_s.arg(fields));
        QCOMPARE(arrived.size(), sent.size());
        for (int i = 0; i < sent.size(); ++i) {
            QCOMPARE(arrived[i][u"DigerId"_s].toString(), sent[i][u"DigerId"_s].toString() + u'W');
            for (const QString& f : sent[i].keys())
                if (f != u"DigerId"_s)
                    QCOMPARE(arrived[i][f], sent[i][f]);
        }
        const auto arrivedStock =
            central.rows(central.stock(), u"SELECT * FROM StokHareket ORDER BY DigerId"_s);
        QCOMPARE(arrivedStock.size(), sentStock.size());
        for (int i = 0; i < sentStock.size(); ++i)
            for (const QString& f : {u"Aciklama"_s, u"Miktar"_s, u"Tutar"_s, u"KdvTut"_s,
                                     u"Üretim"_s, u"Ürmik"_s, u"Tarih"_s})
                QCOMPARE(arrivedStock[i][f], sentStock[i][f]);
        QCOMPARE(arrivedStock[0][u"DigerId"_s].toString(),
                 sentStock[0][u"DigerId"_s].toString() + u'W');
        // The customer's card carries the sum of its movements.
        const double debit =
            branch
                .value(branch.accounts(),
                       u"SELECT TOTAL(Borc) FROM CariHareket WHERE CariHarKod='120.02.003'"_s)
                .toDouble();
        const auto card =
            central.rows(central.accounts(),
                         u"SELECT Borc, Alacak FROM CariKartlar WHERE CariKod='120.02.003'"_s);
        QVERIFY(std::abs(card[0][u"Borc"_s].toDouble() - debit) < 1e-6);
        QCOMPARE(card[0][u"Alacak"_s].toDouble(), 1234567.891234);
        // The payment to the headquarters, seen from the other side.
        const auto mirror =
            central.rows(central.company(), u"SELECT Aciklama, Alacak FROM CariHareket"_s);
        QCOMPARE(mirror.size(), 1);
        QCOMPARE(mirror[0][u"Aciklama"_s].toString(), u"Merkeze Tahsilat"_s);
        QCOMPARE(mirror[0][u"Alacak"_s].toDouble(), 1500.5);

        // A card of the central station reaches the branch.
        BranchFolder hq(home->file(u"demo/merkez"_s), u"01"_s);
        hq.exec(
            hq.accounts(),
            u"UPDATE CariKartlar SET Unvan = 'Şükrü''nün Örgü Evi', Borc = 99.99 WHERE CariKod = '120.01.004'"_s);
        QVERIFY(runOnce(hq.settings(u"CariKod='120.01.004'"_s, true)).complete());
        QVERIFY(runOnce(branch.settings()).complete());
        const auto card2 = branch.rows(
            branch.accounts(), u"SELECT Unvan, Borc FROM CariKartlar WHERE CariKod='120.01.004'"_s);
        QCOMPARE(card2.size(), 1);
        QCOMPARE(card2[0][u"Unvan"_s].toString(), u"Şükrü'nün Örgü Evi"_s);
        QCOMPARE(card2[0][u"Borc"_s].toDouble(), 0.0); // balances are the branch's own
    }

    // Two branches send into the same central database at the same moment.
    void twoBranchesAtOnce()
    {
        const int sales = 1500;
        QString error;
        QList<QProcess*> runs;
        for (const QString& code : {u"02"_s, u"03"_s}) {
            BranchFolder b(home->file(u"sube"_s + code), code);
            b.writeBranchList({code});
            QVERIFY(demobranches::addSales(b.dataFolder(), code, sales, 1, &error));
        }
        dbfiles::closeAll();
        for (const QString& code : {u"02"_s, u"03"_s})
            runs.append(start({u"--data-folder"_s, home->file(u"sube"_s + code) + u'/',
                               u"--branch"_s, code, u"--command"_s, u"CariHarKod"_s}));
        for (QProcess* p : runs) {
            QVERIFY(p->waitForFinished(300000));
            QVERIFY2(p->exitCode() == 0, p->readAll().constData());
        }
        for (const QString& table : {u"CariHareket"_s, u"StokHareket"_s})
            for (const QString& code : {u"02"_s, u"03"_s}) {
                QCOMPARE(server
                             ->value(u"SELECT COUNT(*) FROM \"%1\" WHERE \"Sube\" = ?"_s.arg(table),
                                     {code})
                             .toInt(),
                         sales);
                QCOMPARE(
                    server
                        ->value(
                            u"SELECT COUNT(DISTINCT \"DigerId\") FROM \"%1\" WHERE \"Sube\" = ?"_s
                                .arg(table),
                            {code})
                        .toInt(),
                    sales);
            }
    }
};

QTEST_GUILESS_MAIN(TestExchangeRound)
#include "tst_exchange_round.moc"
