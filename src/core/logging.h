#pragma once

#include <QLoggingCategory>
#include <QString>

// The programs' logging categories. Their debug messages are off unless --verbose.
Q_DECLARE_LOGGING_CATEGORY(lcDatabase) // "topkar.database": files opened, created, refused
Q_DECLARE_LOGGING_CATEGORY(lcScale)    // "topkar.scale": the scale's port
Q_DECLARE_LOGGING_CATEGORY(lcPrint)    // "topkar.print": labels printed or not
Q_DECLARE_LOGGING_CATEGORY(lcExchange) // "topkar.exchange": passes, counts, failures

namespace logging {

// From now on every message also goes into the size-capped log file at path (see
// LogFile), one line each with its time, level and category. Messages of the
// categories above reach the terminal only when verbose, which also turns their
// debug messages on; Qt's own warnings reach it as before.
void start(const QString& path, bool verbose);

} // namespace logging
