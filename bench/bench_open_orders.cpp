// Opening the order grid's record source on a million rolls and reading the rows the
// grid shows first, against the bare SQLite query of the same rows.

#include "bench_support.h"
#include "core/data_control.h"
#include "core/database_files.h"
#include "core/local_zone.h"
#include "core/shared_routines.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlQuery>

#include <sqlite3.h>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    localzone::pin(); // as the programs do
    QCoreApplication app(argc, argv);
    const int rolls = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1'000'000;
    const QString folder = bench::dataFolder(u"orders-%1"_s.arg(rolls));
    bench::makeOrders(folder, rolls);
    const QString path = folder + u"/Kumas.Mdb"_s;
    const QString source = u"Select * From Siparis Order By SipNo DESC"_s;
    constexpr int kRows = 40;
    constexpr int kRuns = 30;

    // Bare SQLite: the same rows in the same order, through the C interface.
    QSqlDatabase db = dbfiles::connection(path);
    auto* handle = *static_cast<sqlite3* const*>(db.driver()->handle().data());
    long long checksum = 0;
    const auto bare = bench::time(kRuns, [&] {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(
            handle,
            "SELECT rowid, * FROM Siparis ORDER BY SipNo COLLATE TRNOCASE DESC, rowid DESC LIMIT ?",
            -1, &st, nullptr);
        sqlite3_bind_int(st, 1, kRows);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < 16; ++c)
                checksum += sqlite3_column_bytes16(st, c);
        sqlite3_finalize(st);
    });

    // The same query through QtSql, the layer every database access of the station uses.
    auto bareQtRows = [&] {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(
            u"SELECT rowid, * FROM Siparis ORDER BY SipNo COLLATE TRNOCASE DESC, rowid DESC LIMIT ?"_s);
        q.addBindValue(kRows);
        q.exec();
        while (q.next())
            for (int c = 0; c < 16; ++c)
                checksum += q.value(c).toString().size();
    };
    const auto bareQt = bench::time(kRuns, bareQtRows);

    DataControl data(u"Data1"_s);
    data.setDatabaseName(path);
    data.setRecordSource(source);
    auto readFirstRows = [&] {
        RecordSet* rs = data.recordset();
        for (int i = 0; i < kRows; ++i)
            if (const RecordRow* row = rs->rowAt(i))
                checksum += row->values.size();
    };
    auto refreshAndRead = [&] {
        if (!data.refresh())
            qFatal("%s", qPrintable(data.lastError()));
        readFirstRows();
    };
    const auto opened = bench::time(kRuns, refreshAndRead);
    const auto openedBusy = [&] {
        bench::BusyCore spinner;
        return bench::time(kRuns, refreshAndRead);
    }();
    const auto bareQtBusy = [&] {
        bench::BusyCore spinner;
        return bench::time(kRuns, bareQtRows);
    }();
    const auto refreshedToFirst = bench::time(kRuns, [&] {
        if (!RefreshToFirst(data))
            qFatal("%s", qPrintable(data.lastError()));
        readFirstRows();
    });
    const auto count = bench::time(kRuns, [&] {
        if (!data.refresh())
            qFatal("%s", qPrintable(data.lastError()));
        checksum += data.recordset()->exactCount();
    });

    std::printf("\n%d rolls, record source \"%s\", first %d rows (load average %.1f)\n", rolls,
                qPrintable(source), kRows, bench::loadAverage());
    bench::print(u"bare SQLite query (C interface)"_s, bare);
    bench::print(u"bare SQLite query (QtSql)"_s, bareQt);
    bench::print(u"Data1 refresh + first rows"_s, opened);
    bench::print(u"bare SQLite query (QtSql), one core kept busy"_s, bareQtBusy);
    bench::print(u"Data1 refresh + first rows, one core kept busy"_s, openedBusy);
    bench::print(u"RefreshToFirst (visits the last row) + first rows"_s, refreshedToFirst);
    bench::print(u"refresh + exact row count (grid scroll bar)"_s, count);
    std::printf("ratio refresh+rows / bare QtSql: %.2f (goal: within 2x, under 1000 ms)\n",
                opened.median / bareQt.median);
    std::printf("ratio refresh+rows / bare QtSql, one core kept busy: %.2f\n",
                openedBusy.median / bareQtBusy.median);
    std::printf("ratio refresh+rows / bare C: %.2f\n", opened.median / bare.median);
    std::printf("ratio RefreshToFirst+rows / bare: %.2f\n", refreshedToFirst.median / bare.median);
    std::printf("(checksum %lld)\n", checksum);
    return 0;
}
