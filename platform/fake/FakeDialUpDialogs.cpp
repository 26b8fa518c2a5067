#include "platform/fake/FakeDialUpDialogs.h"

DialUpDialogs::Handle FakeDialUpDialogs::open(const QString& title, const QRect& frame) {
    const Handle handle = m_nextHandle++;
    m_dialogs.append({title, handle, frame});
    return handle;
}

void FakeDialUpDialogs::closeByUser(Handle window) {
    m_dialogs.removeIf([window](const Dialog& d) { return d.handle == window; });
}

DialUpDialogs::Handle FakeDialUpDialogs::find(const QString& title) {
    ++m_findCount;
    for (const Dialog& d : m_dialogs)
        if (d.title == title)
            return d.handle;
    return 0;
}

bool FakeDialUpDialogs::holdBack(Handle window) {
    m_calls << QStringLiteral("holdBack %1").arg(window);
    const qsizetype i = indexOf(window);
    if (i < 0)
        return false;
    m_dialogs[i].held = true;
    return true;
}

bool FakeDialUpDialogs::release(Handle window) {
    m_calls << QStringLiteral("release %1").arg(window);
    const qsizetype i = indexOf(window);
    if (i < 0)
        return false;
    m_dialogs[i].held = false;
    return true;
}

std::optional<QRect> FakeDialUpDialogs::frameRect(Handle window) {
    const qsizetype i = indexOf(window);
    return i < 0 ? std::nullopt : std::optional<QRect>(m_dialogs[i].frame);
}

bool FakeDialUpDialogs::close(Handle window) {
    m_calls << QStringLiteral("close %1").arg(window);
    if (indexOf(window) < 0)
        return false;
    closeByUser(window);
    return true;
}

bool FakeDialUpDialogs::isOpen(Handle window) const {
    return indexOf(window) >= 0;
}

bool FakeDialUpDialogs::isHeld(Handle window) const {
    const qsizetype i = indexOf(window);
    return i >= 0 && m_dialogs[i].held;
}

qsizetype FakeDialUpDialogs::indexOf(Handle window) const {
    for (qsizetype i = 0; i < m_dialogs.size(); ++i)
        if (m_dialogs[i].handle == window)
            return i;
    return -1;
}
