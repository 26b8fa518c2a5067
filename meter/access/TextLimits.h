#pragma once

#include "common/TextConventions.h"

#include <QString>

// The widths of the text columns the access windows write. Characters are counted as code
// points, as the store counts them, so a character outside the basic plane counts once.
namespace TextLimits {

constexpr int Password = 8;
constexpr int CountdownTitle = 28;
constexpr int CountdownDateTime = 23;

inline bool Exceeds(const QString& text, int limit) {
    return CharacterCount(text) > limit;
}

} // namespace TextLimits
