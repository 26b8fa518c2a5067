#pragma once

#include "enroldesk/AccountEnrolment.h"

#include <QFutureWatcher>
#include <QWidget>
#include <functional>
#include <memory>

class AccountDirectory;
class Clock;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// The account tool's one window: registers and removes accounts under the administrator
// password. Closing it ends the program. In fleet mode (`server` given) the accounts are on
// the server: the administrator password is still checked here, then the request runs on a
// worker thread while the buttons wait.
class AddUser : public QWidget {
    Q_OBJECT
public:
    AddUser(Prompter& prompter, const Clock& clock, const QString& dataFolder,
            std::shared_ptr<AccountDirectory> server = nullptr, QWidget* parent = nullptr);

    // A request to the server is under way.
    bool isBusy() const { return m_serverCall.isRunning(); }

    // Registration.
    void Command1_Click();
    // Removal.
    void Command3_Click();
    // Cancel: closes the window.
    void Command2_Click();

signals:
    // The window has closed; the program ends.
    void programEnds();
    // A request to the server has ended and its message has been shown.
    void serverCallFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // Runs the server's part of a press off this thread; the buttons wait meanwhile.
    void callServer(std::function<AccountEnrolment::Result()> call);
    void setBusy(bool busy);
    // Shows the result's message and does what the result asks of the boxes.
    void report(const AccountEnrolment::Result& result);
    static void selectAll(QLineEdit* box);

    Prompter& m_prompter;
    AccountEnrolment m_enrolment;
    std::shared_ptr<AccountDirectory> m_server;
    QFutureWatcher<AccountEnrolment::Result> m_serverCall;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
};
