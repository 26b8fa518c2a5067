#include "meter/access/AdministratorSettings.h"

#include "common/StoreTransaction.h"
#include "common/TextConventions.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"
#include "meter/store/RegistryFunctions.h"
#include "meter/store/StoredValue.h"

#include <utility>

namespace {

const QString Masterset = QStringLiteral("Masterset");
const QString Master = QStringLiteral("Master");

QString Flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

AdministratorSettings::AdministratorSettings(Store& store, Registry& registry, MeterEngine& engine,
                                             QString executablePath)
    : m_store(store), m_registry(registry), m_engine(engine),
      m_executablePath(std::move(executablePath)) {}

AdministratorValues AdministratorSettings::load() const {
    const auto read = [this](const char* column, const char* fallback) {
        return StoredText(SelectUser(m_store, Masterset, Master, QString::fromLatin1(column),
                                     QString::fromLatin1(fallback)));
    };
    const auto flag = [&](const char* column, const char* fallback) {
        return NumberFromText(read(column, fallback)) == 1;
    };
    AdministratorValues values;
    values.more = flag("More", "0");
    values.screen = flag("Screen", "0");
    values.mouse = flag("Mouse", "0");
    values.autoSave = flag("AutoSave", "1");
    values.usePass = flag("UsePass", "0");
    values.autoRun = flag("AutoRun", "1");
    values.space = read("Space", "30");
    values.exitPassword = read("Password", "");
    return values;
}

QString AdministratorSettings::password() const {
    return SelectUser(m_store, QStringLiteral("Users"), Master, QStringLiteral("Password"),
                      QStringLiteral("qxmeter"))
        .toString();
}

void AdministratorSettings::storePassword(const QString& password) {
    StoreTransaction transaction(m_store);
    UpdateUserField(m_store, QStringLiteral("Users"), Master, QStringLiteral("Password"), password);
    transaction.commit();
}

void AdministratorSettings::store(const AdministratorValues& values) {
    const double seconds = NumberFromText(values.space);
    {
        StoreTransaction transaction(m_store);
        const auto write = [this](const char* column, const QVariant& value) {
            UpdateUserField(m_store, Masterset, Master, QString::fromLatin1(column), value);
        };
        write("More", Flag(values.more));
        write("Screen", Flag(values.screen));
        write("Mouse", Flag(values.mouse));
        write("AutoSave", Flag(values.autoSave));
        write("UsePass", Flag(values.usePass));
        write("AutoRun", Flag(values.autoRun));
        write("Space", seconds);
        // Switched off, the exit password stays as it was.
        if (values.usePass)
            write("Password", values.exitPassword);
        transaction.commit();
    }

    if (values.autoRun)
        SetRegString(m_registry, RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue,
                     m_executablePath);
    else
        DeleteRegValue(m_registry, RegistryRoot::LocalMachine, Registry::RunKey,
                       Registry::RunValue);
    m_engine.setAutoSaveTimer(values.autoSave, seconds);
    m_engine.CanExt(values.usePass);
}
