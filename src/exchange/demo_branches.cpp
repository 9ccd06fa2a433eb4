#include "exchange/demo_branches.h"

#include "core/database_files.h"
#include "core/sequential_file.h"
#include "exchange/local_files.h"

#include <QDate>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace demobranches {

namespace {

const QStringList kCustomers = {u"Çağlar Tekstil Ltd. Şti."_s,
                                u"Işık Örme San."_s,
                                u"Gündoğdu Konfeksiyon"_s,
                                u"Öztürk İplik A.Ş."_s,
                                u"Şahin Kumaş Ticaret"_s,
                                u"Yıldız Boya Apre"_s,
                                u"Ürgüp Dokuma"_s,
                                u"İğneada Tekstil"_s,
                                u"Güneş Örgü Evi"_s,
                                u"Çiçek Moda Tasarım"_s};
const QStringList kFabrics = {u"Süprem 30/1"_s, u"İnterlok Penye"_s,    u"Kaşkorse 2x2"_s,
                              u"Ribana Örgü"_s, u"Üç İplik Şardonlu"_s, u"Pike Dokuma"_s};

bool setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

QString folderOf(const QString& dataFolder)
{
    QString f = QDir::fromNativeSeparators(dataFolder);
    if (!f.isEmpty() && !f.endsWith(u'/'))
        f += u'/';
    return f;
}

bool exec(QSqlQuery& q, QString* error)
{
    if (q.exec())
        return true;
    return setError(error, q.lastError().text());
}

int count(const QSqlDatabase& db, const QString& table)
{
    QSqlQuery q(db);
    q.exec(u"SELECT COUNT(*) FROM "_s + table);
    return q.next() ? q.value(0).toInt() : 0;
}

} // namespace

bool addCards(const QString& dataFolder, const QString& branch, QString* error)
{
    const QString folder = folderOf(dataFolder);
    const QString cari = folder + branch + u"Cari.Mdb"_s;
    const QString stok = folder + branch + u"Stok.Mdb"_s;
    ExchangeSettings settings;
    settings.DataFolder = folder;
    settings.OwnBranch = branch;
    QStringList made;
    if (!localfiles::prepareBranch(settings, &made, error))
        return false;
    QSqlDatabase db = dbfiles::connection(cari, error);
    if (count(db, u"CariKartlar"_s) == 0) {
        db.transaction();
        QSqlQuery q(db);
        q.prepare(
            u"INSERT INTO CariKartlar (CariKod, Unvan, Gurup, Il, Sube) VALUES (?, ?, ?, ?, ?)"_s);
        auto add = [&](const QString& code, const QString& name, const QString& group) {
            q.addBindValue(code);
            q.addBindValue(name);
            q.addBindValue(group);
            q.addBindValue(u"İstanbul"_s);
            q.addBindValue(branch);
            return exec(q, error);
        };
        bool ok = add(u"=100"_s, u"Merkez Kasa"_s, u"Kasa"_s) &&
                  add(u"=110"_s, u"Hesaplanan KDV"_s, u"Vergi"_s) &&
                  add(u"Merkez"_s, u"Merkez"_s, u"Gurup Yok"_s) &&
                  add(u"Şube"_s + branch, u"Şube "_s + branch, u"Şubeler"_s);
        for (int i = 0; ok && i < kCustomers.size(); ++i)
            ok = add(u"120.%1.%2"_s.arg(branch).arg(i + 1, 3, 10, QChar(u'0')), kCustomers[i],
                     u"Müşteriler"_s);
        QSqlQuery prices(db);
        prices.prepare(u"INSERT INTO Cari (CariKod, StokKod, \"0Fiyat\") VALUES (?, ?, ?)"_s);
        prices.addBindValue(u"120.%1.001"_s.arg(branch));
        prices.addBindValue(u"KMS-001"_s);
        prices.addBindValue(41.75);
        ok = ok && exec(prices, error);
        if (!ok) {
            db.rollback();
            return false;
        }
        db.commit();
    }
    db = dbfiles::connection(stok, error);
    if (count(db, u"StokKartlar"_s) == 0) {
        db.transaction();
        QSqlQuery q(db);
        q.prepare(
            u"INSERT INTO StokKartlar (StokKod, StokAdi, Birim, Gurup, Fiyat, Sube) VALUES (?, ?, ?, ?, ?, ?)"_s);
        for (int i = 0; i < kFabrics.size(); ++i) {
            q.addBindValue(u"KMS-%1"_s.arg(i + 1, 3, 10, QChar(u'0')));
            q.addBindValue(kFabrics[i]);
            q.addBindValue(u"KG"_s);
            q.addBindValue(u"Örme Kumaş"_s);
            q.addBindValue(38.5 + i * 2.25);
            q.addBindValue(branch);
            if (!exec(q, error)) {
                db.rollback();
                return false;
            }
        }
        db.commit();
    }
    return true;
}

