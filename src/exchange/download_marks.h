#pragma once

#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// The branch's note of the central records it has posted but not yet settled with
// the central database (table "AlinanKayitlar" of each branch file a posting
// writes). A record's note is written in the same transaction as its posting; a run
// cut off before the central record was marked taken or removed finds the note and
// does not post the record a second time. Notes are kept per central database
// identity and per pass, and dropped when the pass has settled its records.
namespace downloadmarks {

inline const QString kTable = QStringLiteral("AlinanKayitlar");

// The ids noted for this central database and pass.
std::optional<QSet<qint64>> noted(const QSqlDatabase& local, const QString& central,
                                  const QString& pass, QString* error = nullptr);
bool note(const QSqlDatabase& local, const QString& central, const QString& pass, qint64 id,
          QString* error = nullptr);
// Drops every note of the pass (after the central records were settled).
bool dropAll(const QSqlDatabase& local, const QString& central, const QString& pass,
             QString* error = nullptr);

} // namespace downloadmarks
