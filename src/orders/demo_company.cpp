#include "orders/demo_company.h"

#include "core/database_files.h"
#include "core/settings_store.h"

#include <QDate>
#include <QDir>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

const QStringList kFamilyNames = {
    u"ÖZTÜRK"_s,  u"AKSOY"_s,  u"YILDIZ"_s, u"ÇAĞLAR"_s,  u"GÜNEŞ"_s,   u"ŞAHİN"_s,
    u"DOĞAN"_s,   u"IŞIK"_s,   u"İPEK"_s,   u"KILIÇ"_s,   u"ERDOĞAN"_s, u"KARACA"_s,
    u"ÖZDEMİR"_s, u"ÇELİK"_s,  u"AYDIN"_s,  u"TUNÇ"_s,    u"UĞUR"_s,    u"SÖNMEZ"_s,
    u"KORKMAZ"_s, u"ŞİMŞEK"_s, u"ARSLAN"_s, u"BOZKURT"_s, u"ÇİFTÇİ"_s,  u"GÜLER"_s,
    u"KAPLAN"_s,  u"POLAT"_s,  u"TEKİN"_s,  u"ÜNAL"_s,    u"YAVUZ"_s,   u"ERGÜN"_s};
const QStringList kTrades = {u"TEKSTİL"_s,   u"ÖRME"_s,  u"KONFEKSİYON"_s, u"DOKUMA"_s,
                             u"BOYA APRE"_s, u"İPLİK"_s, u"GİYİM"_s,       u"KUMAŞ"_s};
const QStringList kForms = {u"A.Ş."_s, u"LTD. ŞTİ."_s, u"SAN. VE TİC. LTD. ŞTİ."_s,
                            u"SAN. TİC. A.Ş."_s};
const QStringList kCities = {u"İSTANBUL"_s,  u"BURSA"_s,   u"İZMİR"_s, u"DENİZLİ"_s,
                             u"GAZİANTEP"_s, u"KAYSERİ"_s, u"UŞAK"_s,  u"TEKİRDAĞ"_s};
const QStringList kKnits = {u"SÜPREM"_s,   u"İNTERLOK"_s,  u"RİBANA"_s, u"KAŞKORSE"_s, u"PİKE"_s,
                            u"ÜÇ İPLİK"_s, u"İKİ İPLİK"_s, u"LAKOST"_s, u"POLAR"_s,    u"KADİFE"_s};
const QStringList kYarns = {u"20/1"_s, u"24/1"_s, u"30/1"_s, u"40/1"_s};
const QStringList kFibres = {u"PENYE"_s, u"KARDE"_s, u"LİKRALI PENYE"_s, u"VİSKON"_s, u"MODAL"_s};
const QStringList kMachineKinds = {u"Mak.Cinsi Yok"_s, u"30\"28 E"_s, u"32\"28 E"_s, u"34\"28 E"_s,
                                   u"30\"22 E"_s,      u"32\"22 E"_s, u"30\"24 E"_s};
const QStringList kOperators = {u"Operatör Yok"_s, u"Ali Şahin"_s, u"Ayşe Kılıç"_s,
                                u"Mehmet Çelik"_s};
const QStringList kNotes = {QString(),     QString(),
                            u"Acil"_s,     u"Numune gönderildi"_s,
                            u"Yıkamalı"_s, u"Kenar çekmesi kontrol"_s};

bool run(QSqlQuery& q, QString* error)
{
    if (q.exec())
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

} // namespace

