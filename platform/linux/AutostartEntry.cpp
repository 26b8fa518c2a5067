#include "platform/linux/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace {

const QString EntryName = QStringLiteral("VeyranetTimer.desktop");
const QString EntryGroup = QStringLiteral("[Desktop Entry]");

bool needsQuoting(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (argument.isEmpty())
        return true;
    for (QChar c : argument) {
        if (reserved.contains(c) || c.unicode() < 0x20)
            return true;
    }
    return false;
}

// The escapes of the string value type; they apply on top of the Exec quoting.
QString escapeString(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Unknown escapes are left alone so that the Exec quoting still sees them.
QString unescapeString(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(i + 1);
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        default:
            out += c;
            out += next;
        }
        ++i;
    }
    return out;
}

// Keys of the installed desktop entry that the autostart entry takes over (icon, comments, ...);
// the program, the type and the name are its own.
bool IsTemplateKey(const QString& key) {
    static const QStringList own = {QStringLiteral("Type"), QStringLiteral("Name"),
                                    QStringLiteral("Exec"), QStringLiteral("TryExec"),
                                    QStringLiteral("Hidden")};
    const QString bare = key.section(u'[', 0, 0).trimmed();
    return !bare.isEmpty() && !own.contains(bare);
}

// The key lines ("key=value", comments left out) of a desktop entry's [Desktop Entry] group.
QStringList EntryGroupLines(const QByteArray& bytes) {
    QStringList lines;
    bool inEntryGroup = false;
    for (QString line : QString::fromUtf8(bytes).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[')) {
            inEntryGroup = trimmed == EntryGroup;
            continue;
        }
        if (inEntryGroup && !trimmed.startsWith(u'#') && line.indexOf(u'=') > 0)
            lines << line;
    }
    return lines;
}

// The [Desktop Entry] lines of an installed program's own desktop entry
// (<prefix>/bin/<program> beside <prefix>/share/applications), when there is one.
QStringList TemplateLines(const QString& command) {
    QFile file(QFileInfo(command).dir().filePath(
        QStringLiteral("../share/applications/" DIALTOLL_APP_ID ".desktop")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QString& line : EntryGroupLines(file.readAll()))
        if (IsTemplateKey(line.left(line.indexOf(u'='))))
            lines << line;
    return lines;
}

} // namespace

AutostartEntry::AutostartEntry(QString folder) : m_folder(std::move(folder)) {}

QString AutostartEntry::defaultFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart");
}

QString AutostartEntry::filePath() const {
    return QDir(m_folder).filePath(EntryName);
}

QString AutostartEntry::execValue(const QString& command) {
    QString argument;
    argument.reserve(command.size() + 4);
    const bool quoted = needsQuoting(command);
    if (quoted)
        argument += u'"';
    for (QChar c : command) {
        if (quoted && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            argument += u'\\';
        argument += c;
        // A lone % would start a field code.
        if (c == u'%')
            argument += u'%';
    }
    if (quoted)
        argument += u'"';
    return escapeString(argument);
}

QStringList AutostartEntry::execArguments(const QString& value) {
    const QString text = unescapeString(value);
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < text.size() &&
                       QStringLiteral("\"`$\\").contains(text.at(i + 1))) {
                current += text.at(++i);
            } else if (c == u'%' && i + 1 < text.size() && text.at(i + 1) == u'%') {
                current += c;
                ++i;
            } else {
                current += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == u'"') {
            inQuotes = true;
        } else if (c == u'%' && i + 1 < text.size() && text.at(i + 1) == u'%') {
            current += c;
            ++i;
        } else {
            current += c;
        }
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

bool AutostartEntry::write(const QString& command) const {
    if (!QDir().mkpath(m_folder))
        return false;
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QString content = EntryGroup + QStringLiteral("\nType=Application\nName=VeyranetTimer\n") +
                      QStringLiteral("Exec=") + execValue(command) + u'\n';
    for (const QString& line : TemplateLines(command))
        content += line + u'\n';
    const QByteArray bytes = content.toUtf8();
    // commit() does not report a failed final flush (a full disk): flush first, so a part of
    // an entry never replaces a whole one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<QString> AutostartEntry::read() const {
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QString& line : EntryGroupLines(file.readAll())) {
        const qsizetype equals = line.indexOf(u'=');
        if (line.left(equals).trimmed() != QStringLiteral("Exec"))
            continue;
        QString value = line.mid(equals + 1);
        while (value.startsWith(u' ') || value.startsWith(u'\t'))
            value.remove(0, 1);
        return execArguments(value).join(u' ');
    }
    return std::nullopt;
}

bool AutostartEntry::remove() const {
    QFile file(filePath());
    return !file.exists() || file.remove();
}
