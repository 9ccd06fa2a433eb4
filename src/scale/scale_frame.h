#pragma once

#include "scale/scale_buffer.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

// The weight in the scale's text: the up to seven characters after the first "+",
// provided that "+" is the sixth character or later (an earlier one belongs to a frame
// cut at the start of the buffer and yields nothing). "." becomes ",", and the result
// is shown as a Turkish number with two to four decimals ("#,##0.00##"); text that is
// not a number is given as it is, and a "+" at the very end gives an empty text.
// Nothing when there is no such "+".
std::optional<QString> scaleWeight(QStringView buffer);

// The two halves of scaleWeight: the characters after the "+" (nothing when there is
// no such "+"), and how they are shown.
std::optional<QStringView> scaleWeightDigits(QStringView buffer);
QString showScaleWeight(QStringView digits);

// Runs on every change of the buffer: hands the weight found in it to `showWeight`,
// then empties the buffer once it holds more than 200 characters, so the next weight
// comes from a fresh cycle.
void extractScaleWeight(ScaleBuffer& buffer, const std::function<void(const QString&)>& showWeight);

inline constexpr qsizetype kScaleCycleLength = 200;
