#pragma once

#include "labels/label_layout.h"

#include <QFont>
#include <QSizeF>

// Fonts of the label items in twips. A label font is drawn with a pixel size in twips
// (20 twips to the point) on a painter whose unit is the twip, so the canvas, the
// printer and the PDF file measure and place text alike.
namespace labelfonts {

// The font to draw with. A family missing on this computer is replaced by its
// metric-compatible stand-in (Arial → Liberation Sans, …) or else by the design
// font's, while the item keeps the name it was given.
QFont font(const LabelFont& f, bool withUnderline = false);

// Size of a caption (one line per CR LF): the widest line × number of lines.
QSizeF captionSize(const QString& caption, const LabelFont& f);

} // namespace labelfonts
