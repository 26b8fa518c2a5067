#include "meter/desktop/TitleBarZones.h"

namespace TitleBarZones {

bool InIconArea(QPoint twips) {
    return twips.x() >= 30 && twips.x() <= 255 && twips.y() >= 15 && twips.y() <= 255;
}

bool StartsMove(QPoint twips) {
    return twips.y() <= BandHeight && !InIconArea(twips);
}

bool InButtonRow(QPoint imageTwips) {
    return imageTwips.y() >= 60 && imageTwips.y() <= 255;
}

ButtonZone ButtonAt(QPoint imageTwips) {
    if (!InButtonRow(imageTwips))
        return ButtonZone::None;
    if (imageTwips.x() >= 75 && imageTwips.x() <= 270)
        return ButtonZone::Minimise;
    if (imageTwips.x() >= 660 && imageTwips.x() <= 840)
        return ButtonZone::Close;
    return ButtonZone::None;
}

} // namespace TitleBarZones
