#pragma once

#include "platform/DialUpDialogs.h"
#include "platform/linux/DialogShield.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11WindowTitles.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QObject>
#include <map>
#include <memory>
#include <set>

// The dial-up dialogs on X: found by exact title among the top-level clients (one listing of
// the titles serves the look-ups of 100 ms, as the watch makes four at a time), held back by a
// shield (see DialogShield) that follows the dialog as it moves or is raised, closed through
// the window manager (_NET_CLOSE_WINDOW) or, without one, by WM_DELETE_WINDOW.
class X11DialUpDialogs : public DialUpDialogs, private QAbstractNativeEventFilter {
public:
    X11DialUpDialogs();
    ~X11DialUpDialogs() override;

    Handle find(const QString& title) override;
    bool holdBack(Handle window) override;
    bool release(Handle window) override;
    std::optional<QRect> frameRect(Handle window) override;
    bool close(Handle window) override;
    // Where a window manager keeps _NET_CLIENT_LIST: its changes on the root window, and the
    // title changes of the listed clients.
    void setChangeHandler(std::function<void()> changed) override;
    bool changesReported() const override { return m_reporting; }

    // The input-only window over a held window, 0 when it is not held (for checks).
    quint32 shieldOf(Handle window) const;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    X11Connection* x11();
    bool exists(xcb_window_t window);
    void filterEvents();
    // Adds property changes to what this program hears of those windows.
    void hearPropertiesOf(const std::vector<xcb_window_t>& windows);
    // The listed clients' titles are heard from now; those gone are forgotten.
    void hearTitles();
    bool propertyChanged(const void* event);
    void reportChange();

    std::unique_ptr<X11Connection> m_x11;
    bool m_x11Tried = false;
    bool m_filtering = false;
    std::map<Handle, std::unique_ptr<DialogShield>> m_shields;
    std::vector<X11WindowTitles::Titled> m_titles;
    QElapsedTimer m_titlesAge;
    std::function<void()> m_changed;
    bool m_reporting = false;
    bool m_reportQueued = false;
    std::set<xcb_window_t> m_titled;
    // Queued reports die with this object.
    QObject m_context;
};
