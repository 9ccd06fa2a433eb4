#include "exchange/central_upgrade.h"

#include "core/table_schema.h"
#include "exchange/central_database.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

namespace centralupgrade {

namespace {

const QStringList kExchangeTables = {u"CariKartlar"_s, u"StokKartlar"_s, u"CariHareket"_s,
                                     u"StokHareket"_s};
const QString kReceipts = u"AktarimFisleri"_s;

QString findTable(const QStringList& tables, const QString& name)
{
    for (const QString& t : tables)
        if (t.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    return {};
}

enum class Key
{
    Good,
    None,  // no primary key: the upgrade adds "id"
    Other, // a key the exchange cannot use (not one integer column)
};

Key keyOf(const QSqlDatabase& db, const QString& table, QString* description)
{
    const QString escaped = db.driver()->escapeIdentifier(table, QSqlDriver::TableName);
    const QSqlIndex pk = db.primaryIndex(escaped);
    if (pk.isEmpty())
        return Key::None;
    QStringList fields;
    for (int i = 0; i < pk.count(); ++i)
        fields.append(pk.fieldName(i));
    *description = fields.join(u", "_s);
    const QSqlRecord record = db.record(escaped);
    return pk.count() == 1 && kindOfMetaType(record.field(pk.fieldName(0)).metaType()) ==
                                  jetsql::ColumnKind::Integer
               ? Key::Good
               : Key::Other;
}

} // namespace

QStringList missingParts(const QSqlDatabase& db)
{
    QStringList missing;
    const QStringList tables = db.tables(QSql::Tables);
    for (const QString& name : kExchangeTables) {
        const QString table = findTable(tables, name);
        QString key;
        if (table.isEmpty())
            missing.append(u"%1 tablosu"_s.arg(name));
        else if (const Key k = keyOf(db, table, &key); k == Key::None)
            missing.append(u"%1 tablosunun anahtar sütunu (id)"_s.arg(name));
        else if (k == Key::Other)
            missing.append(
                u"%1 tablosunun tamsayı anahtar sütunu (birincil anahtarı şimdi: %2)"_s.arg(name,
                                                                                            key));
    }
    if (findTable(tables, kReceipts).isEmpty())
        missing.append(u"aktarım fişleri tablosu (%1)"_s.arg(kReceipts));
    return missing;
}

bool upgrade(QSqlDatabase db, QStringList* added, QString* error)
{
    const QStringList tables = db.tables(QSql::Tables);
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    const auto fail = [&](const QString& why) {
        db.rollback();
        added->clear();
        *error = why;
        forgetTableInfo(db);
        return false;
    };
    QSqlQuery q(db);
    for (const QString& name : kExchangeTables) {
        const QString table = findTable(tables, name);
        QString key;
        if (table.isEmpty()) {
            added->append(u"%1 tablosu"_s.arg(name));
        } else if (keyOf(db, table, &key) == Key::None) {
            // Every row gets its number; no other value changes.
            const QString sql = u"ALTER TABLE %1 ADD COLUMN \"id\" bigserial PRIMARY KEY"_s.arg(
                db.driver()->escapeIdentifier(table, QSqlDriver::TableName));
            if (!q.exec(sql))
                return fail(u"%1\n%2"_s.arg(q.lastError().text(), sql));
            added->append(u"%1 tablosunun anahtar sütunu (id)"_s.arg(name));
        }
    }
    if (findTable(tables, kReceipts).isEmpty())
        added->append(u"aktarım fişleri tablosu (%1)"_s.arg(kReceipts));
    // The rest of the layout: missing tables, the identity, the indexes.
    QString why;
    if (!createCentralSchema(db, &why))
        return fail(why);
    forgetTableInfo(db);
    if (const QStringList left = missingParts(db); !left.isEmpty())
        return fail(u"Elle düzeltilmesi gereken: %1"_s.arg(left.join(u"; "_s)));
    if (!db.commit())
        return fail(db.lastError().text());
    return true;
}

} // namespace centralupgrade
