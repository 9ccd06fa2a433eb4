#include "core/database_files.h"

#include "core/jet_file.h"
#include "core/journal_mode.h"
#include "core/logging.h"
#include "core/sqlite_functions.h"
#include "core/table_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <array>
#include <optional>

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
    "Hesap TEXT DEFAULT 'Borç', Sube TEXT, Yeni INTEGER DEFAULT 0, Server INTEGER DEFAULT 0, "
    "DigerId TEXT)"_s,
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
    "Yeni INTEGER DEFAULT 0, Server INTEGER DEFAULT 0, DigerId TEXT)"_s,
    u"CREATE INDEX StokKartlar_StokKod ON StokKartlar (StokKod COLLATE TRNOCASE)"_s,
    u"CREATE INDEX StokKartlar_StokAdi ON StokKartlar (StokAdi COLLATE TRNOCASE, StokGizle, StokKod COLLATE TRNOCASE)"_s,
};

// A branch's account movements (in its Cari.Mdb). AktarimNo is the exchange's own
// mark of a movement on its way to the central database; it is never copied. There
// is no index on Sube or Yeni: the pending movements are read in key order, which an
// index on them would turn into a sort for every part read.
const QStringList kCariHareket = {
    u"CREATE TABLE CariHareket (CariHarKod TEXT, Tarih DATETIME, \"DökNo\" TEXT, Aciklama TEXT, "_s
    "Borc DOUBLE DEFAULT 0, Alacak DOUBLE DEFAULT 0, dBorc DOUBLE DEFAULT 0, "
    "dAlacak DOUBLE DEFAULT 0, eBorc DOUBLE DEFAULT 0, eAlacak DOUBLE DEFAULT 0, "
    "Fiyat DOUBLE DEFAULT 0, Miktar DOUBLE DEFAULT 0, KasaVisa TEXT, Nerde TEXT, Unvan TEXT, "
    "Carisi TEXT, DigerId TEXT, Sube TEXT, Yeni INTEGER DEFAULT 0, Server INTEGER DEFAULT 0, "
    "AktarimNo TEXT)"_s,
    u"CREATE INDEX CariHareket_CariHarKod ON CariHareket (CariHarKod COLLATE TRNOCASE)"_s,
    u"CREATE INDEX CariHareket_DigerId ON CariHareket (DigerId COLLATE TRNOCASE)"_s,
};

// A branch's stock movements (in its Stok.Mdb).
const QStringList kStokHareket = {
    u"CREATE TABLE StokHareket (StokHarKod TEXT, Tarih DATETIME, \"DökNo\" TEXT, Aciklama TEXT, "_s
    "Carisi TEXT, GirisCikis TEXT, Birim TEXT, Miktar DOUBLE DEFAULT 0, Fiyat DOUBLE DEFAULT 0, "
    "Tutar DOUBLE DEFAULT 0, dTutar DOUBLE DEFAULT 0, eTutar DOUBLE DEFAULT 0, "
    "KdvTut DOUBLE DEFAULT 0, Kar DOUBLE DEFAULT 0, KasaVisa TEXT, \"Üretim\" TEXT, "
    "\"Ürmik\" DOUBLE DEFAULT 0, Nerde TEXT, DigerId TEXT, SeriNoDiger TEXT, Sube TEXT, "
    "Yeni INTEGER DEFAULT 0, Server INTEGER DEFAULT 0, AktarimNo TEXT)"_s,
    u"CREATE INDEX StokHareket_DigerId ON StokHareket (DigerId COLLATE TRNOCASE)"_s,
};

// Account groups (Cari.Mdb) and stock groups (Stok.Mdb) share the layout.
const QStringList kGurup = {
    u"CREATE TABLE Gurup (Gurup TEXT)"_s,
    u"CREATE INDEX Gurup_Gurup ON Gurup (Gurup COLLATE TRNOCASE)"_s,
};

