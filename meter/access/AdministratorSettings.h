#pragma once

#include <QString>

class MeterEngine;
class Registry;
class Store;

// The administrator's settings as the settings window shows and stores them.
struct AdministratorValues {
    bool more = false;    // multi-user management
    bool screen = false;  // block the system keys under the login window
    bool mouse = false;   // confine the mouse to the login window
    bool autoSave = true; // save the running session periodically
    QString space = "30"; // the auto-save interval in seconds
    bool usePass = false; // leaving the meter needs the exit password
    QString exitPassword; // stored only while usePass is on
    bool autoRun = true;  // start the meter with the desktop session
};

// Reads and writes the administrator's row of Masterset and the administrator password, and
// applies the settings that take effect at once. Every method throws StoreError when a
// statement fails; a failed write leaves the store as it was.
class AdministratorSettings {
public:
    AdministratorSettings(Store& store, Registry& registry, MeterEngine& engine,
                          QString executablePath);

    // The stored settings, each with its default when missing.
    AdministratorValues load() const;
    // The administrator password; the default password when none is stored.
    QString password() const;
    void storePassword(const QString& password);
    // Stores everything in one transaction, then writes or removes the autostart entry, sets
    // the main window's auto-save timer and whether leaving needs the exit password.
    void store(const AdministratorValues& values);

private:
    Store& m_store;
    Registry& m_registry;
    MeterEngine& m_engine;
    QString m_executablePath;
};
