#pragma once

#include "core/jet_sql.h"

#include <QSqlDatabase>

#include <optional>

// The dialect the translated SQL must be written in for this connection.
jetsql::Dialect dialectOf(const QSqlDatabase& db);

// Column kind from a declared column type ("TEXT", "DOUBLE", "DATETIME", "BIT", …).
jetsql::ColumnKind kindOfDeclaredType(const QString& declared);

// Column kind from the type a driver reports for a column (QSqlField::metaType()).
// Integers of every width are Integer, the one-byte ones (Char, UChar) that drivers
// report for TINYINT columns among them.
jetsql::ColumnKind kindOfMetaType(QMetaType type);

struct TableInfo
{
    jetsql::TableSchema schema;
    QString keyExpression; // "rowid" on SQLite, the quoted primary key elsewhere
};

// Reads a table's columns, finding the table name case-insensitively. Nothing (and
// *error) when the table does not exist or, outside SQLite, has no primary key.
std::optional<TableInfo> readTableInfo(const QSqlDatabase& db, const QString& table,
                                       QString* error = nullptr);

// Drops what readTableInfo() remembers of a connection's tables (after a table was
// created or changed, or before the connection is closed).
void forgetTableInfo(const QSqlDatabase& db);
