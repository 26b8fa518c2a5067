#include "meter/engine/LinkNotices.h"

#include "common/TextConventions.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/IniLayout.h"
#include "platform/Notifier.h"

LinkNotices::LinkNotices(MeterEngine& engine, Notifier& notifier, QString iniPath, QObject* parent)
    : QObject(parent), m_engine(engine), m_notifier(notifier), m_iniPath(std::move(iniPath)) {
    connect(&engine, &MeterEngine::linkCameUp, this, &LinkNotices::linkCameUp);
    connect(&engine, &MeterEngine::reminderPlayed, this, &LinkNotices::reminderPlayed);
    connect(&engine, &MeterEngine::planTimeUp, this, &LinkNotices::planTimeUp);
    connect(&engine, &MeterEngine::linkWentDown, this, &LinkNotices::linkWentDown);
    connect(&engine, &MeterEngine::figuresChanged, this, &LinkNotices::figuresChanged);
}

bool LinkNotices::enabled() const {
    using namespace IniLayout::Settings;
    return ReadIni(NoticeSection, NoticeEnabledKey, QString(), m_iniPath) != QStringLiteral("0");
}

QString LinkNotices::planKey() const {
    const SessionState& state = m_engine.state();
    return QString::number(state.StartTick) + u'/' + QString::number(state.PlanSecs);
}

void LinkNotices::say(const QString& summary, const QString& body) {
    if (enabled())
        m_notifier.notify(summary, body);
}

void LinkNotices::linkCameUp() {
    m_linkUpPending = m_engine.figures().Label9.isEmpty();
    if (m_linkUpPending)
        return;
    say(QStringLiteral("已联机"), QStringLiteral("计费用户：%1，费率：%2")
                                      .arg(m_engine.currentUser(), m_engine.figures().Label9));
}

void LinkNotices::figuresChanged() {
    if (!m_linkUpPending || m_engine.figures().Label9.isEmpty())
        return;
    m_linkUpPending = false;
    if (m_engine.state().Linked)
        linkCameUp();
}

void LinkNotices::reminderPlayed() {
    // A named account's reminder also sounds off line; only a link that is up is worth a notice.
    if (!m_engine.state().Linked || m_remindedPlan == planKey())
        return;
    m_remindedPlan = planKey();
    say(QStringLiteral("计划上网时间快到了"),
        QStringLiteral("还剩 %1 秒。")
            .arg(NumberToText(NumberFromText(m_engine.figures().Label5))));
}

void LinkNotices::planTimeUp() {
    if (m_timeUpPlan == planKey())
        return;
    m_timeUpPlan = planKey();
    say(QStringLiteral("计划上网时间已到"),
        QStringLiteral("计费用户：%1，计划的 %2 分钟已用完。")
            .arg(m_engine.currentUser(), NumberToText(m_engine.state().PlanSecs / 60)));
}

void LinkNotices::linkWentDown(double seconds, double fee) {
    m_linkUpPending = false;
    say(QStringLiteral("已断开连接"), QStringLiteral("本次上网时间：%1，费用：%2 元")
                                          .arg(FormatSeconds(seconds), FixedDecimalText(fee, 2)));
}
