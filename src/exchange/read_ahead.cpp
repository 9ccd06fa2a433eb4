#include "exchange/read_ahead.h"

#include "core/database_files.h"

#include <QFileInfo>
#include <QSqlError>

#include <atomic>

using namespace Qt::StringLiterals;

namespace readahead {

QSqlDatabase openConnection(const QString& path, QString* error)
{
    static std::atomic<int> serial = 0;
    const QString name = u"topkar-read-ahead-%1"_s.arg(++serial);
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
    db.setDatabaseName(QFileInfo(path).absoluteFilePath());
    // The station and the exchange's own connection may be writing: wait for them.
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=10000"_s);
    if (!db.open()) {
        *error = u"şube dosyası açılamadı: %1"_s.arg(db.lastError().text());
        closeConnection(db);
        return {};
    }
    if (QString why; !dbfiles::registerFunctions(db, &why)) {
        *error = u"şube dosyası açılamadı: %1"_s.arg(why);
        closeConnection(db);
        return {};
    }
    return db;
}

void closeConnection(QSqlDatabase& db)
{
    const QString name = db.connectionName();
    db.close();
    db = {};
    if (!name.isEmpty())
        QSqlDatabase::removeDatabase(name);
}

} // namespace readahead
