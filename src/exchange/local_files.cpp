#include "exchange/local_files.h"

#include "core/database_files.h"
#include "core/jet_file.h"
#include "core/shared_routines.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace localfiles {

bool point(DataControl& control, const QString& path, const QString& source,
           const QStringList& tables, bool create, QString* error)
{
    control.close();
    control.setDatabaseName(path);
    control.setRecordSource(source);
    if (!create && !QFileInfo(path).isFile()) {
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
    if (!dbfiles::ensureDatabase(path, tables, error))
        return false;
    if (!RefreshToFirst(control)) {
        if (error)
            *error = control.lastError();
        return false;
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
