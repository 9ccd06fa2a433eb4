#pragma once

#include "station/grid_layout_file.h"

class Form1;

// Kumas.Dat (see grid_layout_file.h) saved from the order grid and loaded into it.

// Writes Kumas.Dat after a column was resized, re-centring every visible column's
// header. A failed write leaves the old file and is shown on the status line.
void SaveGridLayout(Form1& form);
// Reads Kumas.Dat (when it exists) at the window's first activation: widths, visibility
// and centred headers. Lines beyond the grid's columns and values that do not convert
// are passed over; the other columns keep their designed layout.
void LoadGridLayout(Form1& form);
