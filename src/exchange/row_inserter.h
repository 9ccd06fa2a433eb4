#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// Adds rows to one table of a server by multi-row INSERT statements of a fixed size.
// The full-size statement stays prepared: the ODBC driver then keeps its parameter
// bindings from one statement to the next. Statements stay small
// (kParamsPerStatement): the driver grows its bindings one parameter at a time, so a
// statement of many thousand parameters costs more per row than several short ones.
class RowInserter
{
public:
    static constexpr int kParamsPerStatement = 1000;

    // columns as the table spells them (quoted here).
    RowInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns);

    // Holds the row (one value per column, as the column stores it); writes the held
    // rows when they fill a statement. False and *error when the server refused them.
    bool add(const QVariantList& row, QString* error = nullptr);
    // Writes the rows held.
    bool flush(QString* error = nullptr);
    // Forgets the rows held (after the caller's transaction was rolled back).
    void clear() { m_held.clear(); }
    qsizetype held() const { return m_held.size() / m_columns; }
    int rowsPerStatement() const { return m_rowsPerStatement; }

private:
    bool write(QSqlQuery& q, QString* error);
    QString statement(int rows) const;

    QSqlDatabase m_db;
    QString m_head; // INSERT INTO "t" ("a", …) VALUES
    QString m_row;  // (?, …)
    int m_columns;
    int m_rowsPerStatement;
    QVariantList m_held;
    std::optional<QSqlQuery> m_full;
};
