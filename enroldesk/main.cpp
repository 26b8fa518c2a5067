#include "common/DataFolder.h"
#include "common/ProgramCommandLine.h"
#include "common/QtTranslations.h"
#include "common/fleet/FleetConfig.h"
#include "enroldesk/AddUser.h"
#include "enroldesk/ServerAccountDirectory.h"
#include "enroldesk/ServerSetup.h"
#include "platform/linux/MessageBoxPrompter.h"
#include "platform/linux/SystemClock.h"

#include <QApplication>
#include <QScreen>
#include <optional>

int main(int argc, char* argv[]) {
    ProgramCommandLine commandLine(QStringLiteral("Enroldesk"),
                                   QStringLiteral("添加和删除 Dialtoll 的上网帐号。"));
    commandLine.addOptionHelp(
        QStringLiteral("  --init-server [CONN]   建立或更新共用服务器的表、角色和策略后退出"
                       "（CONN 缺省时用 fleet.ini 的 AdminConnection）\n"));
    const QStringList arguments = ProgramCommandLine::arguments(argc, argv);
    if (const std::optional<int> status = commandLine.answerWithoutDisplay(arguments))
        return *status;
    if (const std::optional<int> status = ServerSetup::RunIfAsked(arguments))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Enroldesk"));
    QApplication::setApplicationVersion(ProgramCommandLine::version());
    // Ties the windows to the installed desktop entry (its name and icon in task lists).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.dialtoll.Enroldesk"));
    InstallQtTranslations(app);
    // After the translations, so that the parser's messages come in Chinese too.
    if (const std::optional<int> status = commandLine.process(QApplication::arguments()))
        return *status;
    // The window's closing ends the program, message boxes or not.
    QApplication::setQuitOnLastWindowClosed(false);

    SystemClock clock;
    MessageBoxPrompter prompter(QStringLiteral("Enroldesk"));
    const QString dataFolder = ResolveDataFolder();
    // With a server configured, accounts are registered and removed there.
    std::shared_ptr<AccountDirectory> server;
    if (const FleetConfig fleet = FleetConfig::load(dataFolder); fleet.enabled())
        server = std::make_shared<ServerAccountDirectory>(fleet.administratorConnection());
    AddUser window(prompter, clock, dataFolder, server);
    QObject::connect(&window, &AddUser::programEnds, &app, &QApplication::quit,
                     Qt::QueuedConnection);

    window.adjustSize();
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return QApplication::exec();
}
