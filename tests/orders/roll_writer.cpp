// Records rolls into the orders table of TOPKAR_HOME (its Kumas.Mdb, or the orders
// server its Topkar.ini names; or the data folder given second), printing each barcode
// number once its row is written. Without an argument it records until it is killed
// (the orders table test kills it at random moments); with a count it stops after that
// many rolls, and two of them at once are two stations sharing one folder. On a server
// it waits out a server that is gone and goes on when it is back, as a station does.

#include "core/data_control.h"
#include "core/database_files.h"
#include "core/order_server.h"
#include "core/settings_store.h"
#include "core/shared_routines.h"
#include "orders/roll_recorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 0;
    const QString folder =
        argc > 2 ? app.arguments().at(2) : settings::homeOverride() + u"/MuhasebeData"_s;
    QDir().mkpath(folder);
    const QString path = folder + u"/Kumas.Mdb"_s;
    const orderserver::Address server = orderserver::fromSettings();
    QString error;
    DataControl data(u"Data1"_s);
    if (server.configured()) {
        data.setConnection(orderserver::connection(server, &error));
    } else if (!dbfiles::ensureDatabase(path, {u"Siparis"_s}, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    data.setDatabaseName(path);
    data.setRecordSource(u"Select * From Siparis Order By SipNo DESC"_s);
    if (!RefreshToFirst(data))
        return 2;
    RollValues v{u"1047"_s,     u"O'BRİEN TEKSTİL"_s, u"30/1 SÜPREM"_s, u"L-7"_s,
                 u"Makina 3"_s, u"30\"28 E"_s,        u"Ayşe Kılıç"_s,  u"120,5"_s,
                 u"500"_s,      u"18.75"_s,           u"Üretimde"_s,    u"1"_s,
                 u"Acil"_s,     QDate(2026, 3, 4)};
    RollRecorder recorder;
    for (long written = 0; count == 0 || written < count;) {
        const RecordResult r = recorder.addRoll(*data.recordset(), v, QDate::currentDate());
        if (r.ok) {
            std::printf("%s\n", qPrintable(r.barNo));
            std::fflush(stdout);
            ++written;
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(r.error));
            // A station told that the file is busy records the roll again, as its
            // operator would.
            if (count > 0 && r.error.contains(u"database is locked"_s))
                continue;
        }
        if (!r.ok && !r.connectionLost)
            return 3;
        if (r.ok && count > 0)
            QThread::msleep(2); // even the quickest operator takes a moment per roll
        while (r.connectionLost &&
               (!orderserver::reconnect(server).isValid() || !RefreshToFirst(data)))
            QThread::msleep(100);
    }
    return 0;
}
