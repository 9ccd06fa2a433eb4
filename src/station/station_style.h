#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>

// Fonts and colours of the station's window as it was designed.
namespace style {

// "MS Sans Serif" at the given size, with metric-compatible stand-ins where the
// Windows font is missing.
QFont sansSerif(double pointSize, bool bold = false);

inline const QColor kWindow{224, 224, 224};    // window and idle entry fields (&HE0E0E0)
inline const QColor kFocused{255, 255, 255};   // entry field with the focus
inline const QColor kComboBack{0, 0, 128};     // drop-down lists (&H800000)
inline const QColor kComboText{255, 255, 0};   // (&HFFFF)
inline const QColor kGridCells{128, 255, 255}; // order grid cells
inline const QColor kRemaining{255, 0, 0};     // remaining kilograms

} // namespace style
