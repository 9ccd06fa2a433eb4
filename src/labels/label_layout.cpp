#include "labels/label_layout.h"

#include "labels/label_fonts.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

struct ItemDesign
{
    double left, top;
    const char16_t* toolTip;
};

// Places and tool tips of the items as designed (item 6, the company name, has none).
constexpr std::array<ItemDesign, LabelLayout::kItemCount> kDesign = {{
    {120, 1890, u" Sipariş No "},
    {120, 2280, u" Firma "},
    {120, 2670, u" Kumaş "},
    {120, 3060, u" Lot "},
    {3210, 3060, u" Top/Kg "},
    {120, 1500, u" Tarih "},
    {780, 90, u""},
    {120, 3450, u" Makina "},
    {120, 3840, u" Makina Cinsi "},
    {3210, 3840, u" Operatör "},
    {120, 4230, u" Açıklama "},
}};

} // namespace

LabelFont LabelLayout::designFont(int item)
{
    // 12-point Arial: the longest texts at their designed places (the operator next
    // to the weight, a customer's full title) stay on the 10 cm label. The company
    // name stands out in bold.
    LabelFont f;
    f.name = u"Arial"_s;
    f.size = 12;
    f.bold = item == kCompanyItem;
    return f;
}

LabelLayout LabelLayout::design(const QString& companyName)
{
    LabelLayout layout;
    for (int i = 0; i < kItemCount; ++i) {
        LabelItem& item = layout.items[i];
        item.left = kDesign[i].left;
        item.top = kDesign[i].top;
        item.toolTip = QString::fromUtf16(kDesign[i].toolTip);
        item.font = designFont(i);
        item.alignment = i == kCompanyItem ? AlignCentre : AlignLeft;
        item.caption = i == kCompanyItem ? companyName : QString();
        layout.fitToCaption(i);
    }
    return layout;
}

void LabelLayout::setCaption(int item, const QString& caption)
{
    LabelItem& it = items[item];
    if (it.caption == caption && it.height > 0)
        return;
    it.caption = caption;
    fitToCaption(item);
}

void LabelLayout::setFont(int item, const LabelFont& font)
{
    items[item].font = font;
    fitToCaption(item);
}

void LabelLayout::fitToCaption(int item)
{
    LabelItem& it = items[item];
    const QSizeF size = labelfonts::captionSize(it.caption, it.font);
    it.width = size.width();
    it.height = size.height();
}

void LabelLayout::centre(int item)
{
    items[item].left = (kCanvasWidth - items[item].width) / 2;
}

bool LabelLayout::runsOff(int item) const
{
    const LabelItem& it = items[item];
    return !it.caption.isEmpty() &&
           (it.left < 0 || it.top < 0 || it.left + it.width > kCanvasWidth ||
            it.top + it.height > kCanvasHeight);
}

void LabelLayout::centreBarcodeBox()
{
    barcodeBox.setX((kCanvasWidth - kBoxWidth) / 2);
}

void LabelLayout::centreAligned()
{
    for (int i = 0; i < kItemCount; ++i)
        if (items[i].alignment == AlignCentre)
            centre(i);
}

QStringList captionLines(const QString& caption)
{
    QString text = caption;
    text.replace(u"\r\n"_s, u"\n"_s);
    return text.split(u'\n');
}
