#include "meter/store/RegistryFunctions.h"

bool SetRegString(Registry& registry, RegistryRoot root, const QString& subkey, const QString& name,
                  const QString& text) {
    return registry.writeString(root, subkey, name, text.isEmpty() ? QStringLiteral(" ") : text);
}

QString GetRegString(Registry& registry, RegistryRoot root, const QString& subkey,
                     const QString& name) {
    return registry.readValue(root, subkey, name).value_or(QString());
}

bool DeleteRegValue(Registry& registry, RegistryRoot root, const QString& subkey,
                    const QString& name) {
    registry.deleteValue(root, subkey, name);
    return true;
}
