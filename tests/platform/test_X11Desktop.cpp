// The X11 desk lock and dial-up dialog watch against a private Xvfb: first with the openbox
// window manager (it reparents, maps and honours EWMH as users' desktops do), then on the bare
// server. Skipped with the reason where Xvfb, openbox or xdotool is missing.
#include "platform/linux/X11DeskLock.h"
#include "platform/linux/X11DialUpDialogs.h"
#include "support/XvfbDisplay.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

XvfbDisplay* g_display = nullptr;
QString g_binDir;

const QString kConnectTo = QStringLiteral("连接到");
const QString kDialUp = QStringLiteral("拨号连接");

// Runs Qt's events until `condition` holds; generous by default, as other builds share the CPU.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
}

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString Xdotool(const QStringList& arguments) {
    return Run(QStringLiteral("xdotool"), arguments);
}

void ClickAt(QPoint point) {
    Xdotool({"mousemove", QString::number(point.x()), QString::number(point.y()), "click", "1"});
}

void TypeKey(const QString& key) {
    Xdotool({"key", key});
}

QPoint PointerPosition() {
    const QStringList lines = Xdotool({"getmouselocation", "--shell"}).split('\n');
    QPoint at(-1, -1);
    for (const QString& line : lines) {
        if (line.startsWith("X="))
            at.setX(line.mid(2).toInt());
        else if (line.startsWith("Y="))
            at.setY(line.mid(2).toInt());
    }
    return at;
}

// What xwininfo says of a window: its client rectangle and its frame extents.
struct XwininfoGeometry {
    QRect client;
    QMargins frame;
};

XwininfoGeometry Xwininfo(quint32 window) {
    XwininfoGeometry geometry;
    const QStringList lines =
        Run(QStringLiteral("xwininfo"), {"-stats", "-wm", "-id", QString::number(window)})
            .split('\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        const QString value = line.section(':', 1).trimmed();
        if (line.startsWith("Absolute upper-left X:"))
            geometry.client.moveLeft(value.toInt());
        else if (line.startsWith("Absolute upper-left Y:"))
            geometry.client.moveTop(value.toInt());
        else if (line.startsWith("Width:"))
            geometry.client.setWidth(value.toInt());
        else if (line.startsWith("Height:"))
            geometry.client.setHeight(value.toInt());
        else if (line.startsWith("Frame extents:")) {
            const QStringList e = value.split(',');
            if (e.size() == 4)
                geometry.frame = QMargins(e[0].toInt(), e[2].toInt(), e[1].toInt(), e[3].toInt());
        }
    }
    return geometry;
}

// A connection of the test's own, to look at the server as another client would.
class Observer {
public:
    Observer() : m_c(xcb_connect(g_display->name().toLatin1().constData(), nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~Observer() { xcb_disconnect(m_c); }
    xcb_connection_t* connection() const { return m_c; }
    xcb_window_t root() const { return m_root; }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    std::vector<uint32_t> property32(xcb_window_t window, const char* name) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            nullptr);
        std::vector<uint32_t> values;
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return values;
    }

