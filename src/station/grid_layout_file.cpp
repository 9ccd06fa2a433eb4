#include "station/grid_layout_file.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
// Wider than a few screens is no width an operator dragged: such a line is read as
// unreadable (its header would otherwise be padded with millions of blanks).
constexpr double kMaxWidthTwips = 100000;

QString padded(const QString& c, int n, int alignment)
{
    const QString blanks(n, u' ');
    return alignment == 0 ? blanks + c : c + blanks;
}
} // namespace

QString gridLayoutText(const QList<std::pair<double, bool>>& columns)
{
    seqfile::Writer w;
    for (const auto& [width, visible] : columns) {
        w.number(width);
        w.boolean(visible);
        w.endRecord();
    }
    return w.content();
}

QList<GridColumnLayout> gridLayoutFrom(const QList<seqfile::Record>& records)
{
    QList<GridColumnLayout> columns;
    for (const seqfile::Record& r : records) {
        GridColumnLayout c;
        if (!r.isEmpty())
            c.widthTwips = r[0].number();
        if (c.widthTwips && (*c.widthTwips < 0 || *c.widthTwips > kMaxWidthTwips))
            c.widthTwips.reset();
        if (r.size() > 1)
            c.visible = r[1].boolean();
        columns.append(c);
    }
    return columns;
}

QString CentreHeader(const QString& caption, double widthTwips, int alignment,
                     const std::function<double(const QString&)>& textWidth)
{
    const QString c = caption.trimmed();
    const double x = (widthTwips - textWidth(c)) / 2;
    const double blank = textWidth(u" "_s);
    // At most as many blanks as the widest column takes.
    const int n =
        blank > 0 ? static_cast<int>(std::clamp(std::floor(x / blank), 0.0, kMaxWidthTwips)) : 0;
    if (n > 0 && (alignment == 0 || alignment == 1))
        return padded(c, n, alignment);
    return c;
}
