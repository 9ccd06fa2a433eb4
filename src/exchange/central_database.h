#pragma once

#include <QSqlDatabase>
#include <QString>

// The connection to the central exchange database through its ODBC data source
// ("ParvekWeb"): QtSql's ODBC driver over the system's ODBC manager (unixODBC on
// Linux). One run opens its own connection and closes it at its end.
class CentralDatabase
{
public:
    CentralDatabase();
    ~CentralDatabase();
    CentralDatabase(const CentralDatabase&) = delete;
    CentralDatabase& operator=(const CentralDatabase&) = delete;

    // Opens the data source; false and *error when it cannot be reached or lacks the
    // exchange tables.
    bool open(const QString& dataSource, QString* error = nullptr);
    void close();
    bool isOpen() const { return m_db.isOpen(); }
    QSqlDatabase database() const { return m_db; }

    // The identity kept in the table "MerkezKimlik" (empty when the database has none).
    QString identity() const { return m_identity; }

    // True when the server still answers (after a failed statement: was it the data
    // or the connection?).
    bool alive();

    // Transactions of the connection (the ODBC driver's own, not SQL text).
    bool begin(QString* error = nullptr);
    bool commit(QString* error = nullptr);
    void rollback();

    // A lock of the server held by this connection until unlock() or until the
    // connection ends (also when the process is killed): two exchanges never work on
    // the same branch and direction at once. True when the lock is ours, or when the
    // server knows no such locks.
    bool tryLock(const QString& name);
    void unlock(const QString& name);

private:
    QString m_name;
    QSqlDatabase m_db;
    QString m_identity;
};

// The central tables' layout (sql/central_schema.sql, carried in the program).
QString centralSchemaScript();
// Creates the tables of the script that the database lacks; false and *error on the
// first statement that fails.
bool createCentralSchema(const QSqlDatabase& db, QString* error = nullptr);
