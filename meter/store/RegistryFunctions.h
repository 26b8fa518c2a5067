#pragma once

#include "platform/Registry.h"

#include <QString>

// Registry access as the meter's logic uses it. An empty text is stored as a single blank.
bool SetRegString(Registry& registry, RegistryRoot root, const QString& subkey, const QString& name,
                  const QString& text);
// Empty when the key or the value cannot be read.
QString GetRegString(Registry& registry, RegistryRoot root, const QString& subkey,
                     const QString& name);
bool DeleteRegValue(Registry& registry, RegistryRoot root, const QString& subkey,
                    const QString& name);
