#include "platform/DialogKeys.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

DialogKeys::DialogKeys(QWidget* window) : QObject(window), m_window(window) {
    // Keys a child ignores travel up to the window, where this filter sees them.
    window->installEventFilter(this);
}

void DialogKeys::setDefaultButton(QAbstractButton* button) {
    m_defaultButton = button;
}

void DialogKeys::setCancelButton(QAbstractButton* button) {
    m_cancelButton = button;
}

bool DialogKeys::click(QAbstractButton* button) {
    if (!button || !button->isEnabled() || !button->isVisible())
        return false;
    button->click();
    return true;
}

bool DialogKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // Keypad Enter carries the keypad modifier; any other modifier makes it a different key.
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;

    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (auto* focused = qobject_cast<QPushButton*>(m_window->focusWidget()))
            return click(focused);
        return click(m_defaultButton);
    }
    case Qt::Key_Escape:
        return click(m_cancelButton);
    default:
        return false;
    }
}
