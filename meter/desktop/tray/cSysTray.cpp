#include "meter/desktop/tray/cSysTray.h"

#include "meter/desktop/ProgramIcon.h"
#include "meter/desktop/tray/TrayTipText.h"

namespace {
constexpr int IconId = 0;
}

cSysTray::cSysTray(QObject* parent)
    : QObject(parent), m_icon(ProgramIcon()), m_tip(QStringLiteral("cSysTray")) {
    connect(&m_tray, &QSystemTrayIcon::activated, this, &cSysTray::onActivated);
}

cSysTray::~cSysTray() {
    setInTray(false);
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
        m_tray.show();
        ++m_addCount;
    } else {
        m_tray.hide();
        ++m_removeCount;
    }
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
