#pragma once

#include "platform/Registry.h"
#include "platform/linux/AutostartEntry.h"
#include "platform/linux/DialUpConnectionSettings.h"

// The registry values the meter uses, mapped onto the desktop: the Run value onto the XDG
// autostart entry, the default dial-up connection and its AutoConnect value onto the stored
// dial-up connections' automatic-dialling switch. Key paths match without letter case.
class LinuxRegistry : public Registry {
public:
    explicit LinuxRegistry(DialUpConnectionSettings& dialUp,
                           QString autostartFolder = AutostartEntry::defaultFolder());

    bool writeString(RegistryRoot root, const QString& subkey, const QString& name,
                     const QString& text) override;
    std::optional<QString> readValue(RegistryRoot root, const QString& subkey,
                                     const QString& name) override;
    bool deleteValue(RegistryRoot root, const QString& subkey, const QString& name) override;

private:
    std::optional<DialUpConnectionSettings::Connection>
    profileConnection(RegistryRoot root, const QString& subkey, const QString& name);

    DialUpConnectionSettings& m_dialUp;
    AutostartEntry m_autostart;
};
