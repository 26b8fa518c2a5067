#include "meter/access/ExtForm.h"

#include "common/StoreError.h"
#include "meter/engine/MeterEngine.h"
#include "meter/settings/TwipsControls.h"
#include "meter/store/RecordAccess.h"
#include "platform/Prompter.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace TwipsControls;

constexpr int WidthTwips = 3600;  // 240 pixels
constexpr int HeightTwips = 1200; // 80 pixels

} // namespace

ExtForm::ExtForm(Store& store, Prompter& prompter, MeterEngine& mainEngine, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_store(store),
      m_prompter(prompter), m_engine(mainEngine) {
    setObjectName(QStringLiteral("ExtForm"));
    setWindowTitle(QStringLiteral("请输入退出密码"));
    setFixedSize(WidthTwips / TwipsPerPixel, HeightTwips / TwipsPerPixel);

    m_text1 = PasswordBox("Text1", this, Twips(240, 180, 3120, 300));
    QPushButton* command1 =
        Button("Command1", QStringLiteral("确定(&T)"), this, Twips(960, 660, 1140, 330));
    QPushButton* command2 =
        Button("Command2", QStringLiteral("取消"), this, Twips(2220, 660, 1140, 330));
    // Enter in the box presses 确定.
    command1->setDefault(true);
    command2->setAutoDefault(false);
    connect(command1, &QPushButton::clicked, this, &ExtForm::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &ExtForm::Command2_Click);
}

void ExtForm::Command1_Click() {
    QString expected;
    try {
        expected = SelectUser(m_store, QStringLiteral("Masterset"), QStringLiteral("Master"),
                              QStringLiteral("Password"), QStringLiteral("qxmeter"))
                       .toString();
    } catch (const StoreError& error) {
        m_prompter.error(QStringLiteral("数据库出错，无法检查退出密码：%1").arg(error.message()));
        takeFocus();
        return;
    }
    if (m_text1->text() != expected) {
        m_prompter.error(QStringLiteral("退出密码错误！，请重新输入。"));
        takeFocus();
        return;
    }
    m_engine.CanExt(false);
    close();
    emit exitConfirmed();
}

void ExtForm::Command2_Click() {
    close();
}

void ExtForm::takeFocus() {
    activateWindow();
    SelectAll(m_text1);
}

void ExtForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    takeFocus();
}

void ExtForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (isVisible())
        takeFocus();
}
