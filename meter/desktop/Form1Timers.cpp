// The main window's timing: each timer's work runs when something happened (a link change
// from the kernel or NetworkManager, a settings file written, the window shown, a due moment)
// rather than at fixed rates, so a hidden meter off line sleeps.
#include "meter/desktop/Form1.h"

#include "common/Store.h"
#include "common/TextConventions.h"
#include "meter/store/IniLayout.h"
#include "platform/Clock.h"
#include "platform/DialUpDialogs.h"
#include "platform/DialUpNetwork.h"

#include <QTime>

using namespace std::chrono_literals;

namespace {
// Bounds how long a missed link change can go unnoticed, and how late a sleep or a changed
// wall clock is seen.
constexpr auto SafetyPoll = 3s;
// Where link changes are not reported, the link is asked as often as it always was.
constexpr auto LinkPoll = 120ms;
// A change that arrived while the watch was busy is looked at again this soon.
constexpr auto BusyRetry = 100ms;
// The dialog watch's tick: its own interval, or a slow safety tick where the window manager
// reports new windows and titles.
constexpr auto DialogWatchTick = 250ms;
constexpr auto DialogSafetyTick = 2s;
} // namespace

void Form1::startTimers() {
    // The accounting tick re-arms itself a full interval after each tick ends.
    m_timer1.setSingleShot(true);
    m_timer1.setInterval(500ms);
    connect(&m_timer1, &QTimer::timeout, this, &Form1::accountingTick);
    connect(&m_evtTimer, &QTimer::timeout, this, &Form1::pollLink);
    // The slow timers fire on whole seconds together (the tray's own check too): one wake-up
    // serves them all.
    m_evtTimer.setTimerType(Qt::VeryCoarseTimer);
    m_tipClock.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_tmerSchedule, &TmerSchedule::due, this, &Form1::accountingTick);
    connect(&m_engine, &MeterEngine::tmerStopRequested, &m_tmerSchedule, &TmerSchedule::stop);
    connect(&m_engine, &MeterEngine::tmerStartRequested, this, [this] {
        // The program may have been closed while the question was open.
        if (!m_unloaded)
            m_tmerSchedule.start();
    });
    connect(&m_engine, &MeterEngine::figuresChanged, this, &Form1::followFigures);
    connect(&m_engine, &MeterEngine::planChoiceChanged, this, &Form1::updateTmerSchedule);
    m_menvy.setSingleShot(true);
    // A coarse timer may fire seconds early on a minute's interval: before the boundary.
    m_menvy.setTimerType(Qt::PreciseTimer);
    connect(&m_menvy, &QTimer::timeout, this, &Form1::tariffTick);
    m_timer3.setInterval(1000ms);
    connect(&m_timer3, &QTimer::timeout, &m_engine, &MeterEngine::Timer3);
    m_tipClock.setInterval(1000ms);
    connect(&m_tipClock, &QTimer::timeout, this, &Form1::updateTrayTip);
    connect(&m_autoSave, &QTimer::timeout, &m_engine, &MeterEngine::AutoSave);

    m_dataWatch = std::make_unique<DataFileWatch>(
        m_services.dataFolder,
        QStringList{IniLayout::Settings::FileName, QString::fromLatin1(Store::FileName),
                    QString::fromLatin1(Store::FileName) + QStringLiteral("-wal")});
    connect(m_dataWatch.get(), &DataFileWatch::changed, this, &Form1::dataChanged);
    m_services.network.setChangeHandler([this] { linkChanged(); });

    m_timersStarted = true;
    if (!m_services.network.changesReported())
        m_evtTimer.setTimerType(Qt::CoarseTimer);
    m_evtTimer.start(m_services.network.changesReported() ? SafetyPoll : LinkPoll);
    applyAutoSaveTimer();
    // The first look comes once start-up has returned, as a first tick would.
    QMetaObject::invokeMethod(this, &Form1::firstTicks, Qt::QueuedConnection);
}

void Form1::firstTicks() {
    if (m_unloaded)
        return;
    refreshMultiUser();
    refreshLead();
    tariffTick();
    linkChanged();
    // Off line the link check changed nothing: the title still has to say so.
    if (!m_engine.state().Linked)
        accountingTick();
    updateVisibleTimers();
}

void Form1::applyAutoSaveTimer() {
    m_autoSave.setInterval(m_engine.autoSaveIntervalMs());
    if (m_engine.autoSaveEnabled() && !m_unloaded && m_evtTimer.isActive())
        m_autoSave.start();
    else
        m_autoSave.stop();
}

void Form1::linkChanged() {
    if (m_unloaded)
        return;
    const bool wasLinked = m_engine.state().Linked;
    m_engine.EvtTimer();
    const bool linked = m_engine.state().Linked;
    if (linked != wasLinked) {
        refreshLead();
        // On line the tick starts here and then re-arms itself; off line it runs this once.
        accountingTick();
        if (!linked && m_multiUser)
            m_engine.removeAutomaticDialling();
        updateVisibleTimers();
        // Without a link, a permission to dial may have expired.
        dialogsChanged();
    }
    // The watch may have been busy (the final save of a link that ended): look again soon.
    if (m_services.network.IsConnected() != m_engine.state().Linked)
        QTimer::singleShot(BusyRetry, this, &Form1::linkChanged);
}

