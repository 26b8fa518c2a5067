// Writes the program's icon as PNG files of the icon theme's usual sizes, for installing:
// <folder>/<n>x<n>/apps/<name>.png.
#include "meter/desktop/ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> <icon name>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sizeFolder = QDir(folder).filePath(QStringLiteral("%1x%1/apps").arg(size));
        const QString file = QDir(sizeFolder).filePath(name + QStringLiteral(".png"));
        if (!QDir().mkpath(sizeFolder) || !ProgramIconPixmap(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
