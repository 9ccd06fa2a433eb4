#pragma once

#include "orders/entry_field.h"

#include <QChar>
#include <QString>

// What becomes of a character typed into an entry field.
struct KeyDecision
{
    QChar key;           // the character to insert; QChar(0) when the key is dropped
    bool beep = false;   // dropped with a beep
    bool moveOn = false; // Enter: go on to the next field
    bool lookup = false; // Enter in the customer or fabric field: look the text up
};

// The entry fields' key rules. text, caret and hasSelection describe the field at the
// moment of the key press.
//
// Every field gives initial capitals (CapitalizeKey). Enter moves on, or looks the text
// up in the customer and fabric fields. The numeric fields (price, ordered kg, weight,
// rolls) take digits, Backspace and one decimal comma ("." typed becomes ","), at most
// five characters after the comma when typing at the end; "#$%&'" are dropped silently
// and anything else with a beep.
KeyDecision filterEntryKey(EntryField field, const QString& text, int caret, bool hasSelection,
                           QChar key);

// True for the fields that hold numbers.
inline bool isNumericField(EntryField field)
{
    return field == EntryField::Price || field == EntryField::OrderedKg ||
           field == EntryField::Weight || field == EntryField::Rolls;
}

// The placeholder a field shows while it is empty ("KUMAŞ CİNSİ", "LOT", "Açıklama"),
// or an empty string for fields without one.
QString placeholderOf(EntryField field);
