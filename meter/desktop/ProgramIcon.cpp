#include "meter/desktop/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

QPixmap PaintIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    const qreal s = size;
    const bool tiny = size < 24;

    // Dial face with a dark rim; the rim stays thick at 16 px so the shape still reads.
    const qreal rim = tiny ? 1.5 : s / 16;
    const QRectF face(rim / 2 + 0.5, rim / 2 + 0.5, s * 0.9 - rim, s * 0.9 - rim);
    p.setPen(QPen(QColor(0x1d, 0x4e, 0x89), rim));
    p.setBrush(QColor(0xf4, 0xf8, 0xfc));
    p.drawEllipse(face);

    const QPointF centre = face.center();
    const qreal radius = face.width() / 2;

    // Scale ticks along the upper arc, only where there is room for them.
    if (!tiny) {
        p.setPen(QPen(QColor(0x5a, 0x7d, 0xa8), qMax(1.0, s / 32), Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i <= 6; ++i) {
            const qreal angle = qDegreesToRadians(210.0 - i * 40.0);
            const QPointF dir(qCos(angle), -qSin(angle));
            p.drawLine(centre + dir * radius * 0.62, centre + dir * radius * 0.8);
        }
    }

    // Needle towards the upper right, from a hub in the middle.
    const qreal needleAngle = qDegreesToRadians(50.0);
    const QPointF tip = centre + QPointF(qCos(needleAngle), -qSin(needleAngle)) * radius * 0.78;
    p.setPen(QPen(QColor(0xd9, 0x3a, 0x2b), tiny ? 1.6 : s / 14, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, tip);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x4e, 0x89));
    p.drawEllipse(centre, s / 12 + 0.5, s / 12 + 0.5);

    // A gold coin overlapping the lower right of the dial.
    const qreal coinRadius = s * (tiny ? 0.25 : 0.22);
    const QPointF coinCentre(s - coinRadius - 0.5, s - coinRadius - 0.5);
    p.setPen(QPen(QColor(0x9c, 0x6b, 0x0b), tiny ? 1.0 : s / 24));
    p.setBrush(QColor(0xf5, 0xc2, 0x2b));
    p.drawEllipse(coinCentre, coinRadius, coinRadius);
    if (!tiny) {
        // The coin's inner ring.
        p.setPen(QPen(QColor(0xc9, 0x8e, 0x13), qMax(1.0, s / 40)));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(coinCentre, coinRadius * 0.6, coinRadius * 0.6);
    }
    return pixmap;
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : ProgramIconSizes)
        icon.addPixmap(PaintIcon(size));
    return icon;
}

QPixmap ProgramIconPixmap(int size) {
    return PaintIcon(size);
}
