#pragma once

class Form1;

// Gives the main window its entry panel, the customer and fabric search lists, the two
// record buttons and the row delete.
void attachEntry(Form1& form);
