#include "platform/linux/X11DialUpDialogs.h"

#include "platform/linux/X11WindowTitles.h"

#include <QCoreApplication>
#include <cstdlib>
#include <vector>

namespace {
// Well under the watch's 250 ms tick, so every tick sees the desktop afresh.
constexpr qint64 kTitlesFreshMs = 100;
} // namespace

X11DialUpDialogs::X11DialUpDialogs() = default;

X11DialUpDialogs::~X11DialUpDialogs() {
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    m_shields.clear();
}

X11Connection* X11DialUpDialogs::x11() {
    if (!m_x11Tried) {
        m_x11Tried = true;
        m_x11 = X11Connection::open();
    }
    return m_x11.get();
}

DialUpDialogs::Handle X11DialUpDialogs::find(const QString& title) {
    X11Connection* x = x11();
    if (!x || title.isEmpty())
        return 0;
    // The watch looks up its four titles back to back: one listing serves them all.
    if (!m_titlesAge.isValid() || m_titlesAge.elapsed() >= kTitlesFreshMs) {
        m_titles = X11WindowTitles::list(*x);
        m_titlesAge.start();
    }
    for (const X11WindowTitles::Titled& titled : m_titles)
        if (titled.title == title)
            return titled.window;
    return 0;
}

void X11DialUpDialogs::setChangeHandler(std::function<void()> changed) {
    m_changed = std::move(changed);
    m_reporting = false;
    if (!m_changed)
        return;
    X11Connection* x = x11();
    // Without a manager's client list, windows come and go unannounced.
    if (!x || !x->windowManagerSupports(x->ewmh()._NET_CLIENT_LIST))
        return;
    hearPropertiesOf({x->root()});
    hearTitles();
    filterEvents();
    m_reporting = true;
}

void X11DialUpDialogs::filterEvents() {
    if (!m_filtering && QCoreApplication::instance()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filtering = true;
    }
}

void X11DialUpDialogs::hearPropertiesOf(const std::vector<xcb_window_t>& windows) {
    xcb_connection_t* connection = m_x11->connection();
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(windows.size());
    for (const xcb_window_t window : windows)
        cookies.push_back(xcb_get_window_attributes(connection, window));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(connection, cookies[i], nullptr);
        if (!attributes)
            continue; // gone meanwhile
        // Added to what this program selected already (Qt on the root, a shield on a dialog).
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
        std::free(attributes);
        m_x11->discardErrorOf(
            xcb_change_window_attributes_checked(connection, windows[i], XCB_CW_EVENT_MASK, &mask));
    }
    xcb_flush(connection);
}

void X11DialUpDialogs::hearTitles() {
    xcb_ewmh_get_windows_reply_t clients{};
    if (!xcb_ewmh_get_client_list_reply(
            &m_x11->ewmh(), xcb_ewmh_get_client_list(&m_x11->ewmh(), m_x11->screenNumber()),
            &clients, nullptr))
        return;
    std::set<xcb_window_t> listed(clients.windows, clients.windows + clients.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&clients);
    std::vector<xcb_window_t> added;
    for (const xcb_window_t window : listed)
        if (!m_titled.count(window))
            added.push_back(window);
    hearPropertiesOf(added);
    m_titled = std::move(listed);
}

bool X11DialUpDialogs::propertyChanged(const void* message) {
    const auto* event = static_cast<const xcb_property_notify_event_t*>(message);
    xcb_ewmh_connection_t& ewmh = m_x11->ewmh();
    if (event->window == m_x11->root() && event->atom == ewmh._NET_CLIENT_LIST) {
        hearTitles();
        return true;
    }
    // A dialog may be titled only after it maps.
    return (event->atom == ewmh._NET_WM_NAME || event->atom == XCB_ATOM_WM_NAME) &&
           m_titled.count(event->window) != 0;
}

void X11DialUpDialogs::reportChange() {
    // The next look-up lists the windows afresh.
    m_titlesAge.invalidate();
    if (m_reportQueued)
        return;
    m_reportQueued = true;
    // Not from inside the event filter: the handler looks windows up, with round trips.
    QMetaObject::invokeMethod(
        &m_context,
        [this] {
            m_reportQueued = false;
            if (m_changed)
                m_changed();
        },
        Qt::QueuedConnection);
}

bool X11DialUpDialogs::holdBack(Handle window) {
    X11Connection* x = x11();
    if (!x || window == 0)
        return false;
    if (auto held = m_shields.find(window); held != m_shields.end()) {
        if (held->second->follow())
            return true;
        m_shields.erase(held);
        return false;
    }
    std::unique_ptr<DialogShield> shield = DialogShield::create(*x, window);
    if (!shield)
        return false;
    m_shields.emplace(window, std::move(shield));
    // The shield follows the dialog on the events of its window and frame.
    filterEvents();
    return true;
}

