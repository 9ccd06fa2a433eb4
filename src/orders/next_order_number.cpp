#include "orders/next_order_number.h"

#include "core/order_server.h"
#include "core/table_schema.h"

#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

std::optional<qint64> nextOrderNumber(const QSqlDatabase& db)
{
    // Compared as numbers, not as text: after 9 comes 10, after 999 comes 1000.
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString sql =
        dialectOf(db) == jetsql::Dialect::SQLite
            ? u"SELECT COUNT(*), MAX(CASE WHEN length(trim(SipNo)) BETWEEN 1 AND 18 AND "
              "trim(SipNo) NOT GLOB '*[^0-9]*' THEN CAST(trim(SipNo) AS INTEGER) END) FROM Siparis"_s
            // On the server both come from indexes, however many rows the table holds.
            : u"SELECT (SELECT COUNT(*) FROM (SELECT 1 FROM \"Siparis\" LIMIT 1) AS t), "
              "(SELECT MAX(%1) FROM \"Siparis\")"_s.arg(orderserver::orderNumberExpression());
    if (!q.exec(sql) || !q.next())
        return std::nullopt;
    if (q.value(0).toLongLong() == 0)
        return std::nullopt;
    return (q.value(1).isNull() ? 0 : q.value(1).toLongLong()) + 1;
}
