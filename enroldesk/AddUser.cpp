#include "enroldesk/AddUser.h"

#include "common/DataFolder.h"
#include "common/Store.h"
#include "enroldesk/AccountDirectory.h"
#include "platform/DialogKeys.h"
#include "platform/Prompter.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLineEdit* MakeBox(QWidget* parent, const char* name, bool secret) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    if (secret)
        box->setEchoMode(QLineEdit::Password);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

AddUser::AddUser(Prompter& prompter, const Clock& clock, const QString& dataFolder,
                 std::shared_ptr<AccountDirectory> server, QWidget* parent)
    : QWidget(parent), m_prompter(prompter),
      m_enrolment(DataFilePath(dataFolder, QString::fromLatin1(Store::FileName)), clock),
      m_server(std::move(server)) {
    setObjectName(QStringLiteral("AddUser"));
    setWindowTitle(QStringLiteral("Enroldesk/注消"));
    buildControls();
    connect(m_command1, &QPushButton::clicked, this, &AddUser::Command1_Click);
    connect(m_command3, &QPushButton::clicked, this, &AddUser::Command3_Click);
    connect(m_command2, &QPushButton::clicked, this, &AddUser::Command2_Click);
    connect(&m_serverCall, &QFutureWatcher<AccountEnrolment::Result>::finished, this, [this] {
        setBusy(false);
        report(m_serverCall.result());
        emit serverCallFinished();
    });
}

void AddUser::buildControls() {
    auto* fields = new QGridLayout;
    m_text1 = MakeBox(this, "Text1", false);
    m_text2 = MakeBox(this, "Text2", true);
    m_text3 = MakeBox(this, "Text3", true);
    fields->addWidget(MakeLabel(this, "Label1", QStringLiteral("用户名:")), 0, 0);
    fields->addWidget(m_text1, 0, 1);
    fields->addWidget(MakeLabel(this, "Label2", QStringLiteral("1-12个字母或汉字")), 0, 2);
    fields->addWidget(MakeLabel(this, "Label3", QStringLiteral("密  码:")), 1, 0);
    fields->addWidget(m_text2, 1, 1);
    fields->addWidget(MakeLabel(this, "Label4", QStringLiteral("1-8位")), 1, 2);
    fields->addWidget(MakeLabel(this, "Label5", QStringLiteral("验  证:")), 2, 0);
    fields->addWidget(m_text3, 2, 1);
    fields->addWidget(MakeLabel(this, "Label6", QStringLiteral("同上")), 2, 2);

    m_command1 = MakeButton(this, "Command1", QStringLiteral("注册(&R)"));
    m_command2 = MakeButton(this, "Command2", QStringLiteral("取消(&C)"));
    auto* registration = new QHBoxLayout;
    registration->addStretch();
    registration->addWidget(m_command1);
    registration->addWidget(m_command2);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    m_text4 = MakeBox(this, "Text4", true);
    m_command3 = MakeButton(this, "Command3", QStringLiteral("注消(&D)"));
    auto* administrator = new QHBoxLayout;
    administrator->addWidget(MakeLabel(this, "Label7", QStringLiteral("管理员密码:")));
    administrator->addWidget(m_text4, 1);
    administrator->addWidget(m_command3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(registration);
    layout->addWidget(rule);
    layout->addLayout(administrator);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Esc leaves as 取消 does.
    (new DialogKeys(this))->setCancelButton(m_command2);

    setTabOrder(m_text1, m_text2);
    setTabOrder(m_text2, m_text3);
    setTabOrder(m_text3, m_command1);
    setTabOrder(m_command1, m_command2);
    setTabOrder(m_command2, m_text4);
    setTabOrder(m_text4, m_command3);
    m_text1->setFocus();
}

void AddUser::Command1_Click() {
    if (isBusy())
        return;
    const QString name = m_text1->text();
    const QString password = m_text2->text();
    if (!m_server) {
        report(m_enrolment.registerAccount(name, password, m_text3->text(), m_text4->text()));
        return;
    }
    if (const auto refusal =
            m_enrolment.checkRegistration(name, password, m_text3->text(), m_text4->text())) {
        report(*refusal);
        return;
    }
    callServer([server = m_server, name, password, date = m_enrolment.registrationDate()] {
        return AccountEnrolment::registerOnServer(*server, name, password, date);
    });
}

void AddUser::Command3_Click() {
    if (isBusy())
        return;
    const QString name = m_text1->text();
    if (!m_server) {
        report(m_enrolment.removeAccount(name, m_text4->text()));
        return;
    }
    if (const auto refusal = m_enrolment.checkRemoval(name, m_text4->text())) {
        report(*refusal);
        return;
    }
    callServer(
        [server = m_server, name] { return AccountEnrolment::removeFromServer(*server, name); });
}

void AddUser::Command2_Click() {
    close();
}

void AddUser::callServer(std::function<AccountEnrolment::Result()> call) {
    setBusy(true);
    m_serverCall.setFuture(QtConcurrent::run(std::move(call)));
}

void AddUser::setBusy(bool busy) {
    for (QPushButton* button : {m_command1, m_command2, m_command3})
        button->setEnabled(!busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void AddUser::closeEvent(QCloseEvent* event) {
    // The server's answer is still to come: leaving now would hide whether the account was
    // changed. The connect timeout bounds the wait.
    if (isBusy()) {
        event->ignore();
        return;
    }
    event->accept();
    emit programEnds();
}

void AddUser::selectAll(QLineEdit* box) {
    // The whole text selected with the cursor at its start.
    const auto length = static_cast<int>(box->text().size());
    box->setSelection(length, -length);
}

void AddUser::report(const AccountEnrolment::Result& result) {
    using Outcome = AccountEnrolment::Outcome;
    const QString text = m_enrolment.message(result);
    if (AccountEnrolment::isSuccess(result.outcome))
        m_prompter.information(text);
    else
        m_prompter.error(text);

    switch (result.outcome) {
    case Outcome::PasswordEmpty:
        m_text2->setFocus();
        break;
    case Outcome::VerificationDiffers:
    case Outcome::PasswordTooLong:
        selectAll(m_text2);
        m_text2->setFocus();
        break;
    case Outcome::NameEmpty:
        m_text1->setFocus();
        break;
    case Outcome::NameIsPublic:
    case Outcome::NameTaken:
        m_text1->clear();
        m_text1->setFocus();
        break;
    case Outcome::NameTooLong:
        selectAll(m_text1);
        m_text1->setFocus();
        break;
    case Outcome::AdminPasswordWrong:
        selectAll(m_text4);
        m_text4->setFocus();
        break;
    case Outcome::StoreMissing:
        close();
        break;
    case Outcome::StoreUnreadable:
    case Outcome::StoreFailed:
    case Outcome::ServerUnreachable:
    case Outcome::ServerFailed:
    case Outcome::MasterMissing:
    case Outcome::NoSuchUser:
    case Outcome::Registered:
    case Outcome::Removed:
        break;
    }
}
