#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The serial line's settings text: speed, parity letter, data bits and stop bits
// joined by "," ("9600,n,8,1", "19200,e,7,1.5"). Parity letters: e even, o odd, n none,
// m mark, s space, accepted in either case and always given back in lower case.
struct LineSettings
{
    enum class Stop
    {
        One,
        OneAndHalf,
        Two
    };

    qint32 speed = 9600;
    char16_t parity = u'n';
    int dataBits = 8;
    Stop stopBits = Stop::One;

    bool operator==(const LineSettings&) const = default;
};

// Reads a settings text; nothing (and *error, in Turkish, for the operator) when the
// port cannot take it: not four parts, a speed that is not a whole number from 50 to
// 4000000, an unknown parity letter, data bits other than 5 to 8, stop bits other
// than 1, 1.5 and 2.
std::optional<LineSettings> parseLineSettings(QStringView text, QString* error = nullptr);

// The settings text as the port reports it, e.g. 9600,n,8,1.5.
QString lineSettingsText(const LineSettings& settings);

// Handshaking modes of the port: 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 XON/XOFF and RTS/CTS.
inline constexpr int kHandshakingModes = 4;
