#include "upload_marks.h"

#include "jet_sql.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

using namespace Qt::StringLiterals;
using jetsql::quoteIdentifier;

namespace uploadmarks {

namespace {

constexpr qsizetype kPerStatement = 500;

bool setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

QString placeholders(qsizetype n)
{
    return QStringList(n, u"?"_s).join(u", "_s);
}

} // namespace

std::optional<QHash<qint64, QString>> markMovements(const QSqlDatabase& local, const QString& table,
                                                   const QList<Pending>& movements, QString* error)
{
    QHash<qint64, QString> marks;
    QList<qint64> unmarked;
    for (const Pending& p : movements) {
        if (p.mark.isEmpty())
            unmarked.append(p.key);
        else
            marks.insert(p.key, p.mark);
    }
    if (unmarked.isEmpty())
        return marks;
    QSqlQuery q(local);
    if (!q.exec(u"BEGIN IMMEDIATE"_s)) {
        setError(error, q.lastError().text());
        return std::nullopt;
    }
    auto fail = [&](const QString& why) {
        QSqlQuery(local).exec(u"ROLLBACK"_s);
        setError(error, why);
        return std::nullopt;
    };
    QSqlQuery set(local);
    set.prepare(u"UPDATE %1 SET AktarimNo = ? WHERE rowid = ? AND AktarimNo IS NULL AND Yeni > 0"_s.arg(
        quoteIdentifier(table)));
    QSqlQuery read(local);
    read.prepare(u"SELECT AktarimNo FROM %1 WHERE rowid = ? AND Yeni > 0"_s.arg(quoteIdentifier(table)));
    for (const qint64 key : std::as_const(unmarked)) {
        const QString mark = QUuid::createUuid().toString(QUuid::WithoutBraces);
        set.addBindValue(mark);
        set.addBindValue(key);
        if (!set.exec())
            return fail(set.lastError().text());
        if (set.numRowsAffected() == 1) {
            marks.insert(key, mark);
            continue;
        }
        // Marked by another run meanwhile, or no longer pending.
        read.addBindValue(key);
        if (!read.exec())
            return fail(read.lastError().text());
        if (read.next() && !read.value(0).toString().isEmpty())
            marks.insert(key, read.value(0).toString());
        read.finish();
    }
    if (!q.exec(u"COMMIT"_s))
        return fail(q.lastError().text());
    return marks;
}

std::optional<QSet<QString>> receiptsFor(const QSqlDatabase& central, const QStringList& marks,
                                        QString* error)
{
    QSet<QString> found;
    for (qsizetype from = 0; from < marks.size(); from += kPerStatement) {
        const QStringList part = marks.mid(from, kPerStatement);
        QSqlQuery q(central);
        q.setForwardOnly(true);
        q.prepare(u"SELECT \"Anahtar\" FROM \"AktarimFisleri\" WHERE \"Anahtar\" IN (%1)"_s.arg(
            placeholders(part.size())));
        for (const QString& m : part)
            q.addBindValue(m);
        if (!q.exec()) {
            setError(error, q.lastError().text());
            return std::nullopt;
        }
        while (q.next())
            found.insert(q.value(0).toString());
    }
    return found;
}

bool writeReceipts(const QSqlDatabase& central, const QStringList& marks, const QString& branch,
                   const QString& table, QString* error)
{
    for (qsizetype from = 0; from < marks.size(); from += kPerStatement) {
        const QStringList part = marks.mid(from, kPerStatement);
        QSqlQuery q(central);
        q.prepare(u"INSERT INTO \"AktarimFisleri\" (\"Anahtar\", \"Sube\", \"Tablo\") VALUES "_s +
                  QStringList(part.size(), u"(?, ?, ?)"_s).join(u", "_s));
        for (const QString& m : part) {
            q.addBindValue(m);
            q.addBindValue(branch);
            q.addBindValue(table);
        }
        if (!q.exec())
            return setError(error, q.lastError().text());
    }
    return true;
}

bool clearSent(const QSqlDatabase& local, const QString& table, const QList<Pending>& sent,
               QString* error)
{
    QSqlQuery q(local);
    q.prepare(u"UPDATE %1 SET Yeni = 0, AktarimNo = NULL WHERE rowid = ? AND AktarimNo = ?"_s.arg(
        quoteIdentifier(table)));
    for (const Pending& p : sent) {
        q.addBindValue(p.key);
        q.addBindValue(p.mark);
        if (!q.exec())
            return setError(error, q.lastError().text());
    }
    return true;
}

void dropReceipts(const QSqlDatabase& central, const QStringList& marks)
{
    for (qsizetype from = 0; from < marks.size(); from += kPerStatement) {
        const QStringList part = marks.mid(from, kPerStatement);
        QSqlQuery q(central);
        q.prepare(u"DELETE FROM \"AktarimFisleri\" WHERE \"Anahtar\" IN (%1)"_s.arg(placeholders(part.size())));
        for (const QString& m : part)
            q.addBindValue(m);
        q.exec();
    }
}

} // namespace uploadmarks