    // The root's children from the bottom of the stack up.
    std::vector<xcb_window_t> stack() {
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(m_c, xcb_query_tree(m_c, m_root), nullptr);
        std::vector<xcb_window_t> windows;
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            windows.assign(children, children + xcb_query_tree_children_length(tree));
        }
        std::free(tree);
        return windows;
    }

    int stackIndex(xcb_window_t window) {
        const std::vector<xcb_window_t> windows = stack();
        for (std::size_t i = 0; i < windows.size(); ++i)
            if (windows[i] == window)
                return int(i);
        return -1;
    }

    xcb_window_t topLevelOf(xcb_window_t window) {
        for (;;) {
            xcb_query_tree_reply_t* tree =
                xcb_query_tree_reply(m_c, xcb_query_tree(m_c, window), nullptr);
            if (!tree)
                return XCB_WINDOW_NONE;
            const xcb_window_t parent = tree->parent;
            std::free(tree);
            if (parent == m_root)
                return window;
            window = parent;
        }
    }

    // Outer rectangle in root coordinates, border included.
    QRect outerRect(xcb_window_t window) {
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(m_c, xcb_get_geometry(m_c, window), nullptr);
        xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
            m_c, xcb_translate_coordinates(m_c, window, m_root, 0, 0), nullptr);
        QRect rect;
        if (geometry && origin) {
            const int border = geometry->border_width;
            rect = QRect(origin->dst_x - border, origin->dst_y - border,
                         geometry->width + 2 * border, geometry->height + 2 * border);
        }
        std::free(geometry);
        std::free(origin);
        return rect;
    }

    bool isViewable(xcb_window_t window) {
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, window), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        return viewable;
    }

    xcb_window_t inputFocus() {
        xcb_get_input_focus_reply_t* focus =
            xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr);
        const xcb_window_t window = focus ? focus->focus : xcb_window_t(XCB_WINDOW_NONE);
        std::free(focus);
        return window;
    }

    int grabKeyboard() {
        xcb_grab_keyboard_reply_t* reply =
            xcb_grab_keyboard_reply(m_c,
                                    xcb_grab_keyboard(m_c, 1, m_root, XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    nullptr);
        const int status = reply ? reply->status : -1;
        std::free(reply);
        return status;
    }

    int grabPointer() {
        xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(
            m_c,
            xcb_grab_pointer(m_c, 1, m_root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                             XCB_NONE, XCB_CURRENT_TIME),
            nullptr);
        const int status = reply ? reply->status : -1;
        std::free(reply);
        return status;
    }

    void ungrabPointer() {
        xcb_ungrab_pointer(m_c, XCB_CURRENT_TIME);
        xcb_flush(m_c);
    }

    void ungrabKeyboard() {
        xcb_ungrab_keyboard(m_c, XCB_CURRENT_TIME);
        xcb_flush(m_c);
    }

private:
    xcb_connection_t* m_c;
    xcb_window_t m_root;
};

// fake_dialer with a title: the dialler's dialog the tests hold back, click and close.
class Dialer {
public:
    explicit Dialer(const QString& title) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Gone with the test, even one killed on a timeout.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start(g_binDir + "/fake_dialer", {title});
    }
    ~Dialer() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Its window id once it is on screen; 0 when it never came.
    quint32 waitShown() {
        waitForLine([](const QString& line) { return line.startsWith("shown "); });
        for (const QString& line : lines())
            if (line.startsWith("shown "))
                return line.mid(6).toUInt();
        return 0;
    }

    QStringList lines() {
        m_buffer += m_process.readAllStandardOutput();
        while (m_buffer.contains('\n')) {
            const qsizetype end = m_buffer.indexOf('\n');
            m_lines << QString::fromUtf8(m_buffer.left(end));
            m_buffer.remove(0, end + 1);
        }
        return m_lines;
    }

    int count(const QString& prefix) {
        int n = 0;
        for (const QString& line : lines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

    bool waitForLine(const std::function<bool(const QString&)>& wanted) {
        return WaitUntil([&] {
            m_process.waitForReadyRead(10);
            for (const QString& line : lines())
                if (wanted(line))
                    return true;
            return false;
        });
    }

    bool waitForExit() {
        return WaitUntil([&] { return m_process.state() == QProcess::NotRunning; });
    }

private:
    QProcess m_process;
    QByteArray m_buffer;
    QStringList m_lines;
};

// The login window's stand-in: a name box and a button.
class LoginStandIn : public QWidget {
public:
    LoginStandIn() {
        setWindowTitle(QStringLiteral("Dialtoll用户登录"));
        resize(300, 160);
        name = new QLineEdit(this);
        button = new QPushButton(QStringLiteral("确定"), this);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(name);
        layout->addWidget(button);
        QObject::connect(button, &QPushButton::pressed, [this] { ++presses; });
    }
    bool showAndWait() {
        show();
        return WaitUntil([this] { return windowHandle() && windowHandle()->isExposed(); });
    }
    QPoint buttonCentre() const { return button->mapToGlobal(button->rect().center()); }

    QLineEdit* name;
    QPushButton* button;
    int presses = 0;
};

// Collects the warnings written while it lives.
class CapturedWarnings {
public:
    CapturedWarnings() {
        s_lines.clear();
        m_previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtWarningMsg && text.startsWith("Dialtoll:"))
                    s_lines << text;
                std::fprintf(stderr, "%s\n", qPrintable(text));
            });
    }
    ~CapturedWarnings() { qInstallMessageHandler(m_previous); }
    const QStringList& lines() const { return s_lines; }

