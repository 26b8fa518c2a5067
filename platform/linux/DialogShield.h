#pragma once

#include "platform/linux/X11Connection.h"

#include <memory>

// Holds one top-level window back: an override-redirect input-only window kept directly above
// its frame takes the pointer input meant for it, and a passive grab of every key on it takes
// its keystrokes, so nothing reaches it while it stays on screen. Removed when destroyed.
class DialogShield {
public:
    // Null when `client` is gone.
    static std::unique_ptr<DialogShield> create(X11Connection& x11, xcb_window_t client);
    ~DialogShield();
    DialogShield(const DialogShield&) = delete;
    DialogShield& operator=(const DialogShield&) = delete;

    xcb_window_t client() const { return m_client; }
    xcb_window_t shield() const { return m_shield; }
    // Whether an event on `window` may move the held window: it is its client or its frame.
    bool concerns(xcb_window_t window) const { return window == m_client || window == m_frame; }
    // Puts the shield over the frame again (after a move, a raise, a new frame, a map or an
    // unmap); false when the held window is gone.
    bool follow();

private:
    DialogShield(X11Connection& x11, xcb_window_t client);
    void listenTo(xcb_window_t window, uint32_t mask);

    X11Connection& m_x11;
    xcb_window_t m_client;
    xcb_window_t m_frame = XCB_WINDOW_NONE;
    xcb_window_t m_shield = XCB_WINDOW_NONE;
};
