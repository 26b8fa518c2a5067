#pragma once

#include "common/Store.h"
#include "meter/desktop/MeterServices.h"
#include "meter/engine/MeterEngine.h"

#include <QList>
#include <QTimer>
#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QRadioButton;

// The meter's main window. It owns the timers and the shared state and lives as long as the
// program; the engine does the work and the window shows its figures.
class Form1 : public QWidget {
    Q_OBJECT
public:
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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildPresets();
    void startTimers();
    void openDatabase();
    void restorePlanChoice();
    void showFigures();
    void showPlanChoice();
    void applyAutoSaveTimer();
    QString settingPath() const;

    MeterServices m_services;
    Store m_store;
    MeterEngine m_engine;
    QList<QRadioButton*> m_presets;
    QRadioButton* m_opt = nullptr;
    QLineEdit* m_text1 = nullptr;
    QHash<QString, QLabel*> m_figureLabels;
    QTimer m_evtTimer;
    QTimer m_timer1;
    QTimer m_tmer;
    QTimer m_menvy;
    QTimer m_autoSave;
    bool m_unloaded = false;
};
