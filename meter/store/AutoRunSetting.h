#pragma once

#include <QString>

class Registry;
class Store;

// Writes the run-at-start-up entry when the administrator's AutoRun setting is 1 (also when it
// cannot be read), and removes it otherwise.
void ApplyAutoRunSetting(Store& store, Registry& registry, const QString& executablePath);
