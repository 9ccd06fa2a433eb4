#include "scale/port_devices.h"

#include "core/settings_store.h"

#include <QFileInfo>
#include <QSerialPortInfo>

using namespace Qt::StringLiterals;

QString defaultPortDevice(int number)
{
    if (number < 1)
        return {};
#ifdef Q_OS_WIN
    return u"COM%1"_s.arg(number);
#else
    if (number <= 8)
        return u"/dev/ttyS%1"_s.arg(number - 1);
    if (number <= 12)
        return u"/dev/ttyUSB%1"_s.arg(number - 9);
    if (number <= 16)
        return u"/dev/ttyACM%1"_s.arg(number - 13);
    return {};
#endif
}

QString portDevice(int number)
{
    if (number < 1)
        return {};
    const QString configured =
        settings::GetSetting(u"Platform"_s, u"Com%1"_s.arg(number)).trimmed();
    return configured.isEmpty() ? defaultPortDevice(number) : configured;
}

QString noPortDeviceText(int number)
{
    return u"Com%1 için aygıt tanımlı değil (Topkar.ini, [Platform] Com%1=aygıt yolu)."_s.arg(
        number);
}

QString portDeviceSummary(int number)
{
    const QString device = portDevice(number);
    if (device.isEmpty())
        return noPortDeviceText(number);
    QString description;
    bool present = false;
    const QString target = QFileInfo(device).canonicalFilePath();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation() == device || info.portName() == device ||
            (!target.isEmpty() && info.systemLocation() == target)) {
            present = true;
            description = info.description();
            break;
        }
    }
#ifndef Q_OS_WIN
    present = present || QFileInfo::exists(device);
#endif
    QString line = u"Com%1 = %2"_s.arg(number).arg(device);
    if (!description.isEmpty())
        line += u" (%1)"_s.arg(description);
    line += present ? u" — takılı"_s : u" — bulunamadı"_s;
    return line;
}

QString portMapNote()
{
#ifdef Q_OS_WIN
    return {};
#else
    return u"Com1–Com8: /dev/ttyS0–7, Com9–Com12: USB adaptörleri /dev/ttyUSB0–3, "
           u"Com13–Com16: /dev/ttyACM0–3. Başka bir aygıt için Topkar.ini dosyasında "
           u"[Platform] bölümüne ComN=aygıt yolu yazın."_s;
#endif
}
