#include "support/XvfbDisplay.h"

#include <QDeadlineTimer>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

constexpr int kStartTimeoutMs = 10000;

// Reads what Xvfb writes to -displayfd: the display number and a newline.
QString ReadDisplayNumber(int fd, QProcess& server) {
    QByteArray text;
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired() && !text.endsWith('\n')) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 50) > 0) {
            char buffer[16];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, n);
        } else if (server.state() == QProcess::NotRunning) {
            break;
        }
    }
    return text.trimmed().isEmpty() ? QString() : ':' + QString::fromLatin1(text.trimmed());
}

xcb_window_t WindowProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t value = XCB_WINDOW_NONE;
    if (reply && xcb_get_property_value_length(reply) == 4)
        value = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return value;
}

} // namespace

XvfbDisplay::~XvfbDisplay() {
    stopWindowManager();
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished(2000);
    }
}

bool XvfbDisplay::start(QSize screen) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const int writeEnd = fds[1];
    // Only Xvfb gets the pipe's write end.
    m_server.setChildProcessModifier([writeEnd] {
        ::fcntl(writeEnd, F_SETFD, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QString::number(writeEnd),
                    QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ::close(writeEnd);
    if (!m_server.waitForStarted(kStartTimeoutMs)) {
        ::close(fds[0]);
        m_error = QStringLiteral("Xvfb did not start: ") + m_server.errorString();
        return false;
    }
    m_name = ReadDisplayNumber(fds[0], m_server);
    ::close(fds[0]);
    if (m_name.isEmpty())
        m_error = QStringLiteral("Xvfb gave no display number");
    return !m_name.isEmpty();
}

bool XvfbDisplay::startWindowManager() {
    if (m_windowManager.state() != QProcess::NotRunning)
        return true;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_name);
    // Its settings and caches stay in a folder of the test's own.
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       m_home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
    m_windowManager.setProcessEnvironment(environment);
    m_windowManager.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_windowManager.setStandardOutputFile(QProcess::nullDevice());
    m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_windowManager.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("openbox did not start: ") + m_windowManager.errorString();
        return false;
    }
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired() && m_windowManager.state() == QProcess::Running) {
        if (windowManagerRuns() && windowManagerFrames(deadline))
            return true;
        QThread::msleep(20);
    }
    m_error = QStringLiteral("openbox did not take the screen");
    return false;
}

// openbox names its check window before it handles map requests, and a window mapped in
// between stays unmapped: a probe window must have been framed before tests map theirs.
bool XvfbDisplay::windowManagerFrames(const QDeadlineTimer& deadline) const {
    xcb_connection_t* c = xcb_connect(m_name.toLatin1().constData(), nullptr);
    bool framed = false;
    if (!xcb_connection_has_error(c)) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const xcb_window_t probe = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        while (!framed && !deadline.hasExpired()) {
            xcb_map_window(c, probe);
            QDeadlineTimer attempt(500);
            while (!framed && !attempt.hasExpired()) {
                xcb_query_tree_reply_t* tree =
                    xcb_query_tree_reply(c, xcb_query_tree(c, probe), nullptr);
                framed = tree && tree->parent != root;
                std::free(tree);
                if (!framed)
                    QThread::msleep(20);
            }
            if (!framed) {
                xcb_unmap_window(c, probe);
                xcb_flush(c);
            }
        }
        xcb_destroy_window(c, probe);
        xcb_flush(c);
    }
    xcb_disconnect(c);
    return framed;
}

void XvfbDisplay::stopWindowManager() {
    if (m_windowManager.state() == QProcess::NotRunning)
        return;
    m_windowManager.terminate();
    if (!m_windowManager.waitForFinished(5000))
        m_windowManager.kill();
    m_windowManager.waitForFinished(2000);
}

bool XvfbDisplay::windowManagerRuns() const {
    xcb_connection_t* c = xcb_connect(m_name.toLatin1().constData(), nullptr);
    bool runs = false;
    if (!xcb_connection_has_error(c)) {
        const char name[] = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        if (atom) {
            const xcb_window_t check = WindowProperty(c, root, atom->atom);
            runs = check != XCB_WINDOW_NONE && WindowProperty(c, check, atom->atom) == check;
        }
        std::free(atom);
    }
    xcb_disconnect(c);
    return runs;
}
