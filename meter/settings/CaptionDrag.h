#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QMouseEvent;
class QWidget;

// Moves a frameless window the way its title bar would: a press that `startsMove` accepts, on
// the window or on a handle, hands the move to the window system; where it cannot take it
// (offscreen), the window follows the mouse until the button is released.
class CaptionDrag : public QObject {
    Q_OBJECT
public:
    // Asked for every press on the window and its handles: does it start a move?
    using StartsMove = std::function<bool(const QObject* pressed, const QMouseEvent& event)>;
    CaptionDrag(QWidget* window, StartsMove startsMove);
    // Presses on `handle` are offered to `startsMove` too.
    void addHandle(QWidget* handle);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool press(QObject* watched, QMouseEvent* event);

    QWidget* m_window;
    StartsMove m_startsMove;
    bool m_following = false;
    QPoint m_offset;
};
