// The orders table on a PostgreSQL server at a million rolls in 100,000 orders, with the
// SQLite file of the same rolls beside it, in one run:
//  (a) the grid's first 40 rows (Data1 refresh), against the bare query through libpq;
//  (b) a change of the grid's current row (panel, the order's rolls, remaining kg),
//      against the bare indexed queries through libpq;
//  (c) recording one roll end to end (counter, free barcode number, row committed);
//  (d) the driver choice: one row by its key and 40 rows of the grid through Qt's
//      PostgreSQL driver and through ODBC (psqlODBC), the exchange's road.
//
//   bench_pg_orders [rolls, default 1000000]

#include "bench_support.h"
#include "core/data_control.h"
#include "core/jet_sql.h"
#include "core/local_zone.h"
#include "core/order_server.h"
#include "core/settings_store.h"
#include "orders/roll_recorder.h"
#include "station/attach_entry.h"
#include "station/form1.h"

#include <QApplication>
#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <libpq-fe.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRows = 40;
constexpr int kGridRuns = 1000; // enough for the CPU clocks' 10 ms ticks

// CPU milliseconds per run spent by this process and by the server, which on a loaded
// machine stay steady where the wall clock does not.
struct Cpu
{
    double station = 0, server = 0;
};

Cpu cpuPerRun(const QString& serverFolder, int runs, const std::function<void()>& measure)
{
    const double station = bench::processCpuSeconds(),
                 server = bench::serverCpuSeconds(serverFolder);
    measure();
    return {(bench::processCpuSeconds() - station) * 1e3 / runs,
            (bench::serverCpuSeconds(serverFolder) - server) * 1e3 / runs};
}

void printCpu(const char* what, const Cpu& c)
{
    std::printf("  %-56s CPU per run: station %.3f ms, server %.3f ms\n", what, c.station,
                c.server);
}

struct Station
{
    bench::Figures grid, rowChange, record;
    Cpu gridCpu, rowChangeCpu;
};

// The window on the orders the settings name: the grid read anew with its first rows,
// moves down the grid from the middle, rolls recorded.
Station measure(int rolls, const QString& serverFolder)
{
    Station s;
    Form1 form;
    attachEntry(form);
    form.start();
    form.show();
    form.formActivate();
    if (!form.ordersOpen())
        qFatal("orders not open: %s", qPrintable(form.statusText()));
    RecordSet* rs = form.Data1->recordset();
    // A control of its own: the form's grid would count the rows for its scroll bar.
    DataControl grid(u"Grid"_s);
    grid.setDatabaseName(form.Data1->databaseName());
    if (rs->dialect() == jetsql::Dialect::PostgreSQL)
        grid.setConnection(rs->database());
    grid.setRecordSource(form.Data1->recordSource());
    s.gridCpu = cpuPerRun(serverFolder, kGridRuns, [&] {
        s.grid = bench::time(kGridRuns, [&] {
            if (!grid.refresh())
                qFatal("%s", qPrintable(grid.lastError()));
            for (int i = 0; i < kRows; ++i)
                grid.recordset()->rowAt(i);
        });
    });
    if (!rs->setAbsolutePosition(rolls / 2))
        qFatal("%s", qPrintable(rs->lastError()));
    s.rowChangeCpu = cpuPerRun(serverFolder, 1000,
                               [&] { s.rowChange = bench::time(1000, [rs] { rs->moveNext(); }); });
    RollRecorder recorder;
    const RollValues v = bench::sampleRoll(u"Bench"_s);
    s.record = bench::time(100, [&] {
        if (!recorder.addRoll(*rs, v, QDate::currentDate()).ok)
            std::printf("recording failed\n");
    });
    QSqlQuery(rs->database()).exec(u"DELETE FROM \"Siparis\" WHERE \"Aciklama\" = 'Bench'"_s);
    return s;
}

