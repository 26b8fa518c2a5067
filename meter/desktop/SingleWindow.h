#pragma once

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <functional>

// One window of a kind, created on demand and deleted when closed; showing it again while it
// is open brings the open one forward. With an owner it stays in front of the owner.
template <typename Window> class SingleWindow {
public:
    using Factory = std::function<Window*(QWidget* owner)>;
    explicit SingleWindow(Factory factory) : m_factory(std::move(factory)) {}

    Window* show(QWidget* owner) {
        if (!m_window) {
            m_window = m_factory(owner);
            m_window->setAttribute(Qt::WA_DeleteOnClose);
            if (owner)
                m_window->setWindowFlag(Qt::Window);
            // A new window opens over its owner, or in the middle of the screen.
            const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
            const QRect area =
                owner ? owner->frameGeometry() : (screen ? screen->availableGeometry() : QRect());
            if (area.isValid())
                m_window->move(area.center() - m_window->rect().center());
        }
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
        return m_window;
    }
    Window* window() const { return m_window; }
    void close() {
        if (m_window)
            m_window->close();
    }

private:
    Factory m_factory;
    QPointer<Window> m_window;
};
