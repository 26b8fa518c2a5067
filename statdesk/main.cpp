#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Statdesk"));
    QWidget window;
    window.setObjectName(QStringLiteral("CxyGl"));
    window.setWindowTitle(QStringLiteral("Statdesk"));
    window.show();
    return QApplication::exec();
}
