#pragma once

#include "common/Store.h"
#include "common/fleet/FleetConfig.h"
#include "meter/access/ExtForm.h"
#include "meter/access/Form3.h"
#include "meter/access/Indv.h"
#include "meter/access/frmLogin.h"
#include "meter/desktop/DialUpDialogWatcher.h"
#include "meter/desktop/FrmAbout.h"
#include "meter/desktop/MeterServices.h"
#include "meter/desktop/OwnedWindows.h"
#include "meter/desktop/SingleWindow.h"
#include "meter/engine/ClockJumps.h"
#include "meter/engine/DataFileWatch.h"
#include "meter/engine/MeterEngine.h"
#include "meter/engine/TmerSchedule.h"

#include <QList>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

class Form2;
class MeterMenus;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class cSysTray;
class FleetUploaderThread;

// The meter's main window: a frameless 480 × 420 window with a painted title band. It owns
// the timers, the tray icon and the shared state and lives as long as the program; the engine
// does the work and the window shows its figures.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(MeterServices services, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: presets, database, remembered plan, the account's context. Never reports.
    void Form_Load();
    // Shutdown; false when it was refused (the exit password is in force).
    bool Form_Unload();
    // What shutdown would save, without ending: the running session's records and the plan
    // choice. For a desktop session that may end (or may be cancelled).
    void saveForSessionEnd();
    // Shutdown that asks for no exit password: the session ends, or a signal says to end.
    void endWithoutPassword();

    MeterEngine& engine() { return m_engine; }
    Store& storeDb() { return m_store; }
    MeterMenus& menus() { return *m_menus; }
    cSysTray& tray() { return *m_tray; }
    QRadioButton* preset(int index) const { return m_presets.value(index); }
    std::optional<int> selectedPreset() const;

    // Commands of the menus and buttons.
    void openMainWindow();
    void hideMainWindow();
    void showSettings();
    void showAdministratorSettings();
    void showPersonalSettings();
    void showAbout();
    void startCompanion(const QString& program);
    void startMoveMode();

    // The login window, the dial-up dialog watch and its Timer2 (250 ms).
    frmLogin& loginWindow() { return *m_login; }
    DialUpDialogWatcher& dialogWatcher() { return *m_watcher; }
    const QTimer& timer2() const { return m_timer2; }
    // 更改用户: the outgoing account's session is saved, then the login window asks.
    void changeUser();

signals:
    // Shutdown has run; the program ends.
    void unloaded();
    // Leaving needs the exit password.
    void exitPasswordRequested();
    // Sessions cannot be recorded (the database cannot be used); said once until it can again.
    void recordingUnavailable(const QString& problem);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QGroupBox* buildPlanFrame();
    QGroupBox* buildInformationFrame();
    void buildPresets();
    void connectCommands();
    void connectTray();
    void startTimers();
    // The timers' work, run when something happened rather than at fixed rates.
    void firstTicks();
    void linkChanged();
    void pollLink();
    void accountingTick();
    void tariffTick();
    void dataChanged();
    void followFigures();
    void updateTmerSchedule();
    void refreshLead();
    void refreshMultiUser();
    // A dialog may have come, gone or been titled: the dialog watch looks at once.
    void dialogsChanged();
    std::chrono::milliseconds timer2Interval() const;
    void updateVisibleTimers();
    void openDatabase();
    void noteStoreProblem(const QString& problem);
    void retryStore();
    void restorePlanChoice();
    void showFigures();
    void trayDockedChanged(bool docked);
    // Hidden without a taskbar entry, ready to show normal.
    void withdraw();
    void forgetMinimised();
    void hideOwnedWindows();
    void showPlanChoice();
    void applyAutoSaveTimer();
    void updateTrayTip();
    void showHelp(QObject* item);
    void setLinkColours(const QColor& colour, QLabel* only = nullptr);
    bool handleTitleBand(QObject* watched, QEvent* event);
    void startDragging();
    QWidget* dialogOwner() const;
    QString settingPath() const;
    void setUpLogin();
    void startDialogWatch();
    void closeLoginForShutdown();
    // Fleet mode: the outbox in the store and the uploader's thread, once the store is open.
    void startFleet();
    void stopFleet();

    MeterServices m_services;
    Store m_store;
    MeterEngine m_engine;
    MeterMenus* m_menus = nullptr;
    cSysTray* m_tray = nullptr;
    QList<QRadioButton*> m_presets;
    QGroupBox* m_frame1 = nullptr;
    QRadioButton* m_opt = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLabel* m_tbr = nullptr;
    QLabel* m_image1 = nullptr;
    QLabel* m_titLb = nullptr;
    QList<QLabel*> m_links;
    QHash<QString, QLabel*> m_figureLabels;
    // The figures as last shown: a label changes only when its figure does, so a figure not
    // computed yet keeps the design text and an emptied one shows empty.
    MeterFigures m_shownFigures;
    OwnedWindows m_ownedWindows{this};
    SingleWindow<Form2> m_form2;
    SingleWindow<Form3> m_form3;
    SingleWindow<Indv> m_indv;
    SingleWindow<FrmAbout> m_about;
    SingleWindow<ExtForm> m_extForm;
    // The link's safety poll: changes arrive as events, this catches any that were missed.
    QTimer m_evtTimer;
    // Only while on line; off line it runs once, when the link goes.
    QTimer m_timer1;
    // The reminder and the time-up check, at the moments they are due.
    TmerSchedule m_tmerSchedule{m_services.clock};
    // To the next whole minute, where a tariff band, a holiday or a weekday can begin.
    QTimer m_menvy;
    // Only while the window shows; while it is hidden and off line only the tip's clock ticks.
    QTimer m_timer3;
    QTimer m_tipClock;
    QTimer m_autoSave;
    std::unique_ptr<DataFileWatch> m_dataWatch;
    ClockJumps m_clockJumps{m_services.clock};
    // What the schedule and the dialog watch depend on, read when the settings may change.
    std::optional<double> m_lead;
    QString m_leadUser;
    bool m_multiUser = false;
    bool m_timersStarted = false;
    // While the database cannot be used: why, and the timer that tries it again.
    QString m_storeProblem;
    QTimer m_storeRetry;
    bool m_unloaded = false;
    // Destroyed before the engine and the store: closing the login window still uses them.
    QTimer m_timer2;
    // Stopped for a tick of its own or a message of the login window: nothing restarts it then.
    bool m_timer2Paused = false;
    // A dialog may have changed since the last tick: the next comes at the short interval.
    bool m_dialogsChanged = false;
    std::unique_ptr<frmLogin> m_login;
    std::unique_ptr<DialUpDialogWatcher> m_watcher;
    FleetConfig m_fleetConfig;
    std::unique_ptr<FleetUploaderThread> m_fleet;
    // Records waiting for the server, for the tray tip.
    int m_unsent = 0;
};
