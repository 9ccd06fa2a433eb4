#pragma once

class Form1;
struct RollValues;

// The entry panel as a roll to write.
RollValues panelValues(const Form1& form);

// "Yeni Sipariş  Kg Ekle": a new order with its first roll when the panel's order number
// differs from the current row's, otherwise the panel saved into the current row; then
// the remaining kilograms. Needs a numeric order number and a customer.
void recordNewOrder(Form1& form);

// "Siparişe Top+Kg Ekle": one more roll of the panel's order.
void addRollToOrder(Form1& form);

// "Satır Sil": removes the grid's current row; the next row (or the new last row)
// becomes current.
void deleteCurrentRow(Form1& form);
