// Feeds arbitrary text to the reader of numbers typed in the Turkish format and checks
// what must always hold: a number read is finite, its plain text and its formatted text
// read back as numbers (the first to the same value), and rounding it to a whole number
// never leaves the range of one.

#include "core/number_format.h"
#include "fuzz_check.h"

#include <cmath>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzBytes(data, size));
    const std::optional<double> value = numfmt::parse(text);
    check(value.has_value() == numfmt::isNumeric(text));
    if (!value)
        return 0;
    check(std::isfinite(*value));
    const std::optional<double> back = numfmt::parse(numfmt::text(*value));
    check(back && std::fabs(*back - *value) <= std::fabs(*value) * 1e-14);
    check(numfmt::parse(numfmt::format(*value, u"#,##0.00##")).has_value());
    const long long whole = numfmt::roundEven(*value);
    check(std::fabs(*value) >= 9.2e18 || std::fabs(static_cast<double>(whole) - *value) <= 0.5);
    return 0;
}
