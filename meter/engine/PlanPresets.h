#pragma once

#include <QString>

// The twenty planned-time presets, 5 to 100 minutes.
namespace PlanPresets {

inline constexpr int Count = 20;
inline constexpr int Default = 5; // 30 minutes

// "5  分钟", "10 分钟" … "95 分钟", "100分钟": the word stays in one column.
QString Caption(int index);

} // namespace PlanPresets
