#pragma once

#include "platform/DialUpDialogs.h"
#include "platform/linux/DialogShield.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11WindowTitles.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <map>
#include <memory>

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

    // The input-only window over a held window, 0 when it is not held (for checks).
    quint32 shieldOf(Handle window) const;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    X11Connection* x11();
    bool exists(xcb_window_t window);

    std::unique_ptr<X11Connection> m_x11;
    bool m_x11Tried = false;
    bool m_filtering = false;
    std::map<Handle, std::unique_ptr<DialogShield>> m_shields;
    std::vector<X11WindowTitles::Titled> m_titles;
    QElapsedTimer m_titlesAge;
};
