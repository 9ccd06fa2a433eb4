#include "orders/entry_keys.h"

#include "core/shared_routines.h"

using namespace Qt::StringLiterals;

QString placeholderOf(EntryField field)
{
    switch (field) {
    case EntryField::Fabric:
        return u"KUMAŞ CİNSİ"_s;
    case EntryField::Lot:
        return u"LOT"_s;
    case EntryField::Note:
        return u"Açıklama"_s;
    default:
        return {};
    }
}

KeyDecision filterEntryKey(EntryField field, const QString& text, int caret, bool hasSelection,
                           QChar key)
{
    KeyDecision d;
    d.key = CapitalizeKey(text, caret, key);
    if (d.key == u'\r') {
        d.key = QChar(0);
        if (field == EntryField::Customer || field == EntryField::Fabric)
            d.lookup = true;
        else
            d.moveOn = true;
        return d;
    }
    if (!isNumericField(field))
        return d;

    if (d.key == u'.')
        d.key = QChar(u',');
    const char16_t k = d.key.unicode();
    if (k >= 35 && k <= 39) { // # $ % & '
        d.key = QChar(0);
        return d;
    }
    const qsizetype comma = text.indexOf(u',');
    const bool allowed = k == 8 || (k >= u'0' && k <= u'9') || k == u',';
    if (!allowed || (k == u',' && comma >= 0)) {
        d.key = QChar(0);
        d.beep = true;
        return d;
    }
    // Five characters after the comma at most, unless a selection is being overtyped.
    if (comma >= 0 && text.size() - (comma + 1) > 4 && k != 8 && !hasSelection) {
        d.key = QChar(0);
        d.beep = true;
    }
    return d;
}
