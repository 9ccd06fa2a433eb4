#pragma once

#include "exchange/exchange_context.h"

// Re-prices the stock movements waiting in the central database (Yeni = 2) from the
// branch's special price list ("Cari": a customer's own price of a stock item) and
// carries the new amount to the account movement of the same id (the stock id
// without its "W"s). A stock movement and its account movement change together. The
// first failure ends the refresh (and is reported); the exchange goes on.
void RefreshMovementPrices(ExchangeContext& ctx);
