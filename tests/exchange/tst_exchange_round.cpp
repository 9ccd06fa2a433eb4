#include "case_table.h"
#include "core/database_files.h"
#include "exchange/central_database.h"
#include "exchange/demo_branches.h"
#include "exchange_frame.h"
#include "jet_fixtures.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// The arguments, the exit status and what the program shows.
const std::tuple<const char*, QStringList, int, QString> kCommandLines[] = {
    {"unknown option", {u"--bogus"_s}, 2, u"--branch <kod>"_s},
    {"missing value", {u"--branch"_s}, 2, u"--branch <kod>"_s},
    {"stray value", {u"--branch"_s, u"02"_s, u"x"_s}, 2, u"Beklenmeyen değer: x"_s},
    {"no branch", {}, 2, u"Şube kodu yok"_s},
    {"full exchange", {u"--branch"_s, u"02"_s}, 0, u"Aktarım tamamlandı"_s},
};
} // namespace

// The central server from the ground up: what a branch sends to it by the command
// given (a card for every other branch, its pending movements and the totals of the
// cards they touched); whole rounds, a branch sending and the central station taking; two
// branches sending at the same time; the program's command line; a plant that ran
// before this exchange (a central database set up without the key columns and
// the receipts table, branch files still in Jet format).
class TestExchangeRound : public CentralServerTest
{
    Q_OBJECT
public:
    TestExchangeRound() : CentralServerTest(55616) {}

private:
    const QString command = u"CariHarKod='*'"_s;
    const QString pending = u"Yeni>0 OR AktarimNo IS NOT NULL"_s;

