#pragma once

#include <QString>
#include <optional>

enum class RegistryRoot { LocalMachine, Users };

// The few registry values the meter uses, mapped onto what the desktop offers. Values the
// mapping does not know are neither stored nor found.
class Registry {
public:
    static constexpr const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* RunValue = "VeyranetTimer";
    static constexpr const char* DialUpKey = ".DEFAULT\\RemoteAccess";
    static constexpr const char* DefaultDialUpValue = "Default";
    // Followed by the connection's name.
    static constexpr const char* DialUpProfileKey = ".DEFAULT\\RemoteAccess\\Profile\\";
    static constexpr const char* AutoConnectValue = "AutoConnect";

    virtual ~Registry() = default;
    // True when the string value was written.
    virtual bool writeString(RegistryRoot root, const QString& subkey, const QString& name,
                             const QString& text) = 0;
    // The value as text; nullopt when the key or the value cannot be read.
    virtual std::optional<QString> readValue(RegistryRoot root, const QString& subkey,
                                             const QString& name) = 0;
    // False only when the request cannot be made at all.
    virtual bool deleteValue(RegistryRoot root, const QString& subkey, const QString& name) = 0;
};
