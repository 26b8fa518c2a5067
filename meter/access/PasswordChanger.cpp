#include "meter/access/PasswordChanger.h"

#include "common/StoreError.h"
#include "meter/access/TextLimits.h"
#include "meter/settings/TwipsControls.h"
#include "platform/Prompter.h"

#include <QLineEdit>

using namespace std::chrono_literals;

PasswordChanger::PasswordChanger(QLineEdit* current, QLineEdit* fresh, Prompter& prompter,
                                 MessageFunction wrongPassword, StoreFunction store,
                                 QObject* parent)
    : QObject(parent), m_current(current), m_fresh(fresh), m_prompter(prompter),
      m_wrongPassword(std::move(wrongPassword)), m_store(std::move(store)),
      m_timer1(new QTimer(this)) {
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(3000ms);
    connect(m_timer1, &QTimer::timeout, this, &PasswordChanger::hidePassword);
}

void PasswordChanger::change() {
    const QString fresh = m_fresh->text();
    if (fresh.isEmpty()) {
        m_prompter.error(QStringLiteral("新密码不能为空！"));
        m_fresh->setFocus();
        return;
    }
    if (TextLimits::Exceeds(fresh, TextLimits::Password)) {
        m_prompter.error(QStringLiteral("密码不能超过%1位！").arg(TextLimits::Password));
        TwipsControls::SelectAll(m_fresh);
        return;
    }
    if (!matches(m_current->text())) {
        m_prompter.error(m_wrongPassword());
        TwipsControls::SelectAll(m_current);
        return;
    }
    try {
        m_store(fresh);
    } catch (const StoreError& error) {
        m_prompter.error(QStringLiteral("数据库出错，密码未更改：%1").arg(error.message()));
        return;
    }
    m_password = fresh;
    m_current->setText(fresh);
    m_fresh->clear();
    if (m_prompter.question(QStringLiteral("密码更改成功，是否要查看一下新密码？"))) {
        m_current->setEchoMode(QLineEdit::Normal);
        m_timer1->start();
    }
}

void PasswordChanger::hidePassword() {
    m_timer1->stop();
    m_current->setEchoMode(QLineEdit::Password);
}
