// Records rolls into the orders table of TOPKAR_HOME (or of the data folder given
// second), printing each barcode number once its row is written: without end, or the
// number of rolls given first. The crash test kills it at random moments; two of them
// at once are two stations sharing one folder.

#include "core/data_control.h"
#include "core/database_files.h"
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
    const QStringList args = app.arguments();
    const qint64 rolls = args.size() > 1 ? args[1].toLongLong() : -1;
    const QString folder =
        args.size() > 2 ? args[2] : settings::homeOverride() + u"/MuhasebeData"_s;
    QDir().mkpath(folder);
    const QString path = folder + u"/Kumas.Mdb"_s;
    QString error;
    if (!dbfiles::ensureDatabase(path, {u"Siparis"_s}, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    DataControl data(u"Data1"_s);
    data.setDatabaseName(path);
    data.setRecordSource(u"Select * From Siparis Order By SipNo DESC"_s);
    if (!RefreshToFirst(data))
        return 2;
    RollValues v{u"1047"_s,     u"O'BRİEN TEKSTİL"_s, u"30/1 SÜPREM"_s, u"L-7"_s,
                 u"Makina 3"_s, u"30\"28 E"_s,        u"Ayşe Kılıç"_s,  u"120,5"_s,
                 u"500"_s,      u"18.75"_s,           u"Üretimde"_s,    u"1"_s,
                 u"Acil"_s,     QDate(2026, 3, 4)};
    RollRecorder recorder;
    int told = 0; // rolls the operator was told to record again
    for (qint64 n = 0; n != rolls; ++n) {
        const RecordResult r = recorder.addRoll(*data.recordset(), v, QDate::currentDate());
        if (!r.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(r.error));
            // A station told that the file is busy records the roll again, as its
            // operator would; anything else ends the run.
            if (rolls < 0 || !r.error.contains(u"database is locked"_s))
                return 3;
            --n;
            ++told;
            continue;
        }
        std::printf("%s\n", qPrintable(r.barNo));
        std::fflush(stdout);
        if (rolls > 0)
            QThread::msleep(2); // even the quickest operator takes a moment per roll
    }
    std::fprintf(stderr, "told %d\n", told);
    return 0;
}
