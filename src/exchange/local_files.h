#pragma once

#include "core/data_control.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The branch's own database files (SQLite files under the old names).
namespace localfiles {

// Points the control at a record source of the file and positions it on its first
// row (RefreshToFirst). The file gets the given tables (and their newer columns) when
// it lacks them; with create set a missing file is made, as the station makes its
// own files, otherwise a missing file is an error.
bool point(DataControl& control, const QString& path, const QString& source,
           const QStringList& tables, bool create, QString* error);

// The open connection of a file that point() has opened.
QSqlDatabase connectionOf(const QString& path);

// A write transaction on one file: taken at once (BEGIN IMMEDIATE), so that two
// exchanges on the same file wait for each other instead of failing half-way; rolled
// back when it goes out of scope uncommitted.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }
    QString error() const { return m_error; }
    bool commit();
    void rollback();

    // A savepoint inside the transaction: the writes of one record are kept or
    // dropped together.
    bool mark();
    bool keepMarked();
    void dropMarked();

private:
    bool exec(const QString& sql);
    QSqlDatabase m_db;
    bool m_active = false;
    QString m_error;
};

} // namespace localfiles
