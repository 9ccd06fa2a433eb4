// The branch data exchange against a real PostgreSQL server over ODBC:
//  1. the upload of a branch's account and stock movements (UploadMovements, with its
//     marks, receipts and card totals), against a bare batched insert of the same rows
//     over the same ODBC connection in the same run;
//  2. the full exchange of central records into a branch (FullExchange).
//
//   bench_exchange [sales for the upload, default 50000 = 100,000 movements]
//                  [sales for the full exchange, default 5000 = 10,000 records]

#include "bench_support.h"
#include "core/database_files.h"
#include "core/sequential_file.h"
#include "exchange/central_database.h"
#include "exchange/demo_branches.h"
#include "exchange/exchange_run.h"
#include "exchange/field_copy.h"
#include "exchange/row_inserter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class QuietHost : public ExchangeHost
{
public:
    void progress(const QString&, int, int) override {}
};

void writeBranchList(const QString& folder)
{
    seqfile::Writer w;
    w.text(u"02"_s);
    w.endRecord();
    seqfile::writeFile(QDir(folder).filePath(u"Sube.txt"_s), w.content());
}

ExchangeSettings settingsFor(const QString& folder, bool central, const QString& command = {})
{
    ExchangeSettings s;
    s.DataFolder = folder + u'/';
    s.OwnBranch = u"02"_s;
    s.CentralStation = central;
    s.ExchangeCommand = command;
    return s;
}

// The branch's rows of a table as the central table takes them (central names).
struct Rows
{
    QStringList columns;
    QList<QVariantList> values;
};

Rows readBranchRows(const QString& path, const QString& table)
{
    Rows rows;
    QSqlQuery q(dbfiles::connection(path));
    q.setForwardOnly(true);
    q.exec(u"SELECT * FROM "_s + table);
    const QSqlRecord rec = q.record();
    QList<int> kept;
    for (int i = 0; i < rec.count(); ++i) {
        if (rec.fieldName(i) == u"AktarimNo"_s)
            continue;
        kept.append(i);
        rows.columns.append(fieldcopy::centralName(rec.fieldName(i)));
    }
    while (q.next()) {
        QVariantList row;
        for (int i : kept)
            row.append(q.value(i));
        rows.values.append(row);
    }
    return rows;
}

// The bare insert: the same multi-row INSERT statements the upload uses (same size,
// kept prepared), in one transaction, with the branch's values as they are.
bool bareInsert(CentralDatabase& central, const QString& table, const Rows& rows)
{
    RowInserter insert(central.database(), table, rows.columns);
    QString error;
    central.begin();
    bool ok = true;
    for (const QVariantList& row : rows.values)
        ok = ok && insert.add(row, &error);
    if (ok && insert.flush(&error) && central.commit(&error))
        return true;
    std::printf("bare insert failed: %s\n", qPrintable(error));
    central.rollback();
    return false;
}

void truncate(CentralDatabase& central)
{
    QSqlQuery(central.database())
        .exec(
            u"TRUNCATE \"CariKartlar\", \"StokKartlar\", \"CariHareket\", \"StokHareket\", \"AktarimFisleri\""_s);
}

// Wall time and CPU seconds (this process, the central server) at one moment.
struct Spent
{
    double ms = 0, client = 0, server = 0;
    static Spent now(const QString& serverFolder, QElapsedTimer& clock)
    {
        if (!clock.isValid())
            clock.start();
        return {static_cast<double>(clock.elapsed()), bench::processCpuSeconds(),
                bench::serverCpuSeconds(serverFolder)};
    }
    Spent operator-(const Spent& o) const
    {
        return {ms - o.ms, client - o.client, server - o.server};
    }
};

