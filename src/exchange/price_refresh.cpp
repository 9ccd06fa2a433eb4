#include "exchange/price_refresh.h"

#include "core/jet_sql.h"
#include "core/number_format.h"
#include "exchange/local_files.h"

using namespace Qt::StringLiterals;
using jetsql::quoteText;

void RefreshMovementPrices(ExchangeContext& ctx)
{
    ExchangeControls& c = ctx.controls;
    const ExchangeSettings& s = ctx.settings;
    QString error;
    auto stop = [&](const QString& why) {
        ctx.central.rollback();
        ctx.report.failure(u"Fiyat güncellemesi yarıda kaldı: %1"_s.arg(why));
        c.Adodc1.close();
        c.Adodc2.close();
    };
    ctx.host.progress(u"Özel fiyatlar uygulanıyor..."_s, 0, 0);
    // Without a price list there is nothing to re-price.
    const QString priceFile = s.accountDatabase(s.OwnBranch);
    if (const QString why = localfiles::lacking(priceFile, {u"Cari"_s}); !why.isEmpty()) {
        ctx.report.note(u"Özel fiyat listesi yok (%1); fiyatlar güncellenmedi."_s.arg(why));
        return;
    }
    if (!localfiles::point(c.Data5, priceFile, u"Cari"_s, &error))
        return stop(error);
    RecordSet& prices = *c.Data5.recordset();

    c.Adodc1.setConnection(ctx.central.database());
    c.Adodc2.setConnection(ctx.central.database());
    c.Adodc1.setRecordSource(u"select * from StokHareket Where Yeni=2"_s);
    c.Adodc2.setRecordSource(u"select * from CariHareket Where Yeni=2"_s);
    if (!c.Adodc1.refresh())
        return stop(c.Adodc1.lastError());
    if (!c.Adodc2.refresh())
        return stop(c.Adodc2.lastError());
    RecordSet& stock = *c.Adodc1.recordset();
    RecordSet& accounts = *c.Adodc2.recordset();
    if (!stock.bof())
        stock.moveLast();
    if (!stock.eof())
        stock.moveFirst();
    const int total = stock.recordCount();
    int done = 0;
    while (!stock.eof()) {
        if (!prices.findFirst(u"CariKod=%1 And StokKod=%2"_s.arg(
                quoteText(stock.value(u"Carisi").toString()),
                quoteText(stock.value(u"StokHarKod").toString()))))
            return stop(prices.lastError());
        // Only a price that is a number re-prices: an empty one is no price at all
        // (read as 0 it would zero the movement and the customer's debit).
        const QVariant special = prices.noMatch() ? QVariant() : prices.value(u"0Fiyat");
        bool isPrice = false;
        const double price = special.isNull() ? 0.0 : special.toDouble(&isPrice);
        if (isPrice && price != stock.value(u"Fiyat").toDouble()) {
            // The stock movement and its account movement change together.
            if (!ctx.central.begin(&error))
                return stop(error);
            const double amount = numfmt::roundTo(price * stock.value(u"Miktar").toDouble(), 2);
            if (!stock.edit() || !stock.setValue(u"Fiyat", price) ||
                !stock.setValue(u"Tutar", amount) || !stock.update()) {
                stock.cancelUpdate();
                return stop(stock.lastError());
            }
            const QString id = stock.value(u"DigerId").toString().remove(u'W');
            accounts.moveFirst();
            if (!accounts.findFromCurrent(u"DigerId="_s + quoteText(id)))
                return stop(accounts.lastError());
            if (!accounts.eof()) {
                if (!accounts.edit() || !accounts.setValue(u"Borc", amount) ||
                    !accounts.setValue(u"Fiyat", price) || !accounts.update()) {
                    accounts.cancelUpdate();
                    return stop(accounts.lastError());
                }
            }
            if (!ctx.central.commit(&error))
                return stop(error);
        }
        stock.moveNext();
        ctx.host.progress(u"Özel fiyatlar uygulanıyor..."_s, ++done, total);
    }
    c.Adodc1.close();
    c.Adodc2.close();
}
