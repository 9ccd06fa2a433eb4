#include "exchange/balances.h"

#include "core/number_format.h"
#include "core/record_set.h"
#include "core/shared_routines.h"

using namespace Qt::StringLiterals;

namespace balances {

namespace {

double number(const RecordSet& rs, QStringView field)
{
    const QVariant v = rs.value(field);
    return v.isNull() ? 0.0 : v.toDouble();
}

bool write(RecordSet& rs, QStringView field, const QVariant& value, QString* error)
{
    if (rs.setValue(field, value))
        return true;
    if (error)
        *error = rs.lastError();
    return false;
}

// The remaining quantity of a stock card from its totals in and out.
bool settleRemaining(RecordSet& card, QString* error)
{
    const double in = number(card, u"GirenMik");
    const double out = number(card, u"CikanMik");
    if (out > in)
        return write(card, u"KalanA", numfmt::roundTo(out - in, 4), error) &&
               write(card, u"KalanB", 0.0, error);
    return write(card, u"KalanB", numfmt::roundTo(in - out, 4), error) &&
           write(card, u"KalanA", 0.0, error);
}

} // namespace

double calc(int operation, double a, double b)
{
    QVariant first = a;
    QVariant second = b;
    return numfmt::toNumber(CalcAmounts(operation, first, second));
}

AccountAmounts accountAmounts(const RecordSet& rs)
{
    return {number(rs, u"Borc"),    number(rs, u"Alacak"), number(rs, u"dBorc"),
            number(rs, u"dAlacak"), number(rs, u"eBorc"),  number(rs, u"eAlacak")};
}

AccountAmounts mirrored(const AccountAmounts& a)
{
    if (a.Borc == 0)
        return {a.Alacak, 0, a.dAlacak, 0, a.eAlacak, 0};
    return {0, a.Borc, 0, a.dBorc, 0, a.eBorc};
}

bool writeAccountAmounts(RecordSet& rs, const AccountAmounts& a, QString* error)
{
    return write(rs, u"Borc", a.Borc, error) && write(rs, u"Alacak", a.Alacak, error) &&
           write(rs, u"dBorc", a.dBorc, error) && write(rs, u"dAlacak", a.dAlacak, error) &&
           write(rs, u"eBorc", a.eBorc, error) && write(rs, u"eAlacak", a.eAlacak, error);
}

bool addToAccountCard(RecordSet& card, const AccountAmounts& add, QString* error)
{
    AccountAmounts t = accountAmounts(card);
    t.Borc += add.Borc;
    t.Alacak += add.Alacak;
    t.dBorc += add.dBorc;
    t.dAlacak += add.dAlacak;
    t.eBorc += add.eBorc;
    t.eAlacak += add.eAlacak;
    if (!writeAccountAmounts(card, t, error))
        return false;
    if (t.Alacak > t.Borc)
        return write(card, u"Bakiye", t.Alacak - t.Borc, error) &&
               write(card, u"dBakiye", t.dAlacak - t.dBorc, error) &&
               write(card, u"eBakiye", t.eAlacak - t.eBorc, error) &&
               write(card, u"Hesap", u"Alacak"_s, error);
    return write(card, u"Bakiye", t.Borc - t.Alacak, error) &&
           write(card, u"dBakiye", t.dBorc - t.dAlacak, error) &&
           write(card, u"eBakiye", t.eBorc - t.eAlacak, error) &&
           write(card, u"Hesap", u"Borç"_s, error);
}

bool settleAccountCardRounded(RecordSet& card, QString* error)
{
    const AccountAmounts t = accountAmounts(card);
    if (t.Alacak > t.Borc)
        return write(card, u"Bakiye", calc(0, t.Alacak, t.Borc), error) &&
               write(card, u"dBakiye", calc(0, t.dAlacak, t.dBorc), error) &&
               write(card, u"eBakiye", calc(0, t.eAlacak, t.eBorc), error) &&
               write(card, u"Hesap", u"Alacak"_s, error);
    return write(card, u"Bakiye", calc(0, t.Borc, t.Alacak), error) &&
           write(card, u"dBakiye", calc(0, t.dBorc, t.dAlacak), error) &&
           write(card, u"eBakiye", calc(0, t.eBorc, t.eAlacak), error) &&
           write(card, u"Hesap", u"Borç"_s, error);
}

bool subtractRounded(RecordSet& rs, const QString& field, const QString& dField,
                     const QString& eField, double amount, double dAmount, double eAmount,
                     QString* error)
{
    return write(rs, field, calc(0, number(rs, field), amount), error) &&
           write(rs, dField, calc(0, number(rs, dField), dAmount), error) &&
           write(rs, eField, calc(0, number(rs, eField), eAmount), error);
}

bool postToStockCard(RecordSet& card, const StockMovement& m, QString* error)
{
    if (m.purchase) {
        // The stock on hand before this purchase, at its cost so far.
        const double before = number(card, u"KalanB");
        const double cost = number(card, u"Maliyet");
        if (!write(card, u"GirenMik", calc(1, number(card, u"GirenMik"), m.Miktar), error) ||
            !write(card, u"GirenTutar", calc(1, number(card, u"GirenTutar"), m.Tutar), error) ||
            !settleRemaining(card, error))
            return false;
        // Weighted cost: what was on hand at its cost plus what came in at its amount,
        // over the quantity both make together.
        const double quantity = before + m.Miktar;
        if (quantity != 0)
            return write(card, u"Maliyet", numfmt::roundTo((before * cost + m.Tutar) / quantity, 2),
                         error);
        return true;
    }
    return write(card, u"CikanMik", calc(1, number(card, u"CikanMik"), m.Miktar), error) &&
           write(card, u"CikanTutar", calc(1, number(card, u"CikanTutar"), m.Tutar), error) &&
           write(card, u"Kar", calc(1, number(card, u"Kar"), m.Kar), error) &&
           settleRemaining(card, error);
}

bool cancelOnStockCard(RecordSet& card, double miktar, double tutar, QString* error)
{
    return write(card, u"CikanMik", calc(0, number(card, u"CikanMik"), miktar), error) &&
           write(card, u"CikanTutar", calc(0, number(card, u"CikanTutar"), tutar), error) &&
           settleRemaining(card, error);
}

} // namespace balances
