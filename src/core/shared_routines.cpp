#include "core/shared_routines.h"

#include "core/data_control.h"
#include "core/field_value.h"
#include "core/number_format.h"
#include "core/turkish_text.h"

#include <cmath>

using namespace Qt::StringLiterals;

bool RefreshToFirst(DataControl& control)
{
    if (!control.refresh())
        return false;
    RecordSet* rs = control.recordset();
    if (rs->recordCount() != 0) {
        if (!rs->bof())
            rs->moveLast();
        if (!rs->eof())
            rs->moveFirst();
    }
    return true;
}

QChar CapitalizeKey(const QString& text, int caret, QChar key)
{
    const char16_t k = key.unicode();
    if (k == 1 || k == 7 || k == 14 || k == 16 || k == 19 || k == 20)
        return QChar(0);
    const bool atStart = caret <= 0;
    const bool afterBlank = !atStart && caret <= text.size() && text[caret - 1].unicode() < u'!';
    const QChar last = text.isEmpty() ? QChar() : text.back();
    static const QString lower = u"ğüşiıöç"_s;
    static const QString upper = u"ĞÜŞİIÖÇ"_s;
    if (const qsizetype i = lower.indexOf(key); i >= 0) {
        if (atStart || afterBlank || last == u'.')
            return upper[i];
        return key;
    }
    if (k >= u'a' && k <= u'z') {
        if (atStart || afterBlank || last == u'.' || last == u'/')
            return QChar(static_cast<char16_t>(k - 32));
        return key;
    }
    return key;
}

namespace {

// Cleans one amount in place and returns its value.
double cleanAmount(QVariant& amount)
{
    QString t = turkish::upper(fieldvalue::text(amount));
    t.remove(u"TL"_s);
    t.remove(u"KG"_s);
    t = t.trimmed();
    if (t.isEmpty() || t == u","_s || !numfmt::isNumeric(t))
        t = u"0"_s;
    amount = t;
    // Read back through the amount format "##0.00####".
    return numfmt::roundTo(numfmt::toNumber(t), 6);
}

} // namespace

QString CalcAmounts(int operation, QVariant& first, QVariant& second)
{
    const double a = cleanAmount(first);
    const double b = cleanAmount(second);
    double result = 0;
    switch (operation) {
    case 0:
        result = a - b;
        break;
    case 1:
        result = a + b;
        break;
    case 2:
        result = a * b;
        break;
    case 3:
        if (b != 0) {
            result = a / b;
            if (a < 1.0)
                result = std::floor(result * 1000.0) / 1000.0;
        }
        break;
    default:
        break;
    }
    return numfmt::text(numfmt::roundTo(result, 6));
}
