#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// A statement run straight on the SQLite handle of a branch file's connection (inside
// whatever transaction that connection holds), for the upload's passes over many
// rows: QtSql's own work for each row and value costs several times SQLite's.
class SqliteStatement
{
public:
    SqliteStatement(const QSqlDatabase& db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    QString error() const { return m_error; }

    // Parameters count from 1, bound as QtSql binds them.
    void bind(int index, const QVariant& value);
    // The next row: true while there is one; false at the end or on an error
    // (error() then says which).
    bool next();
    // Runs a statement that gives no rows; false and error() when it failed. The
    // statement can be bound and run again afterwards.
    bool exec();
    // A column of the current row, as QtSql would give it (qint64, double, QString,
    // QByteArray, a null QVariant).
    QVariant value(int column) const;

private:
    bool fail();

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_error;
};
