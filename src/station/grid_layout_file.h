#pragma once

#include "core/sequential_file.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The order grid's column layout in Kumas.Dat next to the program: one line per column,
// "width,visible" ("1500.5,#TRUE#"), widths in twips. The file's format and the header
// centring, without the grid.

struct GridColumnLayout
{
    std::optional<double> widthTwips; // nothing when the line's value does not convert
    std::optional<bool> visible;
};

// The file's text for the given columns.
QString gridLayoutText(const QList<std::pair<double, bool>>& columns);
// What the file's records say, line by line; unreadable values stay empty, and so
// does a width below 0 or above 100000 twips.
QList<GridColumnLayout> gridLayoutFrom(const QList<seqfile::Record>& records);

// A header caption centred with blanks: a left-aligned column (0) gets blanks before
// its trimmed caption, a right-aligned one (1) after it, as many as fit into half of
// the room the caption leaves. textWidth measures a text in twips.
QString CentreHeader(const QString& caption, double widthTwips, int alignment,
                     const std::function<double(const QString&)>& textWidth);
