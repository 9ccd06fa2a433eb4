#pragma once

#include "labels/barcode_encoder.h"

#include <QSizeF>

class QPainter;

// The roll's barcode as a picture kept as vectors. Its size follows the rule of the
// barcode box: 17 twips for every unit of the barcode's natural width and 16 for
// every unit of its natural height (the symbol's width and height in modules,
// rounded up to whole numbers, as the barcode reports them).
class BarcodePicture
{
public:
    BarcodePicture() = default;
    explicit BarcodePicture(BarcodeSymbol symbol);

    bool isNull() const { return m_symbol.bars.isEmpty(); }
    const QString& data() const { return m_symbol.data; }
    int naturalWidth() const;
    int naturalHeight() const;
    QSizeF sizeTwips() const { return {17.0 * naturalWidth(), 16.0 * naturalHeight()}; }

    // Draws the picture in its natural size with its top-left corner at topLeft, on a
    // painter whose unit is the twip.
    void draw(QPainter& painter, QPointF topLeft) const;

private:
    BarcodeSymbol m_symbol;
};
