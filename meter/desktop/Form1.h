#pragma once

#include "common/Store.h"
#include "meter/desktop/MeterServices.h"
#include "meter/engine/MeterEngine.h"

#include <QList>
#include <QWidget>
#include <optional>

class QLineEdit;
class QRadioButton;

// The meter's main window. It owns the shared state and lives as long as the program.
class Form1 : public QWidget {
    Q_OBJECT
public:
    static constexpr int PresetCount = 20;
    static constexpr int DefaultPreset = 5;

    explicit Form1(MeterServices services, QWidget* parent = nullptr);

    // Start-up: presets, database, remembered plan, the account's context. Never reports.
    void Form_Load();
    // Shutdown; false when it was refused (the exit password is in force).
    bool Form_Unload();

    MeterEngine& engine() { return m_engine; }
    Store& storeDb() { return m_store; }
    QRadioButton* preset(int index) const { return m_presets.value(index); }
    std::optional<int> selectedPreset() const;

signals:
    // Shutdown has run; the program ends.
    void unloaded();
    // Leaving needs the exit password.
    void exitPasswordRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildPresets();
    void openDatabase();
    void restorePlanChoice();
    QString settingPath() const;

    MeterServices m_services;
    MeterEngine m_engine;
    Store m_store;
    QList<QRadioButton*> m_presets;
    QRadioButton* m_opt = nullptr;
    QLineEdit* m_text1 = nullptr;
    bool m_unloaded = false;
};