private:
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

// The dialog's client area, in root coordinates.
QRect ClientRect(Observer& observer, quint32 window) {
    return observer.outerRect(window);
}

// A click on the held dialog at `held` must not reach it; after release a click at `free`
// must. X keeps the order of a client's events, so once the second click has arrived the first
// would have been seen before it.
void ExpectHeldClickLostAndFreeClickArrives(X11DialUpDialogs& dialogs, Dialer& dialer,
                                            quint32 window, QPoint held, QPoint free) {
    const int before = dialer.count("clicked");
    ClickAt(held);
    ASSERT_TRUE(dialogs.release(window));
    ClickAt(free);
    Observer observer;
    const QPoint local = free - ClientRect(observer, window).topLeft();
    const QString wanted = QStringLiteral("clicked %1 %2").arg(local.x()).arg(local.y());
    ASSERT_TRUE(dialer.waitForLine([&](const QString& line) { return line == wanted; }))
        << dialer.lines().join(" | ").toStdString();
    EXPECT_EQ(dialer.count("clicked"), before + 1)
        << "the click on the held dialog reached it: " << dialer.lines().join(" | ").toStdString();
}

class WithWindowManager : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_managerUp = g_display->startWindowManager(); }
    static void TearDownTestSuite() { g_display->stopWindowManager(); }
    void SetUp() override { ASSERT_TRUE(s_managerUp) << g_display->error().toStdString(); }

    static inline bool s_managerUp = false;
};

class WithoutWindowManager : public ::testing::Test {
protected:
    static void SetUpTestSuite() { g_display->stopWindowManager(); }
};

TEST_F(WithWindowManager, FindsTheDialogByItsExactTitleOnly) {
    Dialer connect(kConnectTo);
    Dialer dial(kDialUp);
    const quint32 connectId = connect.waitShown();
    const quint32 dialId = dial.waitShown();
    ASSERT_NE(connectId, 0u);
    ASSERT_NE(dialId, 0u);
    X11DialUpDialogs dialogs;
    // The window manager lists a client a moment after it maps.
    EXPECT_TRUE(WaitUntil([&] { return dialogs.find(kConnectTo) == connectId; }));
    EXPECT_EQ(dialogs.find(kDialUp), dialId);
    // The client window, not the frame the window manager put around it.
    Observer observer;
    EXPECT_NE(observer.topLevelOf(connectId), connectId);
    for (const QString& near : {kConnectTo + ' ', QStringLiteral("连接"), ' ' + kConnectTo,
                                QStringLiteral("重新创建连接")})
        EXPECT_EQ(dialogs.find(near), 0u) << near.toStdString();
}

// A bare top-level window of a connection of its own, titled only when the test says so, as a
// dialler's dialog may be.
class BareWindow {
public:
    BareWindow() : m_c(xcb_connect(nullptr, nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        m_root = screen->root;
        m_window = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, m_root, 10, 10, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(m_c, m_window);
        xcb_flush(m_c);
    }
    ~BareWindow() { xcb_disconnect(m_c); }
    xcb_window_t id() const { return m_window; }
    bool listed() {
        xcb_get_property_reply_t* list = xcb_get_property_reply(
            m_c,
            xcb_get_property(m_c, 0, m_root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 1024),
            nullptr);
        bool found = false;
        if (list && list->format == 32) {
            const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list));
            const int count = xcb_get_property_value_length(list) / 4;
            found = std::find(windows, windows + count, m_window) != windows + count;
        }
        std::free(list);
        return found;
    }
    void setTitle(const QString& title) {
        const QByteArray utf8 = title.toUtf8();
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_window, atom("_NET_WM_NAME"),
                            atom("UTF8_STRING"), 8, static_cast<uint32_t>(utf8.size()),
                            utf8.constData());
        xcb_flush(m_c);
    }
    void destroy() {
        xcb_destroy_window(m_c, m_window);
        xcb_flush(m_c);
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    }

    xcb_connection_t* m_c;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_window_t m_window = XCB_WINDOW_NONE;
};

