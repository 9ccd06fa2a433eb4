#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>

// Lengths of the station's layouts are in twips (1/1440 inch). On screen one pixel
// is 15 twips (96 pixels per inch, Qt scales for denser screens); printers convert
// with their own resolution.
namespace twips {

inline constexpr int kPerPixel = 15;
inline constexpr double kPerInch = 1440.0;

inline int toPixels(double t)
{
    return static_cast<int>(std::lround(t / kPerPixel));
}
inline double fromPixels(int px)
{
    return static_cast<double>(px) * kPerPixel;
}
inline QRect rect(double left, double top, double width, double height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}
// Twips to device units of a paint device with the given resolution (dots per inch).
inline double toDevice(double t, double dpi)
{
    return t * dpi / kPerInch;
}
inline double fromDevice(double d, double dpi)
{
    return d * kPerInch / dpi;
}

} // namespace twips
