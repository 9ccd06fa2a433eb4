#include "exchange/full_exchange.h"

#include "exchange/download_postings.h"
#include "exchange/price_refresh.h"

using namespace Qt::StringLiterals;

void FullExchange(ExchangeContext& ctx)
{
    RefreshMovementPrices(ctx);
    if (!ctx.host.waitForRelease()) {
        ctx.report.setStopped();
        return;
    }
    // One download per branch and side at a time, whichever station starts it.
    const QString lock =
        u"topkar-download:%1:%2"_s.arg(ctx.settings.OwnBranch).arg(ctx.settings.takenServer());
    if (!ctx.central.tryLock(lock)) {
        ctx.report.failure(u"Şube %1 için başka bir aktarım sürüyor; hiçbir şey alınmadı."_s.arg(
            ctx.settings.OwnBranch));
        return;
    }
    const download::Pass passes[] = {postings::accountCards(ctx), postings::accountMovements(ctx),
                                     postings::stockCards(ctx), postings::stockMovements(ctx),
                                     postings::cancellations(ctx)};
    for (const download::Pass& pass : passes) {
        ctx.host.progress(u"%1 alınıyor..."_s.arg(pass.what), 0, 0);
        download::run(ctx, pass);
        if (ctx.host.stopRequested()) {
            ctx.report.setStopped();
            break;
        }
    }
    ctx.central.unlock(lock);
    ctx.controls.closeAll();
}
