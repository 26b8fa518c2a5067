#pragma once

#include <QString>
#include <optional>

// The remembered planned-time choice of the main window, kept in "Setting.ini".
struct PlanChoice {
    // "0".."19", "Custom", or anything else (which selects nothing).
    QString value;
    // The custom minutes as text.
    QString custom;
};

PlanChoice ReadPlanChoice(const QString& filePath);

// `preset` is the selected preset's index; `customSelected` wins over it. Neither leaves the
// stored "Value" as it was. "Custom" is the number at the start of `customText` (0 for none).
// The file is rewritten atomically.
bool WritePlanChoice(const QString& filePath, std::optional<int> preset, bool customSelected,
                     const QString& customText);
