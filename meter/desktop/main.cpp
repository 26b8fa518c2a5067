#include "common/DataFolder.h"
#include "common/QtTranslations.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/MeterNotice.h"
#include "meter/desktop/SessionEnd.h"
#include "platform/linux/DesktopShell.h"
#include "platform/linux/LinuxDialUpNetwork.h"
#include "platform/linux/LinuxRegistry.h"
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

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dialtoll"));
    InstallQtTranslations(app);
    // The main window is hidden most of the time; only shutdown ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString dataFolder = ResolveDataFolder();
    LockFileInstanceLock instanceLock(DataFilePath(dataFolder, QStringLiteral("Dialtoll.lock")));
    if (const std::optional<int> status = exitUnlessOnlyCopy(instanceLock, dataFolder))
        return *status;

    SystemClock clock;
    NetworkManagerDialUp networkManager;
    LinuxRegistry registry(networkManager);
    MessageBoxPrompter prompter(QStringLiteral("Dialtoll"));
    LinuxDialUpNetwork network;
    SoundEffectReminder sound(DataFilePath(dataFolder, QStringLiteral("Remind.wav")));
    DesktopShell shell;
    X11DeskLock deskLock;
    X11DialUpDialogs dialUpDialogs;
    Form1 form1({clock, registry, prompter, network, sound, shell, deskLock, dialUpDialogs,
                 dataFolder, QApplication::applicationFilePath()});
    QObject::connect(&form1, &Form1::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);

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
