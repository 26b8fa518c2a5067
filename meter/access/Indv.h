#pragma once

#include "meter/access/PersonalSettings.h"

#include <QString>
#include <QWidget>

class Clock;
class MeterEngine;
class PasswordChanger;
class Prompter;
class QCheckBox;
class QLineEdit;
class Store;

// The personal settings window of the current account: its password, the reminder, asking
// before the connection is cut, the countdown and the totals the main window shows. It loads
// the account's settings when it is created; every change asks for the account's password.
class Indv : public QWidget {
    Q_OBJECT
public:
    // `mainEngine` is the main window's engine: it names the current account and takes the
    // new totals after a save.
    Indv(Store& store, Prompter& prompter, MeterEngine& mainEngine, const Clock& clock,
         QWidget* parent = nullptr);

    void Command1_Click(); // change the password
    void Command2_Click(); // store the settings
    void Command3_Click(); // close without storing

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    PersonalValues editedValues() const;
    void refuse(QLineEdit* box, const QString& message);
    QString currentUser() const;

    Prompter& m_prompter;
    MeterEngine& m_engine;
    const Clock& m_clock;
    PersonalSettings m_settings;
    // Holds the account's password as loaded.
    PasswordChanger* m_changer = nullptr;

    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QLineEdit* m_text5 = nullptr;
    QLineEdit* m_text9 = nullptr;
    QLineEdit* m_text10 = nullptr;
    QCheckBox* m_ck1 = nullptr;
    QCheckBox* m_ck2 = nullptr;
};
