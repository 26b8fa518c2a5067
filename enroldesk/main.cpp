#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Enroldesk"));
    QWidget window;
    window.setObjectName(QStringLiteral("AddUser"));
    window.setWindowTitle(QStringLiteral("Enroldesk"));
    window.show();
    return QApplication::exec();
}
