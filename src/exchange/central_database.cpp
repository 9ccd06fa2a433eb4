#include "exchange/central_database.h"

#include "core/table_schema.h"
#include "exchange/central_upgrade.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

bool setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

CentralDatabase::CentralDatabase()
{
    static int serial = 0;
    m_name = u"topkar-central-%1"_s.arg(++serial);
}

CentralDatabase::~CentralDatabase()
{
    close();
}

bool CentralDatabase::open(const QString& dataSource, QString* error)
{
    close();
    m_db = QSqlDatabase::addDatabase(u"QODBC"_s, m_name);
    // The driver puts "DSN=" in front of a bare name itself.
    m_db.setDatabaseName(dataSource);
    if (!m_db.open()) {
        const QString why = m_db.lastError().text();
        close();
        return setError(error,
                        u"Merkez veritabanına (%1) bağlanılamadı: %2"_s.arg(dataSource, why));
    }
    // The layouts are read here once for the whole run; only when one is missing is the
    // database asked exactly what it lacks.
    QString why;
    for (const QString& table : {u"CariKartlar"_s, u"StokKartlar"_s, u"CariHareket"_s,
                                 u"StokHareket"_s, u"AktarimFisleri"_s}) {
        if (readTableInfo(m_db, table, &why))
            continue;
        const QStringList missing = centralupgrade::missingParts(m_db);
        close();
        if (missing.isEmpty())
            return setError(error, u"Merkez veritabanı (%1) okunamadı: %2"_s.arg(dataSource, why));
        return setError(error, u"Merkez veritabanında (%1) aktarımın gereği eksik: %2. "
                               "Eklemek için: topkar-exchange --upgrade-central (satırlara "
                               "dokunmaz)"_s.arg(dataSource, missing.join(u"; "_s)));
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (q.exec(u"SELECT \"Kimlik\" FROM \"MerkezKimlik\""_s) && q.next())
        m_identity = q.value(0).toString();
    return true;
}

void CentralDatabase::close()
{
    if (m_db.isValid()) {
        forgetTableInfo(m_db);
        m_db.close();
    }
    m_db = QSqlDatabase();
    m_identity.clear();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

bool CentralDatabase::alive()
{
    if (!m_db.isOpen())
        return false;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    return q.exec(u"SELECT 1"_s) && q.next();
}

bool CentralDatabase::begin(QString* error)
{
    if (m_db.transaction())
        return true;
    return setError(error, m_db.lastError().text());
}

bool CentralDatabase::commit(QString* error)
{
    if (m_db.commit())
        return true;
    const QString why = m_db.lastError().text();
    m_db.rollback();
    return setError(error, why);
}

void CentralDatabase::rollback()
{
    m_db.rollback();
}

bool CentralDatabase::tryLock(const QString& name)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(u"SELECT pg_try_advisory_lock(hashtext(?))"_s);
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return true; // a server without such locks: work without one
    return q.value(0).toBool();
}

void CentralDatabase::unlock(const QString& name)
{
    QSqlQuery q(m_db);
    q.prepare(u"SELECT pg_advisory_unlock(hashtext(?))"_s);
    q.addBindValue(name);
    q.exec();
}

QString centralSchemaScript()
{
    QFile file(u":/exchange/central_schema.sql"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool createCentralSchema(const QSqlDatabase& db, QString* error)
{
    const QString script = centralSchemaScript();
    if (script.isEmpty())
        return setError(error, u"Merkez tablolarının tanımı programda bulunamadı"_s);
    // Statements end with ";" at the end of a line; comment lines are dropped.
    QStringList lines;
    for (const QString& line : script.split(u'\n'))
        if (!line.trimmed().startsWith(u"--"_s))
            lines.append(line);
    const QStringList statements = lines.join(u'\n').split(QRegularExpression(u";\\s*\\n"_s));
    QSqlQuery q(db);
    for (const QString& statement : statements) {
        const QString sql = statement.trimmed().remove(QRegularExpression(u";$"_s));
        if (sql.isEmpty())
            continue;
        if (!q.exec(sql))
            return setError(error, u"%1\n%2"_s.arg(q.lastError().text(), sql));
    }
    forgetTableInfo(db);
    return true;
}
