#pragma once

#include "exchange/exchange_context.h"

// Which exchange a command runs: case-sensitive substring tests in this order.
enum class ExchangeKind
{
    AccountCards,
    StockCards,
    Movements,
    Full
};
ExchangeKind exchangeKindFor(const QString& command);

// One exchange run as the window's load runs it: connects to the central database,
// dispatches on ExchangeCommand, and returns what happened. The controls are the
// window's (its grid shows Data1); ExchangeCommand is cleared in settings.
ExchangeReport runExchange(ExchangeSettings& settings, ExchangeControls& controls,
                           ExchangeHost& host);
