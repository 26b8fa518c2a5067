#include "platform/fake/FakeRegistry.h"

FakeRegistry::Key FakeRegistry::keyOf(RegistryRoot root, const QString& subkey,
                                      const QString& name) {
    return {root, subkey.toLower(), name.toLower()};
}

bool FakeRegistry::writeString(RegistryRoot root, const QString& subkey, const QString& name,
                               const QString& text) {
    if (m_failWrites)
        return false;
    preset(root, subkey, name, text);
    return true;
}

std::optional<QString> FakeRegistry::readValue(RegistryRoot root, const QString& subkey,
                                               const QString& name) {
    return value(root, subkey, name);
}

bool FakeRegistry::deleteValue(RegistryRoot root, const QString& subkey, const QString& name) {
    m_values.erase(keyOf(root, subkey, name));
    return true;
}

void FakeRegistry::preset(RegistryRoot root, const QString& subkey, const QString& name,
                          const QString& text) {
    m_values[keyOf(root, subkey, name)] = text;
}

std::optional<QString> FakeRegistry::value(RegistryRoot root, const QString& subkey,
                                           const QString& name) const {
    const auto found = m_values.find(keyOf(root, subkey, name));
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}
