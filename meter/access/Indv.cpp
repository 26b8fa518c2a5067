#include "meter/access/Indv.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/access/PasswordChanger.h"
#include "meter/access/TextLimits.h"
#include "meter/engine/MeterEngine.h"
#include "meter/settings/KeyCharFilter.h"
#include "meter/settings/TitleBand.h"
#include "meter/settings/TwipsControls.h"
#include "platform/Clock.h"
#include "platform/DialogKeys.h"
#include "platform/Prompter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace TwipsControls;

constexpr int WidthTwips = 5265;  // 351 pixels
constexpr int HeightTwips = 5340; // 356 pixels

const QString Digits = QStringLiteral("0123456789");
const QString PublicAccount = QStringLiteral("公用帐号");

} // namespace

Indv::Indv(Store& store, Prompter& prompter, MeterEngine& mainEngine, const Clock& clock,
           QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_prompter(prompter),
      m_engine(mainEngine), m_clock(clock), m_settings(store) {
    setObjectName(QStringLiteral("Indv"));
    setWindowTitle(QStringLiteral("Dialtoll个人设置"));
    setFixedSize(WidthTwips / TwipsPerPixel, HeightTwips / TwipsPerPixel);
    buildControls();
    Form_Load();
}

void Indv::buildControls() {
    TitleBand::Install(this, QStringLiteral("Dialtoll个人设置"), "Label4", WidthTwips);

    QGroupBox* password =
        Group("Frame1", QStringLiteral("输入/修改密码"), this, Twips(90, 420, 5085, 1050));
    Caption("Label1", QStringLiteral("用户旧密码:"), password, Twips(120, 300, 1110, 300));
    m_text1 = PasswordBox("Text1", password, Twips(1230, 300, 1800, 300));
    Caption("Label2", QStringLiteral("新密码:"), password, Twips(120, 690, 1110, 300));
    m_text2 = PasswordBox("Text2", password, Twips(1230, 690, 1800, 300));
    QPushButton* command1 =
        Button("Command1", QStringLiteral("更改密码"), password, Twips(3360, 495, 1200, 300));

    QGroupBox* reminder =
        Group("Frame2", QStringLiteral("提醒设置"), this, Twips(90, 1530, 5085, 1050));
    m_ck1 = Check("Ck1", QStringLiteral("计划时间剩余:"), reminder, Twips(120, 300, 1620, 300));
    m_text3 = Box("Text3", QStringLiteral("60"), reminder, Twips(1740, 300, 600, 300));
    Caption("Label3", QStringLiteral("秒时声音提醒"), reminder, Twips(2400, 300, 1380, 300));
    m_ck2 = Check("Ck2", QStringLiteral("断开连接前询问，是否要断开连接。"), reminder,
                  Twips(120, 690, 4905, 300));

    QGroupBox* countdown =
        Group("Frame3", QStringLiteral("倒计时器设置"), this, Twips(90, 2640, 5085, 1050));
    Caption("Label9", QStringLiteral("倒计时标题:"), countdown, Twips(120, 300, 990, 300));
    m_text9 = Box("Text9", QString(), countdown, Twips(1110, 300, 3855, 300));
    Caption("Label10", QStringLiteral("日期时间:"), countdown, Twips(120, 690, 990, 300));
    m_text10 = Box("Text10", QString(), countdown, Twips(1110, 690, 3855, 300));

    QGroupBox* display =
        Group("Frame4", QStringLiteral("在主界面中的显示设置"), this, Twips(90, 3750, 5085, 1140));
    Caption("Label5", QStringLiteral("上网总时:"), display, Twips(120, 270, 870, 300));
    m_text4 = Box("Text4", QStringLiteral("0"), display, Twips(990, 270, 1140, 300));
    Caption("Label6", QStringLiteral("秒"), display, Twips(2160, 270, 300, 300));
    Caption("Label7", QStringLiteral("费用总和:"), display, Twips(2580, 270, 870, 300));
    m_text5 = Box("Text5", QStringLiteral("0.00"), display, Twips(3450, 270, 1140, 300));
    Caption("Label8", QStringLiteral("元"), display, Twips(4620, 270, 300, 300));
    QLabel* label11 = Caption("Label11",
                              QStringLiteral("该项设置指：在主界面中所显示的用户的“上网总时”及“费用"
                                             "总和”而该用户的实际统计记录不变。"),
                              display, Twips(120, 600, 4845, 480));
    label11->setWordWrap(true);
    label11->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QPushButton* command2 =
        Button("Command2", QStringLiteral("确定(&T)"), this, Twips(2790, 4950, 1140, 300));
    QPushButton* command3 =
        Button("Command3", QStringLiteral("取消(&C)"), this, Twips(4035, 4950, 1140, 300));

    m_changer = new PasswordChanger(
        m_text1, m_text2, m_prompter,
        [this] {
            return QStringLiteral("用户:“%1”的旧密码错误！无法更改密码。").arg(currentUser());
        },
        [this](const QString& fresh) { m_settings.storePassword(currentUser(), fresh); }, this);
    connect(command1, &QPushButton::clicked, this, &Indv::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &Indv::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &Indv::Command3_Click);
    // Esc closes the window without storing, like its close button.
    (new DialogKeys(this))->setCancelButton(command3);

    auto* numbers = new KeyCharFilter(Digits + u'.', this);
    for (QLineEdit* box : {m_text3, m_text4, m_text5})
        box->installEventFilter(numbers);
    m_text10->installEventFilter(new KeyCharFilter(Digits + QStringLiteral("/-: 年月日"), this));
}

QString Indv::currentUser() const {
    return m_engine.currentUser();
}

void Indv::Form_Load() {
    const QString user = currentUser();
    try {
        m_changer->setPassword(m_settings.password(user));
        const PersonalValues values = m_settings.load(user, m_clock.now().date().year());
        m_ck1->setChecked(values.jack);
        m_ck2->setChecked(values.ask);
        m_text3->setText(values.lenTm);
        m_text4->setText(values.showTm);
        m_text5->setText(values.showMoney);
        m_text9->setText(values.title);
        m_text10->setText(values.toDate);
        // Long texts show from their start, not scrolled to the cursor at their end.
        for (QLineEdit* box : {m_text9, m_text10})
            box->setCursorPosition(0);
    } catch (const StoreError& error) {
        m_prompter.error(QStringLiteral("数据库出错，无法读取设置：%1").arg(error.message()));
    }
}

PersonalValues Indv::editedValues() const {
    PersonalValues values;
    values.jack = m_ck1->isChecked();
    values.ask = m_ck2->isChecked();
    values.lenTm = m_text3->text();
    values.showTm = m_text4->text();
    values.showMoney = m_text5->text();
    values.title = m_text9->text();
    values.toDate = m_text10->text();
    return values;
}

void Indv::refuse(QLineEdit* box, const QString& message) {
    m_prompter.error(message);
    SelectAll(box);
}

void Indv::Command1_Click() {
    m_changer->change();
}

void Indv::Command2_Click() {
    const QString user = currentUser();
    if (!m_changer->matches(m_text1->text())) {
        refuse(m_text1, QStringLiteral("用户:“%1”的密码错误！无法保存当前设置。").arg(user));
        return;
    }
    if (TextLimits::Exceeds(m_text9->text(), TextLimits::CountdownTitle)) {
        refuse(m_text9,
               QStringLiteral("倒计时标题不能超过%1个字符！").arg(TextLimits::CountdownTitle));
        return;
    }
    if (TextLimits::Exceeds(m_text10->text(), TextLimits::CountdownDateTime)) {
        refuse(m_text10,
               QStringLiteral("日期时间不能超过%1个字符！").arg(TextLimits::CountdownDateTime));
        return;
    }

    try {
        m_settings.store(user, editedValues());
    } catch (const StoreError& error) {
        m_prompter.error(QStringLiteral("数据库出错，设置未保存：%1").arg(error.message()));
        return;
    }
    try {
        m_engine.UserSet(NumberFromText(m_text4->text()), NumberFromText(m_text5->text()));
        m_engine.hsLoad();
    } catch (const StoreError& error) {
        // The settings are stored; the main window has not taken them over yet.
        m_prompter.error(QStringLiteral("设置已保存，但主界面未能更新：%1").arg(error.message()));
        return;
    }
    if (user == PublicAccount)
        m_prompter.information(
            QStringLiteral("当前用户为：“公用帐号”，公用帐号的“提醒设置”和“倒计时器设置”需要在“"
                           "系统设置”中设置。"));
    close();
}

void Indv::Command3_Click() {
    close();
}

void Indv::paintEvent(QPaintEvent*) {
    TitleBand::Paint(this);
}
