// Times the dial-up dialog watch's look-up on the X display it runs on: it opens `windows`
// top-level windows of its own (another connection, as other programs' windows), the last
// titled "iWPS:拨号", then times `rounds` listings of the desktop's titles: a watch tick makes
// one and looks its four titles up in it.
//
//   dialog_find [windows] [rounds]          (defaults 30 and 2000; needs DISPLAY)
//
// Prints the wall-clock and CPU microseconds per tick.
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11DialUpDialogs.h"
#include "platform/linux/X11WindowTitles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <xcb/xcb.h>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    const int windows = argc > 1 ? std::atoi(argv[1]) : 30;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2000;

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "dialog_find: no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t netWmName = Atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    for (int i = 0; i < windows; ++i) {
        const QByteArray title =
            i == windows - 1 ? QByteArray("iWPS:拨号") : "窗口 " + QByteArray::number(i + 1);
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 20 * i, 10 * i, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, netWmName, utf8, 8, title.size(),
                            title.constData());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            4, "bench");
        xcb_map_window(c, window);
    }
    xcb_flush(c);

    const QStringList titles = {QStringLiteral("拨号连接"), QStringLiteral("连接到"),
                                QStringLiteral("重新创建连接"), QStringLiteral("iWPS:拨号")};
    X11DialUpDialogs dialogs;
    // A window manager lists the windows a moment after they map.
    QElapsedTimer waited;
    waited.start();
    while (dialogs.find(titles.last()) == 0 && waited.elapsed() < 10000) {
        app.processEvents();
        QThread::msleep(10);
    }
    if (dialogs.find(titles.last()) == 0) {
        std::fprintf(stderr, "dialog_find: the last window never showed up\n");
        return 1;
    }

    // A tick's cost is one listing of the titles; its four look-ups then only compare.
    std::unique_ptr<X11Connection> x11 = X11Connection::open();
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    std::size_t titled = 0;
    for (int round = 0; round < rounds; ++round)
        titled += X11WindowTitles::list(*x11).size();
    const double us = double(timer.nsecsElapsed()) / 1000.0 / rounds;
    const double cpuUs = double(std::clock() - cpuStart) * 1e6 / CLOCKS_PER_SEC / rounds;
    std::printf("windows %d  titled windows listed %zu  rounds %d\n", windows, titled / rounds,
                rounds);
    std::printf("us per watcher tick (one listing, four look-ups) %.1f  CPU of this process "
                "%.1f us\n",
                us, cpuUs);
    xcb_disconnect(c);
    return 0;
}
