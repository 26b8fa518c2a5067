#include "meter/desktop/DialUpDialogWatcher.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/access/LoginPrompt.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"

#include <optional>

const QStringList DialUpDialogWatcher::StandardTitles = {
    QStringLiteral("拨号连接"),
    QStringLiteral("连接到"),
    QStringLiteral("重新创建连接"),
    QStringLiteral("iWPS:拨号"),
};

QStringList DialUpDialogWatcher::Titles(const QString& extra) {
    QStringList titles = StandardTitles;
    for (const QString& part : extra.split(u',')) {
        const QString title = part.trimmed();
        if (!title.isEmpty() && !titles.contains(title))
            titles << title;
    }
    return titles;
}

DialUpDialogWatcher::DialUpDialogWatcher(Store& store, DialUpDialogs& dialogs,
                                         MeterEngine& mainEngine, LoginPrompt& login,
                                         QStringList titles, QObject* parent)
    : QObject(parent), m_store(store), m_dialogs(dialogs), m_engine(mainEngine), m_login(login),
      m_titles(std::move(titles)) {}

bool DialUpDialogWatcher::multiUserOn() {
    try {
        return NumberFromText(SelectUser(m_store, QStringLiteral("Masterset"),
                                         QStringLiteral("Master"), QStringLiteral("More"),
                                         QStringLiteral("0"))
                                  .toString()) != 0;
    } catch (const StoreError&) {
        return false;
    }
}

void DialUpDialogWatcher::Timer2() {
    if (!multiUserOn())
        return;
    // A log-on is being asked for already.
    if (m_login.isShowing())
        return;
    emit timerStopRequested();

    bool allowed = false;
    std::optional<QRect> dialogRect;
    for (const QString& title : std::as_const(m_titles)) {
        const DialUpDialogs::Handle dialog = m_dialogs.find(title);
        if (dialog == 0)
            continue;
        if (m_engine.state().LoginGranted) {
            allowed = true;
            continue;
        }
        // A dialog that closed since the look-up fails these calls; that is all.
        m_dialogs.holdBack(dialog);
        m_login.showForDialog(dialog);
        if (const auto rect = m_dialogs.frameRect(dialog))
            dialogRect = rect;
    }

    if (m_login.isShowing() && dialogRect)
        m_login.centreOver(*dialogRect);
    // No dialog open under the permission and no link up: it has expired.
    if (!m_login.isShowing() && !allowed && !m_engine.state().Linked)
        m_engine.setLoginGranted(false);

    emit timerStartRequested();
}
