#include "exchange/row_inserter.h"

#include "core/jet_sql.h"

#include <QSqlError>

#include <algorithm>

using namespace Qt::StringLiterals;

RowInserter::RowInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns)
    : m_db(db), m_columns(std::max<int>(1, static_cast<int>(columns.size()))),
      m_rowsPerStatement(std::max(1, kParamsPerStatement / m_columns))
{
    QStringList quoted;
    for (const QString& c : columns)
        quoted.append(jetsql::quoteIdentifier(c));
    m_head =
        u"INSERT INTO %1 (%2) VALUES "_s.arg(jetsql::quoteIdentifier(table), quoted.join(u", "_s));
    m_row = u'(' + QStringList(m_columns, u"?"_s).join(u", "_s) + u')';
}

QString RowInserter::statement(int rows) const
{
    return m_head + QStringList(rows, m_row).join(u", "_s);
}

bool RowInserter::add(const QVariantList& row, QString* error)
{
    m_held.append(row);
    if (held() < m_rowsPerStatement)
        return true;
    if (!m_full) {
        m_full.emplace(m_db);
        m_full->setForwardOnly(true);
        if (!m_full->prepare(statement(m_rowsPerStatement))) {
            if (error)
                *error = m_full->lastError().text();
            m_full.reset();
            m_held.clear();
            return false;
        }
    }
    return write(*m_full, error);
}

bool RowInserter::flush(QString* error)
{
    if (m_held.isEmpty())
        return true;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(statement(static_cast<int>(held())))) {
        if (error)
            *error = q.lastError().text();
        m_held.clear();
        return false;
    }
    return write(q, error);
}

bool RowInserter::write(QSqlQuery& q, QString* error)
{
    for (qsizetype i = 0; i < m_held.size(); ++i)
        q.bindValue(static_cast<int>(i), m_held[i]);
    m_held.clear();
    if (q.exec())
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}
