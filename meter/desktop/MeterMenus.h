#pragma once

#include <QObject>

class QAction;
class QPoint;
class QMenu;
class QWidget;

// The window menu (from the icon of the title band) and the tray menu. They are only ever
// popped up; each item is a QAction named as the item.
class MeterMenus : public QObject {
    Q_OBJECT
public:
    explicit MeterMenus(QWidget* parent);

    QMenu* windowMenu() const { return m_windowMenu; }
    QMenu* trayMenu() const { return m_trayMenu; }
    // The item of that name, from either menu.
    QAction* item(const QString& name) const;
    // Pops the menu up at `at` with its bold default item active, so Return picks it.
    static void popUp(QMenu* menu, const QPoint& at);

private:
    QAction* add(QMenu* menu, const char* name, const QString& caption);

    QMenu* m_windowMenu;
    QMenu* m_trayMenu;
};