// Units of the stock cards (Stok.Mdb).
const QStringList kBirim = {
    u"CREATE TABLE Birim (Birim TEXT)"_s,
    u"CREATE INDEX Birim_Birim ON Birim (Birim COLLATE TRNOCASE)"_s,
};

// Special prices: a customer's own price of a stock item (Cari.Mdb).
const QStringList kCari = {
    u"CREATE TABLE Cari (CariKod TEXT, StokKod TEXT, \"0Fiyat\" DOUBLE DEFAULT 0)"_s,
    u"CREATE INDEX Cari_CariKod ON Cari (CariKod COLLATE TRNOCASE, StokKod COLLATE TRNOCASE)"_s,
};

// Central records a branch has posted but not yet settled with the central database;
// a record listed here is never posted twice (see the exchange's download).
const QStringList kAlinanKayitlar = {
    u"CREATE TABLE AlinanKayitlar (Merkez TEXT NOT NULL, Tablo TEXT NOT NULL, "_s
    "MerkezId INTEGER NOT NULL, PRIMARY KEY (Merkez, Tablo, MerkezId))"_s,
};

} // namespace

// The column definitions of a CREATE TABLE statement: name → definition text.
QList<std::pair<QString, QString>> columnDefinitions(const QString& statement)
{
    QList<std::pair<QString, QString>> columns;
    const qsizetype open = statement.indexOf(u'(');
    const qsizetype close = statement.lastIndexOf(u')');
    if (open < 0 || close <= open)
        return columns;
    const QString body = statement.mid(open + 1, close - open - 1);
    QStringList parts;
    QString part;
    int depth = 0;
    QChar quote;
    for (const QChar c : body) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (c == u',' && depth == 0) {
            parts.append(part.trimmed());
            part.clear();
            continue;
        }
        part += c;
    }
    parts.append(part.trimmed());
    for (const QString& definition : std::as_const(parts)) {
        QString name = definition.section(u' ', 0, 0);
        if (name.compare(u"PRIMARY"_s, Qt::CaseInsensitive) == 0 ||
            name.compare(u"UNIQUE"_s, Qt::CaseInsensitive) == 0)
            continue;
        if (name.startsWith(u'"') && name.endsWith(u'"'))
            name = name.mid(1, name.size() - 2);
        columns.append({name, definition});
    }
    return columns;
}

QStringList tableStatements(const QString& table)
{
    static const std::array<std::pair<const char16_t*, const QStringList*>, 9> kTables = {{
        {u"Siparis", &kSiparis},
        {u"CariKartlar", &kCariKartlar},
        {u"StokKartlar", &kStokKartlar},
        {u"CariHareket", &kCariHareket},
        {u"StokHareket", &kStokHareket},
        {u"Gurup", &kGurup},
        {u"Birim", &kBirim},
        {u"Cari", &kCari},
        {u"AlinanKayitlar", &kAlinanKayitlar},
    }};
    for (const auto& [name, statements] : kTables)
        if (table.compare(QStringView(name), Qt::CaseInsensitive) == 0)
            return *statements;
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
    // An old Jet (Access) file is never opened as SQLite: it would read as damaged.
    if (jet::isJetFile(absolute)) {
        if (error)
            *error = u"Jet (Access) dosyası, aktarılmadan açılamaz: %1"_s.arg(
                QDir::toNativeSeparators(absolute));
        return {};
    }
    static int serial = 0;
    const QString name = u"topkar-db-%1"_s.arg(++serial);
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
    db.setDatabaseName(absolute);
    // Several stations may share one folder: wait for a writer instead of failing.
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=10000"_s);
    if (!db.open()) {
        qCWarning(lcDatabase).noquote()
            << "açılamadı:" << QDir::toNativeSeparators(absolute) << db.lastError().text();
        if (error)
            *error = db.lastError().text();
        db = {};
        QSqlDatabase::removeDatabase(name);
        return {};
    }
    // A page cache that holds the card tables, so that searching at every key reads
    // from memory.
    QSqlQuery(db).exec(u"PRAGMA cache_size = -65536"_s);
    journal::choose(db, absolute);
    QString why;
    if (!registerFunctions(db, &why)) {
        qCWarning(lcDatabase).noquote() << "Türkçe karşılaştırma kurulamadı:" << why;
        if (error)
            *error = why;
        db.close();
        db = {};
        QSqlDatabase::removeDatabase(name);
        return {};
    }
    names.insert(absolute, name);
    qCDebug(lcDatabase).noquote() << "açıldı:" << QDir::toNativeSeparators(absolute);
    return db;
}

