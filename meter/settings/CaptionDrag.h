#pragma once

#include <QObject>
#include <QPoint>

class QMouseEvent;
class QWidget;

// Moves a frameless window the way its title bar would: a left-button press on the band at the
// top of the window, or anywhere on a handle, hands the move to the window system; where it
// cannot take it (offscreen), the window follows the mouse until the button is released.
class CaptionDrag : public QObject {
    Q_OBJECT
public:
    // Presses on `window` itself count within `bandHeight` pixels of its top.
    CaptionDrag(QWidget* window, int bandHeight);
    // Presses anywhere on `handle` count.
    void addHandle(QWidget* handle);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool press(QObject* watched, QMouseEvent* event);

    QWidget* m_window;
    int m_bandHeight;
    bool m_following = false;
    QPoint m_offset;
};
