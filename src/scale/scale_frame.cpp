#include "scale/scale_frame.h"

#include "core/number_format.h"

using namespace Qt::StringLiterals;

std::optional<QStringView> scaleWeightDigits(QStringView buffer)
{
    const qsizetype plus = buffer.indexOf(u'+');
    if (plus < 5) // not found, or among the first five characters
        return std::nullopt;
    return buffer.sliced(plus + 1).left(7);
}

QString showScaleWeight(QStringView digits)
{
    QString text = digits.toString();
    text.replace(u'.', u',');
    if (const std::optional<double> value = numfmt::parse(text))
        return numfmt::format(*value, u"#,##0.00##");
    return text;
}

std::optional<QString> scaleWeight(QStringView buffer)
{
    if (const std::optional<QStringView> digits = scaleWeightDigits(buffer))
        return showScaleWeight(*digits);
    return std::nullopt;
}

void extractScaleWeight(ScaleBuffer& buffer, const std::function<void(const QString&)>& showWeight)
{
    // The buffer is read again on every chunk, but within one cycle the characters
    // after its first "+" rarely change: the last conversion is kept.
    thread_local QString lastDigits;
    thread_local QString lastWeight = showScaleWeight(lastDigits);
    if (const std::optional<QStringView> digits = scaleWeightDigits(buffer.text())) {
        if (*digits != lastDigits) {
            lastWeight = showScaleWeight(*digits);
            lastDigits = digits->toString();
        }
        const QString weight = lastWeight; // showWeight may read the buffer again
        showWeight(weight);
    }
    if (buffer.text().size() > kScaleCycleLength)
        buffer.setText(QString());
}
