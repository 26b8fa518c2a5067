#pragma once

#include <QPoint>

// The areas of the painted title band, in twips of the window's client area (15 per pixel).
namespace TitleBarZones {

inline constexpr int TwipsPerPixel = 15;
inline constexpr int BandHeight = 360;

inline QPoint ToTwips(QPoint pixels) {
    return pixels * TwipsPerPixel;
}

// The program icon at the left of the band, bounds included.
bool InIconArea(QPoint twips);
// A press here moves the window: the band, outside the icon.
bool StartsMove(QPoint twips);

// The round buttons drawn under Image1, in twips relative to Image1.
enum class ButtonZone { None, Minimise, Close };
// The row of the buttons; the tooltip changes only while the pointer is in it.
bool InButtonRow(QPoint imageTwips);
ButtonZone ButtonAt(QPoint imageTwips);

} // namespace TitleBarZones
