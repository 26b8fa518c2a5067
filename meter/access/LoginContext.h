#pragma once

#include "platform/DialUpDialogs.h"

#include <QString>
#include <optional>

// Why the login window is up, kept as the text its hidden label shows: "0" for a link that came
// up without a log-on, "900000" for a change of user, "9000000" for the program's end, or the
// decimal handle of a dial-up dialog held back for it.
class LoginContext {
public:
    enum class Kind { Connection, ChangeOfUser, Shutdown, Dialog };

    static const QString ConnectionText;
    static const QString ChangeOfUserText;
    static const QString ShutdownText;

    LoginContext() = default;
    // Read as its leading number: the three codes, a dialog's handle, anything else (no
    // number, 0, a number no window can have) as a link.
    static LoginContext fromText(const QString& text);
    // A dialog whose handle happens to read as one of the codes is still that dialog.
    static LoginContext forDialog(DialUpDialogs::Handle dialog);

    const QString& text() const { return m_text; }
    Kind kind() const { return m_kind; }
    std::optional<DialUpDialogs::Handle> dialog() const { return m_dialog; }

private:
    QString m_text = ConnectionText;
    Kind m_kind = Kind::Connection;
    std::optional<DialUpDialogs::Handle> m_dialog;
};
