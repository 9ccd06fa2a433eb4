#pragma once

// A virtual serial line for the scale tests, made by socat.

#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

// Two pty devices joined by socat: the station opens <folder>/station, the test plays the
// scale on <folder>/scale. Starting and stopping never run the event loop, so a test
// decides when the station sees what happened to the line.
class VirtualSerialPair
{
public:
    explicit VirtualSerialPair(const QString& folder)
        : m_station(folder + QStringLiteral("/station")), m_scale(folder + QStringLiteral("/scale"))
    {}
    ~VirtualSerialPair() { stop(); }
    QString stationEnd() const { return m_station; }

    bool start()
    {
        const QString pty = QStringLiteral("pty,raw,echo=0,link=");
        m_socat.start(QStringLiteral("socat"), {pty + m_station, pty + m_scale});
        for (int i = 0; i < 1000 && m_socat.waitForStarted(); ++i, QThread::msleep(5))
            if (QFileInfo::exists(m_station) && QFileInfo::exists(m_scale)) {
                m_fd = ::open(m_scale.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
                termios t{};
                ::tcgetattr(m_fd, &t);
                ::cfmakeraw(&t);
                return m_fd >= 0 && ::tcsetattr(m_fd, TCSANOW, &t) == 0;
            }
        return false;
    }
    // Ends socat: both devices disappear, as when a USB adapter is pulled out.
    void stop()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_socat.terminate();
        m_socat.waitForFinished(10000);
    }
    // Writes into the scale's end; the bytes are on their way when this returns.
    bool write(const QByteArray& bytes)
    {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size() &&
               ::tcdrain(m_fd) == 0;
    }

private:
    QString m_station, m_scale;
    QProcess m_socat;
    int m_fd = -1;
};
