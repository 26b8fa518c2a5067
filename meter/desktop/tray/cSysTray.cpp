#include "meter/desktop/tray/cSysTray.h"

#include "meter/desktop/ProgramIcon.h"
#include "meter/desktop/tray/TrayTipText.h"

using namespace std::chrono_literals;

namespace {
constexpr int IconId = 0;
}

cSysTray::cSysTray(QObject* parent, TrayProbe trayAvailable)
    : QObject(parent), m_icon(ProgramIcon()), m_tip(QStringLiteral("cSysTray")) {
    setTrayProbe(std::move(trayAvailable));
    connect(&m_tray, &QSystemTrayIcon::activated, this, &cSysTray::onActivated);
    m_watch.setInterval(1s);
    // On whole seconds, with the meter's other slow timers: one wake-up serves them all.
    m_watch.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_watch, &QTimer::timeout, this, &cSysTray::checkTray);
}

cSysTray::~cSysTray() {
    // The holder may be half destroyed by now: it hears nothing more.
    blockSignals(true);
    setInTray(false);
}

void cSysTray::setTrayProbe(TrayProbe trayAvailable) {
    m_trayAvailable = trayAvailable ? std::move(trayAvailable)
                                    : TrayProbe(&QSystemTrayIcon::isSystemTrayAvailable);
}

void cSysTray::setTrayIcon(const QIcon& icon) {
    if (icon.isNull())
        return;
    m_icon = icon;
    if (m_inTray)
        m_tray.setIcon(m_icon);
}

void cSysTray::setTrayTip(const QString& tip) {
    m_tip = tip;
    if (m_inTray)
        m_tray.setToolTip(CutToTrayTip(m_tip));
}

void cSysTray::setInTray(bool inTray) {
    if (inTray == m_inTray)
        return;
    m_inTray = inTray;
    if (inTray) {
        // Whatever was set while out of the tray goes along with the icon.
        m_tray.setIcon(m_icon);
        m_tray.setToolTip(CutToTrayTip(m_tip));
        // Shown even while no tray host exists: the toolkit docks it when one appears.
        m_tray.show();
        ++m_addCount;
        m_watch.start();
        checkTray();
    } else {
        m_watch.stop();
        m_tray.hide();
        ++m_removeCount;
        setDocked(false);
    }
}

void cSysTray::checkTray() {
    if (m_inTray)
        setDocked(m_trayAvailable());
}

void cSysTray::setDocked(bool docked) {
    if (docked == m_docked)
        return;
    m_docked = docked;
    emit dockedChanged(docked);
}

void cSysTray::onActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit MouseDown(LeftButton, IconId);
        emit MouseUp(LeftButton, IconId);
        break;
    case QSystemTrayIcon::Context:
        emit MouseDown(RightButton, IconId);
        emit MouseUp(RightButton, IconId);
        break;
    case QSystemTrayIcon::DoubleClick:
        emit MouseDblClick(LeftButton, IconId);
        break;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
}