bool addSales(const QString& dataFolder, const QString& branch, int n, int firstId, QString* error)
{
    if (!addCards(dataFolder, branch, error))
        return false;
    const QString folder = folderOf(dataFolder);
    QSqlDatabase cari = dbfiles::connection(folder + branch + u"Cari.Mdb"_s, error);
    QSqlDatabase stok = dbfiles::connection(folder + branch + u"Stok.Mdb"_s, error);
    if (!cari.isValid() || !stok.isValid())
        return false;
    cari.transaction();
    stok.transaction();
    QSqlQuery a(cari);
    a.prepare(
        u"INSERT INTO CariHareket (CariHarKod, Tarih, \"DökNo\", Aciklama, Borc, Alacak, Fiyat, Miktar, "_s
        "KasaVisa, Nerde, Unvan, Carisi, DigerId, Sube, Yeni) VALUES (?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, 1)"_s);
    QSqlQuery s(stok);
    s.prepare(
        u"INSERT INTO StokHareket (StokHarKod, Tarih, \"DökNo\", Aciklama, Carisi, GirisCikis, Birim, Miktar, "_s
        "Fiyat, Tutar, KdvTut, Kar, KasaVisa, \"Üretim\", \"Ürmik\", Nerde, DigerId, SeriNoDiger, "
        "Sube, Yeni) "
        "VALUES (?, ?, ?, ?, ?, 'Satış', 'KG', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"_s);
    const QDate start(2026, 1, 2);
    bool ok = true;
    for (int i = 0; ok && i < n; ++i) {
        const int id = firstId + i;
        const int c = id % static_cast<int>(kCustomers.size());
        const QString customer = u"120.%1.%2"_s.arg(branch).arg(c + 1, 3, 10, QChar(u'0'));
        const QString fabric = u"KMS-%1"_s.arg(id % kFabrics.size() + 1, 3, 10, QChar(u'0'));
        const double kg = 12.5 + (id % 37) * 1.25;
        const double price = 38.5 + (id % kFabrics.size()) * 2.25;
        const double amount = std::round(kg * price * 100) / 100;
        const QString digerId = u"%1-%2"_s.arg(branch).arg(id, 7, 10, QChar(u'0'));
        const QString doc = u"İRS-%1"_s.arg(id);
        const QString date = start.addDays(id % 300).toString(Qt::ISODate);
        a.addBindValue(customer);
        a.addBindValue(date);
        a.addBindValue(doc);
        a.addBindValue(u"Satış: %1 kg %2"_s.arg(QString::number(kg).replace(u'.', u','),
                                                kFabrics[id % kFabrics.size()]));
        a.addBindValue(amount);
        a.addBindValue(price);
        a.addBindValue(kg);
        a.addBindValue(id % 4 == 0 ? u"Nakit"_s : u"Veresiye"_s);
        a.addBindValue(id % 10 == 0 ? u"FI"_s : u"S"_s);
        a.addBindValue(kCustomers[c]);
        a.addBindValue(customer);
        a.addBindValue(digerId);
        a.addBindValue(branch);
        s.addBindValue(fabric);
        s.addBindValue(date);
        s.addBindValue(doc);
        s.addBindValue(u"Satış – %1"_s.arg(kCustomers[c]));
        s.addBindValue(customer);
        s.addBindValue(kg);
        s.addBindValue(price);
        s.addBindValue(amount);
        s.addBindValue(std::round(amount * 18) / 100);
        s.addBindValue(std::round(kg * 2.5 * 100) / 100);
        s.addBindValue(id % 4 == 0 ? u"Nakit"_s : u"Veresiye"_s);
        s.addBindValue(u"Örgü"_s);
        s.addBindValue(kg);
        s.addBindValue(u"S"_s);
        s.addBindValue(digerId);
        s.addBindValue(u"SN-"_s + digerId);
        s.addBindValue(branch);
        ok = exec(a, error) && exec(s, error);
    }
    if (!ok || !cari.commit() || !stok.commit()) {
        cari.rollback();
        stok.rollback();
        return ok ? setError(error, cari.lastError().text()) : false;
    }
    return true;
}

bool make(const QString& folder, int movements, QString* error)
{
    const QString branchFolder = QDir(folder).filePath(u"sube02"_s);
    const QString centralFolder = QDir(folder).filePath(u"merkez"_s);
    if (!QDir().mkpath(branchFolder) || !QDir().mkpath(centralFolder))
        return setError(error, u"Klasör açılamadı: %1"_s.arg(folder));
    seqfile::Writer list;
    for (const QString& b : {u"01"_s, u"02"_s, u"03"_s}) {
        list.text(b);
        list.endRecord();
    }
    for (const QString& f : {branchFolder, centralFolder})
        if (!seqfile::writeFile(QDir(f).filePath(u"Sube.txt"_s), list.content(), error))
            return false;
    // The branch station: its cards and its pending sales.
    QSqlDatabase db;
    if (!addCards(branchFolder, u"02"_s, error))
        return false;
    db = dbfiles::connection(QDir(branchFolder).filePath(u"02Cari.Mdb"_s), error);
    if (count(db, u"CariHareket"_s) == 0 && !addSales(branchFolder, u"02"_s, movements, 1, error))
        return false;
    // A payment of the branch to the headquarters: the central station mirrors it in
    // the company database.
    QSqlQuery q(db);
    q.prepare(
        u"INSERT INTO CariHareket (CariHarKod, Tarih, Aciklama, Borc, Unvan, DigerId, Sube, Yeni) "_s
        "SELECT 'Merkez', '2026-03-02', 'Merkeze Ödeme', 1500.5, 'Merkez', '02-M1', '02', 1 "
        "WHERE NOT EXISTS (SELECT 1 FROM CariHareket WHERE DigerId = '02-M1')"_s);
    if (!exec(q, error))
        return false;
    // The central station: the company database (with the branches' accounts) and its
    // copy of branch 02's cards.
    if (!addCards(centralFolder, u"01"_s, error) || !addCards(centralFolder, u"02"_s, error))
        return false;
    db = dbfiles::connection(QDir(centralFolder).filePath(u"01Cari.Mdb"_s), error);
    q = QSqlQuery(db);
    q.prepare(
        u"INSERT INTO CariKartlar (CariKod, Unvan, Gurup, Sube) SELECT 'Şube02', 'Şube 02', 'Şubeler', '01' "_s
        "WHERE NOT EXISTS (SELECT 1 FROM CariKartlar WHERE CariKod = 'Şube02')"_s);
    return exec(q, error);
}

} // namespace demobranches
