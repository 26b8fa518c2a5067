// The clock, the countdown and the removal of automatic dialling.
#include "meter/engine/MeterEngine.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/engine/Countdown.h"
#include "meter/store/RecordAccess.h"
#include "meter/store/RegistryFunctions.h"
#include "platform/Clock.h"

void MeterEngine::Timer3() {
    const QDateTime now = m_services.clock.now();
    m_figures.NowL = FormatPattern(now, QStringLiteral("YYYY年MM月DD日"));
    m_figures.TimeL = FormatPattern(now, QStringLiteral("HH:MM:SS"));
    // A target that is not a date leaves the countdown as it was.
    if (const auto target = DateFromText(m_state.CountdownTarget, now.date().year())) {
        const CountdownSpan span = CountdownBetween(now, *target);
        m_figures.SSL = QString::number(span.seconds) + " 秒";
        m_figures.HHS = QString::number(span.hours) + " 时";
        m_figures.DDS = QString::number(span.days) + " 日";
    }
    emit figuresChanged();
    removeAutomaticDialling();
}

void MeterEngine::removeAutomaticDialling() {
    if (m_state.Linked)
        return;
    try {
        const QString more =
            SelectUser(m_services.store, QStringLiteral("Masterset"), QStringLiteral("Master"),
                       QStringLiteral("More"), QStringLiteral("0"))
                .toString();
        if (NumberFromText(more) == 0)
            return;
    } catch (const StoreError&) {
        return;
    }
    // With multi-user management on, dialling must go through the dial-up dialog, which waits
    // for a log-on: the default connection may not dial by itself.
    Registry& registry = m_services.registry;
    const QString name = GetRegString(registry, RegistryRoot::Users, Registry::DialUpKey,
                                      Registry::DefaultDialUpValue);
    const QString profile = QString::fromLatin1(Registry::DialUpProfileKey) + name;
    if (GetRegString(registry, RegistryRoot::Users, profile, Registry::AutoConnectValue).isEmpty())
        return;
    DeleteRegValue(registry, RegistryRoot::Users, profile, Registry::AutoConnectValue);
}
