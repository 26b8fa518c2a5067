// A stand-in for a dialler's dialog in real-window tests.
//
//   fake_dialer <title>
//
// Opens one 300x200 top-level window with that title, filled by a button. Prints one line on
// standard output for each event a test looks for: "shown <window id>" once the window is on
// screen, "clicked <x> <y>" for every mouse button pressed on it (window coordinates),
// "key <text>" for every key typed into it, and "closed" for a close request, after which it
// exits.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <cstdio>

namespace {

void Say(const QByteArray& line) {
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class DialerWindow : public QWidget {
public:
    explicit DialerWindow(const QString& title) {
        setWindowTitle(title);
        resize(300, 200);
        auto* button = new QPushButton(QStringLiteral("拨号"), this);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->installEventFilter(this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(button);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            Say("clicked " + QByteArray::number(at.x()) + ' ' + QByteArray::number(at.y()));
        } else if (event->type() == QEvent::KeyPress) {
            Say("key " + static_cast<QKeyEvent*>(event)->text().toUtf8());
            return true; // a space or Enter must not count as a click
        }
        return QWidget::eventFilter(watched, event);
    }
    void closeEvent(QCloseEvent* event) override {
        Say("closed");
        QWidget::closeEvent(event);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fake_dialer <title>\n");
        return 2;
    }
    DialerWindow window(QApplication::arguments().value(1));
    window.show();
    QTimer exposure;
    QObject::connect(&exposure, &QTimer::timeout, [&] {
        if (window.windowHandle() && window.windowHandle()->isExposed()) {
            exposure.stop();
            Say("shown " + QByteArray::number(window.winId()));
        }
    });
    exposure.start(10);
    return app.exec();
}
