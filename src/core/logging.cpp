#include "core/logging.h"

#include "core/log_file.h"

#include <QDateTime>

Q_LOGGING_CATEGORY(lcDatabase, "topkar.database", QtInfoMsg)
Q_LOGGING_CATEGORY(lcScale, "topkar.scale", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPrint, "topkar.print", QtInfoMsg)
Q_LOGGING_CATEGORY(lcExchange, "topkar.exchange", QtInfoMsg)

namespace logging {

namespace {

// Messages may come until the very end of the program: these live as long.
LogFile* g_file = nullptr;
bool g_verbose = false;
QtMessageHandler g_terminal = nullptr;

char levelLetter(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 'D';
    case QtInfoMsg:
        return 'I';
    case QtWarningMsg:
        return 'W';
    case QtCriticalMsg:
        return 'E';
    case QtFatalMsg:
        return 'F';
    }
    return '?';
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const char* category = context.category ? context.category : "default";
    if (g_file) {
        QString text = message;
        text.replace(u'\n', QStringLiteral("\n    "));
        g_file->append(QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                       levelLetter(type) + ' ' + category + ": " + text.toUtf8());
    }
    if (g_terminal && (g_verbose || qstrncmp(category, "topkar.", 7) != 0))
        g_terminal(type, context, message);
}

} // namespace

void start(const QString& path, bool verbose)
{
    if (!g_file)
        g_file = new LogFile(path);
    g_verbose = verbose;
    if (verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("topkar.*.debug=true"));
    QtMessageHandler previous = qInstallMessageHandler(handle);
    if (previous != handle)
        g_terminal = previous;
}

} // namespace logging
