#include "common/DataFolder.h"
#include "common/ProgramCommandLine.h"
#include "common/QtTranslations.h"
#include "platform/linux/LocalSocketFirstInstance.h"
#include "platform/linux/MessageBoxPrompter.h"
#include "statdesk/CxyGl.h"
#include "statdesk/QueryBenchmark.h"

#include <QApplication>
#include <QScreen>
#include <optional>

// DIALTOLL_BENCH_QUERY=1 makes the program run one "所有人" query over the whole range of the
// date lists right after start-up, print the elapsed milliseconds and its peak memory on
// standard error, and quit (bench/statdesk_bench.sh uses it).
int main(int argc, char* argv[]) {
    ProgramCommandLine commandLine(
        QStringLiteral("Statdesk"),
        QStringLiteral("查看、统计、导出和打印 Dialtoll 记录的上网时段。"));
    if (const std::optional<int> status =
            commandLine.answerWithoutDisplay(ProgramCommandLine::arguments(argc, argv)))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Statdesk"));
    QApplication::setApplicationVersion(ProgramCommandLine::version());
    // Ties the windows to the installed desktop entry (its name and icon in task lists).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.dialtoll.Statdesk"));
    InstallQtTranslations(app);
    // After the translations, so that the parser's messages come in Chinese too.
    if (const std::optional<int> status = commandLine.process(QApplication::arguments()))
        return *status;
    MessageBoxPrompter prompter(QStringLiteral("Statdesk"));
    const QString dataFolder = ResolveDataFolder();
    // One window per data folder: a second start brings the open one forward instead.
    LocalSocketFirstInstance instance(QStringLiteral("Statdesk"), dataFolder);
    if (!instance.claim()) {
        if (instance.callFirst())
            return 0;
        prompter.error(QStringLiteral("Statdesk已经打开，但没有响应。"));
        return 1;
    }
    CxyGl window(prompter, dataFolder);
    instance.onCalled([&window] { window.comeForward(); });
    window.Form_Load();
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    if (qEnvironmentVariableIntValue("DIALTOLL_BENCH_QUERY") == 1)
        return QueryBenchmark::run(window);
    return QApplication::exec();
}
