#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

// The application's own X connection, reached through Qt's native interface, with the atoms
// the desk lock and the dialog watch use. There is none without an X server (Wayland,
// offscreen); that is said once per process on standard error.
class X11Connection {
public:
    // Null when the application does not run on X.
    static std::unique_ptr<X11Connection> open();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* connection() const { return m_connection; }
    xcb_window_t root() const { return m_root; }
    int screenNumber() const { return m_screenNumber; }
    xcb_ewmh_connection_t& ewmh() { return m_ewmh; }
    xcb_atom_t wmState() const { return m_wmState; }
    xcb_atom_t wmDeleteWindow() const { return m_wmDeleteWindow; }
    xcb_atom_t compoundText() const { return m_compoundText; }

    // The window manager's check window when an EWMH window manager runs now; a manager that
    // has gone leaves its root properties behind, so they alone prove nothing.
    std::optional<xcb_window_t> windowManagerCheck();
    // Whether a running window manager lists `atom` in _NET_SUPPORTED.
    bool windowManagerSupports(xcb_atom_t atom);
    // Sends a request that may name a window that is gone, without Qt reporting the error.
    void discardErrorOf(xcb_void_cookie_t cookie);

private:
    X11Connection(xcb_connection_t* connection, int screenNumber);

    xcb_connection_t* m_connection;
    int m_screenNumber;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_ewmh_connection_t m_ewmh{};
    xcb_atom_t m_wmState = XCB_ATOM_NONE;
    xcb_atom_t m_wmDeleteWindow = XCB_ATOM_NONE;
    xcb_atom_t m_compoundText = XCB_ATOM_NONE;
};
