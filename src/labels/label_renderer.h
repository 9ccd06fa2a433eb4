#pragma once

#include "labels/label_layout.h"

class BarcodePicture;
class QPainter;

// The one drawing of the label, for the canvas, the printer and the PDF file. Every
// routine draws on a painter whose unit is the twip.
namespace labelrender {

// The item's caption with the item's top-left corner at topLeft: line by line, each
// line placed within the item's width by its alignment.
void drawItem(QPainter& painter, const LabelItem& item, QPointF topLeft, bool withUnderline);

// The page of a label as the printer gets it, relative to the page's top-left
// drawable corner: the barcode picture at the box's place in its natural size, items
// 0 to 9 at their places in their fonts (the note, item 10, is not printed;
// underline is not printed), the company name (item 6) line by line, each line
// centred across the paper width. paperLeft is the paper's left edge and paperWidth
// its width, both in twips from the drawable corner's point of view.
void drawPage(QPainter& painter, const LabelLayout& layout, const BarcodePicture& barcode,
              double paperLeft, double paperWidth);

// Makes the painter's unit the twip on a device of the given resolution (dots per
// inch): a printer's or PDF writer's own; on screen 96, one pixel to 15 twips.
void useTwips(QPainter& painter, double dpi);

} // namespace labelrender
