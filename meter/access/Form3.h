#pragma once

#include "meter/access/AdministratorSettings.h"

#include <QString>
#include <QWidget>

class MeterEngine;
class PasswordChanger;
class Prompter;
class QCheckBox;
class QLineEdit;
class Registry;
class Store;

// The administrator settings window: the administrator password, multi-user management and
// the desk lock, auto-save, the exit password and starting with the desktop session. It loads
// the stored settings when it is created; every change asks for the administrator password.
class Form3 : public QWidget {
    Q_OBJECT
public:
    // `mainEngine` is the main window's engine, whose auto-save timer and exit-password flag
    // follow a save at once.
    Form3(Store& store, Registry& registry, Prompter& prompter, MeterEngine& mainEngine,
          const QString& executablePath, QWidget* parent = nullptr);

    void Command1_Click(); // change the administrator password
    void Command2_Click(); // store the settings
    void Command3_Click(); // close without storing

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    AdministratorValues editedValues() const;
    void refuse(QLineEdit* box, const QString& message);

    Prompter& m_prompter;
    AdministratorSettings m_settings;
    // Holds the administrator password as loaded.
    PasswordChanger* m_changer = nullptr;

    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QLineEdit* m_text5 = nullptr;
    QCheckBox* m_ck1 = nullptr;
    QCheckBox* m_ck2 = nullptr;
    QCheckBox* m_ck3 = nullptr;
    QCheckBox* m_ck4 = nullptr;
    QCheckBox* m_ck5 = nullptr;
    QCheckBox* m_ck6 = nullptr;
};
