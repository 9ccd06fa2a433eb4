#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

// A linear barcode as a barcode library lays it out, in the symbol's own unit (one
// module, the narrowest bar): its bars, its human-readable text and its extent.
struct BarcodeSymbol
{
    QString data;         // what was encoded
    QList<QRectF> bars;   // in modules, from the symbol's top-left corner
    QString text;         // human-readable text under the bars (may be empty)
    QPointF textBaseline; // centre of the text's baseline, in modules
    double textSize = 0;  // text height in modules
    double width = 0;     // whole symbol, in modules
    double height = 0;
};

// Turns a text into a barcode symbol. The station uses Code 128 through zint; any
// library that lays out a linear barcode can stand behind this.
class BarcodeEncoder
{
public:
    virtual ~BarcodeEncoder() = default;
    // The symbol, or nothing (with *error) when the library rejects the text.
    virtual std::optional<BarcodeSymbol> encode(const QString& data, QString* error) const = 0;
};

std::unique_ptr<BarcodeEncoder> makeCode128Encoder();
