#pragma once

#include <QChar>
#include <QString>
#include <QVariant>

class DataControl;

// Routines shared by the station and the exchange window.

// Reads the control's record source anew and stands on its first row; on the way it
// visits the last row, so that the record count is exact. Returns false when the
// refresh failed (the control's lastError() tells why).
[[nodiscard]] bool RefreshToFirst(DataControl& control);

// Key filter of the text fields: swallows Ctrl+A, G, N, P, S, T (returns 0) and turns a
// lower-case letter typed at the start of the field, after a blank or control
// character, or after a field ending in "." (for a–z also "/") into its capital, with
// Turkish capitals for "ğüşiıöç" (i → İ, ı → I). text and caret describe the field at
// the moment of the key press.
QChar CapitalizeKey(const QString& text, int caret, QChar key);

// Small calculator for amount texts. Each amount is cleaned of the unit words "TL"
// and "KG", read as 0 when it is no number, and left holding its cleaned text.
// Operation 0: a − b, 1: a + b, 2: a × b, 3: a ÷ b (cut to 3 decimals when a < 1;
// 0 when b is 0); any other operation gives 0. The result is rounded to 6 decimals
// and returned as text in the Turkish format ("0,166").
QString CalcAmounts(int operation, QVariant& first, QVariant& second);
