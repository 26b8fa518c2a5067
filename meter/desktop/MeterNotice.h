#pragma once

#include <QString>

// What the meter has to say outside its windows: always on standard error, and in a message
// box where there is a display to show one.
namespace MeterNotice {

// The meter cannot run: the box waits for the user, as the program ends next.
void startFailure(const QString& text);
// The meter runs on, but something is wrong: the box does not hold anything up.
void warning(const QString& text);

// Whether message boxes can be seen (not offscreen).
bool hasDisplay();

} // namespace MeterNotice
