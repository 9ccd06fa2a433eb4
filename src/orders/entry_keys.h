#pragma once

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

// The entry fields' key rules. field is the index of Text1; text, caret and
// hasSelection describe the field at the moment of the key press.
//
// Every field gives initial capitals (CapitalizeKey). Enter moves on, or looks the text
// up in the customer (1) and fabric (2) fields. The numeric fields (4, 5, 6, 8) take
// digits, Backspace and one decimal comma ("." typed becomes ","), at most five
// characters after the comma when typing at the end; "#$%&'" are dropped silently and
// anything else with a beep.
KeyDecision filterEntryKey(int field, const QString& text, int caret, bool hasSelection, QChar key);

// True for the fields that hold numbers.
inline bool isNumericField(int field)
{
    return field == 4 || field == 5 || field == 6 || field == 8;
}

// The placeholder a field shows while it is empty ("KUMAŞ CİNSİ", "LOT", "Açıklama"),
// or an empty string for fields without one.
QString placeholderOf(int field);
