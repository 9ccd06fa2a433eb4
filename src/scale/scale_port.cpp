#include "scale/scale_port.h"

#include "core/logging.h"
#include "scale/port_devices.h"

#include <QSerialPort>

using namespace Qt::StringLiterals;

namespace {

QSerialPort::Parity parityOf(char16_t letter)
{
    switch (letter) {
    case u'e':
        return QSerialPort::EvenParity;
    case u'o':
        return QSerialPort::OddParity;
    case u'm':
        return QSerialPort::MarkParity;
    case u's':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits stopBitsOf(LineSettings::Stop stop)
{
    switch (stop) {
    case LineSettings::Stop::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case LineSettings::Stop::Two:
        return QSerialPort::TwoStop;
    default:
        return QSerialPort::OneStop;
    }
}

// The serial layer knows one kind of flow control at a time: the modes with RTS use
// the RTS/CTS lines.
QSerialPort::FlowControl flowOf(int handshaking)
{
    switch (handshaking) {
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
    case 3:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

} // namespace

TeraziComm::TeraziComm(QObject* parent) : QObject(parent), m_port(new QSerialPort(this))
{
    setObjectName(u"TeraziComm"_s);
    connect(m_port, &QSerialPort::readyRead, this, [this] { raise(comEvReceive); });
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { portError(error); });
}

TeraziComm::~TeraziComm() = default;

bool TeraziComm::fail(const QString& text)
{
    qCWarning(lcScale).noquote() << text;
    m_errorText = text;
    return false;
}

bool TeraziComm::setCommPort(int number)
{
    if (number < 1 || number > kMaxPort)
        return fail(
            u"Geçersiz port numarası: %1 (1 ile %2 arasında olmalı)."_s.arg(number).arg(kMaxPort));
    if (PortOpen())
        return fail(u"Port açıkken numarası değiştirilemez."_s);
    m_commPort = number;
    return true;
}

bool TeraziComm::setSettings(const QString& text)
{
    QString error;
    const std::optional<LineSettings> parsed = parseLineSettings(text, &error);
    if (!parsed)
        return fail(error);
    const LineSettings previous = m_settings;
    m_settings = *parsed;
    if (PortOpen() && !applyLine()) {
        const QString why = m_errorText;
        m_settings = previous;
        applyLine();
        return fail(why);
    }
    return true;
}

bool TeraziComm::setHandshaking(int mode)
{
    if (mode < 0 || mode >= kHandshakingModes)
        return fail(u"Geçersiz akış denetimi: %1 (0 ile 3 arasında olmalı)."_s.arg(mode));
    const int previous = m_handshaking;
    m_handshaking = mode;
    if (PortOpen() && !m_port->setFlowControl(flowOf(mode))) {
        m_handshaking = previous;
        m_port->setFlowControl(flowOf(previous));
        return fail(u"Akış denetimi ayarlanamadı: %1"_s.arg(m_port->errorString()));
    }
    return true;
}

bool TeraziComm::applyLine()
{
    const bool ok = m_port->setBaudRate(m_settings.speed) &&
                    m_port->setDataBits(static_cast<QSerialPort::DataBits>(m_settings.dataBits)) &&
                    m_port->setParity(parityOf(m_settings.parity)) &&
                    m_port->setStopBits(stopBitsOf(m_settings.stopBits)) &&
                    m_port->setFlowControl(flowOf(m_handshaking));
    return ok ||
           fail(u"Port ayarları uygulanamadı (%1): %2"_s.arg(Settings(), m_port->errorString()));
}

bool TeraziComm::PortOpen() const
{
    return m_port->isOpen();
}

QString TeraziComm::deviceName() const
{
    return portDevice(m_commPort);
}

bool TeraziComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port->isOpen()) {
            m_port->close();
            qCInfo(lcScale).noquote() << u"Com%1 kapandı"_s.arg(m_commPort);
        }
        m_port->clearError();
        m_readErrorQueued = false;
        return true;
    }
    if (m_port->isOpen())
        return fail(u"Port zaten açık."_s);
    const QString device = deviceName();
    if (device.isEmpty())
        return fail(noPortDeviceText(m_commPort));
    m_port->setPortName(device);
    if (!applyLine())
        return false;
    if (!m_port->open(QIODevice::ReadWrite)) {
        QString why = m_port->errorString();
        if (m_port->error() == QSerialPort::PermissionError)
            why +=
                u" (kullanıcının bu aygıtı okuma izni yok; Linux'ta \"dialout\" grubuna eklenmeli)"_s;
        m_port->clearError();
        return fail(u"Com%1 açılamadı (%2): %3"_s.arg(m_commPort).arg(device, why));
    }
    // Some scales send only while the computer signals that it is ready. Lines that a
    // device does not have (a virtual pair) are no reason to fail.
    m_port->setDataTerminalReady(true);
    m_port->clearError();
    m_readErrorQueued = false;
    qCInfo(lcScale).noquote() << u"Com%1 açıldı (%2, %3, akış denetimi %4)"_s.arg(m_commPort)
                                     .arg(device, Settings(), QString::number(m_handshaking));
    return true;
}

QByteArray TeraziComm::Input()
{
    return m_port->readAll();
}

void TeraziComm::raise(int code)
{
    m_commEvent = code;
    Q_EMIT OnComm();
}

void TeraziComm::portError(int error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // The serial layer reports this from inside its own read; the handler closes and
    // reopens the port, which must not happen under the serial layer's feet. The
    // error comes again on every read until then, and is raised only once.
    if (m_readErrorQueued || !m_port->isOpen())
        return;
    m_readErrorQueued = true;
    qCWarning(lcScale).noquote()
        << u"Com%1 okunamadı: %2"_s.arg(m_commPort).arg(m_port->errorString());
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_readErrorQueued)
                return; // closed in the meantime
            m_readErrorQueued = false;
            raise(comEventReadError);
        },
        Qt::QueuedConnection);
}
