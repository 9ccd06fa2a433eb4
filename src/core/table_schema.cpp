#include "core/table_schema.h"

#include "core/turkish_text.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;
using jetsql::ColumnKind;

jetsql::Dialect dialectOf(const QSqlDatabase& db)
{
    return db.driverName() == u"QSQLITE"_s ? jetsql::Dialect::SQLite : jetsql::Dialect::PostgreSQL;
}

ColumnKind kindOfDeclaredType(const QString& declared)
{
    const QString t = declared.toUpper();
    auto has = [&t](const char* w) { return t.contains(QLatin1String(w)); };
    if (has("CHAR") || has("TEXT") || has("MEMO") || has("CLOB"))
        return ColumnKind::Text;
    if (has("BOOL") || has("BIT") || has("YESNO") || has("LOGICAL"))
        return ColumnKind::Boolean;
    if (has("DATE") || has("TIME"))
        return ColumnKind::Date;
    if (has("INT") || has("LONG") || has("SHORT") || has("BYTE") || has("COUNTER"))
        return ColumnKind::Integer;
    if (has("REAL") || has("DOUB") || has("FLOA") || has("NUM") || has("DEC") || has("CURRENCY") ||
        has("MONEY") || has("SINGLE"))
        return ColumnKind::Number;
    return ColumnKind::Text;
}

namespace {

bool setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

QHash<QString, TableInfo>& schemaCache()
{
    static QHash<QString, TableInfo> cache;
    return cache;
}

QString cacheKey(const QSqlDatabase& db, const QString& table)
{
    return db.connectionName() + u'\x1f' + turkish::fold(table);
}

std::optional<TableInfo> readSqlite(const QSqlDatabase& db, const QString& table, QString* error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(u"SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? "_s
              "COLLATE NOCASE"_s);
    q.addBindValue(table);
    if (!q.exec()) {
        setError(error, q.lastError().text());
        return std::nullopt;
    }
    if (!q.next()) {
        setError(error, u"'%1' tablosu bulunamadı"_s.arg(table));
        return std::nullopt;
    }
    TableInfo info;
    info.schema.table = q.value(0).toString();
    info.keyExpression = u"rowid"_s;
    q.finish();
    if (!q.exec(u"PRAGMA table_info(%1)"_s.arg(jetsql::quoteIdentifier(info.schema.table)))) {
        setError(error, q.lastError().text());
        return std::nullopt;
    }
    while (q.next())
        info.schema.columns.append(
            {q.value(1).toString(), kindOfDeclaredType(q.value(2).toString())});
    return info;
}

std::optional<TableInfo> readOther(const QSqlDatabase& db, const QString& table, QString* error)
{
    QString found;
    for (const QString& t : db.tables(QSql::Tables))
        if (t.compare(table, Qt::CaseInsensitive) == 0)
            found = t;
    if (found.isEmpty()) {
        setError(error, u"'%1' tablosu bulunamadı"_s.arg(table));
        return std::nullopt;
    }
    TableInfo info;
    info.schema.table = found;
    // Quoted, so that a driver which folds unquoted names (ODBC to PostgreSQL folds
    // them to lower case) asks the catalogue for the table as it is spelled.
    const QString escaped = db.driver()->escapeIdentifier(found, QSqlDriver::TableName);
    const QSqlRecord rec = db.record(escaped);
    for (int i = 0; i < rec.count(); ++i)
        info.schema.columns.append({rec.fieldName(i), kindOfMetaType(rec.field(i).metaType())});
    // Text columns in the station's Turkish collation compare by the station's rules.
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(u"SELECT column_name FROM information_schema.columns WHERE table_schema = "_s
              u"current_schema() AND table_name = ? AND collation_name = ?"_s);
    q.addBindValue(found);
    q.addBindValue(QString::fromLatin1(jetsql::kServerCollation));
    if (q.exec())
        while (q.next())
            if (const int i = info.schema.indexOf(q.value(0).toString()); i >= 0)
                info.schema.columns[i].turkish = true;
    const QSqlIndex pk = db.primaryIndex(escaped);
    if (pk.isEmpty()) {
        setError(error, u"'%1' tablosunun birincil anahtarı yok"_s.arg(found));
        return std::nullopt;
    }
    info.keyExpression = jetsql::quoteIdentifier(pk.fieldName(0));
    return info;
}

} // namespace

jetsql::ColumnKind kindOfMetaType(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Bool:
        return ColumnKind::Boolean;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
        return ColumnKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return ColumnKind::Number;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QTime:
        return ColumnKind::Date;
    case QMetaType::QString:
        return ColumnKind::Text;
    default:
        return ColumnKind::Other;
    }
}

std::optional<TableInfo> readTableInfo(const QSqlDatabase& db, const QString& table, QString* error)
{
    if (!db.isOpen()) {
        setError(error, u"Veritabanı açık değil"_s);
        return std::nullopt;
    }
    // A table's layout is read once per connection: catalogue reads are slow next to
    // opening a small record set, and over ODBC slower still.
    const QString key = cacheKey(db, table);
    if (const auto it = schemaCache().constFind(key); it != schemaCache().cend())
        return *it;
    auto info = dialectOf(db) == jetsql::Dialect::SQLite ? readSqlite(db, table, error)
                                                         : readOther(db, table, error);
    if (info) {
        // Every record set's copy shares this index rather than building its own at its
        // first field lookup.
        info->schema.buildIndex();
        schemaCache().insert(key, *info);
    }
    return info;
}

void forgetTableInfo(const QSqlDatabase& db)
{
    const QString prefix = db.connectionName() + u'\x1f';
    for (auto it = schemaCache().begin(); it != schemaCache().end();)
        it = it.key().startsWith(prefix) ? schemaCache().erase(it) : std::next(it);
}
