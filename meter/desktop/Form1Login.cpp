// The main window's part in logging on: the login window, the dial-up dialog watch and the
// change-of-user command.
#include "meter/desktop/Form1.h"

#include "common/fleet/FleetConfig.h"
#include "meter/access/LoginContext.h"
#include "meter/desktop/MeterMenus.h"

#include <QAction>

using namespace std::chrono_literals;

void Form1::setUpLogin() {
    m_login = std::make_unique<frmLogin>(m_store, m_engine, m_services.network, m_services.deskLock,
                                         m_services.dialUpDialogs, m_services.prompter);
    // With a server configured, accounts come from the server's cached copy.
    if (const FleetConfig fleet = FleetConfig::load(m_services.dataFolder); fleet.enabled())
        m_login->enableFleet(m_services.clock, fleet.cacheDays);
    m_watcher = std::make_unique<DialUpDialogWatcher>(
        m_store, m_services.dialUpDialogs, m_engine, *m_login,
        DialUpDialogWatcher::Titles(qEnvironmentVariable("DIALTOLL_DIALER_TITLES")));
    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_timer2.setInterval(250ms); // slower where the window manager reports new windows

    connect(&m_engine, &MeterEngine::loginRequested, this,
            [this](const QString& context) { m_login->showFor(context); });
    connect(m_menus->item(QStringLiteral("mnuChange")), &QAction::triggered, this,
            &Form1::changeUser);

    // Timer2 stops for the length of a tick and while the login window shows a message; a
    // real stop, so no tick can start in between. It runs only while multi-user management
    // is on: with it off a tick has nothing to do.
    const auto pause = [this] {
        m_timer2Paused = true;
        m_timer2.stop();
    };
    const auto resume = [this] {
        m_timer2Paused = false;
        if (!m_unloaded && m_evtTimer.isActive() && m_multiUser)
            m_timer2.start(timer2Interval());
    };
    connect(m_watcher.get(), &DialUpDialogWatcher::timerStopRequested, this, pause);
    connect(m_watcher.get(), &DialUpDialogWatcher::timerStartRequested, this, resume);
    connect(m_login.get(), &frmLogin::watchPauseRequested, this, pause);
    connect(m_login.get(), &frmLogin::watchResumeRequested, this, resume);
}

void Form1::startDialogWatch() {
    connect(&m_timer2, &QTimer::timeout, this, [this] {
        m_dialogsChanged = false;
        m_watcher->Timer2();
        // A tick with nothing to do leaves the timer running at whatever pace it had.
        if (m_timer2.isActive() && m_timer2.intervalAsDuration() != timer2Interval())
            m_timer2.setInterval(timer2Interval());
    });
    // Started once multi-user management is known to be on.
}

void Form1::changeUser() {
    m_engine.AutoSave();
    m_login->setLoginContext(LoginContext::ChangeOfUserText);
    m_login->showLogin();
}

void Form1::closeLoginForShutdown() {
    m_timer2.stop();
    m_login->closeForShutdown();
}
