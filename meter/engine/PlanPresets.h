#pragma once

#include <QChar>
#include <QString>

// The twenty planned-time presets, 5 to 100 minutes.
namespace PlanPresets {

inline constexpr int Count = 20;
inline constexpr int Default = 5; // 30 minutes

// "5  分钟", "10 分钟" … "95 分钟", "100分钟": the word stays in one column.
QString Caption(int index);

// The custom minutes box takes digits, "." and Backspace only.
bool KeyAccepted(QChar key);

} // namespace PlanPresets
