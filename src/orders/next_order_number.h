#pragma once

#include <QSqlDatabase>

#include <optional>

// The order number to propose for a new order: the highest order number in the
// orders table read as a whole number, plus one. Order numbers that are not whole
// numbers are passed over (1 when there is none). Nothing when the table is empty or
// cannot be read.
std::optional<qint64> nextOrderNumber(const QSqlDatabase& db);
