#pragma once

#include "platform/DialUpDialogs.h"

#include <QList>
#include <QStringList>

// A table of open dialogs (title, handle, frame rectangle) that a test opens and closes.
// Records holdBack, release and close in order ("holdBack 4097", "release 4097",
// "close 4097"); a close request closes the dialog, as a dialler's dialog does.
class FakeDialUpDialogs : public DialUpDialogs {
public:
    // Opens a dialog and gives its handle; handles are never reused.
    Handle open(const QString& title, const QRect& frame = QRect(100, 100, 360, 240));
    // The dialog closes by itself (the user closed it, the dialler ended).
    void closeByUser(Handle window);

    Handle find(const QString& title) override;
    bool holdBack(Handle window) override;
    bool release(Handle window) override;
    std::optional<QRect> frameRect(Handle window) override;
    bool close(Handle window) override;

    const QStringList& calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    bool isOpen(Handle window) const;
    bool isHeld(Handle window) const;
    int findCount() const { return m_findCount; }

private:
    struct Dialog {
        QString title;
        Handle handle;
        QRect frame;
        bool held = false;
    };
    qsizetype indexOf(Handle window) const;

    QList<Dialog> m_dialogs;
    QStringList m_calls;
    Handle m_nextHandle = 0x1001;
    int m_findCount = 0;
};
