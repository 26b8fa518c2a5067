#pragma once

#include <QString>

class Clock;
class DialUpNetwork;
class Prompter;
class Registry;
class ReminderSound;

// What the meter's windows need from outside, injected so tests can fake it.
struct MeterServices {
    Clock& clock;
    Registry& registry;
    Prompter& prompter;
    DialUpNetwork& network;
    ReminderSound& sound;
    // Holds the database and the INI files.
    QString dataFolder;
    // Written to the run-at-start-up entry.
    QString executablePath;
};
