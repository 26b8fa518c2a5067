#pragma once

#include <QRect>
#include <QSize>

class QPainter;

// The main window's own background: the title band with the program icon at the left and the
// round minimise and close buttons drawn under `buttonsImage`.
void PaintMainWindowBackground(QPainter& painter, const QSize& size, const QRect& buttonsImage);
