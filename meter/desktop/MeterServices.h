#pragma once

#include <QString>
#include <functional>
#include <memory>

class Clock;
class DeskLock;
class DialUpDialogs;
class DialUpNetwork;
class Prompter;
class Registry;
class ReminderSound;
class Shell;
class FleetTransport;
struct FleetConfig;

// What the meter's windows need from outside, injected so tests can fake it.
struct MeterServices {
    Clock& clock;
    Registry& registry;
    Prompter& prompter;
    DialUpNetwork& network;
    ReminderSound& sound;
    Shell& shell;
    // The login window's desk lock, and the dialler's dialogs it holds back.
    DeskLock& deskLock;
    DialUpDialogs& dialUpDialogs;
    // Holds the database and the INI files.
    QString dataFolder;
    // The running Dialtoll: written to the run-at-start-up entry; the companions sit beside it.
    QString executablePath;
    // The line to the shared server in fleet mode ("fleet.ini" in the data folder); none, or
    // a factory that gives none, keeps the meter on its own file.
    std::function<std::unique_ptr<FleetTransport>(const FleetConfig&)> fleetTransport = {};
};
