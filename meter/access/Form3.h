#pragma once

#include <QWidget>

// The administrator settings window. Its contents arrive with the access work; until then it
// opens empty, so the commands that show it already work.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);
};
