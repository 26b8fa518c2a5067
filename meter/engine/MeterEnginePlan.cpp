// Planned time: the choice of a plan, the reminder and the time-up check.
#include "meter/engine/MeterEngine.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/engine/PlanPresets.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/IniLayout.h"
#include "meter/store/RecordAccess.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/ReminderSound.h"

namespace {
const QString AskFirstLine = QStringLiteral("，时间一到询问是否断开连接或自动断开连接。");
} // namespace

void MeterEngine::Op_Click(int index) {
    if (index < 0 || index >= PlanPresets::Count)
        return;
    m_selectedPreset = index;
    m_customSelected = false;
    const QString caption = PlanPresets::Caption(index);
    planFor(NumberFromText(caption), caption);
}

void MeterEngine::Opt_Click() {
    m_selectedPreset = -1;
    m_customSelected = true;
    planFor(NumberFromText(m_customText), m_customText + "分钟");
}

void MeterEngine::setCustomText(const QString& text) {
    m_customText = text;
    if (m_customSelected)
        Opt_Click();
}

void MeterEngine::planFor(double minutes, const QString& questionSubject) {
    const double seconds = minutes * 60;
    if (m_state.StartTick > 0) {
        const double elapsed = (m_services.clock.tickMs() - m_state.StartTick) / 1000.0;
        if (seconds - elapsed <= 10 &&
            !m_services.prompter.question(QStringLiteral("如将计划上网时间改为:") +
                                          questionSubject +
                                          QStringLiteral("，很快将断开连接，是否断续？"))) {
            emit planChoiceChanged();
            return;
        }
    }
    m_state.PlanSecs = seconds;
    if (!m_state.Linked)
        m_figures.Label5 = NumberToText(m_state.PlanSecs) + " 秒";
    emit planChoiceChanged();
    emit figuresChanged();
}

QString MeterEngine::helpText(const QString& firstLine, double minutes) const {
    const double seconds = minutes * 60;
    const QString remaining =
        m_state.Linked ? FixedDecimalText(
                             seconds - (m_services.clock.tickMs() - m_state.StartTick) / 1000.0, 2)
                       : NumberToText(seconds);
    return firstLine + QStringLiteral("\r\n如将计划时间更为该值，则本次剩余时间为:") + remaining +
           QStringLiteral("秒。");
}

QString MeterEngine::presetHelpText(int index) const {
    const QString caption = PlanPresets::Caption(index);
    return helpText(QStringLiteral("将本次上网时间设置为：") + caption + AskFirstLine,
                    NumberFromText(caption));
}

QString MeterEngine::customHelpText() const {
    const double minutes = NumberFromText(m_customText);
    return helpText(QStringLiteral("将本次上网时间设置为：") + NumberToText(minutes) + " 分钟" +
                        AskFirstLine,
                    minutes);
}

std::optional<double> MeterEngine::reminderLead() const {
    using namespace IniLayout::Settings;
    try {
        if (isPublicAccount())
            return NumberFromText(ReadIni(TimeSection, SpareKey, DefaultSpare, settingsIniPath()));
        return NumberFromText(SelectUser(m_services.store, QStringLiteral("UserSet"),
                                         m_figures.User, QStringLiteral("LenTm"), DefaultSpare)
                                  .toString());
    } catch (const StoreError&) {
        return std::nullopt;
    }
}

void MeterEngine::Tmer() {
    const QString user = m_figures.User;
    const bool publicAccount = isPublicAccount();
    const QString iniPath = settingsIniPath();
    using namespace IniLayout::Settings;

    // The public account's reminder sounds only on line.
    if (const auto lead = reminderLead();
        lead && (m_state.Linked || !publicAccount) && *lead == NumberFromText(m_figures.Label5)) {
        m_services.sound.play();
        emit reminderPlayed();
    }

    if (NumberFromText(m_figures.Label5) > 0)
        return;
    // Stopped while the question is open, so no second question stacks up; restarted only
    // after the answer, so the next check sees the figure the extended plan gives.
    emit tmerStopRequested();
    if (m_state.Linked)
        emit planTimeUp();
    QString askSetting = DefaultAsk;
    try {
        askSetting = publicAccount ? ReadIni(TimeSection, AskKey, DefaultAsk, iniPath)
                                   : SelectUser(m_services.store, QStringLiteral("UserSet"), user,
                                                QStringLiteral("Ask"), DefaultAsk)
                                         .toString();
    } catch (const StoreError&) {
    }
    const bool ask = m_state.Linked && NumberFromText(askSetting) == 1;
    if (ask) {
        if (m_services.prompter.question(QStringLiteral("计划上网时间已到，是否断开连接？"))) {
            HangUpAll();
        } else {
            AutoSave();
            extendPlan();
        }
    } else {
        if (!publicAccount)
            AutoSave();
        HangUpAll();
    }
    emit tmerStartRequested();
}

void MeterEngine::extendPlan() {
    const int last = PlanPresets::Count - 1;
    if (m_selectedPreset >= 0 && m_selectedPreset < last) {
        Op_Click(m_selectedPreset + 1);
    } else if (m_selectedPreset == last) {
        if (NumberFromText(PlanPresets::Caption(last)) > NumberFromText(m_customText))
            setCustomText(NumberToText(NumberFromText(PlanPresets::Caption(last)) + 5));
        Opt_Click();
    } else {
        setCustomText(NumberToText(NumberFromText(m_customText) + 5));
    }
}
