#include "meter/engine/PlanPresets.h"

namespace PlanPresets {

QString Caption(int index) {
    if (index == 0)
        return QStringLiteral("5  分钟");
    if (index == Count - 1)
        return QStringLiteral("100分钟");
    return QStringLiteral("%1 分钟").arg((index + 1) * 5);
}

} // namespace PlanPresets
