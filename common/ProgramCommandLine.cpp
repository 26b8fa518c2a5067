#include "common/ProgramCommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

namespace {

const QString DataFolderOption = QStringLiteral("data-folder");

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")}};
    QCommandLineOption dataFolder{DataFolderOption, QString(), QStringLiteral("DIR")};

    Parser() { parser.addOptions({help, version, dataFolder}); }
};

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

ProgramCommandLine::ProgramCommandLine(QString program, QString description)
    : m_program(std::move(program)), m_description(std::move(description)) {}

QString ProgramCommandLine::version() {
    return QStringLiteral(DIALTOLL_VERSION);
}

QStringList ProgramCommandLine::arguments(int argc, char* argv[]) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

QString ProgramCommandLine::versionText() const {
    return m_program + u' ' + version() + u'\n';
}

QString ProgramCommandLine::helpText() const {
    return QStringLiteral("用法：%1 [选项]\n%2\n\n"
                          "选项：\n"
                          "  -h, --help             显示本帮助后退出\n"
                          "  -v, --version          显示版本后退出\n"
                          "  --data-folder DIR      数据文件放在文件夹 DIR 中"
                          "（与环境变量 DIALTOLL_HOME 相同，优先于它）\n")
               .arg(m_program, m_description) +
           m_optionHelp;
}

std::optional<int> ProgramCommandLine::answerWithoutDisplay(const QStringList& arguments) const {
    Parser p;
    // Unknown options may be Qt's own; they are judged after the application has seen them.
    p.parser.parse(arguments);
    if (p.parser.isSet(p.help)) {
        Print(stdout, helpText());
        return 0;
    }
    if (p.parser.isSet(p.version)) {
        Print(stdout, versionText());
        return 0;
    }
    return std::nullopt;
}

std::optional<int> ProgramCommandLine::process(const QStringList& arguments) {
    Parser p;
    if (!p.parser.parse(arguments)) {
        Print(stderr, m_program + QStringLiteral(": ") + p.parser.errorText() +
                          QStringLiteral("\n用 %1 --help 查看用法。\n").arg(m_program));
        return 1;
    }
    if (const std::optional<int> answered = answerWithoutDisplay(arguments))
        return answered;
    if (!p.parser.positionalArguments().isEmpty()) {
        Print(stderr, QStringLiteral("%1: 多余的参数“%2”\n用 %1 --help 查看用法。\n")
                          .arg(m_program, p.parser.positionalArguments().constFirst()));
        return 1;
    }
    if (p.parser.isSet(p.dataFolder)) {
        const QString folder = p.parser.value(p.dataFolder);
        if (folder.isEmpty()) {
            Print(stderr, m_program + QStringLiteral(": --data-folder 后面缺少文件夹。\n"));
            return 1;
        }
        m_dataFolder = QDir(folder).absolutePath();
        // The same lookup as $DIALTOLL_HOME, which the companions started from here inherit.
        qputenv("DIALTOLL_HOME", QFile::encodeName(m_dataFolder));
    }
    return std::nullopt;
}
