#include "exchange/sqlite_statement.h"

#include "core/sqlite_values.h"

#include <QSqlDriver>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

SqliteStatement::SqliteStatement(const QSqlDatabase& db, const QString& sql)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0 ||
        !(m_db = *static_cast<sqlite3* const*>(handle.data()))) {
        m_error = u"SQLite bağlantısı açık değil"_s;
        return;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &m_stmt,
                           nullptr) != SQLITE_OK) {
        fail();
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

bool SqliteStatement::fail()
{
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

void SqliteStatement::bind(int index, const QVariant& value)
{
    sqlitevalues::bind(m_stmt, index, value);
}

bool SqliteStatement::next()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail();
    sqlite3_reset(m_stmt);
    return false;
}

bool SqliteStatement::exec()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    return rc == SQLITE_DONE || rc == SQLITE_ROW || fail();
}

QVariant SqliteStatement::value(int column) const
{
    return sqlitevalues::column(m_stmt, column);
}
