#include "common/DataFolder.h"
#include "common/ProgramCommandLine.h"
#include "common/QtTranslations.h"
#include "common/fleet/FleetConfig.h"
#include "common/fleet/PgFleetTransport.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/MeterNotice.h"
#include "meter/desktop/SessionEnd.h"
#include "meter/engine/LinkNotices.h"
#include "platform/linux/DBusNotifier.h"
#include "platform/linux/DesktopShell.h"
#include "platform/linux/LinuxDialUpNetwork.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LocalSocketFirstInstance.h"
#include "platform/linux/LockFileInstanceLock.h"
#include "platform/linux/MessageBoxPrompter.h"
#include "platform/linux/NetworkManagerDialUp.h"
#include "platform/linux/SoundEffectReminder.h"
#include "platform/linux/SystemClock.h"
#include "platform/linux/TerminationSignals.h"
#include "platform/linux/X11DeskLock.h"
#include "platform/linux/X11DialUpDialogs.h"

#include <QApplication>
#include <QDir>
#include <optional>

namespace {

// Only a lock that another running copy holds ends a start quietly. Any other failure means
// the data folder cannot be used, so the meter could record nothing: it says so and ends.
std::optional<int> exitUnlessOnlyCopy(SingleInstanceLock& lock, const QString& dataFolder) {
    switch (lock.acquire()) {
    case SingleInstanceLock::Result::Acquired:
        return std::nullopt;
    case SingleInstanceLock::Result::HeldByAnotherCopy:
        return 0;
    case SingleInstanceLock::Result::Failed:
        break;
    }
    MeterNotice::startFailure(
        QStringLiteral("无法启动：数据文件夹 %1 无法使用（%2）。请让该文件夹可写，"
                       "或用环境变量 DIALTOLL_HOME 指定另一个文件夹。")
            .arg(QDir::toNativeSeparators(dataFolder), lock.failure()));
    return 1;
}

// A second start (from the menu, say) is never silently ignored: the running copy shows its
// main window. The running copy ends this start either way.
void callRunningCopy(const QString& dataFolder) {
    LocalSocketFirstInstance instance(QStringLiteral("Dialtoll"), dataFolder);
    if (!instance.callFirst())
        qWarning("Dialtoll: already running, but the running copy did not answer.");
}

} // namespace

int main(int argc, char* argv[]) {
    ProgramCommandLine commandLine(QStringLiteral("Dialtoll"),
                                   QStringLiteral("拨号上网计时计费，在系统托盘中运行。"));
    if (const std::optional<int> status =
            commandLine.answerWithoutDisplay(ProgramCommandLine::arguments(argc, argv)))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dialtoll"));
    QApplication::setApplicationVersion(ProgramCommandLine::version());
    // Ties the windows to the installed desktop entry (its name and icon in task lists).
    QGuiApplication::setDesktopFileName(QStringLiteral(DIALTOLL_APP_ID));
    InstallQtTranslations(app);
    // After the translations, so that the parser's messages come in Chinese too.
    if (const std::optional<int> status = commandLine.process(QApplication::arguments()))
        return *status;
    // The main window is hidden most of the time; only shutdown ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString dataFolder = ResolveDataFolder();
    LockFileInstanceLock instanceLock(DataFilePath(dataFolder, QStringLiteral("Dialtoll.lock")));
    if (const std::optional<int> status = exitUnlessOnlyCopy(instanceLock, dataFolder)) {
        if (*status == 0)
            callRunningCopy(dataFolder);
        return *status;
    }
    // Only the copy holding the data folder's lock answers later starts.
    LocalSocketFirstInstance instance(QStringLiteral("Dialtoll"), dataFolder);
    instance.claim();

    SystemClock clock;
    NetworkManagerDialUp networkManager;
    LinuxRegistry registry(networkManager);
    MessageBoxPrompter prompter(QStringLiteral("Dialtoll"));
    LinuxDialUpNetwork network;
    SoundEffectReminder sound(DataFilePath(dataFolder, QStringLiteral("Remind.wav")));
    DesktopShell shell;
    X11DeskLock deskLock;
    X11DialUpDialogs dialUpDialogs;
    MeterServices services{
        clock, registry, prompter,      network,    sound,
        shell, deskLock, dialUpDialogs, dataFolder, QApplication::applicationFilePath()};
    // Fleet mode, when "fleet.ini" names a server: the uploader's own libpq connection.
    services.fleetTransport = [](const FleetConfig& config) {
        return std::make_unique<PgFleetTransport>(config.connection);
    };
    Form1 form1(std::move(services));
    QObject::connect(&form1, &Form1::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    instance.onCalled([&form1] { form1.openMainWindow(); });
    DBusNotifier notifier(QStringLiteral("Dialtoll"), QStringLiteral(DIALTOLL_APP_ID));
    LinkNotices notices(form1.engine(), notifier,
                        DataFilePath(dataFolder, QStringLiteral("veyranettimer.ini")));

    // A signal or the end of the desktop session shuts down without the exit password, so
    // the running session is saved; a save request of the session only saves.
    SessionEnd sessionEnd([&form1] { form1.saveForSessionEnd(); },
                          [&form1] { form1.endWithoutPassword(); });
    sessionEnd.watch(app);
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &sessionEnd,
                     &SessionEnd::endRequested);

    QObject::connect(&form1, &Form1::recordingUnavailable, &form1, &MeterNotice::warning);
    form1.Form_Load();
    return QApplication::exec();
}
