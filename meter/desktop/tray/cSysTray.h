#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>

// One icon in the notification area with its tip, turning clicks on it into mouse events for
// the window that holds it. It sets no menu of its own: the holder pops one up on MouseUp.
// The icon is shown even before a tray host exists (a panel often starts after the programs
// of the session), and docks when one appears; meanwhile `docked` tells the holder that the
// icon cannot be reached yet.
class cSysTray : public QObject {
    Q_OBJECT
    Q_PROPERTY(QIcon TrayIcon READ TrayIcon WRITE setTrayIcon)
    Q_PROPERTY(QString TrayTip READ TrayTip WRITE setTrayTip)
    Q_PROPERTY(bool InTray READ InTray WRITE setInTray)

public:
    // Button numbers of the mouse events.
    static constexpr int LeftButton = 1;
    static constexpr int RightButton = 2;

    // Tells whether the desktop has a tray host at the moment.
    using TrayProbe = std::function<bool()>;

    explicit cSysTray(QObject* parent = nullptr, TrayProbe trayAvailable = {});
    ~cSysTray() override;

    QIcon TrayIcon() const { return m_icon; }
    // A null icon is ignored and the previous one stays.
    void setTrayIcon(const QIcon& icon);

    // The whole tip as set; the tray shows it cut to its field.
    QString TrayTip() const { return m_tip; }
    void setTrayTip(const QString& tip);

    // Whether the icon is wanted in the tray; it shows once a tray host exists.
    bool InTray() const { return m_inTray; }
    void setInTray(bool inTray);

    // The icon is wanted and a tray host holds it.
    bool docked() const { return m_docked; }
    // Looks for a tray host now; runs every second while the icon is wanted.
    void checkTray();
    void setTrayProbe(TrayProbe trayAvailable);

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
    // A tray host took the icon, or went away.
    void dockedChanged(bool docked);

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void setDocked(bool docked);

    QSystemTrayIcon m_tray;
    QIcon m_icon;
    QString m_tip;
    TrayProbe m_trayAvailable;
    QTimer m_watch;
    bool m_inTray = false;
    bool m_docked = false;
    int m_addCount = 0;
    int m_removeCount = 0;
};