// The watch hears of a new window, of a title given after mapping and of a window gone, from
// the window manager's client list and the clients' titles, without looking.
TEST_F(WithWindowManager, ReportsWindowsAndTitlesAsTheyChange) {
    X11DialUpDialogs dialogs;
    int reports = 0;
    dialogs.setChangeHandler([&reports] { ++reports; });
    ASSERT_TRUE(dialogs.changesReported());

    BareWindow window;
    ASSERT_TRUE(WaitUntil([&] { return window.listed(); })) << "never managed";
    EXPECT_TRUE(WaitUntil([&] { return reports > 0; })) << "listed";
    // Whatever the listing brought is handled before the title comes.
    const QDeadlineTimer settled(300);
    WaitUntil([&] { return settled.hasExpired(); });
    reports = 0;
    window.setTitle(kDialUp);
    EXPECT_TRUE(WaitUntil([&] { return reports > 0; })) << "titled";
    EXPECT_EQ(dialogs.find(kDialUp), window.id());
    reports = 0;
    window.destroy();
    EXPECT_TRUE(WaitUntil([&] { return reports > 0; })) << "gone";
    EXPECT_EQ(dialogs.find(kDialUp), 0u);

    dialogs.setChangeHandler({});
    EXPECT_FALSE(dialogs.changesReported());
}

TEST_F(WithWindowManager, FrameRectIsTheFrameAsXwininfoGivesIt) {
    Dialer dialer(kConnectTo);
    const quint32 window = dialer.waitShown();
    ASSERT_NE(window, 0u);
    X11DialUpDialogs dialogs;
    XwininfoGeometry info;
    // openbox sets the frame extents as it frames the window.
    ASSERT_TRUE(WaitUntil([&] {
        info = Xwininfo(window);
        return !info.frame.isNull();
    }));
    const QRect expected = info.client.marginsAdded(info.frame);
    EXPECT_EQ(dialogs.frameRect(window), std::optional<QRect>(expected));
    Observer observer;
    EXPECT_EQ(expected, observer.outerRect(observer.topLevelOf(window)));
}

TEST_F(WithWindowManager, HeldDialogTakesNoClicksOrKeysUntilReleased) {
    Dialer dialer(kConnectTo);
    const quint32 window = dialer.waitShown();
    ASSERT_NE(window, 0u);
    Observer observer;
    const QRect client = ClientRect(observer, window);
    X11DialUpDialogs dialogs;

    ClickAt(client.center());
    ASSERT_TRUE(dialer.waitForLine([](const QString& l) { return l.startsWith("clicked"); }));

    ASSERT_TRUE(dialogs.holdBack(window));
    const xcb_window_t shield = dialogs.shieldOf(window);
    ASSERT_NE(shield, 0u);
    EXPECT_TRUE(WaitUntil([&] {
        return observer.isViewable(shield) &&
               observer.outerRect(shield) == dialogs.frameRect(window).value_or(QRect()) &&
               observer.stackIndex(shield) == observer.stackIndex(observer.topLevelOf(window)) + 1;
    })) << "the shield is not directly over the dialog's frame";
    ExpectHeldClickLostAndFreeClickArrives(dialogs, dialer, window, client.center(),
                                           client.center() + QPoint(10, 5));
    EXPECT_EQ(dialogs.shieldOf(window), 0u);

    // Keys typed while the held dialog has the focus.
    ASSERT_TRUE(dialogs.holdBack(window));
    Xdotool({"windowfocus", QString::number(window)});
    ASSERT_TRUE(WaitUntil([&] { return observer.inputFocus() == window; }));
    TypeKey("a");
    ASSERT_TRUE(dialogs.release(window));
    TypeKey("b");
    ASSERT_TRUE(dialer.waitForLine([](const QString& l) { return l == "key b"; }));
    EXPECT_EQ(dialer.count("key"), 1) << dialer.lines().join(" | ").toStdString();

    // Releasing twice, or a window never held, is harmless.
    EXPECT_TRUE(dialogs.release(window));
}