bool X11DialUpDialogs::release(Handle window) {
    X11Connection* x = x11();
    if (!x || window == 0)
        return false;
    m_shields.erase(window);
    xcb_flush(x->connection());
    return exists(window);
}

quint32 X11DialUpDialogs::shieldOf(Handle window) const {
    const auto held = m_shields.find(window);
    return held == m_shields.end() ? 0 : held->second->shield();
}

bool X11DialUpDialogs::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
        if (m_reporting && propertyChanged(message))
            reportChange();
        return false;
    }
    if (m_shields.empty())
        return false;
    xcb_window_t window = XCB_WINDOW_NONE;
    switch (event->response_type & 0x7f) {
    case XCB_CONFIGURE_NOTIFY:
        window = reinterpret_cast<const xcb_configure_notify_event_t*>(event)->event;
        break;
    case XCB_MAP_NOTIFY:
        window = reinterpret_cast<const xcb_map_notify_event_t*>(event)->event;
        break;
    case XCB_UNMAP_NOTIFY:
        window = reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->event;
        break;
    case XCB_REPARENT_NOTIFY:
        window = reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->event;
        break;
    case XCB_DESTROY_NOTIFY:
        window = reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->event;
        break;
    default:
        return false;
    }
    for (auto held = m_shields.begin(); held != m_shields.end();) {
        // A dialog that is gone leaves no shield over an empty part of the screen.
        if (held->second->concerns(window) && !held->second->follow())
            held = m_shields.erase(held);
        else
            ++held;
    }
    // Qt has no use for events of other programs' windows; passed on all the same.
    return false;
}

std::optional<QRect> X11DialUpDialogs::frameRect(Handle window) {
    X11Connection* x = x11();
    if (!x || window == 0)
        return std::nullopt;
    xcb_connection_t* connection = x->connection();
    const auto originCookie = xcb_translate_coordinates(connection, window, x->root(), 0, 0);
    const auto geometryCookie = xcb_get_geometry(connection, window);
    const auto extentsCookie = xcb_ewmh_get_frame_extents(&x->ewmh(), window);
    xcb_translate_coordinates_reply_t* origin =
        xcb_translate_coordinates_reply(connection, originCookie, nullptr);
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, geometryCookie, nullptr);
    xcb_ewmh_get_extents_reply_t extents{};
    const bool framed =
        xcb_ewmh_get_frame_extents_reply(&x->ewmh(), extentsCookie, &extents, nullptr);
    std::optional<QRect> rect;
    if (origin && geometry) {
        // The origin is inside the border; the outer rectangle takes the border and the frame.
        const int border = geometry->border_width;
        QRect outer(origin->dst_x - border, origin->dst_y - border, geometry->width + 2 * border,
                    geometry->height + 2 * border);
        if (framed)
            outer.adjust(-int(extents.left), -int(extents.top), int(extents.right),
                         int(extents.bottom));
        rect = outer;
    }
    std::free(origin);
    std::free(geometry);
    return rect;
}

bool X11DialUpDialogs::close(Handle window) {
    X11Connection* x = x11();
    if (!x || window == 0 || !exists(window))
        return false;
    xcb_connection_t* connection = x->connection();
    xcb_ewmh_connection_t& ewmh = x->ewmh();
    if (x->windowManagerSupports(ewmh._NET_CLOSE_WINDOW)) {
        xcb_ewmh_request_close_window(&ewmh, x->screenNumber(), window, XCB_CURRENT_TIME,
                                      XCB_EWMH_CLIENT_SOURCE_TYPE_NORMAL);
        xcb_flush(connection);
        return true;
    }
    // No manager to ask: the client's own close request, where it takes one.
    xcb_get_property_reply_t* protocols = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, ewmh.WM_PROTOCOLS, XCB_ATOM_ATOM, 0, 64), nullptr);
    bool takesDelete = false;
    if (protocols && protocols->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(protocols));
        const int count = xcb_get_property_value_length(protocols) / 4;
        for (int i = 0; i < count && !takesDelete; ++i)
            takesDelete = atoms[i] == x->wmDeleteWindow();
    }
    std::free(protocols);
    if (!takesDelete)
        return false;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = ewmh.WM_PROTOCOLS;
    message.data.data32[0] = x->wmDeleteWindow();
    message.data.data32[1] = XCB_CURRENT_TIME;
    x->discardErrorOf(xcb_send_event_checked(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                             reinterpret_cast<const char*>(&message)));
    xcb_flush(connection);
    return true;
}

bool X11DialUpDialogs::exists(xcb_window_t window) {
    xcb_connection_t* connection = m_x11->connection();
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    std::free(geometry);
    return geometry != nullptr;
}
