#pragma once

#include "core/jet_sql.h"

#include <QString>
#include <QVariant>

#include <optional>

// Conversion of field values between what callers hand over (texts typed in the
// Turkish format, numbers, dates, booleans) and what a column of a given kind stores.
namespace fieldvalue {

// The value as the column stores it, or nothing when it does not convert (an empty
// or non-numeric text for a number column, a text that is no date for a date column).
// A null value stays null. *reason says why a value was refused.
std::optional<QVariant> toStorage(jetsql::ColumnKind kind, const QVariant& value,
                                  jetsql::Dialect dialect, QString* reason = nullptr);

// The stored value read back in the type of its column: QString, double, qlonglong,
// bool, QDateTime; a null value as a null QVariant.
QVariant fromStorage(jetsql::ColumnKind kind, const QVariant& stored);

// The text a field shows: empty for null, numbers in the Turkish format without
// grouping ("12,5"), dates as short dates ("07.12.2026"), booleans as True/False.
QString text(const QVariant& value);

} // namespace fieldvalue
