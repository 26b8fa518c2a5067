#include "meter/engine/MeterEngine.h"

// The account context and the session records arrive with the metering engine; until then
// start-up and shutdown call these and nothing happens.
void MeterEngine::hsLoad() {}

void MeterEngine::autoSaveStep() {}
