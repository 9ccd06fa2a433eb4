#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The orders table (Siparis) on a PostgreSQL server, for a plant whose stations record
// rolls into one table. Settings file (Topkar.ini), section [Platform]:
//   OrdersHost      server name or address (or the folder of its socket)
//   OrdersPort      its port (5432 when not given)
//   OrdersDatabase  the database
//   OrdersUser      the user
//   OrdersService   instead of the four: a service of the PostgreSQL service file
// The password is never in the settings file: the client library takes it from
// ~/.pgpass (PGPASSFILE) or the service file. Without OrdersHost and OrdersService the
// orders stay in Kumas.Mdb beside the card files.
namespace orderserver {

struct Address
{
    QString host;
    int port = 0;
    QString database;
    QString user;
    QString service;

    bool configured() const { return !host.isEmpty() || !service.isEmpty(); }
    // The server as the status line names it: "host:port/database" or "service name".
    QString describe() const;
};

Address fromSettings();

// The station's connection to the server (one per program, Qt's PostgreSQL driver),
// opened on first use, with the orders table created when missing. Invalid, with *error naming the
// server and the reason, when the server cannot be reached.
QSqlDatabase connection(const Address& address, QString* error = nullptr);

// connection() made sure to answer: a connection the server dropped (a restart) is
// opened again. Invalid, with *error, while the server cannot be reached.
QSqlDatabase reconnect(const Address& address, QString* error = nullptr);

// After a statement failed: true when the connection answers, reopening it when the
// server dropped it (a restart); *reopened then says that statements prepared on the
// old connection are gone (record sets must be read again). False, with *error, while
// the server cannot be reached.
bool revive(QSqlDatabase& db, bool* reopened, QString* error);

// Creates the orders table and its indexes when missing. Several stations may start
// at once: the first creates them, the others wait for it.
bool ensureSchema(const QSqlDatabase& db, QString* error = nullptr);

// CREATE TABLE for the server of a table of the station's files (columns and defaults
// as in the file, text in the Turkish collation, a key "Id" of the server's own).
QString createTableStatement(const QString& table);

// The order number of a row as a whole number (null when SipNo is none), indexed so
// that the next order number is read without a scan.
QString orderNumberExpression();

} // namespace orderserver
