// Loading the current account's context.
#include "meter/engine/MeterEngine.h"

#include "common/TextConventions.h"
#include "meter/store/AutoRunSetting.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/IniLayout.h"
#include "meter/store/RecordAccess.h"
#include "platform/Clock.h"

#include <cmath>

namespace {

// A stored value as text: numbers without trailing zeros, like the figures show them.
QString TextOf(const QVariant& value) {
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong)
        return NumberToText(value.toDouble());
    return value.toString();
}

} // namespace

void MeterEngine::hsLoad() {
    Store& store = m_services.store;
    const QString user = m_figures.User;
    const QString master = QStringLiteral("Master");
    const QString notes = QStringLiteral("Notes");
    const QString userSet = QStringLiteral("UserSet");
    const QString zero = QStringLiteral("0");
    const int year = m_services.clock.now().date().year();

    using namespace IniLayout::Settings;
    if (isPublicAccount()) {
        m_figures.Label30 = ReadIni(CountdownSection, CountdownTitleKey,
                                    DefaultCountdownTitle(year), settingsIniPath());
        m_state.CountdownTarget = ReadIni(CountdownSection, CountdownDateTimeKey,
                                          DefaultCountdownDateTimeChinese(year), settingsIniPath());
    } else {
        m_figures.Label30 = TextOf(
            SelectUser(store, userSet, user, QStringLiteral("Title"), DefaultCountdownTitle(year)));
        m_state.CountdownTarget = TextOf(SelectUser(store, userSet, user, QStringLiteral("ToDate"),
                                                    DefaultCountdownDateTimeChinese(year)));
    }
    m_figures.Label7 =
        TextOf(SelectUser(store, notes, user, QStringLiteral("Count"), zero)) + " 次";
    m_figures.Label13 = NumberToText(NumberFromText(TextOf(
                            SelectUser(store, userSet, user, QStringLiteral("ShowMoney"), zero)))) +
                        " 元";
    m_figures.Label11 = FormatSeconds(
        NumberFromText(TextOf(SelectUser(store, userSet, user, QStringLiteral("ShowTm"), zero))));
    m_figures.Label17 =
        TextOf(SelectUser(store, notes, master, QStringLiteral("Count"), zero)) + " 次";
    const QString allMoney =
        TextOf(SelectUser(store, notes, master, QStringLiteral("AllMoney"), zero));
    m_figures.Label21 = allMoney + " 元";
    const double allSeconds =
        NumberFromText(TextOf(SelectUser(store, notes, master, QStringLiteral("AllTm"), zero)));
    m_figures.Label19 = FormatSeconds(allSeconds);
    // The all-users totals of the next session continue the stored ones; a running session
    // keeps its own, which are ahead of the last save.
    if (!m_state.Linked) {
        m_state.AllTmMs = allSeconds * 1000;
        m_state.AllFee = NumberFromText(allMoney);
    }
    showPendingTotals();
    emit figuresChanged();

    ApplyAutoRunSetting(store, m_services.registry, m_services.executablePath);

    const auto setting = [&](const char* column, const char* fallback) {
        return NumberFromText(
            TextOf(SelectUser(store, QStringLiteral("Masterset"), master,
                              QString::fromLatin1(column), QString::fromLatin1(fallback))));
    };
    setAutoSaveTimer(setting("AutoSave", "1") == 1, setting("Space", "30"));
    if (setting("UsePass", "0") == 1)
        m_state.ExtPass = true;
}

void MeterEngine::setAutoSaveTimer(bool enabled, double seconds) {
    // A zero or negative interval would fire without pause; it switches the timer off.
    const double intervalMs = std::round(seconds * 1000);
    const bool usableInterval = intervalMs >= 1 && intervalMs <= 2147483647.0;
    setAutoSave(enabled && usableInterval,
                usableInterval ? static_cast<int>(intervalMs) : m_autoSaveIntervalMs);
}
