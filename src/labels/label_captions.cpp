#include "labels/label_captions.h"

#include "core/settings_store.h"

using namespace Qt::StringLiterals;

namespace labelcaptions {

QString caption(int item, const LabelEntry& e)
{
    switch (item) {
    case 0:
        return u"Sipariş No : "_s + e.orderNo;
    case 1:
        return e.customer;
    case 2:
        return u"Cinsi : "_s + e.fabric;
    case 3:
        return u"LOT : "_s + e.lot;
    case 4:
        return u"Top / Kg : "_s + e.weight;
    case 5:
        return shortDate(e.date);
    case 7:
        return e.machine;
    case 8:
        return e.machineKind;
    case 9:
        return e.operatorName.isEmpty() ? QString() : u"Operatör : "_s + e.operatorName;
    case 10:
        return e.note == u"Açıklama"_s ? QString() : e.note;
    default:
        return {};
    }
}

void apply(LabelLayout& layout, const LabelEntry& entry)
{
    for (int i = 0; i < LabelLayout::kItemCount; ++i)
        if (i != LabelLayout::kCompanyItem)
            layout.setCaption(i, caption(i, entry));
    layout.centreAligned();
}

QString shortDate(QDate date)
{
    return date.isValid() ? date.toString(u"dd.MM.yyyy"_s) : QString();
}

QString companyName()
{
    const QString setting =
        settings::GetSetting(u"Platform"_s, u"LabelCompany"_s,
                             u"ÖRNEK TEKSTİL A.Ş.|Örme Kumaş Üretimi|Organize Sanayi Bölgesi"_s);
    return setting.split(u'|').join(u"\r\n"_s);
}

} // namespace labelcaptions
