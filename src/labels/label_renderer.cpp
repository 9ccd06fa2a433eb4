#include "labels/label_renderer.h"

#include "core/twips.h"
#include "labels/barcode_picture.h"
#include "labels/label_fonts.h"

#include <QFontMetricsF>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace labelrender {

void drawItem(QPainter& painter, const LabelItem& item, QPointF topLeft, bool withUnderline)
{
    if (item.caption.isEmpty())
        return;
    const QFont font = labelfonts::font(item.font, withUnderline);
    const QFontMetricsF metrics(font);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    double y = topLeft.y() + metrics.ascent();
    for (const QString& line : captionLines(item.caption)) {
        double x = topLeft.x();
        if (item.alignment == AlignRight)
            x += item.width - metrics.horizontalAdvance(line);
        else if (item.alignment == AlignCentre)
            x += (item.width - metrics.horizontalAdvance(line)) / 2;
        painter.drawText(QPointF(x, y), line);
        y += metrics.height();
    }
    painter.restore();
}

void drawPage(QPainter& painter, const LabelLayout& layout, const BarcodePicture& barcode,
              double paperLeft, double paperWidth)
{
    barcode.draw(painter, layout.barcodeBox);
    for (int i = 0; i < LabelLayout::kNoteItem; ++i) {
        const LabelItem& item = layout.items[i];
        if (i != LabelLayout::kCompanyItem) {
            LabelItem line = item;
            line.alignment = AlignLeft; // printed at the item's place as one line
            drawItem(painter, line, QPointF(item.left, item.top), false);
            continue;
        }
        // Each line of the company name centred on the paper, one below the other.
        QStringList lines = captionLines(item.caption);
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        const QFont font = labelfonts::font(item.font, false);
        const QFontMetricsF metrics(font);
        painter.save();
        painter.setFont(font);
        painter.setPen(Qt::black);
        double top = item.top;
        for (const QString& text : lines) {
            const double x = paperLeft + (paperWidth - metrics.horizontalAdvance(text)) / 2;
            painter.drawText(QPointF(x, top + metrics.ascent()), text);
            top += metrics.height();
        }
        painter.restore();
    }
}

void useTwips(QPainter& painter, double dpi)
{
    const double scale = twips::toDevice(1, dpi);
    painter.scale(scale, scale);
}

} // namespace labelrender
