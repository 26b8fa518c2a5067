#include "meter/settings/CaptionDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

CaptionDrag::CaptionDrag(QWidget* window, StartsMove startsMove)
    : QObject(window), m_window(window), m_startsMove(std::move(startsMove)) {
    m_window->installEventFilter(this);
}

void CaptionDrag::addHandle(QWidget* handle) {
    handle->installEventFilter(this);
}

bool CaptionDrag::press(QObject* watched, QMouseEvent* event) {
    if (!m_startsMove(watched, *event))
        return false;
    QWindow* handle = m_window->windowHandle();
    if (handle && handle->startSystemMove())
        return true;
    m_following = true;
    m_offset = event->globalPosition().toPoint() - m_window->pos();
    return true;
}

bool CaptionDrag::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return press(watched, static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        if (!m_following)
            return false;
        m_window->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - m_offset);
        return true;
    case QEvent::MouseButtonRelease:
        if (!m_following)
            return false;
        m_following = false;
        return true;
    default:
        return false;
    }
}
