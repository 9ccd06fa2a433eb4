#pragma once

#include "exchange/exchange_context.h"

// The full exchange: re-prices the central movements waiting for the branch, waits
// for the host's release, then takes everything the other side wrote for this
// branch (OwnBranch) and posts it into the branch's files: account cards, account
// movements (with the headquarters' mirror postings on the central station), stock
// cards, stock movements and cancellations.
void FullExchange(ExchangeContext& ctx);
