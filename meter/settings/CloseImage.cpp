#include "meter/settings/CloseImage.h"

#include <QMouseEvent>
#include <QPainter>

CloseImage::CloseImage(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void CloseImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    const QColor fill = m_pressed   ? QColor(150, 40, 40)
                        : m_hovered ? QColor(215, 70, 60)
                                    : QColor(255, 255, 255, 60);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 3, 3);
    const qreal inset = box.width() * 0.3;
    const QRectF cross = box.adjusted(inset, inset, -inset, -inset);
    painter.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
}

void CloseImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    update();
}

void CloseImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

void CloseImage::enterEvent(QEnterEvent*) {
    m_hovered = true;
    update();
}

void CloseImage::leaveEvent(QEvent*) {
    m_hovered = false;
    update();
}
