#pragma once

#include "platform/DeskLock.h"
#include "platform/linux/RetriedGrab.h"
#include "platform/linux/X11Connection.h"

#include <memory>

// The desk lock on X: the window is kept above (_NET_WM_STATE_ABOVE) and activated; the
// keyboard is held by an active grab on it and the pointer by a grab confined to an input-only
// window of the rectangle. Both grabs let events for the program's own windows through (its
// message boxes still work); a grab another client holds is tried again for a moment.
class X11DeskLock : public DeskLock {
public:
    X11DeskLock();
    ~X11DeskLock() override;

    void keepOnTop(QWidget& window) override;
    bool holdKeyboard(QWidget& window) override;
    void releaseKeyboard() override;
    bool confinePointer(const QRect& screenRect) override;
    void releasePointer() override;

    // Whether the grabs are held now, and the input-only window the pointer is confined to
    // (0 when none); for checks.
    bool keyboardHeld() const { return m_keyboard.taken(); }
    bool pointerHeld() const { return m_pointer.taken(); }
    quint32 confineWindow() const { return m_confineWindow; }

private:
    X11Connection* x11();
    int grabKeyboard();
    int grabPointer();
    void placeConfineWindow(const QRect& rect);

    std::unique_ptr<X11Connection> m_x11;
    bool m_x11Tried = false;
    xcb_window_t m_keyboardWindow = XCB_WINDOW_NONE;
    xcb_window_t m_confineWindow = XCB_WINDOW_NONE;
    RetriedGrab m_keyboard;
    RetriedGrab m_pointer;
};