TEST_F(WithWindowManager, ShieldFollowsTheDialogWhenMovedOrRaised) {
    Dialer dialer(kConnectTo);
    Dialer other(kDialUp);
    const quint32 window = dialer.waitShown();
    const quint32 otherWindow = other.waitShown();
    ASSERT_NE(window, 0u);
    ASSERT_NE(otherWindow, 0u);
    Observer observer;
    X11DialUpDialogs dialogs;
    ASSERT_TRUE(dialogs.holdBack(window));
    const xcb_window_t shield = dialogs.shieldOf(window);
    const xcb_window_t frame = observer.topLevelOf(window);

    Xdotool({"windowmove", QString::number(window), "400", "300"});
    ASSERT_TRUE(WaitUntil([&] {
        return observer.outerRect(frame).x() >= 390 &&
               observer.outerRect(shield) == observer.outerRect(frame);
    })) << "shield not over the moved frame";

    // Another window comes up over the dialog, then the dialog is raised over it again.
    Xdotool({"windowactivate", "--sync", QString::number(otherWindow)});
    Xdotool({"windowactivate", "--sync", QString::number(window)});
    ASSERT_TRUE(WaitUntil([&] {
        const int frameIndex = observer.stackIndex(frame);
        return frameIndex > observer.stackIndex(observer.topLevelOf(otherWindow)) &&
               observer.stackIndex(shield) == frameIndex + 1;
    })) << "shield not directly over the raised frame";

    const QRect client = ClientRect(observer, window);
    ExpectHeldClickLostAndFreeClickArrives(dialogs, dialer, window, client.center(),
                                           client.center() - QPoint(10, 5));
}

TEST_F(WithWindowManager, ShieldGoesWithTheDialog) {
    auto dialer = std::make_unique<Dialer>(kConnectTo);
    const quint32 window = dialer->waitShown();
    ASSERT_NE(window, 0u);
    Observer observer;
    X11DialUpDialogs dialogs;
    ASSERT_TRUE(dialogs.holdBack(window));
    const xcb_window_t shield = dialogs.shieldOf(window);
    ASSERT_TRUE(WaitUntil([&] { return observer.isViewable(shield); }));
    dialer.reset();
    // No shield is left over an empty stretch of screen.
    EXPECT_TRUE(WaitUntil([&] { return dialogs.shieldOf(window) == 0; }));
    EXPECT_FALSE(observer.isViewable(shield));
    EXPECT_FALSE(dialogs.holdBack(window));
    EXPECT_FALSE(dialogs.release(window));
    EXPECT_EQ(dialogs.frameRect(window), std::nullopt);
    EXPECT_FALSE(dialogs.close(window));
}

TEST_F(WithWindowManager, CloseMakesTheDialogCloseItself) {
    Dialer dialer(kConnectTo);
    const quint32 window = dialer.waitShown();
    ASSERT_NE(window, 0u);
    X11DialUpDialogs dialogs;
    ASSERT_TRUE(dialogs.holdBack(window));
    ASSERT_TRUE(dialogs.release(window));
    EXPECT_TRUE(dialogs.close(window));
    EXPECT_TRUE(dialer.waitForLine([](const QString& l) { return l == "closed"; }));
    EXPECT_TRUE(dialer.waitForExit());
}

