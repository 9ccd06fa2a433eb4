#include "exchange/upload_marks.h"

#include "core/jet_sql.h"
#include "exchange/sqlite_statement.h"

#include <QJsonArray>
#include <QJsonDocument>
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
    // Each movement still without a mark gets a random one of its own; a movement
    // marked by another run meanwhile keeps that mark, one that is gone or no longer
    // pending is left out. The keys go in as one JSON array: one statement for all
    // of them (a statement a movement costs more than the marking itself).
    QJsonArray keys;
    for (const qint64 key : std::as_const(unmarked))
        keys.append(key);
    const QString list = QString::fromUtf8(QJsonDocument(keys).toJson(QJsonDocument::Compact));
    QSqlQuery set(local);
    set.prepare(u"UPDATE %1 SET AktarimNo = lower(hex(randomblob(16))) WHERE rowid IN "_s
                "(SELECT value FROM json_each(?)) AND AktarimNo IS NULL AND Yeni > 0"_s.arg(
                    quoteIdentifier(table)));
    set.addBindValue(list);
    if (!set.exec())
        return fail(set.lastError().text());
    {
        SqliteStatement read(
            local, u"SELECT rowid, AktarimNo FROM %1 WHERE rowid IN "_s
                   "(SELECT value FROM json_each(?)) AND Yeni > 0"_s.arg(quoteIdentifier(table)));
        read.bind(1, list);
        while (read.next())
            if (const QString mark = read.value(1).toString(); !mark.isEmpty())
                marks.insert(read.value(0).toLongLong(), mark);
        if (!read.error().isEmpty())
            return fail(read.error());
    }
    if (!q.exec(u"COMMIT"_s))
        return fail(q.lastError().text());
    return marks;
}

std::optional<Receipts> receiptsFor(const QSqlDatabase& central, const QString& branch,
                                    const QString& table, const QStringList& marks, QString* error)
{
    Receipts found;
    if (marks.isEmpty())
        return found;
    const QSet<QString> wanted(marks.cbegin(), marks.cend());
    // A branch's receipts are few (one per group not yet settled): read them all.
    QSqlQuery q(central);
    q.setForwardOnly(true);
    q.prepare(
        u"SELECT \"Anahtar\", \"Isaretler\" FROM \"AktarimFisleri\" WHERE \"Sube\" = ? AND \"Tablo\" = ?"_s);
    q.addBindValue(branch);
    q.addBindValue(table);
    if (!q.exec()) {
        setError(error, q.lastError().text());
        return std::nullopt;
    }
    while (q.next()) {
        bool any = false;
        for (const QString& m : q.value(1).toString().split(u' ', Qt::SkipEmptyParts))
            if (wanted.contains(m)) {
                found.marks.insert(m);
                any = true;
            }
        if (any)
            found.keys.append(q.value(0).toString());
    }
    return found;
}

std::optional<QString> writeReceipt(const QSqlDatabase& central, const QStringList& marks,
                                    const QString& branch, const QString& table, QString* error)
{
    const QString key = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QSqlQuery q(central);
    q.prepare(u"INSERT INTO \"AktarimFisleri\" (\"Anahtar\", \"Sube\", \"Tablo\", \"Isaretler\") "
              "VALUES (?, ?, ?, ?)"_s);
    q.addBindValue(key);
    q.addBindValue(branch);
    q.addBindValue(table);
    q.addBindValue(marks.join(u' '));
    if (!q.exec()) {
        setError(error, q.lastError().text());
        return std::nullopt;
    }
    return key;
}

bool clearSent(const QSqlDatabase& local, const QString& table, const QList<Pending>& sent,
               QString* error)
{
    SqliteStatement clear(
        local, u"UPDATE %1 SET Yeni = 0, AktarimNo = NULL WHERE rowid = ? AND AktarimNo = ?"_s.arg(
                   quoteIdentifier(table)));
    if (!clear.isValid())
        return setError(error, clear.error());
    for (const Pending& p : sent) {
        clear.bind(1, p.key);
        clear.bind(2, p.mark);
        if (!clear.exec())
            return setError(error, clear.error());
    }
    return true;
}

void dropReceipts(const QSqlDatabase& central, const QStringList& keys)
{
    for (qsizetype from = 0; from < keys.size(); from += kPerStatement) {
        const QStringList part = keys.mid(from, kPerStatement);
        QSqlQuery q(central);
        q.prepare(u"DELETE FROM \"AktarimFisleri\" WHERE \"Anahtar\" IN (%1)"_s.arg(
            placeholders(part.size())));
        for (const QString& k : part)
            q.addBindValue(k);
        q.exec();
    }
}

} // namespace uploadmarks
