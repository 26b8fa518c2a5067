#include "platform/linux/X11Connection.h"

#include <QGuiApplication>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic_bool g_absenceReported = false;

void ReportAbsence() {
    if (g_absenceReported.exchange(true))
        return;
    const QString platform = qGuiApp ? QGuiApplication::platformName() : QString("no GUI");
    qWarning("Dialtoll: no X11 display (%s): the login window cannot lock the desk and dial-up "
             "dialogs are not held back.",
             qPrintable(platform));
}

xcb_atom_t Intern(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

xcb_intern_atom_cookie_t Ask(xcb_connection_t* connection, const char* name) {
    return xcb_intern_atom(connection, 0, std::strlen(name), name);
}

} // namespace

std::unique_ptr<X11Connection> X11Connection::open() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        ReportAbsence();
        return nullptr;
    }
    // Qt opens the display that DISPLAY names, so its screen is the one to use.
    char* host = nullptr;
    int display = 0;
    int screenNumber = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber))
        std::free(host);
    else
        screenNumber = 0;
    return std::unique_ptr<X11Connection>(new X11Connection(connection, screenNumber));
}

X11Connection::X11Connection(xcb_connection_t* connection, int screenNumber)
    : m_connection(connection), m_screenNumber(screenNumber) {
    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(m_connection, &m_ewmh);
    const xcb_intern_atom_cookie_t wmState = Ask(m_connection, "WM_STATE");
    const xcb_intern_atom_cookie_t wmDelete = Ask(m_connection, "WM_DELETE_WINDOW");
    const xcb_intern_atom_cookie_t compound = Ask(m_connection, "COMPOUND_TEXT");
    if (!xcb_ewmh_init_atoms_replies(&m_ewmh, ewmhCookies, nullptr))
        qWarning("Dialtoll: the X server did not answer for the EWMH atoms.");
    m_wmState = Intern(m_connection, wmState);
    m_wmDeleteWindow = Intern(m_connection, wmDelete);
    m_compoundText = Intern(m_connection, compound);

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; screens.rem > 0 && i < m_screenNumber; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        m_screenNumber = 0;
        screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    }
    m_root = screens.data->root;
}

X11Connection::~X11Connection() {
    xcb_ewmh_connection_wipe(&m_ewmh);
}

std::optional<xcb_window_t> X11Connection::windowManagerCheck() {
    xcb_window_t check = XCB_WINDOW_NONE;
    if (!xcb_ewmh_get_supporting_wm_check_reply(
            &m_ewmh, xcb_ewmh_get_supporting_wm_check(&m_ewmh, m_root), &check, nullptr) ||
        check == XCB_WINDOW_NONE)
        return std::nullopt;
    xcb_window_t self = XCB_WINDOW_NONE;
    if (!xcb_ewmh_get_supporting_wm_check_reply(
            &m_ewmh, xcb_ewmh_get_supporting_wm_check(&m_ewmh, check), &self, nullptr) ||
        self != check)
        return std::nullopt;
    return check;
}

bool X11Connection::windowManagerSupports(xcb_atom_t atom) {
    if (!windowManagerCheck())
        return false;
    xcb_ewmh_get_atoms_reply_t supported;
    if (!xcb_ewmh_get_supported_reply(&m_ewmh, xcb_ewmh_get_supported(&m_ewmh, m_screenNumber),
                                      &supported, nullptr))
        return false;
    bool found = false;
    for (uint32_t i = 0; i < supported.atoms_len && !found; ++i)
        found = supported.atoms[i] == atom;
    xcb_ewmh_get_atoms_reply_wipe(&supported);
    return found;
}

void X11Connection::discardErrorOf(xcb_void_cookie_t cookie) {
    xcb_discard_reply(m_connection, cookie.sequence);
}
