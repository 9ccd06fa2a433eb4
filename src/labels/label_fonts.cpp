#include "labels/label_fonts.h"

#include <QFontMetricsF>
#include <QHash>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace labelfonts {

namespace {

constexpr double kTwipsPerPoint = 20;

// Metric-compatible stand-ins for the Windows fonts that older stations' layouts name.
QString standIn(const QString& name)
{
    static const QHash<QString, QString> map = {
        {u"arial"_s, u"Liberation Sans"_s},
        {u"ms sans serif"_s, u"Liberation Sans"_s},
        {u"microsoft sans serif"_s, u"Liberation Sans"_s},
        {u"tahoma"_s, u"Liberation Sans"_s},
        {u"verdana"_s, u"DejaVu Sans"_s},
        {u"arial narrow"_s, u"Liberation Sans Narrow"_s},
        {u"times new roman"_s, u"Liberation Serif"_s},
        {u"ms serif"_s, u"Liberation Serif"_s},
        {u"courier new"_s, u"Liberation Mono"_s},
        {u"courier"_s, u"Liberation Mono"_s},
    };
    return map.value(name.trimmed().toLower());
}

} // namespace

QFont font(const LabelFont& f, bool withUnderline)
{
    QFont q;
    QStringList families{f.name};
    if (const QString s = standIn(f.name); !s.isEmpty())
        families.append(s);
    families << u"Liberation Sans"_s << u"Arial"_s << u"DejaVu Sans"_s;
    q.setFamilies(families);
    q.setStyleHint(QFont::SansSerif);
    q.setPixelSize(std::max(1, static_cast<int>(std::lround(f.size * kTwipsPerPoint))));
    q.setBold(f.bold);
    q.setItalic(f.italic);
    q.setUnderline(withUnderline && f.underline);
    // Outlines scale linearly, so a width measured here is the width drawn at any
    // resolution.
    q.setHintingPreference(QFont::PreferNoHinting);
    q.setKerning(false);
    return q;
}

QSizeF captionSize(const QString& caption, const LabelFont& f)
{
    const QFontMetricsF metrics(font(f));
    const QStringList lines = captionLines(caption);
    double width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return {width, metrics.height() * static_cast<double>(lines.size())};
}

} // namespace labelfonts
