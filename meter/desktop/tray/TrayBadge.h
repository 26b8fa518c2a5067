#pragma once

#include <QIcon>
#include <QObject>

class MeterEngine;
class cSysTray;

// The tray icon tells the link's state at a glance: a badge over the program's icon, grey off
// line, green on line, orange in the last minutes of the plan. The tray gets a new icon only
// when the state changes.
class TrayBadge : public QObject {
    Q_OBJECT
public:
    enum class State { Offline, Online, EndingSoon };
    // On line with this many seconds of the plan left, or fewer, the plan is ending.
    static constexpr double EndingSoonSeconds = 5 * 60;

    TrayBadge(MeterEngine& engine, cSysTray& tray, QObject* parent = nullptr);

    State state() const { return m_state; }
    // Reads the engine's figures and updates the icon when the state changed.
    void update();

    static State StateOf(bool linked, const QString& remainingFigure);
    static QIcon Icon(State state);

private:
    MeterEngine& m_engine;
    cSysTray& m_tray;
    State m_state = State::Offline;
};
