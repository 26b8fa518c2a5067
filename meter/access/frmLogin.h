#pragma once

#include "meter/access/LoginDecision.h"
#include "meter/access/LoginGate.h"
#include "meter/access/LoginPrompt.h"

#include <QWidget>

class Clock;
class DeskLock;
class DialUpNetwork;
class MeterEngine;
class Prompter;
class QLabel;
class QLineEdit;
class QTimer;
class Store;

// The login window: one per program, always on top, without a taskbar entry. Shown for a link
// that came up without a log-on, for a dial-up dialog held back until someone logs on, and for
// a change of user. While it shows it can lock the desk; whenever it closes, by whatever way,
// it lifts the lock and finishes what it was shown for.
class frmLogin : public QWidget, public LoginPrompt {
    Q_OBJECT
public:
    frmLogin(Store& store, MeterEngine& mainEngine, DialUpNetwork& network, DeskLock& deskLock,
             DialUpDialogs& dialogs, Prompter& prompter, QWidget* parent = nullptr);
    ~frmLogin() override;

    // Fleet mode: see LoginDecision::enableFleet.
    void enableFleet(const Clock& clock, int cacheDays) {
        m_decision.enableFleet(clock, cacheDays);
    }

    // Whether this showing ended in an accepted log-on.
    bool LoginSucceeded() const { return m_gate.succeeded(); }
    QString loginContext() const { return m_gate.context().text(); }
    // Loads the window when it is closed (a fresh showing), then sets why it is up.
    void setLoginContext(const QString& text);
    // Shows it; a fresh showing opens in the middle of the screen with empty boxes. An open
    // window comes to the front.
    void showLogin();
    // Shows it, then sets the context.
    void showFor(const QString& contextText);
    // The program's end: context "9000000" and closed; the lock is lifted even when it was not
    // showing, and nothing is hung up or closed.
    void closeForShutdown();

    bool isShowing() const override { return isVisible(); }
    void showForDialog(DialUpDialogs::Handle dialog) override;
    // Puts the middle of the whole window, frame included, over the middle of `area`; placed
    // again when the window manager's frame changes its size.
    void centreOver(const QRect& area) override;

    void cmdOK_Click();
    void cmdCancel_Click();

signals:
    // The dial-up dialog watch must pause while a message hides the window, and go on after.
    void watchPauseRequested();
    void watchResumeRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void load();
    // Hides the window for the message and shows it again; false when it was closed meanwhile.
    bool refuse(const QString& message);
    void finish();
    void followFrame();
    void place();

    Prompter& m_prompter;
    LoginGate m_gate;
    LoginDecision m_decision;
    QLineEdit* m_txtUserName = nullptr;
    QLineEdit* m_txtPassword = nullptr;
    QLabel* m_label1 = nullptr;
    QRect m_placedOver;
    QSize m_placedSize;
    QTimer* m_frameWatch = nullptr;
    int m_frameChecks = 0;
};
