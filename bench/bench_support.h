#pragma once

#include "orders/roll_recorder.h"

#include <QString>

#include <functional>
#include <vector>

// Small timing helpers shared by the benchmark programs.
namespace bench {

struct Figures
{
    double median = 0, p95 = 0, min = 0, max = 0; // milliseconds
    size_t runs = 0;
};

// Runs fn the given number of times (after one warm-up run) and returns its times.
Figures time(int runs, const std::function<void()>& fn);
Figures summarize(std::vector<double> milliseconds);

void print(const QString& what, const Figures& f);

// While it lives, a second process keeps one core busy (the busy-machine case: another
// program, a build, an antivirus scan beside the station).
class BusyCore
{
public:
    BusyCore();
    ~BusyCore();
    BusyCore(const BusyCore&) = delete;
    BusyCore& operator=(const BusyCore&) = delete;

private:
    long long m_pid = -1;
};

// The machine's load average over the last minute, to print beside the figures.
double loadAverage();

// One roll as the operator would fill it in, with Turkish letters in every text field.
RollValues sampleRoll(const QString& note);

// A folder for rebuildable benchmark data (under the system's temporary folder).
QString dataFolder(const QString& name);

// Fills folder/Kumas.Mdb with `rolls` rolls in rolls/10 orders (once; reused while
// it holds that many rows).
void makeOrders(const QString& folder, int rolls);

// A throwaway central PostgreSQL server (scripts/central-pg.sh) in folder, with the
// ODBC data source "ParvekWeb" pointing at it (ODBCINI is set for this process).
bool startCentralServer(const QString& folder, int port, QString* error);
void stopCentralServer(const QString& folder);

// CPU seconds spent so far by this process, and by the central server of folder (its
// postmaster, its running backends and those that have ended). On a loaded machine
// these stay steady where the wall clock does not.
double processCpuSeconds();
double serverCpuSeconds(const QString& folder);

} // namespace bench
