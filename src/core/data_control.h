#pragma once

#include "core/record_set.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <memory>

// A data control: one database and one record source, and the record set read from
// them. Views bind to it; its reposition signal fires whenever the current row of its
// record set changes (by a move, a find, or a refresh that stands on the first row).
class DataControl : public QObject
{
    Q_OBJECT
public:
    explicit DataControl(const QString& name, QObject* parent = nullptr);
    ~DataControl() override;

    // Full path of the database file.
    QString databaseName() const { return m_databaseName; }
    void setDatabaseName(const QString& path) { m_databaseName = path; }

    // A table name or a "Select * From …" text.
    QString recordSource() const { return m_recordSource; }
    void setRecordSource(const QString& source) { m_recordSource = source; }

    // Use an already open connection (an ODBC data source) instead of a file.
    void setConnection(const QSqlDatabase& db) { m_connection = db; }

    // Opens the database and reads the record source anew; the current row becomes the
    // first row, if any. On failure the control holds no record set and the reason is
    // in lastError().
    [[nodiscard]] bool refresh();

    // Lets go of the record set (the control then holds none until the next refresh).
    void close();

    // The current record set; null before a successful refresh.
    RecordSet* recordset() const { return m_recordset.get(); }
    QString lastError() const { return m_error; }

Q_SIGNALS:
    void repositioned();
    // A refresh replaced the record set (views take the new one).
    void recordsetReplaced();

private:
    QString m_databaseName;
    QString m_recordSource;
    QSqlDatabase m_connection;
    std::unique_ptr<RecordSet> m_recordset;
    QString m_error;
};
