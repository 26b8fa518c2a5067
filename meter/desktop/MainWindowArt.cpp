#include "meter/desktop/MainWindowArt.h"

#include "meter/desktop/ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int BandHeight = 24; // 360 twips

// A round title-band button centred on `centre`; `close` draws a cross, otherwise a bar.
void PaintRoundButton(QPainter& painter, QPointF centre, bool close) {
    const qreal radius = 6.5;
    QRadialGradient face(centre - QPointF(2, 2), radius * 1.6);
    face.setColorAt(0, close ? QColor(250, 170, 150) : QColor(220, 236, 244));
    face.setColorAt(1, close ? QColor(196, 64, 48) : QColor(96, 140, 168));
    painter.setPen(QPen(QColor(255, 255, 255, 170), 1));
    painter.setBrush(face);
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (close) {
        painter.drawLine(centre + QPointF(-2.5, -2.5), centre + QPointF(2.5, 2.5));
        painter.drawLine(centre + QPointF(-2.5, 2.5), centre + QPointF(2.5, -2.5));
    } else {
        painter.drawLine(centre + QPointF(-3, 1.5), centre + QPointF(3, 1.5));
    }
}

} // namespace

void PaintMainWindowBackground(QPainter& painter, const QSize& size, const QRect& buttonsImage) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(QPoint(0, 0), size), QColor(224, 220, 216));

    QLinearGradient band(0, 0, 0, BandHeight);
    band.setColorAt(0, QColor(72, 118, 150));
    band.setColorAt(1, QColor(38, 78, 108));
    painter.fillRect(0, 0, size.width(), BandHeight, band);
    painter.setPen(QColor(20, 48, 70));
    painter.drawLine(0, BandHeight - 1, size.width(), BandHeight - 1);

    // The icon fills the icon area (30..255 twips).
    ProgramIcon().paint(&painter, QRect(2, 1, 16, 16));

    // Button centres match the hot zones of the image (75..270 and 660..840 twips).
    const qreal top = buttonsImage.top() + 167.0 / 15;
    PaintRoundButton(painter, QPointF(buttonsImage.left() + 172.5 / 15, top), false);
    PaintRoundButton(painter, QPointF(buttonsImage.left() + 750.0 / 15, top), true);

    // A thin frame around the whole window, since it has no system border.
    painter.setPen(QColor(120, 128, 132));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, size.width() - 1, size.height() - 1));
}