bool fillDemoCompany(const QString& dataFolder, QString* error)
{
    QDir dir(dataFolder);
    if (!dir.mkpath(u"."_s)) {
        if (error)
            *error = u"Klasör yaratılamadı: %1"_s.arg(dataFolder);
        return false;
    }
    const QString orders = dir.filePath(QLatin1String(dbfiles::kOrders));
    const QString accounts = dir.filePath(QLatin1String(dbfiles::kAccounts));
    const QString stock = dir.filePath(QLatin1String(dbfiles::kStock));
    if (!dbfiles::ensureDatabase(orders, {u"Siparis"_s}, error) ||
        !dbfiles::ensureDatabase(accounts, {u"CariKartlar"_s}, error) ||
        !dbfiles::ensureDatabase(stock, {u"StokKartlar"_s}, error))
        return false;
    // The demo station names the operators its rolls carry.
    if (settings::GetSetting(u"Platform"_s, u"Operators"_s).isEmpty())
        settings::SaveSetting(u"Platform"_s, u"Operators"_s, kOperators.mid(1).join(u','));
    QSqlDatabase ordersDb = dbfiles::connection(orders, error);
    QSqlQuery count(ordersDb);
    count.exec(u"SELECT COUNT(*) FROM Siparis"_s);
    if (count.next() && count.value(0).toInt() > 0)
        return true;

    QRandomGenerator rnd(1047);
    auto pick = [&rnd](const QStringList& list) {
        return list[rnd.bounded(static_cast<int>(list.size()))];
    };

    // Customers.
    QStringList titles;
    {
        QSqlDatabase db = dbfiles::connection(accounts, error);
        db.transaction();
        QSqlQuery q(db);
        q.prepare(
            u"INSERT INTO CariKartlar (CariKod, Unvan, HesKullan, Il, Telefon, Gurup) VALUES (?, ?, ?, ?, ?, ?)"_s);
        for (int i = 1; i <= 300; ++i) {
            QString title = pick(kFamilyNames) + u' ' + pick(kTrades) + u' ' + pick(kForms);
            if (titles.contains(title))
                title = pick(kFamilyNames) + u' ' + title;
            titles.append(title);
            q.addBindValue(
                u"120.%1.%2"_s.arg(1 + i / 100, 2, 10, QChar(u'0')).arg(i, 3, 10, QChar(u'0')));
            q.addBindValue(title);
            q.addBindValue(i % 37 == 0 ? 1 : 0); // a few closed accounts
            q.addBindValue(pick(kCities));
            q.addBindValue(u"0%1 %2 %3"_s.arg(212 + rnd.bounded(300))
                               .arg(rnd.bounded(100, 999))
                               .arg(rnd.bounded(1000, 9999)));
            q.addBindValue(u"Müşteriler"_s);
            if (!run(q, error))
                return false;
        }
        db.commit();
    }
    // Fabrics.
    QStringList fabrics;
    {
        QSqlDatabase db = dbfiles::connection(stock, error);
        db.transaction();
        QSqlQuery q(db);
        q.prepare(
            u"INSERT INTO StokKartlar (StokKod, StokAdi, StokGizle, Fiyat, Gurup) VALUES (?, ?, ?, ?, ?)"_s);
        int n = 0;
        for (const QString& yarn : kYarns)
            for (const QString& fibre : kFibres)
                for (const QString& knit : kKnits) {
                    ++n;
                    const QString name = yarn + u' ' + fibre + u' ' + knit;
                    fabrics.append(name);
                    q.addBindValue(u"KM-%1"_s.arg(n, 4, 10, QChar(u'0')));
                    q.addBindValue(name);
                    q.addBindValue(n % 29 == 0 ? 1 : 0);
                    q.addBindValue(85.0 + rnd.bounded(75.0));
                    q.addBindValue(u"Kumaşlar"_s);
                    if (!run(q, error))
                        return false;
                }
        db.commit();
    }
    // Orders and their rolls, the oldest first; the newest are still in production.
    ordersDb.transaction();
    QSqlQuery q(ordersDb);
    q.prepare(
        u"INSERT INTO Siparis (SipNo, BarNo, Tarih, Firma, Makina, MakCinsi, Kumas, Lot, SipKg, "
        "TopKg, Top, Operator, Fiyat, Aciklama, Durum) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    const QDate today = QDate::currentDate();
    int counter = 0;
    for (int order = 0; order < 2000; ++order) {
        const int sipNo = 1001 + order;
        const QDate day = today.addDays(-(2000 - order) * 365 / 2000 - 4);
        const int rolls = 6 + rnd.bounded(9); // 6 … 14, about 10 on average
        const double sipKg = std::round(rolls * 22.0 / 50.0) * 50.0;
        const QString firma = pick(titles);
        const QString kumas = pick(fabrics);
        const QString lot = rnd.bounded(4) == 0 ? QString() : u"L%1"_s.arg(rnd.bounded(1000, 9999));
        const QString machine = u"Makina %1"_s.arg(1 + rnd.bounded(10));
        const QString kind = pick(kMachineKinds);
        const double price = 85.0 + rnd.bounded(75);
        const QString note = pick(kNotes);
        const QString status =
            order < 1900 ? u"Gitti"_s : (order < 1980 ? u"Üretimde"_s : u"Sipariş"_s);
        for (int r = 0; r < rolls; ++r) {
            ++counter;
            const QDate rollDay = day.addDays(r / 4);
            q.addBindValue(QString::number(sipNo));
            q.addBindValue(
                u"%1S%2%3"_s.arg(sipNo).arg(rollDay.month(), 2, 10, QChar(u'0')).arg(counter));
            q.addBindValue(rollDay.toString(Qt::ISODate));
            q.addBindValue(firma);
            q.addBindValue(machine);
            q.addBindValue(kind);
            q.addBindValue(kumas);
            q.addBindValue(lot.isEmpty() ? QVariant() : QVariant(lot));
            q.addBindValue(sipKg);
            q.addBindValue(std::round((15.0 + rnd.bounded(15.0)) * 100.0) / 100.0);
            q.addBindValue(1);
            q.addBindValue(pick(kOperators));
            q.addBindValue(price);
            q.addBindValue(note.isEmpty() ? QVariant() : QVariant(note));
            q.addBindValue(status);
            if (!run(q, error)) {
                ordersDb.rollback();
                return false;
            }
        }
    }
    if (!ordersDb.commit()) {
        if (error)
            *error = ordersDb.lastError().text();
        return false;
    }
    return true;
}
