#pragma once

#include "platform/Registry.h"

#include <map>
#include <tuple>

// An in-memory registry. Keys and value names match without letter case, as on Windows.
class FakeRegistry : public Registry {
public:
    bool writeString(RegistryRoot root, const QString& subkey, const QString& name,
                     const QString& text) override;
    std::optional<QString> readValue(RegistryRoot root, const QString& subkey,
                                     const QString& name) override;
    bool deleteValue(RegistryRoot root, const QString& subkey, const QString& name) override;

    // Stores a value whatever failWrites says.
    void preset(RegistryRoot root, const QString& subkey, const QString& name, const QString& text);
    std::optional<QString> value(RegistryRoot root, const QString& subkey,
                                 const QString& name) const;
    std::size_t size() const { return m_values.size(); }
    // Makes every later writeString fail and store nothing.
    void setFailWrites(bool fail) { m_failWrites = fail; }

private:
    using Key = std::tuple<RegistryRoot, QString, QString>;
    static Key keyOf(RegistryRoot root, const QString& subkey, const QString& name);

    std::map<Key, QString> m_values;
    bool m_failWrites = false;
};
