#pragma once

#include "exchange/download_pass.h"

// The five passes of the full exchange, as they post central records into the
// branch's files (B is OwnBranch; S the Server value of the records taken).
namespace postings {

// Account cards (with their groups) into B's Cari.Mdb.
download::Pass accountCards(ExchangeContext& ctx);
// Account movements, with the balances of their cards, and on the central station
// the headquarters' mirror posting in the company database 01Cari.Mdb.
download::Pass accountMovements(ExchangeContext& ctx);
// Stock cards (with their groups and units) into B's Stok.Mdb.
download::Pass stockCards(ExchangeContext& ctx);
// Stock movements, with the balances of their cards.
download::Pass stockMovements(ExchangeContext& ctx);
// Cancelled stock movements, taken back out of the stock and the accounts.
download::Pass cancellations(ExchangeContext& ctx);

// The central selection of a pass: the records of table that the other side wrote
// for branch B and that are still waiting (Yeni below 3), with an extra condition.
QString centralQuery(const ExchangeSettings& s, const QString& table, const QString& extra = {});

// The texts naming the balance fields a central card never overwrites (a field is
// kept when its name occurs in the text).
inline const QString kAccountBalanceText =
    QStringLiteral("BorcAlacakBakiyedBorcdAlacakdBakiyeeBorceAlacakeBakiyeHesap");
inline const QString kStockBalanceText =
    QStringLiteral("GirenMikGirenTutarCikanMikCikanTutarKalanBKalanA");

} // namespace postings