TEST_F(WithWindowManager, KeepOnTopActivatesTheWindowAndKeepsItAbove) {
    LoginStandIn login;
    ASSERT_TRUE(login.showAndWait());
    Dialer dialer(kConnectTo);
    const quint32 dialerWindow = dialer.waitShown();
    ASSERT_NE(dialerWindow, 0u);
    Observer observer;
    Xdotool({"windowactivate", "--sync", QString::number(dialerWindow)});

    X11DeskLock lock;
    lock.keepOnTop(login);
    // The window handle's id: Qt makes a new X window as the stay-on-top hint changes.
    const auto loginId = [&] { return static_cast<xcb_window_t>(login.windowHandle()->winId()); };
    const auto above = [&] {
        const std::vector<uint32_t> state = observer.property32(loginId(), "_NET_WM_STATE");
        return std::find(state.begin(), state.end(), observer.atom("_NET_WM_STATE_ABOVE")) !=
               state.end();
    };
    const auto loginOverDialer = [&] {
        return observer.stackIndex(observer.topLevelOf(loginId())) >
               observer.stackIndex(observer.topLevelOf(dialerWindow));
    };
    EXPECT_TRUE(WaitUntil([&] {
        return above() && loginOverDialer() &&
               observer.property32(observer.root(), "_NET_ACTIVE_WINDOW") ==
                   std::vector<uint32_t>{loginId()};
    })) << "above "
        << above() << ", over the dialer " << loginOverDialer();
    EXPECT_TRUE(login.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // The dialer activated again stays under it.
    Xdotool({"windowactivate", "--sync", QString::number(dialerWindow)});
    EXPECT_TRUE(WaitUntil([&] {
        return observer.property32(observer.root(), "_NET_ACTIVE_WINDOW") ==
               std::vector<uint32_t>{dialerWindow};
    }));
    EXPECT_TRUE(loginOverDialer());

    // Kept on top again (shown again after a message): it takes the focus back, even from a
    // window the user has just clicked.
    ClickAt(Observer().outerRect(dialerWindow).center());
    ASSERT_TRUE(dialer.waitForLine([](const QString& l) { return l.startsWith("clicked"); }));
    lock.keepOnTop(login);
    EXPECT_TRUE(WaitUntil([&] {
        return observer.property32(observer.root(), "_NET_ACTIVE_WINDOW") ==
                   std::vector<uint32_t>{loginId()} &&
               observer.inputFocus() == loginId();
    }));
}

TEST_F(WithWindowManager, ConfinedPointerStaysInTheRectangleAndTheWindowTakesClicks) {
    LoginStandIn login;
    ASSERT_TRUE(login.showAndWait());
    X11DeskLock lock;
    const QRect frame = login.frameGeometry();
    const QRect rect(frame.left(), frame.top() - 6, frame.width(), frame.height());
    ASSERT_TRUE(lock.confinePointer(rect));

    Xdotool({"mousemove", "1000", "740"});
    EXPECT_TRUE(rect.contains(PointerPosition()))
        << PointerPosition().x() << "," << PointerPosition().y();
    Xdotool({"mousemove", "0", "0"});
    EXPECT_TRUE(rect.contains(PointerPosition()));

    // The login window's own button still takes a click.
    ClickAt(login.buttonCentre());
    EXPECT_TRUE(WaitUntil([&] { return login.presses == 1; }));

    // Confined again to a new rectangle, as after a move.
    const QRect smaller(rect.topLeft() + QPoint(20, 20), QSize(50, 40));
    ASSERT_TRUE(lock.confinePointer(smaller));
    Xdotool({"mousemove", "1000", "740"});
    EXPECT_TRUE(smaller.contains(PointerPosition()));

    lock.releasePointer();
    lock.releasePointer();
    EXPECT_EQ(lock.confineWindow(), 0u);
    Xdotool({"mousemove", "1000", "740"});
    EXPECT_EQ(PointerPosition(), QPoint(1000, 740));
}

TEST_F(WithWindowManager, PointerHeldByAnotherProgramIsConfinedOnceLetGo) {
    LoginStandIn login;
    ASSERT_TRUE(login.showAndWait());
    Observer other;
    ASSERT_EQ(other.grabPointer(), XCB_GRAB_STATUS_SUCCESS);
    X11DeskLock lock;
    const QRect rect(100, 100, 200, 150);
    EXPECT_FALSE(lock.confinePointer(rect));
    WaitUntil([] { return false; }, 200);
    other.ungrabPointer();
    EXPECT_TRUE(WaitUntil([&] { return lock.pointerHeld(); }));
    Xdotool({"mousemove", "1000", "740"});
    EXPECT_TRUE(rect.contains(PointerPosition()));
    lock.releasePointer();
    EXPECT_FALSE(lock.pointerHeld());
}

TEST_F(WithWindowManager, HeldKeyboardKeepsKeysFromOtherWindows) {
    LoginStandIn login;
    ASSERT_TRUE(login.showAndWait());
    Dialer dialer(kConnectTo);
    const quint32 dialerWindow = dialer.waitShown();
    ASSERT_NE(dialerWindow, 0u);
    Observer observer;
    X11DeskLock lock;
    ASSERT_TRUE(lock.holdKeyboard(login));
    EXPECT_TRUE(lock.keyboardHeld());
    EXPECT_EQ(observer.grabKeyboard(), XCB_GRAB_STATUS_ALREADY_GRABBED);

    Xdotool({"windowfocus", QString::number(dialerWindow)});
    ASSERT_TRUE(WaitUntil([&] { return observer.inputFocus() == dialerWindow; }));
    TypeKey("a");
    // Keys meant for another program come to the login window.
    EXPECT_TRUE(WaitUntil([&] { return login.name->text() == "a"; }))
        << login.name->text().toStdString();

    // The program's own other windows (its message boxes) still take their keys.
    LoginStandIn box;
    ASSERT_TRUE(box.showAndWait());
    const auto boxWindow = static_cast<xcb_window_t>(box.windowHandle()->winId());
    Xdotool({"windowfocus", QString::number(boxWindow)});
    ASSERT_TRUE(WaitUntil([&] { return observer.inputFocus() == boxWindow; }));
    TypeKey("c");
    EXPECT_TRUE(WaitUntil([&] { return box.name->text() == "c"; }));
    EXPECT_EQ(login.name->text(), "a");

    lock.releaseKeyboard();
    lock.releaseKeyboard();
    Xdotool({"windowfocus", QString::number(dialerWindow)});
    ASSERT_TRUE(WaitUntil([&] { return observer.inputFocus() == dialerWindow; }));
    TypeKey("b");
    ASSERT_TRUE(dialer.waitForLine([](const QString& l) { return l == "key b"; }));
    EXPECT_EQ(dialer.count("key"), 1) << dialer.lines().join(" | ").toStdString();
}

TEST_F(WithWindowManager, KeyboardHeldByAnotherProgramIsTriedAgainThenReportedOnce) {
    LoginStandIn login;
    ASSERT_TRUE(login.showAndWait());
    Observer other;
    X11DeskLock lock;

    // Let go within the second: the lock takes the keyboard on a later try.
    ASSERT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_SUCCESS);
    {
        CapturedWarnings warnings;
        EXPECT_FALSE(lock.holdKeyboard(login));
        WaitUntil([] { return false; }, 200);
        EXPECT_FALSE(lock.keyboardHeld());
        other.ungrabKeyboard();
        EXPECT_TRUE(WaitUntil([&] { return lock.keyboardHeld(); }));
        EXPECT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_ALREADY_GRABBED);
        EXPECT_TRUE(warnings.lines().isEmpty());
    }
    lock.releaseKeyboard();

    // Held all along: one report, and the login goes on without the grab.
    ASSERT_TRUE(WaitUntil([&] { return other.grabKeyboard() == XCB_GRAB_STATUS_SUCCESS; }));
    CapturedWarnings warnings;
    EXPECT_FALSE(lock.holdKeyboard(login));
    ASSERT_TRUE(WaitUntil([&] { return !warnings.lines().isEmpty(); }));
    WaitUntil([] { return false; }, 300);
    EXPECT_FALSE(lock.keyboardHeld());
    EXPECT_EQ(warnings.lines(),
              QStringList{"Dialtoll: could not take the keyboard: another program holds it."});
    other.ungrabKeyboard();
    lock.releaseKeyboard();
}

