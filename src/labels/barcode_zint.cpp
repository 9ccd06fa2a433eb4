// Code 128 through libzint's vector output.

#include "labels/barcode_encoder.h"

#include <zint.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct SymbolDeleter
{
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

class ZintCode128 final : public BarcodeEncoder
{
public:
    std::optional<BarcodeSymbol> encode(const QString& data, QString* error) const override
    {
        std::unique_ptr<zint_symbol, SymbolDeleter> sym(ZBarcode_Create());
        if (!sym) {
            if (error)
                *error = u"barkod kütüphanesi başlatılamadı"_s;
            return std::nullopt;
        }
        sym->symbology = BARCODE_CODE128;
        sym->input_mode = UNICODE_MODE; // UTF-8 in, Latin-1 in the symbol
        sym->show_hrt = 1;
        // The quiet zone a scanner needs on both sides is part of the picture, so the
        // bars scan wherever the box is put.
        sym->whitespace_width = 10;
        // zint's vector unit is half a module at scale 1: scale 0.5 gives modules.
        sym->scale = 0.5f;
        const QByteArray utf8 = data.toUtf8();
        const int rc = ZBarcode_Encode_and_Buffer_Vector(
            sym.get(), reinterpret_cast<const unsigned char*>(utf8.constData()),
            static_cast<int>(utf8.size()), 0);
        if (rc >= ZINT_ERROR || !sym->vector) {
            if (error) {
                *error = QString::fromLatin1(sym->errtxt);
                if (error->isEmpty())
                    *error = u"barkod oluşturulamadı"_s;
            }
            return std::nullopt;
        }
        BarcodeSymbol out;
        out.data = data;
        out.width = sym->vector->width;
        out.height = sym->vector->height;
        for (const zint_vector_rect* r = sym->vector->rectangles; r; r = r->next)
            out.bars.append(QRectF(r->x, r->y, r->width, r->height));
        if (const zint_vector_string* s = sym->vector->strings) {
            out.text = QString::fromUtf8(reinterpret_cast<const char*>(s->text), s->length);
            out.textBaseline = QPointF(s->x, s->y);
            out.textSize = s->fsize;
        }
        return out;
    }
};

} // namespace

std::unique_ptr<BarcodeEncoder> makeCode128Encoder()
{
    return std::make_unique<ZintCode128>();
}
