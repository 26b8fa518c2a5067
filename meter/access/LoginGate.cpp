#include "meter/access/LoginGate.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"
#include "platform/DeskLock.h"

LoginGate::LoginGate(Store& store, MeterEngine& mainEngine, DeskLock& deskLock,
                     DialUpDialogs& dialogs)
    : m_store(store), m_engine(mainEngine), m_deskLock(deskLock), m_dialogs(dialogs) {}

void LoginGate::load() {
    if (m_loaded)
        return;
    m_loaded = true;
    m_context = LoginContext();
    m_succeeded = false;
    m_pointerConfined = false;
    m_heldDialogs.clear();
    m_hangUpOwed = false;
}

void LoginGate::setContext(const LoginContext& context) {
    load();
    m_context = context;
    if (const auto dialog = context.dialog(); dialog && !m_heldDialogs.contains(*dialog))
        m_heldDialogs.append(*dialog);
    if (context.kind() == LoginContext::Kind::Connection)
        m_hangUpOwed = true;
}

QRect LoginGate::LockRect(const QRect& outer) {
    return outer.translated(0, -6);
}

bool LoginGate::optionOn(const char* column) {
    try {
        return NumberFromText(SelectUser(m_store, QStringLiteral("Masterset"),
                                         QStringLiteral("Master"), QString::fromLatin1(column),
                                         QStringLiteral("0"))
                                  .toString()) == 1;
    } catch (const StoreError&) {
        // An unreadable option locks nothing; the window itself still works.
        return false;
    }
}

void LoginGate::applyLock(QWidget& window, const QRect& outer) {
    m_deskLock.keepOnTop(window);
    const QRect lockRect = LockRect(outer);
    if (optionOn("Screen"))
        m_deskLock.holdKeyboard(window);
    if (optionOn("Mouse")) {
        m_pointerConfined = true;
        m_lockRect = lockRect;
        m_deskLock.confinePointer(lockRect);
    }
}

void LoginGate::followWindow(const QRect& outer) {
    if (m_pointerConfined && LockRect(outer) != m_lockRect) {
        m_lockRect = LockRect(outer);
        m_deskLock.confinePointer(m_lockRect);
    }
}

void LoginGate::release() {
    m_deskLock.releasePointer();
    m_pointerConfined = false;
    // The context's dialog first, then any other one an earlier request held back.
    if (const auto dialog = m_context.dialog())
        m_dialogs.release(*dialog);
    for (const DialUpDialogs::Handle dialog : std::as_const(m_heldDialogs))
        if (dialog != m_context.dialog())
            m_dialogs.release(dialog);
    m_deskLock.releaseKeyboard();

    if (!m_succeeded) {
        switch (m_context.kind()) {
        case LoginContext::Kind::Connection:
            m_engine.HangUpAll();
            break;
        case LoginContext::Kind::Dialog:
            m_dialogs.close(*m_context.dialog());
            if (m_hangUpOwed)
                m_engine.HangUpAll();
            break;
        case LoginContext::Kind::ChangeOfUser:
            if (m_hangUpOwed)
                m_engine.HangUpAll();
            break;
        case LoginContext::Kind::Shutdown:
            // The program ends: nothing is hung up or closed.
            break;
        }
    }
    m_loaded = false;
    m_heldDialogs.clear();
    m_hangUpOwed = false;
}
