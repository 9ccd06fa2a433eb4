#pragma once

#include "exchange/exchange_context.h"

// Sends the one local card that ExchangeCommand names to the central database, once
// for every other branch of the branch list, so that each branch takes its copy with
// its next full exchange. An existing central copy of the card for a branch is
// overwritten, a missing one added; a branch that works as a terminal gets its copy
// with Yeni = 2.
void ExchangeAccountCards(ExchangeContext& ctx); // command contains "CariKod"
void ExchangeStockCards(ExchangeContext& ctx);   // command contains "StokKod"