TEST_F(WithoutWindowManager, FindsTheDialogAmongTheRootsChildren) {
    Dialer connect(kConnectTo);
    Dialer dial(kDialUp);
    const quint32 connectId = connect.waitShown();
    const quint32 dialId = dial.waitShown();
    ASSERT_NE(connectId, 0u);
    ASSERT_NE(dialId, 0u);
    Observer observer;
    ASSERT_EQ(observer.topLevelOf(connectId), connectId) << "a window manager still runs";
    X11DialUpDialogs dialogs;
    EXPECT_EQ(dialogs.find(kConnectTo), connectId);
    EXPECT_EQ(dialogs.find(kDialUp), dialId);
    EXPECT_EQ(dialogs.find(kConnectTo + ' '), 0u);
    EXPECT_EQ(dialogs.find(QStringLiteral("连接")), 0u);
}

// Old clients set only WM_NAME, and a window manager without EWMH keeps no client list but
// wraps each client in an untitled frame.
TEST_F(WithoutWindowManager, FindsOldClientsByWmNameInsideFrames) {
    Observer observer;
    xcb_connection_t* c = observer.connection();
    const auto makeWindow = [&](xcb_window_t parent) {
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, parent, 10, 10, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return window;
    };
    const auto setName = [&](xcb_window_t window, xcb_atom_t type, const QByteArray& bytes) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, type, 8,
                            bytes.size(), bytes.constData());
    };
    // "重新创建连接" in GB 2312, as Xlib writes COMPOUND_TEXT.
    const QByteArray recreate =
        QByteArray("\x1b$)A") + QStringEncoder("GB2312")(QStringLiteral("重新创建连接"));
    const xcb_window_t frame = makeWindow(observer.root());
    const xcb_window_t inner = makeWindow(frame);
    const xcb_window_t client = makeWindow(inner);
    setName(client, observer.atom("COMPOUND_TEXT"), recreate);
    const uint32_t normal[] = {1, XCB_WINDOW_NONE};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, client, observer.atom("WM_STATE"),
                        observer.atom("WM_STATE"), 32, 2, normal);
    const xcb_window_t latin = makeWindow(observer.root());
    setName(latin, XCB_ATOM_STRING, QByteArray("Connexi\xf3n"));
    xcb_map_subwindows(c, inner);
    xcb_map_subwindows(c, frame);
    xcb_map_window(c, frame);
    xcb_map_window(c, latin);
    xcb_flush(c);

    X11DialUpDialogs dialogs;
    EXPECT_TRUE(WaitUntil([&] { return dialogs.find(QStringLiteral("重新创建连接")) == client; }));
    EXPECT_EQ(dialogs.find(QStringLiteral("Connexión")), latin);
    EXPECT_EQ(dialogs.find(QStringLiteral("Connexion")), 0u);
    xcb_destroy_window(c, frame);
    xcb_destroy_window(c, latin);
    xcb_flush(c);
}

