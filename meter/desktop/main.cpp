#include "common/DataFolder.h"
#include "common/QtTranslations.h"
#include "meter/desktop/Form1.h"
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

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dialtoll"));
    InstallQtTranslations(app);
    // The main window is hidden most of the time; only shutdown ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString dataFolder = ResolveDataFolder();
    LockFileInstanceLock instanceLock(DataFilePath(dataFolder, QStringLiteral("Dialtoll.lock")));
    if (!instanceLock.tryAcquire())
        return 0; // another copy runs: leave quietly, touching nothing

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

    form1.Form_Load();
    return QApplication::exec();
}
