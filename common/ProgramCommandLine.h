#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The options every program of the suite takes: --help, --version and --data-folder DIR.
// --help and --version are answered before the application object exists, so they need no
// display; the rest is read once Qt has taken its own options (-platform, -display, ...) out.
class ProgramCommandLine {
public:
    ProgramCommandLine(QString program, QString description);

    // Answers --help or --version on standard output; the status to end with, or nullopt
    // when neither was asked for. Options unknown at this point are left for process().
    std::optional<int> answerWithoutDisplay(const QStringList& arguments) const;
    // Reads the arguments the application left. An unknown option or a missing value is said
    // on standard error and ends with status 1; --help and --version end with status 0.
    // Otherwise nullopt, and --data-folder (if given) becomes the data folder of this program
    // and of the programs it starts.
    std::optional<int> process(const QStringList& arguments);

    // The folder --data-folder named, absolute; empty when not given.
    QString dataFolder() const { return m_dataFolder; }

    // Lines for options of this program alone, put under the common ones in --help.
    void addOptionHelp(const QString& lines) { m_optionHelp += lines; }

    QString versionText() const;
    QString helpText() const;

    // argv as text, before the application object exists.
    static QStringList arguments(int argc, char* argv[]);

    // The suite's version, one number for the three programs and the package.
    static QString version();

private:
    QString m_program;
    QString m_description;
    QString m_dataFolder;
    QString m_optionHelp;
};
