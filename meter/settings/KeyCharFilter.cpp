#include "meter/settings/KeyCharFilter.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <utility>

namespace {

bool IsControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

} // namespace

KeyCharFilter::KeyCharFilter(QString accepted, QObject* parent)
    : QObject(parent), m_accepted(std::move(accepted)) {}

bool KeyCharFilter::accepts(QChar c) const {
    return IsControl(c) || m_accepted.contains(c);
}

bool KeyCharFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        for (const QChar c : text) {
            if (!accepts(c))
                return true;
        }
        return false;
    }
    if (event->type() == QEvent::InputMethod) {
        auto* ime = static_cast<QInputMethodEvent*>(event);
        QString kept;
        for (const QChar c : ime->commitString()) {
            if (accepts(c))
                kept += c;
        }
        if (kept.size() == ime->commitString().size())
            return false;
        // The same event without the refused characters; it passes this filter unchanged.
        QInputMethodEvent filtered(ime->preeditString(), ime->attributes());
        filtered.setCommitString(kept, ime->replacementStart(), ime->replacementLength());
        QCoreApplication::sendEvent(watched, &filtered);
        return true;
    }
    return false;
}
