#include "meter/access/Indv.h"

Indv::Indv(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Indv"));
    setWindowTitle(QStringLiteral("个人设置"));
    resize(360, 240);
}
