#include "station/station_style.h"

using namespace Qt::StringLiterals;

namespace style {

QFont sansSerif(double pointSize, bool bold)
{
    QFont f;
    f.setFamilies({u"MS Sans Serif"_s, u"Microsoft Sans Serif"_s, u"Liberation Sans"_s, u"Arial"_s,
                   u"DejaVu Sans"_s});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

} // namespace style