void close(const QString& path)
{
    const QString name = connectionNames().take(QFileInfo(path).absoluteFilePath());
    if (name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        forgetTableInfo(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void closeAll()
{
    for (const QString& path : connectionNames().keys())
        close(path);
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
            qCWarning(lcDatabase).noquote()
                << "yaratılamadı:" << file.fileName() << file.errorString();
            if (error)
                *error = file.errorString();
            return false;
        }
        qCInfo(lcDatabase).noquote()
            << "yeni veritabanı dosyası:" << QDir::toNativeSeparators(file.fileName());
    }
    QSqlDatabase db = connection(info.absoluteFilePath(), error);
    if (!db.isValid())
        return false;
    QSqlQuery q(db);
    // The statements that bring the file up to date: the missing tables, and the
    // columns that tables of older files lack.
    auto plan = [&]() -> std::optional<QStringList> {
        forgetTableInfo(db);
        const QStringList existing = db.tables();
        QStringList missing;
        QStringList statements;
        for (const QString& t : tables) {
            QString found;
            for (const QString& e : existing)
                if (e.compare(t, Qt::CaseInsensitive) == 0)
                    found = e;
            if (found.isEmpty()) {
                missing.append(t);
                continue;
            }
            const QStringList definition = tableStatements(t);
            if (definition.isEmpty())
                continue;
            QStringList have;
            if (!q.exec(u"PRAGMA table_info(%1)"_s.arg(jetsql::quoteIdentifier(found)))) {
                if (error)
                    *error = q.lastError().text();
                return std::nullopt;
            }
            while (q.next())
                have.append(q.value(1).toString());
            for (const auto& [name, column] : columnDefinitions(definition.first()))
                if (!have.contains(name, Qt::CaseInsensitive))
                    statements.append(u"ALTER TABLE %1 ADD COLUMN %2"_s.arg(
                        jetsql::quoteIdentifier(found), column));
        }
        for (const QString& t : missing)
            statements.append(tableStatements(t));
        return statements;
    };
    auto statements = plan();
    if (!statements)
        return false;
    if (statements->isEmpty())
        return true;
    // All tables and columns of one file are added together or not at all, under the
    // file's write lock: another station starting at the same moment may have added
    // them meanwhile, so what is missing is looked at again once the lock is held.
    if (!q.exec(u"BEGIN IMMEDIATE"_s)) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    statements = plan();
    if (!statements) {
        QSqlQuery(db).exec(u"ROLLBACK"_s);
        return false;
    }
    for (const QString& statement : std::as_const(*statements)) {
        if (!q.exec(statement)) {
            if (error)
                *error = q.lastError().text();
            QSqlQuery(db).exec(u"ROLLBACK"_s);
            return false;
        }
    }
    if (!q.exec(u"COMMIT"_s)) {
        if (error)
            *error = q.lastError().text();
        QSqlQuery(db).exec(u"ROLLBACK"_s);
        return false;
    }
    forgetTableInfo(db);
    return true;
}

bool registerFunctions(const QSqlDatabase& db, QString* error)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        *error = u"SQLite bağlantısı değil"_s;
        return false;
    }
    auto* sqlite = *static_cast<sqlite3* const*>(handle.data());
    if (!sqlite) {
        *error = u"Veritabanı açık değil"_s;
        return false;
    }
    if (registerTurkishFunctions(sqlite) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(sqlite));
        return false;
    }
    return true;
}

} // namespace dbfiles
