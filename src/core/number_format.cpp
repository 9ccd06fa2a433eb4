#include "core/number_format.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace numfmt {

std::optional<double> parse(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = t.size();
    QString normal;
    normal.reserve(n + 1);
    if (i < n && (t[i] == u'-' || t[i] == u'+'))
        normal += t[i++];
    int digits = 0;
    // Integer part: digits, "." only between digits (thousands grouping).
    while (i < n) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 0x80) {
            normal += c;
            ++digits;
            ++i;
        } else if (c == u'.' && digits > 0 && i + 1 < n && t[i + 1].isDigit()) {
            ++i;
        } else
            break;
    }
    if (i < n && t[i] == u',') {
        normal += u'.';
        ++i;
        while (i < n && t[i].isDigit() && t[i].unicode() < 0x80) {
            normal += t[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        qsizetype j = i + 1;
        QString exp = QStringLiteral("e");
        if (j < n && (t[j] == u'-' || t[j] == u'+'))
            exp += t[j++];
        const qsizetype start = j;
        while (j < n && t[j].isDigit() && t[j].unicode() < 0x80)
            exp += t[j++];
        if (j == start)
            return std::nullopt;
        normal += exp;
        i = j;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double v = normal.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

double roundTo(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    if (!std::isfinite(scaled))
        return value;
    // Correct binary noise (1.005 is stored as 1.00499...) before rounding halves away
    // from zero, the way the station's formats round.
    const double r = std::round(scaled * (1.0 + 4 * std::numeric_limits<double>::epsilon()));
    return r / scale;
}

long long roundEven(double value)
{
    // Numbers beyond the whole-number range (twenty digits typed into a field) stop at
    // its ends instead of wrapping round.
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    const double r = std::nearbyint(value);
    if (std::isnan(r))
        return 0;
    if (r >= kLimit)
        return std::numeric_limits<long long>::max();
    if (r < -kLimit)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(r);
}

namespace {

QString groupThousands(const QString& digits)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += u'.';
        out += digits[i];
    }
    return out;
}

} // namespace

QString format(double value, QStringView pattern)
{
    if (pattern.compare(u"Standard"_s, Qt::CaseInsensitive) == 0)
        return format(value, u"#,##0.00"_s);
    const qsizetype point = pattern.indexOf(u'.');
    const QStringView intPart = point < 0 ? pattern : pattern.first(point);
    const QStringView decPart = point < 0 ? QStringView() : pattern.sliced(point + 1);
    const bool group = intPart.contains(u',');
    const int minDec = static_cast<int>(decPart.count(u'0'));
    const int maxDec = minDec + static_cast<int>(decPart.count(u'#'));

    const double rounded = roundTo(value, maxDec);
    QString body = QString::number(std::fabs(rounded), 'f', maxDec);
    QString intDigits = body;
    QString decDigits;
    if (const qsizetype dot = body.indexOf(u'.'); dot >= 0) {
        intDigits = body.first(dot);
        decDigits = body.sliced(dot + 1);
    }
    while (decDigits.size() > minDec && decDigits.endsWith(u'0'))
        decDigits.chop(1);
    if (!intPart.contains(u'0') && intDigits == u"0"_s)
        intDigits.clear();
    QString out = group ? groupThousands(intDigits) : intDigits;
    if (!decDigits.isEmpty())
        out += u',' + decDigits;
    const bool negative = rounded < 0 && std::any_of(out.cbegin(), out.cend(),
                                                     [](QChar c) { return c > u'0' && c <= u'9'; });
    return negative ? u'-' + out : out;
}

QString text(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    QString s;
    if (magnitude >= 1e15 || magnitude < 1e-15) {
        s = QString::number(value, 'E', 14);
        // "1,50000000000000E+16" → "1,5E+16"
        const qsizetype e = s.indexOf(u'E');
        QString mantissa = s.first(e);
        while (mantissa.endsWith(u'0'))
            mantissa.chop(1);
        if (mantissa.endsWith(u'.'))
            mantissa.chop(1);
        s = mantissa + s.sliced(e);
    } else {
        const int intDigits = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
        s = QString::number(value, 'f', std::clamp(15 - intDigits, 0, 30));
        if (s.contains(u'.')) {
            while (s.endsWith(u'0'))
                s.chop(1);
            if (s.endsWith(u'.'))
                s.chop(1);
        }
    }
    s.replace(u'.', u',');
    return s == u"-0"_s ? QStringLiteral("0") : s;
}

} // namespace numfmt
