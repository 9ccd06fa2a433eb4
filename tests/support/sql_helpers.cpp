#include "sql_helpers.h"

#include "core/database_files.h"

#include <QSqlError>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

QSqlQuery runSql(const QSqlDatabase& db, const QString& sql, const QVariantList& params)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Without parameters unprepared: a server prepares no statements that change tables.
    if (!params.isEmpty())
        q.prepare(sql);
    for (const QVariant& p : params)
        q.addBindValue(p);
    if (!(params.isEmpty() ? q.exec(sql) : q.exec()))
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q;
}

SqlRows TestDatabase::rows(const QString& sql, const QVariantList& params) const
{
    QSqlQuery q = runSql(connection(), sql, params);
    SqlRows out;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row.append(q.value(i));
        out.append(row);
    }
    return out;
}

int TestDatabase::count(const QString& table, const QString& where) const
{
    bool ok = false;
    const int n = value(u"SELECT COUNT(*) FROM \"%1\"%2"_s.arg(
                            table, where.isEmpty() ? u""_s : u" WHERE "_s + where))
                      .toInt(&ok);
    return ok ? n : -1;
}

bool TestDatabase::exec(const QString& sql, const QVariantList& params) const
{
    return runSql(connection(), sql, params).isActive();
}

bool TestDatabase::insert(const QString& table, const QString& columns, const SqlRows& rows) const
{
    QString error;
    if (!m_file.isEmpty() && !dbfiles::ensureDatabase(m_file, {table}, &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    QStringList names = columns.split(u',');
    for (QString& name : names)
        name = u'"' + name.trimmed() + u'"';
    const QString sql = u"INSERT INTO \"%1\" (%2) VALUES (%3)"_s.arg(
        table, names.join(u", "_s), QStringList(names.size(), u"?"_s).join(u", "_s));
    bool ok = true;
    for (const QVariantList& values : rows)
        ok = exec(sql, values) && ok;
    return ok;
}

QSqlDatabase TestDatabase::connection() const
{
    return m_db.isValid() ? m_db : dbfiles::connection(m_file);
}
