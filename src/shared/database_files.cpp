#include "database_files.h"

#include "sqlite_functions.h"
#include "table_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace dbfiles {

namespace {

QHash<QString, QString>& connectionNames()
{
    static QHash<QString, QString> names; // file path → connection name
    return names;
}

// The orders table: one row per recorded roll.
const QStringList kSiparis = {
    u"CREATE TABLE Siparis (SipNo TEXT, BarNo TEXT, Tarih DATETIME, Firma TEXT, Makina TEXT, "_s
    "MakCinsi TEXT, Kumas TEXT, Lot TEXT, SipKg DOUBLE, TopKg DOUBLE, Top DOUBLE, "
    "Operator TEXT, Fiyat DOUBLE, Aciklama TEXT, Durum TEXT)"_s,
    u"CREATE INDEX Siparis_SipNo ON Siparis (SipNo COLLATE TRNOCASE)"_s,
    // One roll, one barcode number.
    u"CREATE UNIQUE INDEX Siparis_BarNo ON Siparis (BarNo COLLATE TRNOCASE)"_s,
};

// Account cards as the station and the branch exchange use them.
const QStringList kCariKartlar = {
    u"CREATE TABLE CariKartlar (CariKod TEXT, Unvan TEXT, HesKullan BIT NOT NULL DEFAULT 0, "_s
    "Gurup TEXT DEFAULT 'Gurup Yok', Adres TEXT, Il TEXT, Telefon TEXT, VergiDairesi TEXT, "
    "VergiNo TEXT, Borc DOUBLE DEFAULT 0, Alacak DOUBLE DEFAULT 0, Bakiye DOUBLE DEFAULT 0, "
    "dBorc DOUBLE DEFAULT 0, dAlacak DOUBLE DEFAULT 0, dBakiye DOUBLE DEFAULT 0, "
    "eBorc DOUBLE DEFAULT 0, eAlacak DOUBLE DEFAULT 0, eBakiye DOUBLE DEFAULT 0, "
    "Hesap TEXT DEFAULT 'Borç', Sube TEXT, Yeni INTEGER DEFAULT 0, Server INTEGER DEFAULT 0)"_s,
    u"CREATE INDEX CariKartlar_CariKod ON CariKartlar (CariKod COLLATE TRNOCASE)"_s,
    // With the hidden-card flag in the title index, the live search counts its rows
    // from the index alone.
    u"CREATE INDEX CariKartlar_Unvan ON CariKartlar (Unvan COLLATE TRNOCASE, HesKullan)"_s,
};

// Stock (fabric) cards.
const QStringList kStokKartlar = {
    u"CREATE TABLE StokKartlar (StokKod TEXT, StokAdi TEXT, StokGizle BIT NOT NULL DEFAULT 0, "_s
    "Birim TEXT DEFAULT 'KG', Gurup TEXT DEFAULT 'Gurup Yok', Fiyat DOUBLE DEFAULT 0, "
    "gFiyat DOUBLE DEFAULT 0, GirenMik DOUBLE DEFAULT 0, GirenTutar DOUBLE DEFAULT 0, "
    "CikanMik DOUBLE DEFAULT 0, CikanTutar DOUBLE DEFAULT 0, KalanB DOUBLE DEFAULT 0, "
    "KalanA DOUBLE DEFAULT 0, Kar DOUBLE DEFAULT 0, Maliyet DOUBLE DEFAULT 0, Sube TEXT, "
    "Yeni INTEGER DEFAULT 0, Server INTEGER DEFAULT 0)"_s,
    u"CREATE INDEX StokKartlar_StokKod ON StokKartlar (StokKod COLLATE TRNOCASE)"_s,
    u"CREATE INDEX StokKartlar_StokAdi ON StokKartlar (StokAdi COLLATE TRNOCASE, StokGizle, StokKod COLLATE TRNOCASE)"_s,
};

} // namespace

QStringList tableStatements(const QString& table)
{
    if (table.compare(u"Siparis"_s, Qt::CaseInsensitive) == 0)
        return kSiparis;
    if (table.compare(u"CariKartlar"_s, Qt::CaseInsensitive) == 0)
        return kCariKartlar;
    if (table.compare(u"StokKartlar"_s, Qt::CaseInsensitive) == 0)
        return kStokKartlar;
    return {};
}

QSqlDatabase connection(const QString& path, QString* error)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto& names = connectionNames();
    if (const auto it = names.constFind(absolute); it != names.cend()) {
        QSqlDatabase db = QSqlDatabase::database(*it, false);
        if (db.isOpen())
            return db;
        QSqlDatabase::removeDatabase(*it);
        names.remove(absolute);
    }
    if (!QFileInfo(absolute).isFile()) {
        if (error)
            *error = u"Veritabanı dosyası bulunamadı: %1"_s.arg(QDir::toNativeSeparators(absolute));
        return {};
    }
    static int serial = 0;
    const QString name = u"topkar-db-%1"_s.arg(++serial);
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
    db.setDatabaseName(absolute);
    // Several stations may share one folder: wait for a writer instead of failing.
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=10000"_s);
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        db = {};
        QSqlDatabase::removeDatabase(name);
        return {};
    }
    // A page cache that holds the card tables, so that searching at every key reads
    // from memory.
    QSqlQuery(db).exec(u"PRAGMA cache_size = -65536"_s);
    QString why;
    if (!registerTurkishFunctions(db, &why)) {
        if (error)
            *error = why;
        db.close();
        db = {};
        QSqlDatabase::removeDatabase(name);
        return {};
    }
    names.insert(absolute, name);
    return db;
}

void closeAll()
{
    auto& names = connectionNames();
    for (const QString& name : std::as_const(names)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            forgetTableInfo(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    names.clear();
}

bool ensureDatabase(const QString& path, const QStringList& tables, QString* error)
{
    const QFileInfo info(path);
    if (!info.dir().exists()) {
        if (error)
            *error = u"Klasör bulunamadı: %1"_s.arg(QDir::toNativeSeparators(info.absolutePath()));
        return false;
    }
    if (!info.exists()) {
        // Create an empty file; the tables follow below.
        QFile file(info.absoluteFilePath());
        if (!file.open(QIODevice::WriteOnly)) {
            if (error)
                *error = file.errorString();
            return false;
        }
    }
    QSqlDatabase db = connection(info.absoluteFilePath(), error);
    if (!db.isValid())
        return false;
    const QStringList existing = db.tables();
    QStringList missing;
    for (const QString& t : tables) {
        bool found = false;
        for (const QString& e : existing)
            found = found || e.compare(t, Qt::CaseInsensitive) == 0;
        if (!found)
            missing.append(t);
    }
    if (missing.isEmpty())
        return true;
    // All tables of one file are created together or not at all.
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    QSqlQuery q(db);
    for (const QString& t : missing) {
        for (const QString& statement : tableStatements(t)) {
            if (!q.exec(statement)) {
                if (error)
                    *error = q.lastError().text();
                db.rollback();
                return false;
            }
        }
    }
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    forgetTableInfo(db);
    return true;
}

} // namespace dbfiles
