#pragma once

// Helpers of the scale tests: a virtual serial line made by socat, and an operator
// who answers the modal windows that come up.

#include <QApplication>
#include <QByteArrayView>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <functional>

// Two pty devices joined by socat: the station opens <folder>/station, the test plays
// the scale on <folder>/scale. Starting and stopping never run the event loop, so a
// test decides exactly when the station sees what happened to the line.
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
        m_socat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + m_station,
                                                QStringLiteral("pty,raw,echo=0,link=") + m_scale});
        if (!m_socat.waitForStarted(10000))
            return false;
        for (int i = 0; i < 1000; ++i) {
            if (QFileInfo::exists(m_station) && QFileInfo::exists(m_scale))
                return openScaleEnd();
            QThread::msleep(5);
        }
        return false;
    }

    // Ends socat: both devices disappear, as when a USB adapter is pulled out.
    void stop()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (m_socat.state() != QProcess::NotRunning) {
            m_socat.terminate();
            m_socat.waitForFinished(10000);
        }
    }

    // Writes into the scale's end; the bytes are on their way when this returns.
    bool write(QByteArrayView bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(m_fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
            if (n <= 0)
                return false;
            done += n;
        }
        return ::tcdrain(m_fd) == 0;
    }

private:
    bool openScaleEnd()
    {
        m_fd = ::open(m_scale.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        if (m_fd < 0)
            return false;
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        return ::tcsetattr(m_fd, TCSANOW, &t) == 0;
    }

    QString m_station;
    QString m_scale;
    QProcess m_socat;
    int m_fd = -1;
};

// Answers every modal window that comes up while it lives: message boxes are noted
// and confirmed, other windows go to `answer`.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<void(QWidget*)> answer = {}) : m_answer(std::move(answer))
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { look(); });
        m_timer.start(10);
    }

    QStringList messages;

private:
    void look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_handled)
            return;
        m_handled = modal;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages.append(box->text());
            box->accept();
        } else if (m_answer) {
            m_answer(modal);
        }
    }

    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
    QPointer<QWidget> m_handled;
};
