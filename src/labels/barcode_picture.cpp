#include "labels/barcode_picture.h"

#include "labels/label_fonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

BarcodePicture::BarcodePicture(BarcodeSymbol symbol) : m_symbol(std::move(symbol)) {}

int BarcodePicture::naturalWidth() const
{
    return static_cast<int>(std::ceil(m_symbol.width - 1e-3));
}

int BarcodePicture::naturalHeight() const
{
    return static_cast<int>(std::ceil(m_symbol.height - 1e-3));
}

void BarcodePicture::draw(QPainter& painter, QPointF topLeft) const
{
    if (isNull() || m_symbol.width <= 0 || m_symbol.height <= 0)
        return;
    const QSizeF size = sizeTwips();
    const double sx = size.width() / m_symbol.width;
    const double sy = size.height() / m_symbol.height;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QRectF& bar : m_symbol.bars)
        painter.drawRect(QRectF(topLeft.x() + bar.x() * sx, topLeft.y() + bar.y() * sy,
                                bar.width() * sx, bar.height() * sy));
    if (!m_symbol.text.isEmpty() && m_symbol.textSize > 0) {
        LabelFont f;
        f.name = u"Arial"_s;
        f.size = m_symbol.textSize * sy / 20; // points
        const QFont font = labelfonts::font(f);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const double w = QFontMetricsF(font).horizontalAdvance(m_symbol.text);
        painter.drawText(QPointF(topLeft.x() + m_symbol.textBaseline.x() * sx - w / 2,
                                 topLeft.y() + m_symbol.textBaseline.y() * sy),
                         m_symbol.text);
    }
    painter.restore();
}