TEST_F(WithoutWindowManager, WithoutAClientListNoChangesAreReported) {
    X11DialUpDialogs dialogs;
    dialogs.setChangeHandler([] {});
    EXPECT_FALSE(dialogs.changesReported());
}

TEST_F(WithoutWindowManager, FrameRectIsTheWindowItself) {
    Dialer dialer(kConnectTo);
    const quint32 window = dialer.waitShown();
    ASSERT_NE(window, 0u);
    X11DialUpDialogs dialogs;
    const XwininfoGeometry info = Xwininfo(window);
    EXPECT_TRUE(info.frame.isNull());
    EXPECT_EQ(dialogs.frameRect(window), std::optional<QRect>(info.client));
}

TEST_F(WithoutWindowManager, HeldDialogTakesNoClicks) {
    Dialer dialer(kConnectTo);
    const quint32 window = dialer.waitShown();
    ASSERT_NE(window, 0u);
    Observer observer;
    const QRect client = ClientRect(observer, window);
    X11DialUpDialogs dialogs;
    ASSERT_TRUE(dialogs.holdBack(window));
    ExpectHeldClickLostAndFreeClickArrives(dialogs, dialer, window, client.center(),
                                           client.center() + QPoint(3, 3));
}

TEST_F(WithoutWindowManager, CloseSendsTheDialogsOwnCloseRequest) {
    Dialer dialer(kConnectTo);
    const quint32 window = dialer.waitShown();
    ASSERT_NE(window, 0u);
    X11DialUpDialogs dialogs;
    EXPECT_TRUE(dialogs.close(window));
    EXPECT_TRUE(dialer.waitForLine([](const QString& l) { return l == "closed"; }));
    EXPECT_TRUE(dialer.waitForExit());
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "xwininfo"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::printf("SKIPPED: %s is not installed\n", tool);
            return 0;
        }
    }
    g_binDir = qEnvironmentVariable("DIALTOLL_BIN_DIR");
    if (g_binDir.isEmpty())
        g_binDir = QString::fromLocal8Bit(argv[0]).section('/', 0, -2);
    XvfbDisplay display;
    if (!display.start(QSize(1024, 768))) {
        std::printf("FAIL: %s\n", qPrintable(display.error()));
        return 1;
    }
    g_display = &display;
    qputenv("DISPLAY", display.name().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