void Form1::pollLink() {
    const int jumps = m_clockJumps.check();
    // After a sleep the link may be gone; the kernel's word on it may still be on its way.
    linkChanged();
    if (jumps != ClockJumps::None) {
        tariffTick();
        if (m_timer3.isActive())
            m_engine.Timer3();
        updateTrayTip();
    }
    refreshMultiUser();
    if (m_multiUser && !m_engine.state().Linked)
        m_engine.removeAutomaticDialling();
    const auto interval = m_services.network.changesReported() ? SafetyPoll : LinkPoll;
    if (m_evtTimer.intervalAsDuration() != interval) {
        // The type counts from the restart that setting the interval makes.
        m_evtTimer.setTimerType(interval == LinkPoll ? Qt::CoarseTimer : Qt::VeryCoarseTimer);
        m_evtTimer.setInterval(interval);
    }
}

void Form1::accountingTick() {
    if (m_unloaded)
        return;
    m_engine.Timer1();
    const bool linked = m_engine.state().Linked;
    if (linked)
        m_timer1.start();
    else
        m_timer1.stop();
    // Tmer's checks read the figure just written; they have work only at the moments the
    // schedule knows.
    if (linked && m_tmerSchedule.takeDue(NumberFromText(m_engine.figures().Label5)))
        m_engine.Tmer();
}

void Form1::tariffTick() {
    if (m_unloaded)
        return;
    m_engine.Menvy();
    // Rates change only with the minute and the date: the next look is at the next minute.
    const QTime time = m_services.clock.now().time();
    const int intoMinuteMs = time.second() * 1000 + time.msec();
    m_menvy.start(std::chrono::milliseconds(60'000 - intoMinuteMs + 20));
}

void Form1::dataChanged() {
    if (m_unloaded)
        return;
    // The settings file or the store: rates, the number of accounts, the lead time and the
    // multi-user switch may all have changed.
    m_engine.Menvy();
    refreshLead();
    const bool wasMultiUser = m_multiUser;
    refreshMultiUser();
    if (m_multiUser && !wasMultiUser && !m_engine.state().Linked)
        m_engine.removeAutomaticDialling();
}

void Form1::followFigures() {
    if (!m_timersStarted)
        return;
    if (m_engine.currentUser() != m_leadUser)
        refreshLead();
    else
        updateTmerSchedule();
}

void Form1::refreshLead() {
    if (m_unloaded || !m_timersStarted)
        return;
    m_leadUser = m_engine.currentUser();
    m_lead = m_engine.reminderLead();
    updateTmerSchedule();
}

void Form1::updateTmerSchedule() {
    if (m_unloaded || !m_timersStarted)
        return;
    const SessionState& state = m_engine.state();
    m_tmerSchedule.update({state.Linked, state.StartTick, state.PlanSecs, m_lead});
}

void Form1::refreshMultiUser() {
    if (m_unloaded)
        return;
    const bool wasOn = m_multiUser;
    m_multiUser = m_watcher->multiUserOn();
    if (m_multiUser != wasOn) {
        if (m_multiUser)
            m_services.dialUpDialogs.setChangeHandler([this] { dialogsChanged(); });
        else
            m_services.dialUpDialogs.setChangeHandler({});
        // A dialog already open is looked for at the first tick.
        m_dialogsChanged = m_multiUser;
    }
    if (!m_multiUser)
        m_timer2.stop();
    else if (!m_timer2.isActive() && !m_timer2Paused)
        m_timer2.start(timer2Interval());
}

std::chrono::milliseconds Form1::timer2Interval() const {
    return m_services.dialUpDialogs.changesReported() && !m_dialogsChanged ? DialogSafetyTick
                                                                           : DialogWatchTick;
}

void Form1::dialogsChanged() {
    if (m_unloaded || !m_multiUser)
        return;
    // The tick comes at its own interval from now, never sooner: a dialog being closed by the
    // login window must have time to go before it is looked for again.
    m_dialogsChanged = true;
    if (m_timer2.isActive() && m_timer2.remainingTime() > DialogWatchTick.count())
        m_timer2.start(DialogWatchTick);
}

void Form1::updateVisibleTimers() {
    if (m_unloaded || !m_timersStarted)
        return;
    if (isVisible()) {
        m_tipClock.stop();
        if (!m_timer3.isActive()) {
            // Shown: the clock and the count of accounts are current at once.
            m_engine.Timer3();
            m_engine.Menvy();
            m_timer3.start();
        }
        return;
    }
    m_timer3.stop();
    // Off line the tip shows the time of day; on line the accounting tick keeps it current.
    if (m_engine.state().Linked) {
        m_tipClock.stop();
    } else if (!m_tipClock.isActive()) {
        updateTrayTip();
        m_tipClock.start();
    }
}
