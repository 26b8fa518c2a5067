#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

// One icon in the notification area with its tip, turning clicks on it into mouse events for
// the window that holds it. It sets no menu of its own: the holder pops one up on MouseUp.
class cSysTray : public QObject {
    Q_OBJECT
    Q_PROPERTY(QIcon TrayIcon READ TrayIcon WRITE setTrayIcon)
    Q_PROPERTY(QString TrayTip READ TrayTip WRITE setTrayTip)
    Q_PROPERTY(bool InTray READ InTray WRITE setInTray)

public:
    // Button numbers of the mouse events.
    static constexpr int LeftButton = 1;
    static constexpr int RightButton = 2;

    explicit cSysTray(QObject* parent = nullptr);
    ~cSysTray() override;

    QIcon TrayIcon() const { return m_icon; }
    // A null icon is ignored and the previous one stays.
    void setTrayIcon(const QIcon& icon);

    // The whole tip as set; the tray shows it cut to its field.
    QString TrayTip() const { return m_tip; }
    void setTrayTip(const QString& tip);

    bool InTray() const { return m_inTray; }
    void setInTray(bool inTray);

    // What the notification area has been given, for the holder and for tests.
    QSystemTrayIcon& systemTrayIcon() { return m_tray; }
    bool shown() const { return m_tray.isVisible(); }
    QString shownTip() const { return m_tray.toolTip(); }
    int addCount() const { return m_addCount; }
    int removeCount() const { return m_removeCount; }

signals:
    // Id is always 0. No tray host reports hovering, so the holder keeps the tip current.
    void MouseMove(int id);
    void MouseDown(int button, int id);
    void MouseUp(int button, int id);
    void MouseDblClick(int button, int id);

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_tray;
    QIcon m_icon;
    QString m_tip;
    bool m_inTray = false;
    int m_addCount = 0;
    int m_removeCount = 0;
};
