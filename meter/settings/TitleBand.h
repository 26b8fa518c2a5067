#pragma once

#include <QString>

class QLabel;
class QWidget;

// The painted title band of the frameless settings windows: a caption on the left, the close
// picture `Image1` (tooltip "关闭") on the right, and presses on the band move the window.
namespace TitleBand {

constexpr int HeightTwips = 360;

// Adds the caption (named `labelName`) and the close picture to `window`, whose width is
// `widthTwips`; the picture closes the window.
QLabel* Install(QWidget* window, const QString& title, const char* labelName, int widthTwips);

// Paints the window's face: the band over a light body, with a border.
void Paint(QWidget* window);

} // namespace TitleBand
