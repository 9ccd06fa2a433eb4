#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Numbers as the operator types and reads them: decimal comma, "." grouping thousands.
namespace numfmt {

// Reads a number typed in the Turkish format ("1.234,5", "-12,50", ",5", "1e3").
// Surrounding blanks are allowed; "." is a thousands separator, as the regional
// format makes it. Returns nothing when the text is not a number (empty text, a lone
// ",", letters).
std::optional<double> parse(QStringView text);

// True when parse() accepts the text.
inline bool isNumeric(QStringView text)
{
    return parse(text).has_value();
}

// The number or 0 when the text is not a number.
inline double toNumber(QStringView text)
{
    return parse(text).value_or(0.0);
}

// Formats with a pattern of the form "#,##0.00##": a "," in the integer part groups
// thousands with ".", each "0" after the point is a decimal always shown and each "#"
// one shown when not zero. "Standard" is "#,##0.00".
QString format(double value, QStringView pattern);

// The plain text of a number: up to 15 significant digits, decimal comma, no grouping,
// no trailing zeros ("379,5", "-50", "0,166").
QString text(double value);

// Rounds half to even, as the station's whole-number conversions do (0.5 → 0, 1.5 → 2).
// Values beyond the range of a 64-bit whole number give its end; not-a-number gives 0.
long long roundEven(double value);

// Rounds half away from zero to the given number of decimals.
double roundTo(double value, int decimals);

} // namespace numfmt
