#pragma once

#include "meter/engine/MeterFigures.h"
#include "meter/engine/SessionState.h"
#include "meter/store/SessionSave.h"

#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <optional>

class Clock;
class DialUpNetwork;
class Prompter;
class Registry;
class ReminderSound;
class Store;

// What the engine needs from outside.
struct EngineServices {
    Clock& clock;
    Store& store;
    DialUpNetwork& network;
    ReminderSound& sound;
    Registry& registry;
    Prompter& prompter;
    QString dataFolder;
    QString executablePath;
};

// The meter's session state and the work of its timers, without any widget. Form1 owns the
// timers, calls the tick methods and shows figures().
class MeterEngine : public QObject {
    Q_OBJECT
public:
    explicit MeterEngine(EngineServices services, QObject* parent = nullptr);

    const MeterFigures& figures() const { return m_figures; }
    const SessionState& state() const { return m_state; }
    QString currentUser() const { return m_figures.User; }
    void setCurrentUser(const QString& user);
    bool extPass() const { return m_state.ExtPass; }
    void setLoginGranted(bool granted) { m_state.LoginGranted = granted; }
    // Start-up: no connection is known yet.
    void clearLinked() { m_state.Linked = false; }

    // Timer work.
    void EvtTimer(); // connection watch
    void Timer1();   // accounting tick
    void Tmer();     // reminder and planned-time check
    void Menvy();    // hourly rate and number of accounts
    void AutoSave(); // the auto-save step
    void Timer3();   // clock, countdown, removal of automatic dialling

    // Timer3's last step alone: with multi-user management on and no connection up, the
    // default dial-up connection may not dial by itself.
    void removeAutomaticDialling();
    // The lead time the reminder compares the remaining seconds with, read afresh from the
    // settings file or the account's settings; nullopt when the store cannot say.
    std::optional<double> reminderLead() const;

    // Public operations of the main window. hsLoad and UserSet throw StoreError on a failed
    // statement; the others swallow it, as their callers abandon the step.
    void hsLoad();
    void HsLinked();
    void HsCuted();
    void UserSet(double tm, double mn);
    void CanExt(bool flag) { m_state.ExtPass = flag; }
    void Svdt() { AutoSave(); }
    void HangUpAll();

    // Start-up, before hsLoad: saves an earlier run could not write (the journal beside the
    // store) go to the store now; what still cannot be written waits for the next save.
    void applySaveJournal();
    // Saves the store could not take yet, oldest first; the next save writes them first.
    const QList<SessionSave>& pendingSaves() const { return m_pending; }
    // How long one save waits for another program's write lock before it is kept for later.
    static constexpr std::chrono::milliseconds SaveLockWait{300};
    // The journal at start-up may wait longer: nothing is shown yet.
    static constexpr std::chrono::milliseconds JournalLockWait{2000};

    // Planned time.
    int selectedPreset() const { return m_selectedPreset; } // -1: none
    bool customSelected() const { return m_customSelected; }
    const QString& customText() const { return m_customText; }
    void Op_Click(int index);
    void Opt_Click();
    void setCustomText(const QString& text); // runs Text1_Change
    QString presetHelpText(int index) const;
    QString customHelpText() const;

    // The administrator's auto-save setting, applied at once: on or off, every `seconds`
    // seconds rounded to whole milliseconds. An interval under one millisecond never ticks.
    void setAutoSaveTimer(bool enabled, double seconds);
    bool autoSaveEnabled() const { return m_autoSaveEnabled; }
    int autoSaveIntervalMs() const { return m_autoSaveIntervalMs; }

signals:
    void figuresChanged();
    // The plan choice changed from inside (start-up, extension): the window mirrors it.
    void planChoiceChanged();
    // hsLoad or UserSet changed the auto-save timer.
    void autoSaveTimerChanged();
    // With multi-user management on, a connection came up while nobody has logged on.
    void loginRequested(const QString& context);
    // The planned time is up: the owner stops Tmer while the time-up is handled, then starts
    // it again, so the next check comes a full interval after the answer.
    void tmerStopRequested();
    void tmerStartRequested();
    // For the desktop notices: a connection came up (HsLinked has run); the reminder sound was
    // played; the planned time is up while on line; a connection ended after `seconds` on
    // line, charged `fee`.
    void linkCameUp();
    void reminderPlayed();
    void planTimeUp();
    void linkWentDown(double seconds, double fee);
    // Saves reached the store (a record opened, saved or closed).
    void savesWritten();

private:
    bool isPublicAccount() const;
    QString settingsIniPath() const;
    void planFor(double minutes, const QString& questionSubject);
    void extendPlan();
    QString helpText(const QString& firstLine, double minutes) const;
    void openRecords();
    SessionSave runningSave() const;
    bool writeSaves(const std::optional<SessionSave>& running, std::chrono::milliseconds lockWait);
    const SessionSave* pendingSave(const QString& user, std::optional<qint64> count = {}) const;
    void showPendingTotals();
    QString journalPath() const;
    void setAutoSave(bool enabled, int intervalMs);

    EngineServices m_services;
    SessionState m_state;
    // The running session's record pair: its numbers, start, row ids once written, marks.
    SessionSave m_session;
    QList<SessionSave> m_pending;
    MeterFigures m_figures;
    int m_selectedPreset = -1;
    bool m_customSelected = false;
    QString m_customText = QStringLiteral("120");
    bool m_autoSaveEnabled = true;
    int m_autoSaveIntervalMs = 30000;
    // Re-entrance guard: the time-up question runs a nested event loop.
    bool m_watchBusy = false;
};
