#pragma once

#include <QString>

class Clock;
class DialUpNetwork;
class Prompter;
class Registry;
class ReminderSound;
class Shell;

// What the meter's windows need from outside, injected so tests can fake it.
struct MeterServices {
    Clock& clock;
    Registry& registry;
    Prompter& prompter;
    DialUpNetwork& network;
    ReminderSound& sound;
    Shell& shell;
    // Holds the database and the INI files.
    QString dataFolder;
    // The running Dialtoll: written to the run-at-start-up entry; the companions sit beside it.
    QString executablePath;
};
