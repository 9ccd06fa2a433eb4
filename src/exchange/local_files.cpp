#include "exchange/local_files.h"

#include "core/database_files.h"
#include "core/jet_file.h"
#include "core/shared_routines.h"
#include "exchange/download_marks.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace localfiles {

bool point(DataControl& control, const QString& path, const QString& source, QString* error)
{
    control.close();
    control.setDatabaseName(path);
    control.setRecordSource(source);
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = u"Veritabanı dosyası bulunamadı: %1"_s.arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (jet::isJetFile(path)) {
        // Opened as SQLite it would only read as "not a database"; it is never written.
        if (error)
            *error = u"%1 bir Jet (Access) dosyası; aktarım onu açmaz. Önce SQLite dosyasına "
                     "aktarın: topkar-import \"%1\" yeni.Mdb, sonra Jet dosyasını saklayıp "
                     "yeni dosyayı bu adla yerine koyun."_s.arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (!RefreshToFirst(control)) {
        if (error)
            *error = control.lastError();
        return false;
    }
    return true;
}

QString lacking(const QString& path, const QStringList& tables)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile())
        return u"%1 yok"_s.arg(shown);
    // A file that is there but cannot be read lacks nothing: point() refuses it with
    // the reason, as a failure.
    if (jet::isJetFile(path))
        return {};
    const QSqlDatabase db = dbfiles::connection(path);
    QSqlQuery q(db);
    if (!db.isValid() || !q.exec(u"SELECT name FROM sqlite_master WHERE type = 'table'"_s))
        return {};
    QStringList have;
    while (q.next())
        have.append(q.value(0).toString());
    QStringList missing;
    for (const QString& table : tables)
        if (!have.contains(table, Qt::CaseInsensitive))
            missing.append(table);
    if (missing.isEmpty())
        return {};
    return u"%1 dosyasında %2 %3 yok"_s.arg(shown, missing.join(u", "_s),
                                            missing.size() == 1 ? u"tablosu"_s : u"tabloları"_s);
}

bool prepareBranch(const ExchangeSettings& s, QStringList* made, QString* error)
{
    QList<std::pair<QString, QStringList>> files = {
        {s.accountDatabase(s.OwnBranch),
         {u"CariKartlar"_s, u"CariHareket"_s, u"Gurup"_s, u"Cari"_s, downloadmarks::kTable}},
        {s.stockDatabase(s.OwnBranch),
         {u"StokKartlar"_s, u"StokHareket"_s, u"Gurup"_s, u"Birim"_s, downloadmarks::kTable}}};
    // The central station posts the headquarters' mirror in the company database.
    if (s.CentralStation)
        files.append(
            {s.companyDatabase(), {u"CariKartlar"_s, u"CariHareket"_s, downloadmarks::kTable}});
    for (const auto& [path, tables] : std::as_const(files)) {
        if (!dbfiles::ensureDatabase(path, tables, error))
            return false;
        if (!made->contains(QDir::toNativeSeparators(path)))
            made->append(QDir::toNativeSeparators(path));
    }
    return true;
}

QSqlDatabase connectionOf(const QString& path)
{
    return dbfiles::connection(path);
}

Transaction::Transaction(QSqlDatabase db) : m_db(std::move(db))
{
    m_active = exec(u"BEGIN IMMEDIATE"_s);
}

Transaction::~Transaction()
{
    rollback();
}

bool Transaction::exec(const QString& sql)
{
    QSqlQuery q(m_db);
    if (q.exec(sql))
        return true;
    m_error = q.lastError().text();
    return false;
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    if (!exec(u"COMMIT"_s)) {
        rollback();
        return false;
    }
    m_active = false;
    return true;
}

void Transaction::rollback()
{
    if (!m_active)
        return;
    QSqlQuery q(m_db);
    q.exec(u"ROLLBACK"_s);
    m_active = false;
}

bool Transaction::mark()
{
    return exec(u"SAVEPOINT record"_s);
}

bool Transaction::keepMarked()
{
    return exec(u"RELEASE record"_s);
}

void Transaction::dropMarked()
{
    exec(u"ROLLBACK TO record"_s);
    exec(u"RELEASE record"_s);
}

} // namespace localfiles
