#pragma once

#include <QString>
#include <QStringList>

// The record sources and criteria of the customer and fabric searches. The typed text
// goes in as a quoted value: an apostrophe is part of the text, "%" and "_" are plain
// characters, and "*", "?", "#" and "[…]" keep their meaning as wildcards.

// Usable customers whose title begins with the text as typed (blanks included).
QString customerSearchSource(const QString& typed);
// All usable customers, by code: what a following Enter searches when nothing matched.
QString customerFallbackSource();
// Visible fabrics whose name begins with the trimmed text, by code.
QString fabricSearchSource(const QString& typed);
QString fabricFallbackSource();

// The criteria an Enter tries in turn: the customer's code before its title, the
// fabric's name before its code; with "*" at either end of the text they are patterns.
QStringList customerLookupCriteria(const QString& typed);
QStringList fabricLookupCriteria(const QString& typed);
