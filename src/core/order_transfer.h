#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

// Moving a plant's orders over to the server: the orders table of a station's file
// (Kumas.Mdb) copied into the orders table on the server in one transaction, so that
// a copy cut short leaves the server table as it was.
namespace ordertransfer {

struct Result
{
    bool ok = false;
    qint64 copied = 0;
    QString message; // what was done, or why nothing was
};

// Copies every row of Siparis from the file into the server's table. Refused when the
// server table already holds rows, unless append is set. progress(done, total) is
// called every few thousand rows. At the end the rows on the server are counted again.
Result copyToServer(const QString& file, const QSqlDatabase& server, bool append,
                    const std::function<void(qint64, qint64)>& progress = {});

} // namespace ordertransfer
