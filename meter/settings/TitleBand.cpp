#include "meter/settings/TitleBand.h"

#include "meter/settings/CaptionDrag.h"
#include "meter/settings/CloseImage.h"
#include "meter/settings/TwipsControls.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace TitleBand {

using TwipsControls::Twips;
using TwipsControls::TwipsPerPixel;

QLabel* Install(QWidget* window, const QString& title, const char* labelName, int widthTwips) {
    QLabel* caption =
        TwipsControls::Caption(labelName, title, window, Twips(120, 60, widthTwips - 600, 240));
    QFont bandFont = caption->font();
    bandFont.setBold(true);
    caption->setFont(bandFont);
    caption->setStyleSheet(QStringLiteral("color: white;"));

    auto* image1 = new CloseImage(window);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setToolTip(QStringLiteral("关闭"));
    image1->setGeometry(Twips(widthTwips - 360, 60, 240, 240));
    QObject::connect(image1, &CloseImage::clicked, window, &QWidget::close);

    // The left button moves the window by its band or by the caption on it.
    auto* drag =
        new CaptionDrag(window, [window](const QObject* pressed, const QMouseEvent& event) {
            return event.button() == Qt::LeftButton &&
                   (pressed != window || event.position().y() < HeightTwips / TwipsPerPixel);
        });
    drag->addHandle(caption);
    return caption;
}

void Paint(QWidget* window) {
    QPainter painter(window);
    const QRect face = window->rect();
    const int band = HeightTwips / TwipsPerPixel;

    QLinearGradient body(face.topLeft(), face.bottomLeft());
    body.setColorAt(0, QColor(238, 243, 250));
    body.setColorAt(1, QColor(214, 224, 238));
    painter.fillRect(face, body);

    QLinearGradient title(0, 0, 0, band);
    title.setColorAt(0, QColor(52, 104, 178));
    title.setColorAt(1, QColor(28, 70, 138));
    painter.fillRect(QRect(0, 0, face.width(), band), title);
    painter.setPen(QColor(120, 160, 215));
    painter.drawLine(0, band, face.width(), band);

    painter.setPen(QColor(28, 70, 138));
    painter.drawRect(face.adjusted(0, 0, -1, -1));
}

} // namespace TitleBand
