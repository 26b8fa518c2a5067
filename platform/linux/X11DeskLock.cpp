#include "platform/linux/X11DeskLock.h"

#include <QWidget>
#include <QWindow>
#include <cstdlib>

namespace {

// Whether X shows the window now: a window manager maps it some time after Qt asked to.
bool IsViewable(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return viewable;
}

int GrabStatus(xcb_connection_t* connection, xcb_grab_keyboard_cookie_t cookie) {
    xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(connection, cookie, nullptr);
    const int status = reply ? reply->status : -1;
    std::free(reply);
    return status;
}

int GrabStatus(xcb_connection_t* connection, xcb_grab_pointer_cookie_t cookie) {
    xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(connection, cookie, nullptr);
    const int status = reply ? reply->status : -1;
    std::free(reply);
    return status;
}

// The window's X id. QWidget::winId() can be stale: Qt makes a new X window when some flags
// change (the stay-on-top hint among them) without telling the widget.
xcb_window_t NativeWindow(QWidget& widget) {
    QWidget& window = *widget.window();
    window.winId(); // creates it when need be
    return window.windowHandle() ? static_cast<xcb_window_t>(window.windowHandle()->winId())
                                 : xcb_window_t(XCB_WINDOW_NONE);
}

} // namespace

X11DeskLock::X11DeskLock()
    : m_keyboard(QStringLiteral("the keyboard"), [this] { return grabKeyboard(); }),
      m_pointer(QStringLiteral("the pointer"), [this] { return grabPointer(); }) {}

X11DeskLock::~X11DeskLock() {
    releaseKeyboard();
    releasePointer();
}

X11Connection* X11DeskLock::x11() {
    if (!m_x11Tried) {
        m_x11Tried = true;
        m_x11 = X11Connection::open();
    }
    return m_x11.get();
}

void X11DeskLock::keepOnTop(QWidget& widget) {
    X11Connection* x = x11();
    if (!x)
        return;
    QWidget& window = *widget.window();
    // Qt's own way: it sets _NET_WM_STATE_ABOVE before every map. Changing the flags of a shown
    // window hides it, so it is shown again.
    if (!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        const bool visible = window.isVisible();
        window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (visible)
            window.show();
    }
    window.raise();
    window.activateWindow();

    if (!x->windowManagerCheck())
        return;
    const xcb_window_t id = NativeWindow(window);
    // A window manager takes these requests only for a window it has mapped; before that Qt's
    // flag and its deferred activation do the work.
    if (!IsViewable(x->connection(), id))
        return;
    xcb_ewmh_connection_t& ewmh = x->ewmh();
    xcb_ewmh_request_change_wm_state(&ewmh, x->screenNumber(), id, XCB_EWMH_WM_STATE_ADD,
                                     ewmh._NET_WM_STATE_ABOVE, XCB_ATOM_NONE,
                                     XCB_EWMH_CLIENT_SOURCE_TYPE_NORMAL);
    xcb_ewmh_request_change_active_window(&ewmh, x->screenNumber(), id,
                                          XCB_EWMH_CLIENT_SOURCE_TYPE_NORMAL, XCB_CURRENT_TIME,
                                          XCB_WINDOW_NONE);
    xcb_flush(x->connection());
}

bool X11DeskLock::holdKeyboard(QWidget& widget) {
    X11Connection* x = x11();
    if (!x)
        return false;
    m_keyboardWindow = NativeWindow(widget);
    return m_keyboard.start();
}

int X11DeskLock::grabKeyboard() {
    // owner_events: keys for the program's own windows (a message box) reach them as usual;
    // keys for anyone else's window go to the login window.
    xcb_connection_t* connection = m_x11->connection();
    return GrabStatus(connection,
                      xcb_grab_keyboard(connection, 1, m_keyboardWindow, XCB_CURRENT_TIME,
                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
}

void X11DeskLock::releaseKeyboard() {
    const bool held = m_keyboard.taken();
    m_keyboard.stop();
    m_keyboardWindow = XCB_WINDOW_NONE;
    // Only a grab of ours: an open popup of Qt's may hold the keyboard too.
    if (held && m_x11) {
        xcb_ungrab_keyboard(m_x11->connection(), XCB_CURRENT_TIME);
        xcb_flush(m_x11->connection());
    }
}

bool X11DeskLock::confinePointer(const QRect& screenRect) {
    X11Connection* x = x11();
    if (!x)
        return false;
    if (screenRect.width() <= 0 || screenRect.height() <= 0) {
        releasePointer();
        return false;
    }
    placeConfineWindow(screenRect);
    return m_pointer.start();
}

void X11DeskLock::placeConfineWindow(const QRect& rect) {
    xcb_connection_t* connection = m_x11->connection();
    const uint32_t geometry[] = {uint32_t(int32_t(rect.x())), uint32_t(int32_t(rect.y())),
                                 uint32_t(rect.width()), uint32_t(rect.height()),
                                 XCB_STACK_MODE_BELOW};
    const uint16_t geometryMask = XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y |
                                  XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT |
                                  XCB_CONFIG_WINDOW_STACK_MODE;
    if (m_confineWindow == XCB_WINDOW_NONE) {
        m_confineWindow = xcb_generate_id(connection);
        // Override-redirect: no window manager frames or moves it. Input-only and at the bottom
        // of the stack, so it never takes a click meant for a window over it; nothing it gets
        // goes on to the root, where a window manager would open its menus.
        const uint32_t attributes[] = {1, XCB_EVENT_MASK_BUTTON_PRESS |
                                              XCB_EVENT_MASK_BUTTON_RELEASE |
                                              XCB_EVENT_MASK_POINTER_MOTION};
        xcb_create_window(connection, 0, m_confineWindow, m_x11->root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT | XCB_CW_DONT_PROPAGATE, attributes);
        xcb_configure_window(connection, m_confineWindow, geometryMask, geometry);
        // Mapped, as a grab may only confine to a viewable window.
        xcb_map_window(connection, m_confineWindow);
    } else {
        xcb_configure_window(connection, m_confineWindow, geometryMask, geometry);
    }
}

int X11DeskLock::grabPointer() {
    // owner_events: clicks on the program's own windows reach them as usual; no events are
    // asked for on others, so a click elsewhere goes nowhere.
    xcb_connection_t* connection = m_x11->connection();
    return GrabStatus(connection, xcb_grab_pointer(connection, 1, m_confineWindow, 0,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                                   m_confineWindow, XCB_NONE, XCB_CURRENT_TIME));
}

void X11DeskLock::releasePointer() {
    const bool held = m_pointer.taken();
    m_pointer.stop();
    if (!m_x11)
        return;
    xcb_connection_t* connection = m_x11->connection();
    if (held)
        xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
    if (m_confineWindow != XCB_WINDOW_NONE) {
        xcb_destroy_window(connection, m_confineWindow);
        m_confineWindow = XCB_WINDOW_NONE;
    }
    xcb_flush(connection);
}
