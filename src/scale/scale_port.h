#pragma once

#include "scale/port_line_settings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

// The scale's serial port. It only moves bytes and events: OnComm is raised with
// CommEvent 2 when received bytes are waiting (Input takes them all) and with 8020
// when reading the device failed (a read error, an unplugged USB adapter).
//
// Every setter that the port cannot take leaves the port as it was, returns false and
// keeps the reason in errorText(), ready to be shown to the operator.
class TeraziComm : public QObject
{
    Q_OBJECT
public:
    static constexpr int comEvReceive = 2;
    static constexpr int comEventReadError = 8020;
    static constexpr int kMaxPort = 255;

    explicit TeraziComm(QObject* parent = nullptr);
    ~TeraziComm() override;

    // Port number 1 … 255 (the device it opens: portDevice()). Not while open.
    int CommPort() const { return m_commPort; }
    bool setCommPort(int number);

    // "9600,n,8,1"; parity read back in lower case.
    QString Settings() const { return lineSettingsText(m_settings); }
    bool setSettings(const QString& text);

    // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both.
    int Handshaking() const { return m_handshaking; }
    bool setHandshaking(int mode);

    bool PortOpen() const;
    bool setPortOpen(bool open);

    // All bytes waiting in the receive queue.
    QByteArray Input();

    // The code of the last OnComm.
    int CommEvent() const { return m_commEvent; }

    QString errorText() const { return m_errorText; }
    // The device the current port number opens.
    QString deviceName() const;

Q_SIGNALS:
    void OnComm();

private:
    bool fail(const QString& text);
    bool applyLine();
    void raise(int code);
    void portError(int error);

    QSerialPort* m_port;
    int m_commPort = 1;
    LineSettings m_settings;
    int m_handshaking = 0;
    int m_commEvent = 0;
    bool m_readErrorQueued = false;
    QString m_errorText;
};
