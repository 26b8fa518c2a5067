#include "statdesk/DefaultGridPrinter.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

constexpr double TwipsPerInch = 1440.0;
constexpr double MarginTwips = 300.0;
constexpr double MetresPerInch = 0.0254;

} // namespace

QString DefaultGridPrinter::print(const QImage& picture) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return QStringLiteral("没有默认打印机，无法打印。");
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Dialtoll统计"));
    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("打印机“%1”无法开始打印。").arg(info.printerName());
    // The painter's origin is the top left of the printable area. The picture keeps its size on
    // paper: screen pixels are scaled to printer dots.
    const double dpi = printer.resolution();
    const double pictureDpi =
        picture.dotsPerMeterX() > 0 ? picture.dotsPerMeterX() * MetresPerInch : 96.0;
    const double scale = dpi / pictureDpi;
    const double margin = MarginTwips / TwipsPerInch * dpi;
    painter.drawImage(QRectF(margin, margin, picture.width() * scale, picture.height() * scale),
                      picture);
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return QStringLiteral("打印机“%1”打印失败。").arg(info.printerName());
    return {};
}
