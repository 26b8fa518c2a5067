#pragma once

#include <QWidget>

// The personal settings window. Its contents arrive with the access work; until then it
// opens empty, so the commands that show it already work.
class Indv : public QWidget {
    Q_OBJECT
public:
    explicit Indv(QWidget* parent = nullptr);
};
