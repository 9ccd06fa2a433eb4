#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// Rows of a query, each a list of its values.
using SqlRows = QList<QVariantList>;

// Runs one statement with its parameters for a test's own look at the data. A failure
// is printed with the statement; the query then is not active.
QSqlQuery runSql(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {});

// A database as a test sees it through plain SQL, independent of the code under test:
// one SQLite file (its tables made on the first insert into them), or a connection of
// the test's own (a server's).
class TestDatabase
{
public:
    explicit TestDatabase(const QString& file) : m_file(file) {}
    explicit TestDatabase(const QSqlDatabase& db) : m_db(db) {}
    virtual ~TestDatabase() = default;
    QString file() const { return m_file; }

    SqlRows rows(const QString& sql, const QVariantList& params = {}) const;
    QVariantList row(const QString& sql, const QVariantList& params = {}) const
    {
        return rows(sql, params).value(0);
    }
    QVariant value(const QString& sql, const QVariantList& params = {}) const
    {
        return row(sql, params).value(0);
    }
    // The rows of the table that meet the condition; -1 when the query fails.
    int count(const QString& table, const QString& where = {}) const;
    bool exec(const QString& sql, const QVariantList& params = {}) const;
    // Inserts rows: the columns comma-separated, each row's values in that order.
    bool insert(const QString& table, const QString& columns, const SqlRows& rows) const;

protected:
    TestDatabase() = default;
    virtual QSqlDatabase connection() const;

private:
    QString m_file;
    QSqlDatabase m_db;
};