// The server's table with the same rolls as the file (once; kept while it holds them).
void fillServer(const QSqlDatabase& db, int rolls)
{
    QSqlQuery q(db);
    q.exec(u"SELECT COUNT(*) FROM \"Siparis\""_s);
    if (q.next() && q.value(0).toInt() == rolls)
        return;
    std::printf("Building %d rolls on the server ...\n", rolls);
    std::fflush(stdout);
    q.exec(u"DROP TABLE \"Siparis\""_s);
    q.exec(orderserver::createTableStatement(u"Siparis"_s));
    q.exec(u"INSERT INTO \"Siparis\" (\"SipNo\", \"BarNo\", \"Tarih\", \"Firma\", \"Makina\", "
           "\"MakCinsi\", \"Kumas\", \"Lot\", \"SipKg\", \"TopKg\", \"Top\", \"Operator\", "
           "\"Fiyat\", \"Durum\") SELECT (100000 + i / 10)::text, (100000 + i / 10) || 'S' || "
           "lpad((1 + i % 12)::text, 2, '0') || (i + 1), date '2026-01-01' + i / 3000, "
           "'ÖZTÜRK TEKSTİL A.Ş. ' || ((100000 + i / 10) % 300), 'Makina 3', '30\"28 E', "
           "'30/1 PENYE SÜPREM', 'L1234', 250, 15 + random() * 15, 1, 'Ayşe Kılıç', 120, "
           "'Gitti' FROM generate_series(0, %1) AS i"_s.arg(rolls - 1));
    orderserver::ensureSchema(db); // the indexes, after the rows
    q.exec(u"VACUUM ANALYZE \"Siparis\""_s);
}

// Median milliseconds of a statement through libpq, prepared once.
bench::Figures bareLibpq(PGconn* pg, const char* sql, int runs,
                         const std::function<QByteArray()>& param)
{
    static int n = 0;
    const QByteArray name = "bench" + QByteArray::number(++n);
    PQclear(PQprepare(pg, name.constData(), sql, param ? 1 : 0, nullptr));
    long long sink = 0;
    return bench::time(runs, [&] {
        const QByteArray p = param ? param() : QByteArray();
        const char* values[] = {p.constData()};
        PGresult* r =
            PQexecPrepared(pg, name.constData(), param ? 1 : 0, values, nullptr, nullptr, 0);
        for (int row = 0; row < PQntuples(r); ++row)
            for (int c = 0; c < PQnfields(r); ++c)
                sink += PQgetlength(r, row, c);
        PQclear(r);
    });
}

