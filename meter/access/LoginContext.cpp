#include "meter/access/LoginContext.h"

#include "common/TextConventions.h"

#include <limits>

const QString LoginContext::ConnectionText = QStringLiteral("0");
const QString LoginContext::ChangeOfUserText = QStringLiteral("900000");
const QString LoginContext::ShutdownText = QStringLiteral("9000000");

LoginContext LoginContext::fromText(const QString& text) {
    LoginContext context;
    context.m_text = text;
    const double number = NumberFromText(text);
    if (number == 900000) {
        context.m_kind = Kind::ChangeOfUser;
    } else if (number == 9000000) {
        context.m_kind = Kind::Shutdown;
    } else if (number >= 1 && number <= std::numeric_limits<DialUpDialogs::Handle>::max() &&
               number == static_cast<DialUpDialogs::Handle>(number)) {
        context.m_kind = Kind::Dialog;
        context.m_dialog = static_cast<DialUpDialogs::Handle>(number);
    }
    return context;
}

LoginContext LoginContext::forDialog(DialUpDialogs::Handle dialog) {
    LoginContext context;
    context.m_text = QString::number(dialog);
    context.m_kind = Kind::Dialog;
    context.m_dialog = dialog;
    return context;
}
