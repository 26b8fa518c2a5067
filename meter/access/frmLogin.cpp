#include "meter/access/frmLogin.h"

#include "meter/settings/TwipsControls.h"
#include "platform/DialogKeys.h"
#include "platform/Prompter.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <exception>

using namespace std::chrono_literals;

namespace {

using namespace TwipsControls;

constexpr int WidthTwips = 4230;  // 282 pixels
constexpr int HeightTwips = 1650; // 110 pixels

} // namespace

frmLogin::frmLogin(Store& store, MeterEngine& mainEngine, DialUpNetwork& network,
                   DeskLock& deskLock, DialUpDialogs& dialogs, Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowStaysOnTopHint),
      m_prompter(prompter), m_gate(store, mainEngine, deskLock, dialogs),
      m_decision(store, mainEngine, network) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Dialtoll用户登录"));
    setFixedSize(WidthTwips / TwipsPerPixel, HeightTwips / TwipsPerPixel);
    buildControls();
    m_frameWatch = new QTimer(this);
    m_frameWatch->setInterval(50ms);
    connect(m_frameWatch, &QTimer::timeout, this, [this] {
        if (++m_frameChecks >= 20 || !isVisible())
            m_frameWatch->stop();
        followFrame();
    });
}

frmLogin::~frmLogin() {
    // However the window goes, the desk is not left locked.
    if (m_gate.loaded())
        finish();
}

void frmLogin::buildControls() {
    QLabel* name =
        Caption("lblLabels0", QStringLiteral("用户名称(&U):"), this, Twips(105, 180, 1275, 270));
    m_txtUserName = Box("txtUserName", QString(), this, Twips(1395, 135, 2700, 345));
    name->setBuddy(m_txtUserName);
    QLabel* password =
        Caption("lblLabels1", QStringLiteral("密码(&P):"), this, Twips(105, 570, 1275, 270));
    m_txtPassword = PasswordBox("txtPassword", this, Twips(1395, 525, 2700, 345));
    password->setBuddy(m_txtPassword);
    QPushButton* ok = Button("cmdOK", QStringLiteral("确定"), this, Twips(855, 1050, 1200, 390));
    QPushButton* cancel =
        Button("cmdCancel", QStringLiteral("取消"), this, Twips(2475, 1050, 1200, 390));
    m_label1 = Caption("Label1", LoginContext::ConnectionText, this, Twips(105, 1050, 600, 270));
    m_label1->hide();

    ok->setDefault(true);
    auto* keys = new DialogKeys(this);
    keys->setDefaultButton(ok);
    keys->setCancelButton(cancel);
    connect(ok, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
}

void frmLogin::load() {
    if (m_gate.loaded())
        return;
    m_gate.load();
    m_label1->setText(m_gate.context().text());
    m_txtUserName->clear();
    m_txtPassword->clear();
    // Each showing opens in the middle of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        centreOver(screen->geometry());
    m_txtUserName->setFocus();
}

void frmLogin::setLoginContext(const QString& text) {
    load();
    m_gate.setContext(LoginContext::fromText(text));
    m_label1->setText(m_gate.context().text());
}

void frmLogin::showLogin() {
    load();
    show();
    raise();
    activateWindow();
}

void frmLogin::showFor(const QString& contextText) {
    showLogin();
    setLoginContext(contextText);
}

void frmLogin::showForDialog(DialUpDialogs::Handle dialog) {
    showLogin();
    m_gate.setContext(LoginContext::forDialog(dialog));
    m_label1->setText(m_gate.context().text());
}

void frmLogin::closeForShutdown() {
    setLoginContext(LoginContext::ShutdownText);
    close();
    // A window that was never shown takes no close event; the lock is lifted all the same.
    if (m_gate.loaded())
        finish();
}

void frmLogin::cmdOK_Click() {
    const QString name = m_txtUserName->text();
    const QString context = m_gate.context().text();
    LoginDecision::Verdict verdict;
    try {
        verdict = m_decision.check(name, m_txtPassword->text(), context);
    } catch (const std::exception& error) {
        refuse(
            QStringLiteral("无法检查用户名和密码：%1").arg(QString::fromLocal8Bit(error.what())));
        return;
    }
    switch (verdict) {
    case LoginDecision::Verdict::PublicAccountRefused:
        if (refuse(LoginDecision::PublicAccountMessage)) {
            m_txtUserName->clear();
            m_txtUserName->setFocus();
        }
        return;
    case LoginDecision::Verdict::WrongPassword:
        if (refuse(LoginDecision::WrongPasswordMessage))
            SelectAll(m_txtUserName);
        return;
    case LoginDecision::Verdict::AccountsUnavailable:
        if (refuse(m_decision.message()))
            SelectAll(m_txtUserName);
        return;
    case LoginDecision::Verdict::StoreFailed:
        if (refuse(
                QStringLiteral("数据库出错，无法检查用户名和密码：%1").arg(m_decision.message())))
            SelectAll(m_txtUserName);
        return;
    case LoginDecision::Verdict::Accepted:
        break;
    }
    bool accepted = false;
    try {
        accepted = m_decision.accept(name, context);
    } catch (const std::exception&) {
        accepted = false;
    }
    if (!accepted) {
        refuse(QStringLiteral("数据库出错，无法载入用户“%1”：%2").arg(name, m_decision.message()));
        return;
    }
    m_gate.setSucceeded(true);
    close();
}

void frmLogin::cmdCancel_Click() {
    m_gate.setSucceeded(false);
    close();
}

bool frmLogin::refuse(const QString& message) {
    // Hidden for the message, so the message is not under a window that stays on top; the
    // dialog watch must not take the hidden window for a closed one meanwhile.
    emit watchPauseRequested();
    hide();
    m_prompter.error(message);
    // The program may have ended while the message was open.
    const bool stillOpen = m_gate.loaded();
    if (stillOpen)
        show();
    emit watchResumeRequested();
    return stillOpen;
}

void frmLogin::finish() {
    m_gate.release();
    m_label1->setText(m_gate.context().text());
}

void frmLogin::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    load();
    m_gate.applyLock(*this, frameGeometry());
    // The window manager frames the window some time after it is shown, and Qt learns of the
    // frame without any event: it is looked at for a moment, so the window is placed and the
    // pointer's rectangle taken again with it.
    m_frameChecks = 0;
    m_frameWatch->start();
}

void frmLogin::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible())
        m_gate.applyLock(*this, frameGeometry());
}

void frmLogin::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    followFrame();
}

void frmLogin::centreOver(const QRect& area) {
    m_placedOver = area;
    place();
}

void frmLogin::place() {
    m_placedSize = frameGeometry().size();
    move(m_placedOver.left() + (m_placedOver.width() - m_placedSize.width()) / 2,
         m_placedOver.top() + (m_placedOver.height() - m_placedSize.height()) / 2);
}

void frmLogin::followFrame() {
    // A frame that came (or changed) since the window was placed: placed again, with it.
    // A move of the user's own keeps the size and stays where it was put.
    if (m_placedOver.isValid() && frameGeometry().size() != m_placedSize)
        place();
    if (isVisible())
        m_gate.followWindow(frameGeometry());
}

void frmLogin::closeEvent(QCloseEvent* event) {
    if (m_gate.loaded())
        finish();
    event->accept();
}