int count(CentralDatabase& central, const QString& table)
{
    QSqlQuery q(central.database());
    q.exec(u"SELECT COUNT(*) FROM \"%1\""_s.arg(table));
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int uploadSales = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50'000;
    const int downloadSales = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5'000;
    QTemporaryDir work(QDir::tempPath() + u"/topkar-bench-exchange-XXXXXX"_s);
    QFile::setPermissions(work.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                           QFile::ExeGroup);
    qputenv("TOPKAR_HOME", work.filePath(u"home"_s).toLocal8Bit());
    QString error;
    const QString serverFolder = work.filePath(u"central"_s);
    if (!bench::startCentralServer(serverFolder, 55701, &error)) {
        std::printf("central server did not start: %s\n", qPrintable(error));
        return 1;
    }
    int status = 0;
    {
        CentralDatabase central;
        // A fresh database has no tables yet: create them, then open for real.
        QSqlDatabase raw = QSqlDatabase::addDatabase(u"QODBC"_s, u"bench-setup"_s);
        raw.setDatabaseName(u"ParvekWeb"_s);
        if (!raw.open() || !createCentralSchema(raw, &error) ||
            !central.open(u"ParvekWeb"_s, &error)) {
            std::printf("central database: %s\n", qPrintable(error));
            return 1;
        }

        // ---- 1. upload against the bare insert
        const QString branch = work.filePath(u"sube02"_s);
        QDir().mkpath(branch);
        writeBranchList(branch);
        std::printf("filling a branch with %d sales (%d movements)...\n", uploadSales,
                    2 * uploadSales);
        std::fflush(stdout);
        demobranches::addSales(branch, u"02"_s, uploadSales, 1, &error);
        const Rows accounts = readBranchRows(branch + u"/02Cari.Mdb"_s, u"CariHareket"_s);
        const Rows stock = readBranchRows(branch + u"/02Stok.Mdb"_s, u"StokHareket"_s);
        const qsizetype rows = accounts.values.size() + stock.values.size();

        // A copy of the branch as it stands before the upload, for the second upload.
        const QString pristine = work.filePath(u"sube02-pristine"_s);
        QDir().mkpath(pristine);
        for (const QString& f : QDir(branch).entryList(QDir::Files))
            QFile::copy(QDir(branch).filePath(f), QDir(pristine).filePath(f));

        // Once on an idle machine, once while another process keeps one core busy.
        double ratios[2] = {0, 0};
        double cpuRatios[2] = {0, 0};
        for (const bool busy : {false, true}) {
            QString from = branch;
            if (busy) {
                from = work.filePath(u"sube02-busy"_s);
                QDir().mkpath(from);
                for (const QString& f : QDir(pristine).entryList(QDir::Files))
                    QFile::copy(QDir(pristine).filePath(f), QDir(from).filePath(f));
            }
            std::optional<bench::BusyCore> spinner;
            if (busy)
                spinner.emplace();
            // The bare insert three times (the median counts), each into empty tables.
            QElapsedTimer t;
            bool bareOk = true;
            std::vector<Spent> bareRuns;
            for (int run = 0; run < 3; ++run) {
                const Spent before = Spent::now(serverFolder, t);
                bareOk = bareInsert(central, u"CariHareket"_s, accounts) &&
                         bareInsert(central, u"StokHareket"_s, stock) && bareOk;
                bareRuns.push_back(Spent::now(serverFolder, t) - before);
                truncate(central);
            }
            std::sort(bareRuns.begin(), bareRuns.end(),
                      [](const Spent& a, const Spent& b) { return a.ms < b.ms; });
            const Spent bare = bareRuns[1];
            const double bareMs = bare.ms;

            QuietHost host;
            ExchangeControls controls;
            ExchangeSettings upload = settingsFor(from, false, u"CariHarKod"_s);
            const Spent before = Spent::now(serverFolder, t);
            const ExchangeReport report = runExchange(upload, controls, host);
            const Spent spent = Spent::now(serverFolder, t) - before;
            const double uploadMs = spent.ms;
            const int arrived = count(central, u"CariHareket"_s) + count(central, u"StokHareket"_s);
            truncate(central);
            const double bareRate = rows / (bareMs / 1000.0);
            const double uploadRate = rows / (uploadMs / 1000.0);
            ratios[busy] = uploadRate / bareRate;
            cpuRatios[busy] = (bare.client + bare.server) / (spent.client + spent.server);
            std::printf("\n%lld account and stock movements, %s (load average %.1f)\n",
                        static_cast<long long>(rows),
                        busy ? "another process keeps one core busy" : "idle",
                        bench::loadAverage());
            std::printf("bare batched insert over ODBC: %8.0f ms  %8.0f rows/s%s\n", bareMs,
                        bareRate, bareOk ? "" : "  (FAILED)");
            std::printf(
                "UploadMovements:               %8.0f ms  %8.0f rows/s  (%d rows arrived, %s)\n",
                uploadMs, uploadRate, arrived, report.complete() ? "complete" : "INCOMPLETE");
            std::printf("CPU seconds, client + server:  bare %.2f + %.2f   upload %.2f + %.2f\n",
                        bare.client, bare.server, spent.client, spent.server);
            if (!bareOk || !report.complete() || arrived != rows)
                status = 1;
        }
        std::printf("upload / bare insert:          %8.2f   busy: %.2f   (goal: at least 0.7)\n",
                    ratios[0], ratios[1]);
        std::printf("CPU bare / CPU upload:         %8.2f   busy: %.2f\n\n", cpuRatios[0],
                    cpuRatios[1]);
        std::fflush(stdout);

        // ---- 2. full exchange into a branch
        QuietHost host;
        ExchangeControls controls;
        QElapsedTimer t;
        const QString source = work.filePath(u"sube02-small"_s);
        const QString target = work.filePath(u"merkez"_s);
        QDir().mkpath(source);
        QDir().mkpath(target);
        writeBranchList(source);
        writeBranchList(target);
        demobranches::addSales(source, u"02"_s, downloadSales, 1, &error);
        // The central station keeps the company database (01) beside its branches' copies.
        demobranches::addCards(target, u"01"_s, &error);
        demobranches::addCards(target, u"02"_s, &error);
        ExchangeSettings send = settingsFor(source, false, u"CariHarKod"_s);
        runExchange(send, controls, host);
        const int waiting = count(central, u"CariHareket"_s) + count(central, u"StokHareket"_s);
        ExchangeSettings take = settingsFor(target, true);
        t.restart();
        const ExchangeReport full = runExchange(take, controls, host);
        const double fullMs = t.elapsed();
        std::printf(
            "FullExchange of %d central records into a branch: %8.0f ms  %8.0f records/s  (%s)\n",
            waiting, fullMs, waiting / (fullMs / 1000.0),
            full.complete() ? "complete" : "INCOMPLETE");
        if (!full.complete() || full.taken() != waiting)
            status = 1;
        raw.close();
    }
    QSqlDatabase::removeDatabase(u"bench-setup"_s);
    dbfiles::closeAll();
    bench::stopCentralServer(serverFolder);
    return status;
}
