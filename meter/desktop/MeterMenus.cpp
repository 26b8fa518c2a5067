#include "meter/desktop/MeterMenus.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

MeterMenus::MeterMenus(QWidget* parent)
    : QObject(parent), m_windowMenu(new QMenu(QStringLiteral("menu"), parent)),
      m_trayMenu(new QMenu(QStringLiteral("File"), parent)) {
    m_windowMenu->setObjectName(QStringLiteral("mnuMenu"));
    add(m_windowMenu, "mnuRehf", QStringLiteral("恢复(R)"));
    add(m_windowMenu, "mnuMove", QStringLiteral("移动(&M)"));
    add(m_windowMenu, "mnuMinx", QStringLiteral("最小化(N)"));
    m_windowMenu->addSeparator()->setObjectName(QStringLiteral("mnubar"));
    m_windowMenu->setDefaultAction(
        add(m_windowMenu, "mnuClose", QStringLiteral("关闭(C)      Alt+F4")));

    m_trayMenu->setObjectName(QStringLiteral("mnuFile"));
    m_trayMenu->setDefaultAction(add(m_trayMenu, "mnuOpen", QStringLiteral("打开主界面(&O)")));
    add(m_trayMenu, "mnuSet", QStringLiteral("系统设置(&S)"));
    add(m_trayMenu, "mnuView", QStringLiteral("查看统计(&V)"));
    m_trayMenu->addSeparator()->setObjectName(QStringLiteral("mnu"));
    add(m_trayMenu, "mnuLogin", QStringLiteral("Enroldesk(&L)"));
    m_trayMenu->addSeparator()->setObjectName(QStringLiteral("mnuBB"));
    add(m_trayMenu, "mnuMan", QStringLiteral("管理设置(&M)"));
    add(m_trayMenu, "mnuInd", QStringLiteral("个人设置(&I)"));
    add(m_trayMenu, "mnuChange", QStringLiteral("更改用户(&R)"));
    m_trayMenu->addSeparator()->setObjectName(QStringLiteral("mnuRej"));
    add(m_trayMenu, "mnuHome", QStringLiteral("作者主页(&H)"));
    add(m_trayMenu, "mnuEmail", QStringLiteral("作者信箱(&E)"));
    add(m_trayMenu, "mnuChat", QStringLiteral("Veyra聊天室(&T)"));
    m_trayMenu->addSeparator()->setObjectName(QStringLiteral("MnuBB1"));
    add(m_trayMenu, "mnuCut", QStringLiteral("断开连接(&C)"));
    m_trayMenu->addSeparator()->setObjectName(QStringLiteral("mnuBB2"));
    add(m_trayMenu, "mnuAbout", QStringLiteral("关于本软件(&A)"));
    m_trayMenu->addSeparator()->setObjectName(QStringLiteral("mnuBB3"));
    add(m_trayMenu, "mnuExit", QStringLiteral("退出(&E)"));
}

QAction* MeterMenus::add(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* MeterMenus::item(const QString& name) const {
    for (QMenu* menu : {m_windowMenu, m_trayMenu}) {
        for (QAction* action : menu->actions()) {
            if (action->objectName() == name)
                return action;
        }
    }
    return nullptr;
}

void MeterMenus::popUp(QMenu* menu, const QPoint& at) {
    menu->popup(at);
    // Opened by the mouse, a menu has no active item and Return would do nothing.
    menu->setActiveAction(menu->defaultAction());
}
