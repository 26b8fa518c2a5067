#include "meter/desktop/OwnedWindows.h"

#include <QWindow>
#include <utility>

void OwnedWindows::hide(std::initializer_list<QWidget*> windows) {
    for (QWidget* window : windows) {
        if (window && window->parentWidget() == m_owner && window->isVisible()) {
            window->hide();
            m_hidden.append(window);
        }
    }
}

void OwnedWindows::showAgain() {
    for (const QPointer<QWidget>& window : std::exchange(m_hidden, {})) {
        if (!window)
            continue;
        // The owner may have a new native window by now: stay in front of that one.
        if (window->windowHandle() && m_owner->windowHandle())
            window->windowHandle()->setTransientParent(m_owner->windowHandle());
        window->show();
    }
}
