#pragma once

#include "enroldesk/AccountEnrolment.h"

#include <QWidget>

class Clock;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// The account tool's one window: registers and removes accounts under the administrator
// password. Closing it ends the program.
class AddUser : public QWidget {
    Q_OBJECT
public:
    AddUser(Prompter& prompter, const Clock& clock, const QString& dataFolder,
            QWidget* parent = nullptr);

    // Registration.
    void Command1_Click();
    // Removal.
    void Command3_Click();
    // Cancel: closes the window.
    void Command2_Click();

signals:
    // The window has closed; the program ends.
    void programEnds();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // Shows the result's message and does what the result asks of the boxes.
    void report(const AccountEnrolment::Result& result);
    static void selectAll(QLineEdit* box);

    Prompter& m_prompter;
    AccountEnrolment m_enrolment;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
};
