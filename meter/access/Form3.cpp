#include "meter/access/Form3.h"

Form3::Form3(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("管理设置"));
    resize(360, 240);
}
