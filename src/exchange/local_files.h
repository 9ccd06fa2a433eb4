#pragma once

#include "core/data_control.h"
#include "exchange/exchange_settings.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The branch's own database files (SQLite files under the old names).
namespace localfiles {

// Points the control at a record source of an existing file and positions it on its
// first row (RefreshToFirst). Nothing is created or changed: a missing file or table
// is an error like any other (lacking() tells it apart beforehand).
bool point(DataControl& control, const QString& path, const QString& source, QString* error);

// What the file lacks of the tables, in the operator's words ("… yok"); empty when it
// has them all. An exchange run never creates or changes a branch's files or tables:
// what a file lacks leaves that part of the run without rows, and is reported. A file
// that cannot be read lacks nothing here: point() fails on it with the reason.
QString lacking(const QString& path, const QStringList& tables);

// The operator's way to add what the exchange keeps of its own in a branch's files
// (the notes of a download, the marks of an upload), for the reports.
inline const QString kPrepareHint = QStringLiteral(
    "eklemek için: topkar-exchange --prepare-branch --branch KOD (satırlara dokunmaz)");

// On the operator's word only (topkar-exchange --prepare-branch): makes the branch's
// files (DataFolder + branch + "Cari.Mdb"/"Stok.Mdb", with the company database on
// the central station) with every table the exchange uses, and adds to existing
// files the tables and columns they lack. Rows are never touched. *made lists the
// files looked after.
bool prepareBranch(const ExchangeSettings& settings, QStringList* made, QString* error);

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
