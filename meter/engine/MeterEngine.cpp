#include "meter/engine/MeterEngine.h"

#include "common/Store.h"
#include "common/StoreError.h"
#include "common/StoreStatements.h"
#include "common/TextConventions.h"
#include "meter/engine/TariffSchedule.h"
#include "meter/store/IniLayout.h"
#include "platform/Clock.h"
#include "platform/DialUpNetwork.h"

#include <QDir>

namespace {
constexpr double MsPerHour = 3'600'000.0;
} // namespace

MeterEngine::MeterEngine(EngineServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services)) {}

void MeterEngine::setCurrentUser(const QString& user) {
    m_figures.User = user;
    emit figuresChanged();
}

bool MeterEngine::isPublicAccount() const {
    return m_figures.User == QStringLiteral("公用帐号");
}

QString MeterEngine::settingsIniPath() const {
    return QDir(m_services.dataFolder).filePath(IniLayout::Settings::FileName);
}

void MeterEngine::HangUpAll() {
    m_services.network.HangUpAll();
}

void MeterEngine::EvtTimer() {
    if (m_watchBusy)
        return;
    const bool connected = m_services.network.IsConnected();
    if (connected == m_state.Linked)
        return;
    m_state.Linked = connected;
    if (connected)
        HsLinked();
    else
        HsCuted();
    emit figuresChanged();
}

void MeterEngine::Timer1() {
    if (!m_state.Linked) {
        const QString offline = QStringLiteral("Dialtoll(脱机)");
        if (m_figures.TitLb != offline) {
            m_figures.TitLb = offline;
            emit figuresChanged();
        }
        return;
    }
    m_figures.TitLb = QStringLiteral("Dialtoll(联机)");
    const qint64 now = m_services.clock.tickMs();
    m_figures.Label5 =
        FixedDecimalText(m_state.PlanSecs - (now - m_state.StartTick) / 1000.0, 0) + "秒";

    const double rate = NumberFromText(m_figures.Label9);
    const qint64 elapsedMs = now - m_state.LastTick;
    const double feeStep = rate * (elapsedMs / MsPerHour);
    m_state.LastTick = now;
    m_state.ThisFee += feeStep;
    m_state.UserFee += feeStep;
    m_state.ShowFee += feeStep;
    m_state.AllFee += feeStep;
    m_state.AllTmMs += elapsedMs;
    m_state.ShowTmMs += elapsedMs;

    m_figures.Label38 = FixedDecimalText(m_state.ThisFee, 2) + " 元";
    m_figures.Label13 = FixedDecimalText(m_state.ShowFee, 2) + " 元";
    m_figures.Label21 = FixedDecimalText(m_state.AllFee, 2) + " 元";
    m_figures.Label11 = FormatSeconds(m_state.ShowTmMs / 1000.0);
    m_figures.Label19 = FormatSeconds(m_state.AllTmMs / 1000.0);
    emit figuresChanged();
}

void MeterEngine::Menvy() {
    const QString users = m_figures.Label15;
    const QString rate = m_figures.Label9;
    StoreQuery count = m_services.store.query(StoreStatements::CountUsers);
    if (count.next())
        m_figures.Label15 = QString::number(count.value(0).toLongLong() - 2) + " 人";
    m_figures.Label9 = CurrentRateText(settingsIniPath(), m_services.clock.now()) + "元/时";
    if (m_figures.Label15 != users || m_figures.Label9 != rate)
        emit figuresChanged();
}
