#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// The bookkeeping that makes a movement reach the central database exactly once,
// whatever stops an upload half-way.
//
// Before a movement is sent it gets a mark of its own (a random text in its field
// AktarimNo, kept in the branch file). The central record and a receipt under that
// mark (table "AktarimFisleri", one row for the group of movements sent together)
// are written in one central transaction. Only after
// that transaction committed is the movement's pending state cleared in the branch,
// by its own key and mark. A run cut off in between finds the receipt next time and
// clears the movement without sending it again; the receipts are removed once the
// marks are cleared.
namespace uploadmarks {

// The column of the branch's movement tables that holds a movement's mark.
inline const QString kColumn = QStringLiteral("AktarimNo");

struct Pending
{
    qint64 key = 0; // the movement's row key in the branch file
    QString mark;   // its AktarimNo (empty when it has none yet)
};

// Gives every movement without a mark a new one, in one transaction of the branch
// file. Returns each movement's mark by key; a movement that is gone, or that is no
// longer pending, is left out.
std::optional<QHash<qint64, QString>> markMovements(const QSqlDatabase& local, const QString& table,
                                                    const QList<Pending>& movements,
                                                    QString* error = nullptr);

// The receipts of the branch and table that name any of these marks: the marks
// found, and the receipts (their keys) they were found in.
struct Receipts
{
    QSet<QString> marks;
    QStringList keys;
};
std::optional<Receipts> receiptsFor(const QSqlDatabase& central, const QString& branch,
                                    const QString& table, const QStringList& marks,
                                    QString* error = nullptr);

// Writes one receipt for the marks of a group (inside the caller's central
// transaction); its key, or nothing on failure.
std::optional<QString> writeReceipt(const QSqlDatabase& central, const QStringList& marks,
                                    const QString& branch, const QString& table,
                                    QString* error = nullptr);

// Clears the pending state (Yeni = 0, no mark) of the movements sent, each found by
// its key and its mark, inside the caller's transaction of the branch file.
bool clearSent(const QSqlDatabase& local, const QString& table, const QList<Pending>& sent,
               QString* error = nullptr);

// Removes receipts whose marks have been cleared in the branch (a failure is
// harmless: a left-over receipt names marks no movement carries any more).
void dropReceipts(const QSqlDatabase& central, const QStringList& keys);

} // namespace uploadmarks
