#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

class Form1;
class QKeyEvent;

// The label canvas in twips.
inline constexpr QSizeF kCanvasTwips{5669, 5669};
// One arrow key moves the selected label item this far.
inline constexpr double kNudgeTwips = 30;

// Where an arrow key takes a label item (left, top, width, height in twips on the
// canvas): 30 twips that way, unless that would bring it too close to the canvas's
// edge, in which case it stays.
QPointF nudgedPosition(const QRectF& item, const QSizeF& canvas, int key);

// The window's own handling of a key before the focused control sees it: while a label
// item is selected, Esc deselects it (and still reaches the control) and the arrow keys
// move it and make it left-aligned (and do not reach the control). Returns true when
// the key is used up.
bool handleWindowKey(Form1& form, const QKeyEvent& key);
