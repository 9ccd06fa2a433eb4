// Time from the last byte of a scale frame written into a virtual serial line to the
// weight field Text1(6) of the station's window showing the new weight. The virtual
// line hands bytes over at once; a real line at 9600 baud first needs the frame's own
// transmission time, printed beside the figures.

#include "bench_support.h"
#include "core/settings_store.h"
#include "scale/scale_port.h"
#include "station/form1.h"
#include "station/scale_link.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return ::tcdrain(fd) == 0;
}

// Runs the event loop until done() holds; false after ten seconds without it.
template <typename F> bool runUntil(F done)
{
    QElapsedTimer guard;
    guard.start();
    while (!done()) {
        if (guard.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int samples = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 300;

    QTemporaryDir home;
    qputenv(settings::kHomeVariable, home.path().toLocal8Bit());
    const QString station = home.filePath(u"station"_s);
    const QString scale = home.filePath(u"scale"_s);
    QProcess socat;
    socat.start(u"socat"_s,
                {u"pty,raw,echo=0,link="_s + station, u"pty,raw,echo=0,link="_s + scale});
    if (!socat.waitForStarted())
        return std::printf("socat is needed (apt-get install socat)\n"), 1;
    while (!QFileInfo::exists(station) || !QFileInfo::exists(scale))
        QThread::msleep(5);
    const int fd = ::open(scale.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::cfsetospeed(&t, B9600);
    ::tcsetattr(fd, TCSANOW, &t);
    settings::SaveSetting(u"Platform"_s, u"Com1"_s, station);

    Form1 window;
    ScaleLink* link = attachScale(window);
    window.start();
    if (!link->comm().PortOpen())
        return std::printf("the port did not open: %s\n", qPrintable(link->comm().errorText())), 1;

    QElapsedTimer clock;
    double changedAt = -1;
    QObject::connect(window.field(EntryField::Weight), &QLineEdit::textChanged, &window,
                     [&] { changedAt = static_cast<double>(clock.nsecsElapsed()) / 1e6; });

    std::vector<double> latencies;
    const QByteArray rest(201 - 18, ' '); // completes the 200-character cycle
    for (int i = 0; i < samples; ++i) {
        const QByteArray frame =
            "ST,GS,+ " + QByteArray::number(10 + (i % 900) * 0.01, 'f', 2).rightJustified(6, ' ') +
            "kg\r\n";
        changedAt = -1;
        clock.start(); // the frame goes into the line in one write, its last byte with it
        writeAll(fd, frame);
        if (!runUntil([&] { return changedAt >= 0; }))
            return std::printf("no weight after frame %d\n", i), 1;
        latencies.push_back(changedAt);
        writeAll(fd, rest);
        if (!runUntil([&] { return link->buffer().text().isEmpty(); }))
            return std::printf("the buffer was not emptied\n"), 1;
    }
    ::close(fd);
    socat.terminate();
    socat.waitForFinished();

    const bench::Figures f = bench::summarize(latencies);
    bench::print(u"last byte written to Text1(6) changed"_s, f);
    std::printf("end-to-end latency: median %.3f ms, p95 %.3f ms (goal: median under 20 ms)\n",
                f.median, f.p95);
    std::printf("the line's own time for an 18-character frame at 9600 baud (10 bits a character): "
                "%.2f ms, "
                "not included above\n",
                18 * 10 * 1000.0 / 9600);
    return 0;
}
