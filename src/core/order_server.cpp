#include "core/order_server.h"

#include "core/database_files.h"
#include "core/jet_sql.h"
#include "core/settings_store.h"
#include "core/table_schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace orderserver {
namespace {

constexpr char kConnection[] = "topkar-orders";
// Any number of its own: the lock the stations take while one creates the table.
constexpr qint64 kSchemaLock = 0x546f704b6172;

QString setting(const char* key)
{
    return settings::GetSetting(u"Platform"_s, QString::fromLatin1(key)).trimmed();
}

// The column's type on the server for the type the station's file declares.
QString serverType(const QString& declared)
{
    switch (kindOfDeclaredType(declared)) {
    case jetsql::ColumnKind::Text:
        return u"text COLLATE \"%1\""_s.arg(QLatin1String(jetsql::kServerCollation));
    case jetsql::ColumnKind::Number:
        return u"double precision"_s;
    case jetsql::ColumnKind::Integer:
        return u"bigint"_s;
    case jetsql::ColumnKind::Boolean:
        return u"boolean"_s;
    case jetsql::ColumnKind::Date:
        return u"timestamp"_s;
    case jetsql::ColumnKind::Other:
        break;
    }
    return u"text"_s;
}

QStringList schemaStatements()
{
    const auto key = [](const char* column) {
        return jetsql::turkishKey(jetsql::quoteIdentifier(QString::fromLatin1(column)));
    };
    return {
        createTableStatement(u"Siparis"_s),
        // The grid's order (either way) and the rows of one order.
        u"CREATE INDEX IF NOT EXISTS \"Siparis_SipNo\" ON \"Siparis\" (%1 NULLS FIRST, \"Id\")"_s
            .arg(key("SipNo")),
        // One roll, one barcode number, whichever station writes it.
        u"CREATE UNIQUE INDEX IF NOT EXISTS \"Siparis_BarNo\" ON \"Siparis\" (%1)"_s.arg(
            key("BarNo")),
        u"CREATE INDEX IF NOT EXISTS \"Siparis_SiraNo\" ON \"Siparis\" ((%1))"_s.arg(
            orderNumberExpression()),
    };
}

} // namespace

QString createTableStatement(const QString& table)
{
    // The same columns as the table of the file, with a key of the server's own.
    QStringList columns{u"\"Id\" bigserial PRIMARY KEY"_s};
    const QString create = dbfiles::tableStatements(table).value(0);
    for (const auto& [name, definition] : dbfiles::columnDefinitions(create)) {
        QString rest = definition.section(u' ', 1);
        const QString declared = rest.section(u' ', 0, 0);
        rest = rest.section(u' ', 1);
        // Yes/No defaults are written as numbers in the file.
        if (kindOfDeclaredType(declared) == jetsql::ColumnKind::Boolean)
            rest.replace(u"DEFAULT 0"_s, u"DEFAULT FALSE"_s);
        columns.append(jetsql::quoteIdentifier(name) + u' ' + serverType(declared) +
                       (rest.isEmpty() ? QString() : u' ' + rest));
    }
    return u"CREATE TABLE IF NOT EXISTS %1 (%2)"_s.arg(jetsql::quoteIdentifier(table),
                                                       columns.join(u", "_s));
}

QString Address::describe() const
{
    if (!service.isEmpty() && host.isEmpty())
        return u"service %1"_s.arg(service);
    return u"%1:%2/%3"_s.arg(host).arg(port > 0 ? port : 5432).arg(database);
}

Address fromSettings()
{
    Address a;
    a.host = setting("OrdersHost");
    a.port = setting("OrdersPort").toInt();
    a.database = setting("OrdersDatabase");
    a.user = setting("OrdersUser");
    a.service = setting("OrdersService");
    return a;
}

QSqlDatabase connection(const Address& address, QString* error)
{
    const QString name = QString::fromLatin1(kConnection);
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(u"QPSQL"_s, name);
    if (db.isOpen())
        return db;
    db.setHostName(address.host);
    db.setPort(address.port > 0 ? address.port : -1);
    db.setDatabaseName(address.database);
    db.setUserName(address.user);
    // A server that does not answer is given up after a few seconds, not a minute.
    QString options = u"connect_timeout=5"_s;
    if (!address.service.isEmpty())
        options += u";service="_s + address.service;
    db.setConnectOptions(options);
    QString why;
    if (!db.open())
        why = db.lastError().text().trimmed();
    else if (!ensureSchema(db, &why))
        db.close();
    if (!why.isEmpty()) {
        if (error)
            *error = u"Sipariş sunucusuna ulaşılamıyor: %1 (%2)"_s.arg(address.describe(), why);
        return {};
    }
    return db;
}

QSqlDatabase reconnect(const Address& address, QString* error)
{
    QSqlDatabase db = connection(address, error);
    bool reopened = false;
    QString why;
    if (db.isValid() && !revive(db, &reopened, &why)) {
        if (error)
            *error = u"Sipariş sunucusuna ulaşılamıyor: %1 (%2)"_s.arg(address.describe(), why);
        return {};
    }
    return db;
}

bool revive(QSqlDatabase& db, bool* reopened, QString* error)
{
    *reopened = false;
    {
        QSqlQuery q(db);
        if (db.isOpen() && q.exec(u"SELECT 1"_s))
            return true;
    }
    db.close();
    if (!db.open()) {
        *error = db.lastError().text().trimmed();
        return false;
    }
    *reopened = true;
    return true;
}

bool ensureSchema(const QSqlDatabase& db, QString* error)
{
    QSqlDatabase conn = db;
    QSqlQuery q(conn);
    const auto failed = [&] {
        if (error)
            *error = q.lastError().text();
        conn.rollback();
        return false;
    };
    if (!conn.transaction())
        return failed();
    if (!q.exec(u"SET LOCAL client_min_messages = warning"_s) ||
        !q.exec(u"SELECT pg_advisory_xact_lock(%1)"_s.arg(kSchemaLock)))
        return failed();
    for (const QString& sql : schemaStatements())
        if (!q.exec(sql))
            return failed();
    if (!conn.commit())
        return failed();
    forgetTableInfo(db);
    return true;
}

QString orderNumberExpression()
{
    // As in the file: one to eighteen digits, spaces around them ignored.
    return u"CASE WHEN btrim(\"SipNo\") ~ '^[0-9]{1,18}$' THEN btrim(\"SipNo\")::bigint END"_s;
}

} // namespace orderserver
