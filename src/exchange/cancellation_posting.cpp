#include "core/jet_sql.h"
#include "exchange/balances.h"
#include "exchange/download_postings.h"
#include "exchange/local_files.h"

using namespace Qt::StringLiterals;
using jetsql::quoteText;

namespace postings {

using download::failed;

namespace {

// The amounts of the cancelled movement, as the branch recorded it.
struct Cancelled
{
    double Miktar = 0, Tutar = 0, dTutar = 0, eTutar = 0, KdvTut = 0;
    QString KasaVisa;
};

// Saves a corrected account movement, or removes it when nothing is left on it.
bool saveOrRemove(RecordSet& movement, QString* error)
{
    const double left = movement.value(u"Borc").toDouble() + movement.value(u"Alacak").toDouble();
    const bool ok =
        left == 0 ? (movement.cancelUpdate(), movement.deleteCurrent()) : movement.update();
    if (!ok) {
        *error = movement.lastError();
        movement.cancelUpdate();
    }
    return ok;
}

// Takes amounts off one account movement found by the criterion. *found tells whether
// there was one; nothing is changed when there is none.
bool correctMovement(RecordSet& movements, const QString& criterion, const QString& side, double a,
                     double d, double e, bool* found, QString* error)
{
    if (!movements.findFirst(criterion)) {
        *error = movements.lastError();
        return false;
    }
    *found = !movements.noMatch();
    if (!*found)
        return true;
    if (!movements.edit()) {
        *error = movements.lastError();
        return false;
    }
    const QString prefixD = u"d"_s + side;
    const QString prefixE = u"e"_s + side;
    if (!balances::subtractRounded(movements, side, prefixD, prefixE, a, d, e, error)) {
        movements.cancelUpdate();
        return false;
    }
    return saveOrRemove(movements, error);
}

// Takes amounts off an account card standing on the set and recomputes its balances.
bool correctCard(RecordSet& card, const QList<std::tuple<QString, double, double, double>>& parts,
                 QString* error)
{
    if (!card.edit()) {
        *error = card.lastError();
        return false;
    }
    for (const auto& [side, a, d, e] : parts)
        if (!balances::subtractRounded(card, side, u"d"_s + side, u"e"_s + side, a, d, e, error)) {
            card.cancelUpdate();
            return false;
        }
    if (!balances::settleAccountCardRounded(card, error) || !card.update()) {
        if (error->isEmpty())
            *error = card.lastError();
        card.cancelUpdate();
        return false;
    }
    return true;
}

// The accounts' side of a cancellation: the customer's movements and card, the cash
// account "=100" and the tax account "=110".
bool cancelAccounts(ExchangeContext& ctx, const QString& customer, const QString& id,
                    const Cancelled& m, QString* error)
{
    ExchangeControls& c = ctx.controls;
    RecordSet& movements = *c.Data3.recordset();
    RecordSet& cards = *c.Data4.recordset();
    const QString start = u"CariHarKod=%1"_s.arg(quoteText(customer));
    const QString byId = u" And DigerId="_s + quoteText(id);
    QList<std::tuple<QString, double, double, double>> fromCard;
    bool found = false;
    auto missing = [&](const QString& which) {
        ctx.report.note(u"İptal %1: %2 hareketi bulunamadı; o kısım düşülmedi."_s.arg(id, which));
    };
    if (m.KasaVisa == u"Nakit"_s) {
        if (!correctMovement(movements, start + u" And Borc<>0"_s + byId, u"Borc"_s, m.Tutar,
                             m.dTutar, m.eTutar, &found, error))
            return false;
        if (found)
            fromCard.append({u"Borc"_s, m.Tutar, m.dTutar, m.eTutar});
        else
            missing(customer + u" borç"_s);
        if (!correctMovement(movements, start + u" And Alacak<>0"_s + byId, u"Alacak"_s, m.Tutar,
                             m.dTutar, m.eTutar, &found, error))
            return false;
        if (found)
            fromCard.append({u"Alacak"_s, m.Tutar, m.dTutar, m.eTutar});
        else
            missing(customer + u" alacak"_s);
    } else {
        if (!correctMovement(movements, start + byId, u"Borc"_s, m.Tutar, m.dTutar, m.eTutar,
                             &found, error))
            return false;
        if (found)
            fromCard.append({u"Borc"_s, m.Tutar, m.dTutar, m.eTutar});
        else
            missing(customer);
    }
    if (!cards.findFirst(u"CariKod="_s + quoteText(customer)) || cards.noMatch() ||
        !correctCard(cards, fromCard, error)) {
        if (error->isEmpty())
            *error = cards.lastError();
        return false;
    }
    // The cash account gives back the amount, the tax account the tax.
    const std::tuple<QString, QString, double, double, double> others[] = {
        {u"=100"_s, u"Borc"_s, m.Tutar, m.dTutar, m.eTutar},
        {u"=110"_s, u"Alacak"_s, m.KdvTut, 0, 0},
    };
    for (const auto& [account, side, a, d, e] : others) {
        const QString crit = u"CariHarKod=%1"_s.arg(quoteText(account)) + byId;
        if (!correctMovement(movements, crit, side, a, d, e, &found, error))
            return false;
        if (!found)
            continue;
        if (!cards.findFirst(u"CariKod="_s + quoteText(account))) {
            *error = cards.lastError();
            return false;
        }
        if (cards.noMatch()) {
            ctx.report.note(
                u"İptal %1: %2 kartı bulunamadı; kartından düşülmedi."_s.arg(id, account));
            continue;
        }
        if (!correctCard(cards, {{side, a, d, e}}, error))
            return false;
    }
    return true;
}

download::Outcome postCancellation(ExchangeContext& ctx, RecordSet& r, const QList<bool>& done)
{
    ExchangeControls& c = ctx.controls;
    RecordSet& movements = *c.Data1.recordset();
    RecordSet& stockCards = *c.Data2.recordset();
    const QString id = r.value(u"DigerId").toString();
    const QString code = r.value(u"StokHarKod").toString();
    const QString customer = r.value(u"Carisi").toString();
    if (!movements.findFirst(u"DigerId=%1 And StokHarKod=%2"_s.arg(quoteText(id), quoteText(code))))
        return failed(movements.lastError());
    if (movements.noMatch())
        return failed(
            u"iptal edilecek stok hareketi (%1, %2) bulunamadı; iptal merkezde bekliyor."_s.arg(
                code, id));
    // A movement cancelled before (by another cancellation) is not taken out twice.
    if (!done[0] && movements.value(u"GirisCikis").toString() == u"Iptal"_s)
        return {download::Result::PassedOver, {}};
    Cancelled m;
    m.Miktar = movements.value(u"Miktar").toDouble();
    m.Tutar = movements.value(u"Tutar").toDouble();
    m.dTutar = movements.value(u"dTutar").toDouble();
    m.eTutar = movements.value(u"eTutar").toDouble();
    m.KdvTut = movements.value(u"KdvTut").toDouble();
    m.KasaVisa = movements.value(u"KasaVisa").toString();
    // Everything this cancellation needs must be there before anything is changed.
    if (!done[0]) {
        if (!stockCards.findFirst(u"StokKod="_s + quoteText(code)))
            return failed(stockCards.lastError());
        if (stockCards.noMatch())
            return failed(u"stok kartı %1 bulunamadı; iptal merkezde bekliyor."_s.arg(code));
    }
    if (!done[1]) {
        RecordSet& accounts = *c.Data4.recordset();
        if (!accounts.findFirst(u"CariKod="_s + quoteText(customer)))
            return failed(accounts.lastError());
        if (accounts.noMatch())
            return failed(u"cari kart %1 bulunamadı; iptal merkezde bekliyor."_s.arg(customer));
    }
    QString error;
    if (!done[0]) {
        if (!movements.edit() || !movements.setValue(u"GirisCikis", u"Iptal"_s) ||
            !movements.update()) {
            movements.cancelUpdate();
            return failed(movements.lastError());
        }
        if (!stockCards.edit() ||
            !balances::cancelOnStockCard(stockCards, m.Miktar, m.Tutar, &error) ||
            !stockCards.update()) {
            stockCards.cancelUpdate();
            return failed(error.isEmpty() ? stockCards.lastError() : error);
        }
    }
    if (!done[1] && !cancelAccounts(ctx, customer, id, m, &error))
        return failed(u"iptal %1 hesaplardan düşülemedi: %2"_s.arg(id, error));
    return {};
}

} // namespace

download::Pass cancellations(ExchangeContext& ctx)
{
    const ExchangeSettings& s = ctx.settings;
    const QString stockFile = s.stockDatabase(s.OwnBranch);
    const QString accountFile = s.accountDatabase(s.OwnBranch);
    download::Pass pass;
    pass.name = u"StokHareket-Iptal"_s;
    pass.what = u"İptaller"_s;
    pass.query = centralQuery(s, u"StokHareket"_s, u" And GirisCikis='Iptal'"_s);
    pass.files = {stockFile, accountFile};
    pass.tables = {{u"StokHareket"_s, u"StokKartlar"_s}, {u"CariHareket"_s, u"CariKartlar"_s}};
    pass.keepWaiting = false;
    pass.prepare = [&ctx, stockFile, accountFile](QString* error) {
        ExchangeControls& c = ctx.controls;
        return localfiles::point(c.Data2, stockFile, u"StokKartlar"_s, error) &&
               localfiles::point(c.Data1, stockFile, u"StokHareket"_s, error) &&
               localfiles::point(c.Data3, accountFile, u"CariHareket"_s, error) &&
               localfiles::point(c.Data4, accountFile, u"CariKartlar"_s, error);
    };
    pass.post = [&ctx](RecordSet& r, const QList<bool>& done) {
        return postCancellation(ctx, r, done);
    };
    return pass;
}

} // namespace postings
