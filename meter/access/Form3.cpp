#include "meter/access/Form3.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/access/PasswordChanger.h"
#include "meter/access/TextLimits.h"
#include "meter/settings/KeyCharFilter.h"
#include "meter/settings/TitleBand.h"
#include "meter/settings/TwipsControls.h"
#include "platform/DialogKeys.h"
#include "platform/Prompter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace TwipsControls;

constexpr int WidthTwips = 5265;  // 351 pixels
constexpr int HeightTwips = 4665; // 311 pixels

} // namespace

Form3::Form3(Store& store, Registry& registry, Prompter& prompter, MeterEngine& mainEngine,
             const QString& executablePath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_prompter(prompter),
      m_settings(store, registry, mainEngine, executablePath) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Dialtoll管理设置"));
    setFixedSize(WidthTwips / TwipsPerPixel, HeightTwips / TwipsPerPixel);
    buildControls();
    Form_Load();
}

void Form3::buildControls() {
    TitleBand::Install(this, QStringLiteral("Dialtoll管理设置"), "Label3", WidthTwips);

    QGroupBox* password =
        Group("Frame1", QStringLiteral("输入/修改密码"), this, Twips(90, 420, 5085, 1050));
    Caption("Label1", QStringLiteral("管理员密码:"), password, Twips(120, 300, 1110, 300));
    m_text1 = PasswordBox("Text1", password, Twips(1230, 300, 1800, 300));
    Caption("Label2", QStringLiteral("新密码:"), password, Twips(120, 690, 1110, 300));
    m_text2 = PasswordBox("Text2", password, Twips(1230, 690, 1800, 300));
    QPushButton* command1 =
        Button("Command1", QStringLiteral("更改密码"), password, Twips(3360, 495, 1200, 300));

    QGroupBox* login =
        Group("Frame2", QStringLiteral("网络登录设置"), this, Twips(90, 1530, 5085, 1050));
    m_ck1 = Check("Ck1", QStringLiteral("多用户管理，上网前要求用户登陆且各用户分开记费。"), login,
                  Twips(120, 300, 4905, 300));
    Caption("Label4", QStringLiteral("用户登陆窗口出现后:"), login, Twips(120, 690, 1920, 300));
    m_ck2 = Check("Ck2", QStringLiteral("屏蔽系统按键"), login, Twips(2070, 690, 1440, 300));
    m_ck3 = Check("Ck3", QStringLiteral("限制鼠标移动"), login, Twips(3570, 690, 1440, 300));

    QGroupBox* other =
        Group("Frame3", QStringLiteral("其它选项设置"), this, Twips(90, 2640, 5085, 1440));
    m_ck4 = Check("Ck4", QStringLiteral("自动保存记录，自动保存间隔:"), other,
                  Twips(120, 300, 2880, 300));
    m_text3 = Box("Text3", QStringLiteral("30"), other, Twips(3000, 300, 540, 300));
    Caption("Label5", QStringLiteral("秒(1-100)"), other, Twips(3600, 300, 1200, 300));
    m_ck5 = Check("Ck5", QStringLiteral("使用退出密码:"), other, Twips(120, 690, 1620, 300));
    m_text4 = PasswordBox("Text4", other, Twips(1740, 690, 1200, 300));
    Caption("Label6", QStringLiteral("确认密码:"), other, Twips(3000, 690, 870, 300));
    m_text5 = PasswordBox("Text5", other, Twips(3870, 690, 1110, 300));
    m_ck6 = Check("Ck6", QStringLiteral("系统启动时自动运行Dialtoll"), other,
                  Twips(120, 1050, 4200, 300));

    QPushButton* command2 =
        Button("Command2", QStringLiteral("保存当前设置(&S)"), this, Twips(1575, 4200, 1740, 300));
    QPushButton* command3 =
        Button("Command3", QStringLiteral("关闭设置窗口(&C)"), this, Twips(3435, 4200, 1740, 300));

    m_changer = new PasswordChanger(
        m_text1, m_text2, m_prompter,
        [] { return QStringLiteral("管理员旧密码错误！无法更改密码。"); },
        [this](const QString& fresh) { m_settings.storePassword(fresh); }, this);
    connect(command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    // Esc closes the window without storing, like its close button.
    (new DialogKeys(this))->setCancelButton(command3);

    m_text3->installEventFilter(new KeyCharFilter(QStringLiteral("0123456789."), this));
}

void Form3::Form_Load() {
    try {
        m_changer->setPassword(m_settings.password());
        const AdministratorValues values = m_settings.load();
        m_ck1->setChecked(values.more);
        m_ck2->setChecked(values.screen);
        m_ck3->setChecked(values.mouse);
        m_ck4->setChecked(values.autoSave);
        m_ck5->setChecked(values.usePass);
        m_ck6->setChecked(values.autoRun);
        m_text3->setText(values.space);
        m_text4->setText(values.exitPassword);
        m_text5->setText(values.exitPassword);
    } catch (const StoreError& error) {
        m_prompter.error(QStringLiteral("数据库出错，无法读取设置：%1").arg(error.message()));
    }
}

AdministratorValues Form3::editedValues() const {
    AdministratorValues values;
    values.more = m_ck1->isChecked();
    values.screen = m_ck2->isChecked();
    values.mouse = m_ck3->isChecked();
    values.autoSave = m_ck4->isChecked();
    values.space = m_text3->text();
    values.usePass = m_ck5->isChecked();
    values.exitPassword = m_text4->text();
    values.autoRun = m_ck6->isChecked();
    return values;
}

void Form3::refuse(QLineEdit* box, const QString& message) {
    m_prompter.error(message);
    SelectAll(box);
}

void Form3::Command1_Click() {
    m_changer->change();
}

void Form3::Command2_Click() {
    // The interval stays within 0 to 100 seconds; 0 leaves the auto-save timer without ticks.
    const double interval = NumberFromText(m_text3->text());
    if (interval > 100)
        m_text3->setText(QStringLiteral("100"));
    else if (interval < 0)
        m_text3->setText(QStringLiteral("0"));

    if (!m_changer->matches(m_text1->text())) {
        refuse(m_text1, QStringLiteral("管理员密码错误！无法保存设置。"));
        return;
    }
    if (m_ck5->isChecked() && m_text4->text() != m_text5->text()) {
        m_prompter.error(QStringLiteral("退出密码确认不符，请重新设置。"));
        m_text5->selectAll();
        SelectAll(m_text4);
        return;
    }
    // An empty exit password switches the exit password off.
    if (m_ck5->isChecked() && m_text4->text().isEmpty())
        m_ck5->setChecked(false);
    if (m_ck5->isChecked() && TextLimits::Exceeds(m_text4->text(), TextLimits::Password)) {
        m_prompter.error(QStringLiteral("退出密码不能超过%1位！").arg(TextLimits::Password));
        m_text5->selectAll();
        SelectAll(m_text4);
        return;
    }

    try {
        m_settings.store(editedValues());
    } catch (const StoreError& error) {
        m_prompter.error(QStringLiteral("数据库出错，设置未保存：%1").arg(error.message()));
        return;
    }
    close();
}

void Form3::Command3_Click() {
    close();
}

void Form3::paintEvent(QPaintEvent*) {
    TitleBand::Paint(this);
}
