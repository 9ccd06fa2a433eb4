#include "bench_support.h"

#include "core/database_files.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace bench {

Figures summarize(std::vector<double> ms)
{
    Figures f;
    if (ms.empty())
        return f;
    std::sort(ms.begin(), ms.end());
    f.runs = ms.size();
    f.min = ms.front();
    f.max = ms.back();
    f.median = ms[ms.size() / 2];
    f.p95 = ms[std::min(ms.size() - 1, static_cast<size_t>(ms.size() * 0.95))];
    return f;
}

Figures time(int runs, const std::function<void()>& fn)
{
    fn();
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        fn();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return summarize(ms);
}

BusyCore::BusyCore()
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        volatile unsigned long spin = 0;
        for (;;)
            spin = spin + 1;
    }
    m_pid = pid;
}

BusyCore::~BusyCore()
{
    if (m_pid <= 0)
        return;
    ::kill(static_cast<pid_t>(m_pid), SIGKILL);
    ::waitpid(static_cast<pid_t>(m_pid), nullptr, 0);
}

double loadAverage()
{
    double load[1] = {0};
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

void print(const QString& what, const Figures& f)
{
    std::printf("%-58s median %9.3f ms  p95 %9.3f ms  min %9.3f  max %9.3f  (%zu runs)\n",
                qPrintable(what), f.median, f.p95, f.min, f.max, f.runs);
    std::fflush(stdout);
}

QString dataFolder(const QString& name)
{
    const QString folder = QDir::tempPath() + u"/topkar-bench/"_s + name;
    QDir().mkpath(folder);
    return folder;
}

void makeOrders(const QString& folder, int rolls)
{
    const QString path = folder + u"/Kumas.Mdb"_s;
    dbfiles::ensureDatabase(path, {u"Siparis"_s});
    QSqlDatabase db = dbfiles::connection(path);
    QSqlQuery q(db);
    q.exec(u"SELECT COUNT(*) FROM Siparis"_s);
    if (q.next() && q.value(0).toInt() == rolls)
        return;
    std::printf("Building %d rolls in %s ...\n", rolls, qPrintable(path));
    std::fflush(stdout);
    q.exec(u"DELETE FROM Siparis"_s);
    q.exec(u"DROP INDEX IF EXISTS Siparis_SipNo"_s);
    q.exec(u"DROP INDEX IF EXISTS Siparis_BarNo"_s);
    db.transaction();
    q.prepare(u"INSERT INTO Siparis (SipNo, BarNo, Tarih, Firma, Makina, MakCinsi, Kumas, Lot, "
              u"SipKg, TopKg, "
              "Top, Operator, Fiyat, Aciklama, Durum) VALUES (?, ?, ?, ?, 'Makina 3', '30\"28 E', "
              "'30/1 PENYE SÜPREM', 'L1234', ?, ?, 1, 'Ayşe Kılıç', 120, NULL, 'Gitti')"_s);
    QRandomGenerator rnd(7);
    for (int i = 0; i < rolls; ++i) {
        const int order = 100000 + i / 10;
        q.addBindValue(QString::number(order));
        q.addBindValue(u"%1S%2%3"_s.arg(order).arg(1 + (i % 12), 2, 10, QChar(u'0')).arg(i + 1));
        q.addBindValue(QDate(2026, 1, 1).addDays(i / 3000).toString(Qt::ISODate));
        q.addBindValue(u"ÖZTÜRK TEKSTİL A.Ş. %1"_s.arg(order % 300));
        q.addBindValue(250.0);
        q.addBindValue(15.0 + rnd.bounded(15.0));
        q.exec();
    }
    db.commit();
    for (const QString& statement : dbfiles::tableStatements(u"Siparis"_s))
        if (statement.startsWith(u"CREATE INDEX"_s) || statement.startsWith(u"CREATE UNIQUE"_s))
            q.exec(statement);
    q.exec(u"ANALYZE"_s);
}

} // namespace bench

namespace bench {

namespace {
bool centralScript(const QStringList& arguments, QString* error)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"bash"_s,
            QStringList{QStringLiteral(TOPKAR_SOURCE_DIR "/scripts/central-pg.sh")} + arguments);
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    if (error)
        *error = QString::fromLocal8Bit(p.readAll());
    return false;
}
} // namespace

bool startCentralServer(const QString& folder, int port, QString* error)
{
    if (!centralScript({u"start"_s, folder, QString::number(port)}, error))
        return false;
    qputenv("ODBCINI", QDir(folder).filePath(u"odbc.ini"_s).toLocal8Bit());
    return true;
}

void stopCentralServer(const QString& folder)
{
    centralScript({u"stop"_s, folder, u"fast"_s}, nullptr);
}

double processCpuSeconds()
{
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

namespace {
// Fields of /proc/PID/stat after the command name: [1] parent, [11..14] utime, stime,
// cutime, cstime in clock ticks.
QStringList procStat(const QString& pid)
{
    QFile f(u"/proc/%1/stat"_s.arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(f.readAll());
    return text.mid(text.lastIndexOf(u')') + 2).split(u' ');
}
} // namespace

double serverCpuSeconds(const QString& folder)
{
    QFile pidFile(QDir(folder).filePath(u"data/postmaster.pid"_s));
    if (!pidFile.open(QIODevice::ReadOnly))
        return 0;
    const QString postmaster = QString::fromLatin1(pidFile.readLine()).trimmed();
    const QStringList own = procStat(postmaster);
    if (own.size() < 15)
        return 0;
    long long ticks = 0;
    for (int i = 11; i <= 14; ++i)
        ticks += own[i].toLongLong(); // the ended backends are in cutime/cstime
    for (const QString& pid : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        if (pid.isEmpty() || !pid[0].isDigit())
            continue;
        const QStringList st = procStat(pid);
        if (st.size() > 12 && st[1] == postmaster)
            ticks += st[11].toLongLong() + st[12].toLongLong();
    }
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

} // namespace bench

namespace bench {

RollValues sampleRoll(const QString& note)
{
    return RollValues{u"100050"_s,
                      u"ÖZTÜRK TEKSTİL A.Ş."_s,
                      u"30/1 PENYE SÜPREM"_s,
                      u"L1234"_s,
                      u"Makina 3"_s,
                      u"30\"28 E"_s,
                      u"Ayşe Kılıç"_s,
                      u"120"_s,
                      u"250"_s,
                      u"18,5"_s,
                      u"Üretimde"_s,
                      u"1"_s,
                      note,
                      QDate::currentDate()};
}

} // namespace bench
