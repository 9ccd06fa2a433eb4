#include "exchange/download_marks.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace downloadmarks {

namespace {
bool setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}
} // namespace

std::optional<QSet<qint64>> noted(const QSqlDatabase& local, const QString& central,
                                  const QString& pass, QString* error)
{
    QSqlQuery q(local);
    q.setForwardOnly(true);
    q.prepare(u"SELECT MerkezId FROM AlinanKayitlar WHERE Merkez = ? AND Tablo = ?"_s);
    q.addBindValue(central);
    q.addBindValue(pass);
    if (!q.exec()) {
        setError(error, q.lastError().text());
        return std::nullopt;
    }
    QSet<qint64> ids;
    while (q.next())
        ids.insert(q.value(0).toLongLong());
    return ids;
}

bool note(const QSqlDatabase& local, const QString& central, const QString& pass, qint64 id,
          QString* error)
{
    QSqlQuery q(local);
    q.prepare(u"INSERT OR IGNORE INTO AlinanKayitlar (Merkez, Tablo, MerkezId) VALUES (?, ?, ?)"_s);
    q.addBindValue(central);
    q.addBindValue(pass);
    q.addBindValue(id);
    if (!q.exec())
        return setError(error, q.lastError().text());
    return true;
}

bool dropAll(const QSqlDatabase& local, const QString& central, const QString& pass, QString* error)
{
    QSqlQuery q(local);
    q.prepare(u"DELETE FROM AlinanKayitlar WHERE Merkez = ? AND Tablo = ?"_s);
    q.addBindValue(central);
    q.addBindValue(pass);
    if (!q.exec())
        return setError(error, q.lastError().text());
    return true;
}

} // namespace downloadmarks
