#include "scale_frame.h"

#include "number_format.h"

using namespace Qt::StringLiterals;

std::optional<QString> scaleWeight(QStringView buffer)
{
    const qsizetype plus = buffer.indexOf(u'+');
    if (plus < 5) // not found, or among the first five characters
        return std::nullopt;
    QString digits = buffer.sliced(plus + 1).left(7).toString();
    digits.replace(u'.', u',');
    if (const std::optional<double> value = numfmt::parse(digits))
        return numfmt::format(*value, u"#,##0.00##");
    return digits;
}

void extractScaleWeight(ScaleBuffer& buffer, const std::function<void(const QString&)>& showWeight)
{
    if (const std::optional<QString> weight = scaleWeight(buffer.text()))
        showWeight(*weight);
    if (buffer.text().size() > kScaleCycleLength)
        buffer.setText(QString());
}
