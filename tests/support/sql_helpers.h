#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// Runs one statement with its parameters for a test's own look at the data. A failure
// is printed with the statement; the query then is not active.
QSqlQuery runSql(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {});