bench::Figures driverRoundTrip(const QSqlDatabase& db, const QString& sql, int runs, bool keyed)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    qint64 key = 400000;
    long long sink = 0;
    return bench::time(runs, [&] {
        if (keyed)
            q.addBindValue(++key);
        q.exec();
        while (q.next())
            sink += q.value(1).toString().size();
    });
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    localzone::pin(); // as the programs do
    QApplication app(argc, argv);
    const int rolls = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1'000'000;
    const QString files = bench::dataFolder(u"orders-%1"_s.arg(rolls));
    bench::makeOrders(files, rolls);
    const QString serverFolder = bench::dataFolder(u"pg-orders"_s);
    QString error;
    if (!bench::startCentralServer(serverFolder, 55711, &error)) {
        std::printf("server did not start: %s\n", qPrintable(error));
        return 1;
    }
    QTemporaryDir home;
    qputenv(settings::kHomeVariable, home.path().toLocal8Bit());
    settings::SaveSetting(u"Platform"_s, u"DataFolder"_s, files);

    const Station file = measure(rolls, {});

    const orderserver::Address server{
        serverFolder + u"/sock"_s, 55711, u"central"_s, u"postgres"_s, {}};
    const QSqlDatabase db = orderserver::connection(server, &error);
    if (!db.isValid())
        qFatal("%s", qPrintable(error));
    fillServer(db, rolls);
    settings::SaveSetting(u"Platform"_s, u"OrdersHost"_s, server.host);
    settings::SaveSetting(u"Platform"_s, u"OrdersPort"_s, QString::number(server.port));
    settings::SaveSetting(u"Platform"_s, u"OrdersDatabase"_s, server.database);
    settings::SaveSetting(u"Platform"_s, u"OrdersUser"_s, server.user);
    const Station onServer = measure(rolls, serverFolder);

    // The bare queries of the same rows through libpq.
    const QByteArray conninfo = u"host=%1 port=%2 dbname=central user=postgres"_s.arg(server.host)
                                    .arg(server.port)
                                    .toUtf8();
    PGconn* pg = PQconnectdb(conninfo.constData());
    const QByteArray key = jetsql::turkishKey(u"\"SipNo\""_s).toUtf8();
    const QByteArray gridSql =
        "SELECT * FROM \"Siparis\" ORDER BY " + key + " DESC NULLS LAST, \"Id\" DESC LIMIT 40";
    bench::Figures bareGrid;
    const Cpu bareGridCpu = cpuPerRun(serverFolder, kGridRuns, [&] {
        bareGrid = bareLibpq(pg, gridSql.constData(), kGridRuns, {});
    });
    // Row change: the row by its key, then the weights of its order.
    qint64 id = 500000;
    const QByteArray rollsSql = "SELECT \"TopKg\" FROM \"Siparis\" WHERE " + key + " = " +
                                jetsql::turkishKey(u"$1"_s).toUtf8();
    bench::Figures bareRow, bareRolls;
    const Cpu bareChangeCpu = cpuPerRun(serverFolder, 1000, [&] {
        bareRow = bareLibpq(pg, "SELECT * FROM \"Siparis\" WHERE \"Id\" = $1", 1000,
                            [&] { return QByteArray::number(++id); });
        id = 500000;
        bareRolls = bareLibpq(pg, rollsSql.constData(), 1000,
                              [&] { return QByteArray::number(100000 + ++id / 10); });
    });
    PQfinish(pg);

    // The driver choice: the same statements through QPSQL and through ODBC.
    QSqlDatabase odbc = QSqlDatabase::addDatabase(u"QODBC"_s, u"bench-odbc"_s);
    odbc.setDatabaseName(u"ParvekWeb"_s);
    odbc.open();
    const QString byKey = u"SELECT * FROM \"Siparis\" WHERE \"Id\" = ?"_s;
    const QString grid = QString::fromUtf8(gridSql);
    const auto psqlKey = driverRoundTrip(db, byKey, 1000, true);
    const auto odbcKey = driverRoundTrip(odbc, byKey, 1000, true);
    const auto psqlGrid = driverRoundTrip(db, grid, 30, false);
    const auto odbcGrid = driverRoundTrip(odbc, grid, 30, false);

    std::printf("\n%d rolls in %d orders\n", rolls, rolls / 10);
    bench::print(u"(a) grid's first 40 rows, server"_s, onServer.grid);
    bench::print(u"(a) bare grid query through libpq"_s, bareGrid);
    bench::print(u"(a) grid's first 40 rows, SQLite file"_s, file.grid);
    printCpu("(a) grid's first 40 rows, server", onServer.gridCpu);
    printCpu("(a) bare grid query through libpq", bareGridCpu);
    std::printf("ratio grid server / bare libpq: %.2f (goal: within 2x)\n",
                onServer.grid.median / bareGrid.median);
    bench::print(u"(b) row change: panel, order rolls, remaining kg, server"_s, onServer.rowChange);
    const double bareChange = bareRow.median + bareRolls.median;
    std::printf("  (b) bare indexed queries through libpq (row + order's rolls): median %.3f ms\n",
                bareChange);
    bench::print(u"(b) row change, SQLite file"_s, file.rowChange);
    printCpu("(b) row change, server", onServer.rowChangeCpu);
    printCpu("(b) bare indexed queries through libpq", bareChangeCpu);
    std::printf("ratio row change server / bare libpq: %.2f (goal: under 2 ms median, within 3x)\n",
                onServer.rowChange.median / bareChange);
    bench::print(u"(c) recording one roll, server"_s, onServer.record);
    bench::print(u"(c) recording one roll, SQLite file"_s, file.record);
    std::printf("ratio recording server / 10 ms: %.2f (goal: under 1)\n",
                onServer.record.median / 10.0);
    bench::print(u"(d) one row by key, QPSQL"_s, psqlKey);
    bench::print(u"(d) one row by key, QODBC"_s, odbcKey);
    bench::print(u"(d) grid's 40 rows, QPSQL"_s, psqlGrid);
    bench::print(u"(d) grid's 40 rows, QODBC"_s, odbcGrid);
    std::printf("ratio QODBC / QPSQL: row by key %.2f, grid rows %.2f\n",
                odbcKey.median / psqlKey.median, odbcGrid.median / psqlGrid.median);
    QSqlDatabase::database(u"topkar-orders"_s, false).close();
    bench::stopCentralServer(serverFolder);
    return 0;
}
