// The station at a million rolls in 100,000 orders: (a) a change of the grid's current
// row (panel, the order's rolls, remaining kilograms), against the bare indexed queries
// of the same data; (b) recording one roll end to end; (c) opening the window and
// taking the grid to its last row.

#include "bench_support.h"
#include "core/data_control.h"
#include "core/database_files.h"
#include "core/local_zone.h"
#include "core/settings_store.h"
#include "orders/roll_recorder.h"
#include "station/attach_entry.h"
#include "station/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// What one fsync costs on this disk: the floor of any durable write.
bench::Figures fsyncCost(const QString& folder)
{
    const QByteArray path = (folder + u"/fsync.probe"_s).toLocal8Bit();
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    auto f = bench::time(30, [fd] {
        [[maybe_unused]] auto n = ::write(fd, "x", 1);
        ::fsync(fd);
    });
    ::close(fd);
    ::unlink(path.constData());
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    localzone::pin(); // as the programs do
    QApplication app(argc, argv);
    const int rolls = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1'000'000;
    const QString folder = bench::dataFolder(u"orders-%1"_s.arg(rolls));
    bench::makeOrders(folder, rolls);
    QTemporaryDir home;
    qputenv(settings::kHomeVariable, home.path().toLocal8Bit());
    settings::SaveSetting(u"Platform"_s, u"DataFolder"_s, folder);

    // (c) Opening the window on the table and going to its last row.
    QElapsedTimer t;
    t.start();
    auto form = std::make_unique<Form1>();
    attachEntry(*form);
    form->start();
    form->show();
    form->formActivate();
    const double openMs = t.nsecsElapsed() / 1e6;
    t.restart();
    form->DBGrid1->scrollToBottom();
    form->Data1->recordset()->moveLast();
    QCoreApplication::processEvents();
    const double lastMs = t.nsecsElapsed() / 1e6;
    t.restart();
    form->Data1->recordset()->moveFirst();
    form->DBGrid1->scrollToTop();
    QCoreApplication::processEvents();
    const double firstMs = t.nsecsElapsed() / 1e6;

    // (a) Moving down the grid one row at a time from the middle of the table.
    RecordSet* rs = form->Data1->recordset();
    if (!rs->setAbsolutePosition(rolls / 2))
        qFatal("%s", qPrintable(rs->lastError()));
    const auto rowChange = bench::time(2000, [rs] { rs->moveNext(); });
    const auto rowChangeBusy = [rs] {
        bench::BusyCore spinner;
        return bench::time(2000, [rs] { rs->moveNext(); });
    }();
    // The same data through bare indexed queries: the row by its key, then the
    // weights of its order.
    QSqlDatabase db = dbfiles::connection(folder + u"/Kumas.Mdb"_s);
    qint64 key = 500000;
    double sink = 0;
    const auto bare = bench::time(2000, [&] {
        QSqlQuery row(db);
        row.setForwardOnly(true);
        row.prepare(u"SELECT * FROM Siparis WHERE rowid = ?"_s);
        row.addBindValue(++key);
        row.exec();
        row.next();
        const QString sipNo = row.value(0).toString();
        QSqlQuery rolls(db);
        rolls.setForwardOnly(true);
        rolls.prepare(u"SELECT TopKg FROM Siparis WHERE SipNo = ? COLLATE TRNOCASE"_s);
        rolls.addBindValue(sipNo);
        rolls.exec();
        while (rolls.next())
            sink += rolls.value(0).toDouble();
    });

    // (b) Recording a roll: counter to disk, a free barcode number, the row committed.
    RollRecorder recorder;
    RollValues v = bench::sampleRoll(u"Açıklama"_s);
    const auto record = bench::time(100, [&] {
        if (!recorder.addRoll(*rs, v, QDate::currentDate()).ok)
            std::printf("recording failed\n");
    });
    const auto recordBusy = [&] {
        bench::BusyCore spinner;
        return bench::time(30, [&] { recorder.addRoll(*rs, v, QDate::currentDate()); });
    }();
    QSqlQuery cleanup(db);
    cleanup.exec(u"DELETE FROM Siparis WHERE SipNo = '100050' AND Tarih = date('now')"_s);
    const auto fsync = fsyncCost(folder);

    std::printf("\n%d rolls in %d orders (load average %.1f)\n", rolls, rolls / 10,
                bench::loadAverage());
    bench::print(u"(a) row change: panel, order rolls, remaining kg"_s, rowChange);
    bench::print(u"(a) the same, another process keeping one core busy"_s, rowChangeBusy);
    bench::print(u"(a) bare indexed queries of the same data"_s, bare);
    std::printf("    ratio %.2f (goal: under 1 ms median, within 2x)\n",
                rowChange.median / bare.median);
    bench::print(u"(b) recording one roll (counter, check, insert, commit)"_s, record);
    bench::print(u"(b) the same, another process keeping one core busy"_s, recordBusy);
    bench::print(u"    one fsync on this disk"_s, fsync);
    std::printf("    recording = %.1f fsyncs (goal: under 5 ms median)\n",
                record.median / fsync.median);
    std::printf("(c) window opened on the table: %.1f ms; grid to its last row: %.1f ms; back to "
                "the first: %.1f ms\n",
                openMs, lastMs, firstMs);
    std::printf("(sink %.1f)\n", sink);
    form->close();
    return 0;
}
