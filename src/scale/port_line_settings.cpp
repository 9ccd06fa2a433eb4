#include "scale/port_line_settings.h"

#include <QList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

std::optional<LineSettings> reject(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(QStringView text, QString* error)
{
    const auto shown = text.toString();
    const QList<QStringView> parts = text.split(u',');
    if (parts.size() != 4)
        return reject(error,
                      u"Geçersiz port ayarı \"%1\": hız, parite, veri bitleri ve dur bitleri "
                      u"virgülle ayrılmalı (örnek: 9600,n,8,1)."_s.arg(shown));
    LineSettings s;

    const QStringView speed = parts[0].trimmed();
    bool ok = !speed.isEmpty() && std::all_of(speed.begin(), speed.end(),
                                              [](QChar c) { return c >= u'0' && c <= u'9'; });
    const qint64 baud = ok && speed.size() <= 8 ? speed.toLongLong(&ok) : 0;
    if (!ok || baud < 50 || baud > 4000000)
        return reject(
            error,
            u"Geçersiz port hızı \"%1\" (50 ile 4000000 arasında bir tam sayı olmalı)."_s.arg(
                speed.toString()));
    s.speed = static_cast<qint32>(baud);

    const QStringView parity = parts[1].trimmed();
    const QString letter = parity.toString().toLower();
    if (letter.size() != 1 || !u"eonms"_s.contains(letter[0]))
        return reject(
            error, u"Geçersiz parite \"%1\" (e, o, n, m veya s olmalı)."_s.arg(parity.toString()));
    s.parity = letter[0].unicode();

    const QStringView data = parts[2].trimmed();
    if (data.size() != 1 || data[0] < u'5' || data[0] > u'8')
        return reject(error, u"Bu port %1 veri bitiyle çalışamaz (5, 6, 7 veya 8 olmalı)."_s.arg(
                                 data.toString()));
    s.dataBits = data[0].unicode() - u'0';

    const QStringView stop = parts[3].trimmed();
    if (stop == u"1")
        s.stopBits = LineSettings::Stop::One;
    else if (stop == u"1.5")
        s.stopBits = LineSettings::Stop::OneAndHalf;
    else if (stop == u"2")
        s.stopBits = LineSettings::Stop::Two;
    else
        return reject(error,
                      u"Geçersiz dur biti \"%1\" (1, 1.5 veya 2 olmalı)."_s.arg(stop.toString()));
    return s;
}

QString lineSettingsText(const LineSettings& s)
{
    const QString stop = s.stopBits == LineSettings::Stop::One          ? u"1"_s
                         : s.stopBits == LineSettings::Stop::OneAndHalf ? u"1.5"_s
                                                                        : u"2"_s;
    return u"%1,%2,%3,%4"_s.arg(s.speed).arg(QChar(s.parity)).arg(s.dataBits).arg(stop);
}
