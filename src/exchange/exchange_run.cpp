#include "exchange/exchange_run.h"

#include "core/logging.h"
#include "exchange/card_exchange.h"
#include "exchange/full_exchange.h"
#include "exchange/movement_upload.h"

using namespace Qt::StringLiterals;

ExchangeKind exchangeKindFor(const QString& command)
{
    if (command.contains(u"CariKod"_s))
        return ExchangeKind::AccountCards;
    if (command.contains(u"StokKod"_s))
        return ExchangeKind::StockCards;
    if (command.contains(u"HarKod"_s))
        return ExchangeKind::Movements;
    return ExchangeKind::Full;
}

ExchangeReport runExchange(ExchangeSettings& settings, ExchangeControls& controls,
                           ExchangeHost& host)
{
    ExchangeReport report;
    CentralDatabase central;
    host.progress(u"Merkez veritabanına bağlanılıyor..."_s, 0, 0);
    host.yield();
    QString error;
    const ExchangeKind kind = exchangeKindFor(settings.ExchangeCommand);
    if (host.stopRequested()) {
        report.setStopped();
    } else if (!central.open(settings.DataSource, &error)) {
        report.failure(error);
    } else {
        ExchangeContext ctx{settings, controls, central, host, report};
        switch (kind) {
        case ExchangeKind::AccountCards:
            ExchangeAccountCards(ctx);
            break;
        case ExchangeKind::StockCards:
            ExchangeStockCards(ctx);
            break;
        case ExchangeKind::Movements:
            UploadMovements(ctx);
            break;
        case ExchangeKind::Full:
            FullExchange(ctx);
            break;
        }
    }
    qCInfo(lcExchange).noquote() << u"aktarım (%1): %2"_s.arg(
        settings.ExchangeCommand.isEmpty() ? u"tam"_s : settings.ExchangeCommand,
        report.summary().section(u'\n', 0, 0));
    settings.ExchangeCommand.clear();
    // Nothing may hold the central connection once it closes.
    controls.closeAll();
    controls.Adodc1.setConnection({});
    controls.Adodc2.setConnection({});
    return report;
}
