#pragma once

#include <QWidget>

// The small close picture at the right end of a title band; a click on it emits clicked().
class CloseImage : public QWidget {
    Q_OBJECT
public:
    explicit CloseImage(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_pressed = false;
    bool m_hovered = false;
};
