// The baseline for the meter's CPU and memory figures: a Widgets program that does nothing but
// wake on a 120 ms timer, as the meter's link watch does. It runs until a signal ends it; the
// default SIGTERM action is enough, as the benchmark reads /proc before stopping it.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    // Created and never shown, like the meter's main window while it sits in the tray.
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal_timer"));

    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &app, [] {});
    tick.start(std::chrono::milliseconds(120));

    return QApplication::exec();
}
