#include "platform/linux/DialogShield.h"

#include <cstdlib>

namespace {

// The child of the root that holds `client`: the window manager's frame, or the client itself.
// None when the client is gone.
xcb_window_t TopLevelOf(xcb_connection_t* connection, xcb_window_t client) {
    xcb_window_t window = client;
    // Frames nest a few levels at most; the bound only guards against a tree changing under us.
    for (int depth = 0; depth < 8; ++depth) {
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
        if (!tree)
            return XCB_WINDOW_NONE;
        const xcb_window_t parent = tree->parent;
        const xcb_window_t root = tree->root;
        std::free(tree);
        if (parent == root || parent == XCB_WINDOW_NONE)
            return window;
        window = parent;
    }
    return window;
}

} // namespace

std::unique_ptr<DialogShield> DialogShield::create(X11Connection& x11, xcb_window_t client) {
    std::unique_ptr<DialogShield> shield(new DialogShield(x11, client));
    if (!shield->follow())
        return nullptr;
    return shield;
}

DialogShield::DialogShield(X11Connection& x11, xcb_window_t client) : m_x11(x11), m_client(client) {
    xcb_connection_t* connection = m_x11.connection();
    m_shield = xcb_generate_id(connection);
    // Override-redirect: no window manager frames, moves or raises it. The pointer events it
    // takes go no further, not even to the root, where a window manager would open its menus.
    const uint32_t attributes[] = {1, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                          XCB_EVENT_MASK_POINTER_MOTION};
    xcb_create_window(connection, 0, m_shield, m_x11.root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_DONT_PROPAGATE, attributes);
    // Keys typed while the held window has the focus come to this program, which drops them.
    m_x11.discardErrorOf(xcb_grab_key_checked(connection, 0, m_client, XCB_MOD_MASK_ANY,
                                              XCB_GRAB_ANY, XCB_GRAB_MODE_ASYNC,
                                              XCB_GRAB_MODE_ASYNC));
    listenTo(m_client, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
}

DialogShield::~DialogShield() {
    xcb_connection_t* connection = m_x11.connection();
    xcb_destroy_window(connection, m_shield);
    m_x11.discardErrorOf(
        xcb_ungrab_key_checked(connection, XCB_GRAB_ANY, m_client, XCB_MOD_MASK_ANY));
    listenTo(m_client, XCB_EVENT_MASK_NO_EVENT);
    if (m_frame != m_client && m_frame != XCB_WINDOW_NONE)
        listenTo(m_frame, XCB_EVENT_MASK_NO_EVENT);
    xcb_flush(connection);
}

void DialogShield::listenTo(xcb_window_t window, uint32_t mask) {
    m_x11.discardErrorOf(
        xcb_change_window_attributes_checked(m_x11.connection(), window, XCB_CW_EVENT_MASK, &mask));
}

bool DialogShield::follow() {
    xcb_connection_t* connection = m_x11.connection();
    const xcb_window_t frame = TopLevelOf(connection, m_client);
    if (frame == XCB_WINDOW_NONE)
        return false;
    if (frame != m_frame) {
        if (m_frame != m_client && m_frame != XCB_WINDOW_NONE)
            listenTo(m_frame, XCB_EVENT_MASK_NO_EVENT);
        m_frame = frame;
        // The frame tells of moves and raises; the client of a new frame and of its end.
        if (m_frame != m_client)
            listenTo(m_frame, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    }
    const xcb_get_geometry_cookie_t geometryCookie = xcb_get_geometry(connection, m_frame);
    const xcb_get_window_attributes_cookie_t attributesCookie =
        xcb_get_window_attributes(connection, m_frame);
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, geometryCookie, nullptr);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, attributesCookie, nullptr);
    const bool present = geometry && attributes;
    if (present) {
        const int border = geometry->border_width;
        const uint32_t values[] = {uint32_t(int32_t(geometry->x)),
                                   uint32_t(int32_t(geometry->y)),
                                   uint32_t(geometry->width + 2 * border),
                                   uint32_t(geometry->height + 2 * border),
                                   m_frame,
                                   XCB_STACK_MODE_ABOVE};
        m_x11.discardErrorOf(xcb_configure_window_checked(
            connection, m_shield,
            XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
            values));
        // An iconified window leaves no area to guard.
        if (attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            xcb_map_window(connection, m_shield);
        else
            xcb_unmap_window(connection, m_shield);
        xcb_flush(connection);
    }
    std::free(geometry);
    std::free(attributes);
    return present;
}