    // Branches 01 to 04, 03 working as a terminal.
    void fourBranches()
    {
        station->company().insert(u"CariKartlar"_s, u"CariKod, Gurup, Sube"_s,
                                  {{u"T3"_s, u"Terminal"_s, u"03"_s}});
        station->writeBranchList({u"01"_s, u"02"_s, u"03"_s, u"04"_s});
    }
    void account(const QString& code, double borc, double alacak, const QString& id,
                 const QString& nerde = u"S"_s, const QVariant& tarih = {})
    {
        station->accounts().insert(
            u"CariHareket"_s,
            u"CariHarKod, Borc, Alacak, DigerId, Nerde, DökNo, Aciklama, Tarih, Sube, Yeni"_s,
            {{code, borc, alacak, id, nerde, u"İRS-"_s + id, u"Satış – Çağlar"_s, tarih, u"02"_s,
              1}});
    }
    void stock(const QString& code, const QVariant& id, const QVariant& serial = {})
    {
        station->stock().insert(
            u"StokHareket"_s,
            u"StokHarKod, DigerId, SeriNoDiger, Miktar, Tutar, Üretim, Ürmik, GirisCikis, Sube, Yeni"_s,
            {{code, id, serial, 12.5, 481.25, u"Örgü"_s, 12.5, u"Satış"_s, u"02"_s, 1}});
    }

private Q_SLOTS:
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
    void commandLine_data() { addCases(kCommandLines); }
    void commandLine()
    {
        const auto& [name, arguments, status, shown] = currentCase(kCommandLines);
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
                     (SqlRows{{u"02"_s, sales, sales}, {u"03"_s, sales, sales}}));
    }

    // The exchange names exactly what is missing; --upgrade-central adds it without
    // changing a row, and the exchange then runs.
    void upgradeOfAnOldCentralDatabase()
    {
        QVERIFY(server->exec(u"DROP TABLE \"AktarimFisleri\""_s));
        for (const QString& t :
             {u"CariKartlar"_s, u"StokKartlar"_s, u"CariHareket"_s, u"StokHareket"_s})
            QVERIFY(server->exec(u"ALTER TABLE \"%1\" DROP COLUMN \"id\""_s.arg(t)));
        QVERIFY(server->exec(u"INSERT INTO \"CariKartlar\" (\"CariKod\", \"Unvan\", \"Sube\", "
                             "\"Server\", \"Yeni\") VALUES ('C9', 'Işık Tekstil', '02', 0, 1), "
                             "('C8', 'Öteki Şube', '05', 0, 1)"_s));
        QVERIFY(server->exec(u"INSERT INTO \"StokHareket\" (\"StokHarKod\", \"Miktar\", "
                             "\"Sube\", \"Yeni\") VALUES ('K1', 12.5, '05', 1)"_s));
        const auto before = server->contents();

        CentralDatabase central;
        QString error;
        QVERIFY(!central.open(u"ParvekWeb"_s, &error));
        QVERIFY2(error.contains(u"CariKartlar tablosunun anahtar sütunu (id)"_s) &&
                     error.contains(u"StokHareket tablosunun anahtar sütunu (id)"_s) &&
                     error.contains(u"AktarimFisleri"_s) && !error.contains(u"tablosu yok"_s) &&
                     error.contains(u"--upgrade-central"_s),
                 qPrintable(error));

        QVERIFY(endedWell(*startProgram({u"--upgrade-central"_s})));
        QCOMPARE(server->contents(), before);

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
        QCOMPARE(readBytes(file), readBytes(source));
    }

    // Every branch but the station's own gets exactly one copy of the card: an existing
    // copy is overwritten, a missing one added; a terminal branch gets Yeni 2, the
    // others the card's own Yeni; Server tells which side wrote it. Nothing is sent
    // for a command that names no card (another card comes first: it must not go), or
    // without a branch list.
    void accountCardToEveryOtherBranch()
    {
        QFile::remove(station->file(u"Sube.txt"_s));
        station->accounts().insert(
            u"CariKartlar"_s, u"CariKod, Unvan, Borc, Sube, Yeni"_s,
            {{u"A0"_s, u"Başka"_s, 0, u"02"_s, 0}, {u"C1"_s, u"Çağlar Örme"_s, 12.5, u"02"_s, 1}});
        server->insert(u"CariKartlar"_s, u"CariKod, Unvan, Sube"_s,
                       {{u"C1"_s, u"eski"_s, u"01"_s}});
        QVERIFY(failedOn(station->run(u"CariKod='C1'"_s), u"Sube.txt"_s));
        fourBranches();
        QVERIFY(failedOn(station->run(u"CariKod='YOK'"_s), u"bulunamadı"_s));
        QCOMPARE(server->count(u"CariKartlar"_s), 1);

        const ExchangeReport report = station->run(u"CariKod='C1'"_s);
        QVERIFY(finished(report));
        QCOMPARE(report.sent(), 3);
        const QString copies = u"SELECT \"Sube\", \"Unvan\", \"Borc\", \"Yeni\", \"Server\" FROM "
                               "\"CariKartlar\" ORDER BY \"Sube\""_s;
        QCOMPARE(server->rows(copies), (SqlRows{{u"01"_s, u"Çağlar Örme"_s, 12.5, 1, 1},
                                                {u"03"_s, u"Çağlar Örme"_s, 12.5, 2, 1},
                                                {u"04"_s, u"Çağlar Örme"_s, 12.5, 1, 1}}));
        // Again from the central station: the same copies, now written with Server 0;
        // the local card itself is unchanged.
        QVERIFY(finished(station->run(u"CariKod='C1'"_s, true)));
        QCOMPARE(server->rows(u"SELECT \"Server\", COUNT(*) FROM \"CariKartlar\" GROUP BY 1"_s),
                 (SqlRows{{0, 3}}));
        QCOMPARE(station->accounts().value(u"SELECT Yeni FROM CariKartlar WHERE CariKod='C1'"_s),
                 QVariant(1));
        // A terminal list that cannot be searched (a company database made by hand,
        // without Sube) is reported, and no copy gets a guessed Yeni.
        QVERIFY(station->company().exec(u"DROP TABLE CariKartlar"_s) &&
                station->company().exec(u"CREATE TABLE CariKartlar (CariKod TEXT, Gurup TEXT)"_s));
        dbfiles::closeAll(); // the layout read before is forgotten
        QVERIFY(failedOn(station->run(u"CariKod='C1'"_s), u"Şube 04"_s));
        QCOMPARE(server->rows(u"SELECT \"Yeni\" FROM \"CariKartlar\" ORDER BY \"Sube\""_s),
                 (SqlRows{{1}, {2}, {1}}));
    }

    // Stock cards take the same way. The branch list as another station writes it:
    // Windows Turkish code page, comma- or line-separated, quoted or not, its name in
    // any case. Codes with apostrophes, from the card and from the list, reach the
    // copies intact.
    void stockCardAndAnyBranchList()
    {
        fourBranches();
        QFile::remove(station->file(u"Sube.txt"_s));
        // "Şube 4" in Windows-1254.
        QVERIFY(writeBytes(station->file(u"sube.TXT"_s), "02,\"0'5\"\r\n03\r\n\r\n\"\xDE"
                                                         "ube 4\",\r\n"));
        station->stock().insert(u"StokKartlar"_s, u"StokKod, StokAdi, Sube"_s,
                                {{u"KMS'01"_s, u"Süprem 30/1"_s, u"02"_s}});
        QVERIFY(finished(station->run(u"StokKod='KMS''01'"_s)));
        QCOMPARE(server->rows(u"SELECT \"Sube\", \"StokKod\", \"StokAdi\", \"Yeni\" FROM "
                              "\"StokKartlar\" ORDER BY \"Sube\""_s),
                 (SqlRows{{u"0'5"_s, u"KMS'01"_s, u"Süprem 30/1"_s, 0},
                          {u"03"_s, u"KMS'01"_s, u"Süprem 30/1"_s, 2},
                          {u"Şube 4"_s, u"KMS'01"_s, u"Süprem 30/1"_s, 0}}));
    }

    // An invoice already in the central database (same account, side and id) is
    // overwritten, in this run's rows too; any other movement is added.
    void invoicesOverwriteOthersAppend()
    {
        server->insert(u"CariHareket"_s, u"CariHarKod, Borc, DigerId, Nerde"_s,
                       {{u"C1"_s, 100, u"F1"_s, u"FI"_s}});
        account(u"C1"_s, 150, 0, u"F1"_s, u"FI"_s);  // overwrites the central invoice
        account(u"C1"_s, 0, 80, u"F1"_s, u"FI"_s);   // other side: added
        account(u"C1"_s, 150, 0, u"F1"_s, u"S"_s);   // no invoice: added
        account(u"C1"_s, 0, 30, u"F1"_s, u"SFIŞ"_s); // overwrites the row added above
        // Other account: added, its date as another tool wrote it, with a time of day.
        account(u"C2"_s, 9.99, 0, u"F1"_s, u"FI"_s, u"2024-03-05T13:45:10.000"_s);
        QVERIFY(finished(station->run(command)));
        QCOMPARE(server->rows(u"SELECT \"CariHarKod\", \"Borc\", \"Alacak\", \"DokNo\" FROM "
                              "\"CariHareket\" ORDER BY \"id\""_s),
                 (SqlRows{{u"C1"_s, 150.0, 0.0, u"İRS-F1"_s},
                          {u"C1"_s, 0.0, 30.0, u"İRS-F1"_s},
                          {u"C1"_s, 150.0, 0.0, u"İRS-F1"_s},
                          {u"C2"_s, 9.99, 0.0, u"İRS-F1"_s}}));
        QCOMPARE(server->rows(u"SELECT DISTINCT \"Yeni\", \"Server\" FROM \"CariHareket\""_s),
                 (SqlRows{{0, 1}}));
        QCOMPARE(
            server->value(u"SELECT \"Tarih\" FROM \"CariHareket\" WHERE \"CariHarKod\" = 'C2'"_s)
                .toDateTime(),
            QDateTime(QDate(2024, 3, 5), QTime(13, 45, 10)));
        QCOMPARE(station->accounts().count(u"CariHareket"_s, pending), 0);
        QCOMPARE(server->count(u"AktarimFisleri"_s), 0);
    }

    // A stock movement's ids get one trailing "W"; the Turkish field names of the
    // branch arrive under the central names. Without pending account movements the
    // account side sends no totals and clears nothing; a branch listed twice goes once.
    void stockOnlyUpload()
    {
        station->writeBranchList({u"02"_s, u"02"_s});
        station->accounts().insert(u"CariKartlar"_s, u"CariKod, Borc, Sube, Yeni"_s,
                                   {{u"C1"_s, 9.0, u"02"_s, 9}});
        server->insert(u"CariKartlar"_s, u"CariKod, Sube, Borc"_s, {{u"C1"_s, u"02"_s, 1}});
        stock(u"K1"_s, u"S1"_s, u"SN1W"_s);
        stock(u"K1"_s, u"S2W"_s);
        stock(u"K1"_s, QVariant());
        QVERIFY(finished(station->run(command)));
        QCOMPARE(server->row(u"SELECT \"SeriNoDiger\", \"Uretim\", \"Urmik\" FROM \"StokHareket\" "
                             "ORDER BY \"id\""_s),
                 (QVariantList{u"SN1W"_s, u"Örgü"_s, 12.5}));
        QCOMPARE(server->rows(u"SELECT \"DigerId\" FROM \"StokHareket\" ORDER BY \"id\""_s),
                 (SqlRows{{u"S1W"_s}, {u"S2W"_s}, {u"W"_s}}));
        QCOMPARE(station->stock().count(u"StokHareket"_s, pending), 0);
        QCOMPARE(server->value(u"SELECT \"Borc\" FROM \"CariKartlar\""_s).toDouble(), 1.0);
        QCOMPARE(station->accounts().value(u"SELECT Yeni FROM CariKartlar"_s).toInt(), 9);
    }

    // A terminal branch sends its movements as final (Yeni 3) and the totals of the
    // cards they touched; "=" accounts keep their totals; touched cards end at 2.
    void terminalSendsCardTotals()
    {
        storeStationRegistryText(u"Ter02"_s, u"True"_s);
        const TestDatabase cards = station->accounts();
        cards.insert(u"CariKartlar"_s, u"CariKod, Borc, Alacak, Bakiye, Hesap, Sube"_s,
                     {{u"C1"_s, 250.0, 40.0, 210.0, u"Borç"_s, u"02"_s},
                      {u"=100"_s, 77.0, 0.0, 0.0, u"Borç"_s, u"02"_s},
                      {u"C2"_s, 5.0, 0.0, 0.0, u"Borç"_s, u"02"_s}});
        station->stock().insert(u"StokKartlar"_s, u"StokKod, CikanMik, KalanA, Maliyet, Sube"_s,
                                {{u"K1"_s, 12.5, 12.5, 38.5, u"02"_s}});
        server->insert(u"CariKartlar"_s, u"CariKod, Sube, Borc"_s,
                       {{u"C1"_s, u"02"_s, 1}, {u"=100"_s, u"02"_s, 1}, {u"C2"_s, u"02"_s, 1}});
        server->insert(u"StokKartlar"_s, u"StokKod, Sube"_s, {{u"K1"_s, u"02"_s}});
        account(u"C1"_s, 250, 0, u"1"_s);
        account(u"=100"_s, 77, 0, u"2"_s);
        stock(u"K1"_s, u"3"_s);
        QVERIFY(finished(station->run(command)));
        QCOMPARE(server->row(u"SELECT (SELECT MIN(\"Yeni\") FROM \"CariHareket\"), "
                             "(SELECT MIN(\"Yeni\") FROM \"StokHareket\")"_s),
                 (QVariantList{3, 3}));
        QCOMPARE(server->rows(u"SELECT \"CariKod\", \"Borc\", \"Alacak\", \"Bakiye\", \"Hesap\" "
                              "FROM \"CariKartlar\" ORDER BY 1"_s),
                 (SqlRows{{u"=100"_s, 1.0, 0.0, 0.0, u"Borç"_s},
                          {u"C1"_s, 250.0, 40.0, 210.0, u"Borç"_s},
                          {u"C2"_s, 1.0, 0.0, 0.0, u"Borç"_s}}));
        QCOMPARE(server->value(u"SELECT \"KalanA\" FROM \"StokKartlar\""_s).toDouble(), 12.5);
        // "=100": no totals sent, but settled; C2: not touched.
        QCOMPARE(cards.rows(u"SELECT Yeni FROM CariKartlar ORDER BY rowid"_s),
                 (SqlRows{{2}, {2}, {0}}));
        QCOMPARE(station->stock().value(u"SELECT Yeni FROM StokKartlar"_s).toInt(), 2);
    }

    // Only what arrived is cleared: a movement recorded while the upload runs, and one
    // the central database refuses, stay pending (the refusal is reported) and go
    // with a later run, once. The progress counts what arrived.
    void onlyArrivedMovementsAreCleared()
    {
        server->exec(
            u"ALTER TABLE \"CariHareket\" ADD CONSTRAINT test_limit CHECK (\"Borc\" < 1000000)"_s);
        for (int i = 0; i < 120; ++i) // three chunks of the branch's record set
            account(u"C%1"_s.arg(i % 9), 10 + i, 0, QString::number(i));
        account(u"C1"_s, 5000000, 0, u"too-big"_s);
        RecordingHost host;
        bool added = false;
        QStringList shown;
        host.onProgress = [&](const QString& text, int value, int) {
            shown.append(text);
            if (!added && value >= 60) {
                added = true;
                account(u"C7"_s, 1.5, 0, u"late"_s);
            }
        };
        QVERIFY(failedOn(station->run(command, false, &host), u"gönderilemedi"_s));
        QVERIFY(added);
        QCOMPARE(server->count(u"CariHareket"_s), 120);
        QVERIFY(shown.filter(u"Şube 02/"_s).last().endsWith(u"/120"_s));
        QVERIFY(shown.filter(u"/-1"_s).isEmpty());
        QCOMPARE(station->accounts().rows(
                     u"SELECT DigerId FROM CariHareket WHERE Yeni>0 ORDER BY DigerId"_s),
                 (SqlRows{{u"late"_s}, {u"too-big"_s}}));

        server->exec(u"ALTER TABLE \"CariHareket\" DROP CONSTRAINT test_limit"_s);
        QVERIFY(finished(station->run(command)));
        QCOMPARE(
            server->row(u"SELECT COUNT(*), COUNT(DISTINCT \"DigerId\") FROM \"CariHareket\""_s),
            (QVariantList{122, 122}));
        QCOMPARE(station->accounts().count(u"CariHareket"_s, pending), 0);
    }
};

QTEST_GUILESS_MAIN(TestExchangeRound)
#include "tst_exchange_round.moc"
