#pragma once

class Form1;

// Connects every part of the station (entry panel, search lists, scale, label,
// printing) to the main window before it starts.
void installStationParts(Form1& window);
