#pragma once

#include <QString>

class RecordSet;

// The card balances the exchanges keep: account cards (debit, credit and balance in
// three currency columns and the side of the balance) and stock cards (quantities
// and amounts in and out, the remaining quantity, profit and cost).
namespace balances {

// The six amounts of an account movement.
struct AccountAmounts
{
    double Borc = 0, Alacak = 0, dBorc = 0, dAlacak = 0, eBorc = 0, eAlacak = 0;
};

// The six amounts of the current row (a null field counts as 0).
AccountAmounts accountAmounts(const RecordSet& rs);

// The amounts with their sides exchanged, for the other party's copy of a movement:
// when the plain debit is 0 every debit takes its credit and the credits become 0,
// otherwise every credit takes its debit and the debits become 0.
AccountAmounts mirrored(const AccountAmounts& a);

// Writes the six amounts into a movement standing in an add or edit.
bool writeAccountAmounts(RecordSet& rs, const AccountAmounts& a, QString* error = nullptr);

// Adds the amounts to an account card standing in an edit and recomputes its
// balances from the new totals: the larger side wins, the plain columns decide the
// side for all three, equal totals give a zero balance on the side "Borç".
bool addToAccountCard(RecordSet& card, const AccountAmounts& add, QString* error = nullptr);

// The same balance rule with the amount calculator (each result rounded to 6
// decimals), as cancellations compute it.
bool settleAccountCardRounded(RecordSet& card, QString* error = nullptr);

// field = CalcAmounts(0, field, amount) for each of the three fields (plain, "d", "e"
// columns) of a record standing in an edit.
bool subtractRounded(RecordSet& rs, const QString& field, const QString& dField,
                     const QString& eField, double amount, double dAmount, double eAmount,
                     QString* error = nullptr);

// A stock movement as it changes its card.
struct StockMovement
{
    bool purchase = false; // GirisCikis "Alış"
    double Miktar = 0, Tutar = 0, Kar = 0;
};

// Posts a movement on a stock card standing in an edit: a purchase adds to the
// quantity and amount in and renews the weighted cost, anything else adds to the
// quantity and amount out and to the profit; each sum by the amount calculator. The
// remaining quantity then stands in KalanB (or, when more went out than came in, in
// KalanA), rounded to 4 decimals.
bool postToStockCard(RecordSet& card, const StockMovement& m, QString* error = nullptr);

// Takes a cancelled movement's quantity and amount back out of a stock card standing
// in an edit and recomputes the remaining quantity.
bool cancelOnStockCard(RecordSet& card, double miktar, double tutar, QString* error = nullptr);

// The amount calculator on two numbers, read back as a number.
double calc(int operation, double a, double b);

} // namespace balances
