#include "meter/store/AutoRunSetting.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/store/RecordAccess.h"
#include "meter/store/RegistryFunctions.h"

void ApplyAutoRunSetting(Store& store, Registry& registry, const QString& executablePath) {
    QString autoRun = QStringLiteral("1");
    try {
        autoRun = SelectUser(store, QStringLiteral("Masterset"), QStringLiteral("Master"),
                             QStringLiteral("AutoRun"), autoRun)
                      .toString();
    } catch (const StoreError&) {
        // An unreadable setting counts as the default.
    }
    if (NumberFromText(autoRun) == 1)
        SetRegString(registry, RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue,
                     executablePath);
    else
        DeleteRegValue(registry, RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue);
}
