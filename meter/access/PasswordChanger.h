#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class Prompter;
class QLineEdit;

// The "更改密码" button of the settings windows. It keeps the password the window loaded,
// checks the current and the new password boxes, stores the new password and offers to show
// it: the current-password box then shows it in clear until `Timer1` fires three seconds later.
class PasswordChanger : public QObject {
    Q_OBJECT
public:
    // Stores the new password; throws StoreError when it cannot.
    using StoreFunction = std::function<void(const QString& password)>;
    // The refusal shown for a wrong current password.
    using MessageFunction = std::function<QString()>;

    PasswordChanger(QLineEdit* current, QLineEdit* fresh, Prompter& prompter,
                    MessageFunction wrongPassword, StoreFunction store, QObject* parent);

    // The password as loaded; nullopt when it could not be read, and then nothing matches it.
    void setPassword(std::optional<QString> password) { m_password = std::move(password); }
    bool matches(const QString& typed) const { return m_password && typed == *m_password; }

    // The button's work.
    void change();
    // Masks the current-password box again.
    void hidePassword();

private:
    QLineEdit* m_current;
    QLineEdit* m_fresh;
    Prompter& m_prompter;
    MessageFunction m_wrongPassword;
    StoreFunction m_store;
    std::optional<QString> m_password;
    QTimer* m_timer1;
};
