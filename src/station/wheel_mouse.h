#pragma once

class Form1;
class QWidget;

// The mouse wheel of the main window: each wheel turn over the window becomes one call
// of Form1::MouseWheel with the turn's direction and the pointer's screen position,
// whatever the size of the turn, and the controls themselves do not scroll by it.

// Starts catching the window's wheel events (when the window is created).
void HookWheel(Form1& form);
// Stops it (when the window closes).
void UnhookWheel(Form1& form);

// True when the screen point (x, y) lies on the widget, its edges included.
bool IsOver(const QWidget* widget, int x, int y);
