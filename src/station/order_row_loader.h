#pragma once

#include <QString>

class Form1;

// What the window does when the grid's current row changes: while the ready flag is
// on, the row goes into the entry panel, its barcode number becomes the current one,
// the rows of its order are read again to show the kilograms still to make, and the
// label button is enabled for a roll that weighs something.
void loadCurrentRow(Form1& form);

// The record source of the rows of one order, with the order number quoted.
QString orderRowsSource(const QString& sipNo);
