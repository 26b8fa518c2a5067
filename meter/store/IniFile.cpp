#include "meter/store/IniFile.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringConverter>
#include <ctime>
#include <optional>
#include <sys/stat.h>
#include <utility>

// Lines that are neither a section header nor a key (comments, blank lines, stray text) are
// kept as entries with an empty key and the whole line as value, so a rewrite loses nothing.
// Lines before the first section belong to a section with an empty name that has no header.

namespace {

bool IsValidUtf8(QByteArrayView bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    // The decoder works only when its result is taken.
    const QString text = utf8.decode(bytes);
    return !utf8.hasError();
}

bool IsAscii(QByteArrayView bytes) {
    for (const char byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80)
            return false;
    }
    return true;
}

QString decodeGbk(QByteArrayView bytes) {
    QStringDecoder gbk("GBK");
    if (gbk.isValid())
        return gbk.decode(bytes);
    return QString::fromLatin1(bytes.data(), bytes.size());
}

// UTF-8, or GBK for files brought over from the old system. The encoding is decided line by
// line where most lines with non-ASCII text are UTF-8, so a stray byte spoils only its own line
// (a whole-file decision would read every line as GBK and no section would match). A file
// that is mostly GBK is read as GBK throughout, since a short GBK line may pass as UTF-8.
QString decodeFileBytes(QByteArray bytes) {
    static const QByteArray bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom))
        bytes.remove(0, bom.size());
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);

    QList<QByteArrayView> lines;
    for (qsizetype start = 0;;) {
        const qsizetype end = bytes.indexOf('\n', start);
        lines.append(QByteArrayView(bytes).sliced(start, (end < 0 ? bytes.size() : end) - start));
        if (end < 0)
            break;
        start = end + 1;
    }
    qsizetype utf8Lines = 0;
    qsizetype otherLines = 0;
    QList<bool> isUtf8;
    isUtf8.reserve(lines.size());
    for (const QByteArrayView line : lines) {
        const bool ascii = IsAscii(line);
        const bool utf8 = ascii || IsValidUtf8(line);
        isUtf8.append(utf8);
        if (!ascii)
            ++(utf8 ? utf8Lines : otherLines);
    }
    if (utf8Lines < otherLines)
        return decodeGbk(bytes);

    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        text += isUtf8.at(i) ? QString::fromUtf8(lines.at(i)) : decodeGbk(lines.at(i));
    }
    return text;
}

// A value, key or section name must never open a line of its own in the file.
QString singleLine(const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.remove(QChar(0));
    return line.trimmed();
}

bool isBlankLine(const QString& line) {
    return line.trimmed().isEmpty();
}

struct FileStamp {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    timespec changed;

    bool operator==(const FileStamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

std::optional<FileStamp> StampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileStamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::load() {
    // The timers read the settings several times a second. A file whose identity, size and
    // change times are unchanged since it was last parsed has the same content, so one stat
    // replaces the read; every change (a rewrite is a new file) is seen at once.
    struct Parsed {
        FileStamp stamp;
        QList<Section> sections;
    };
    static QHash<QString, Parsed> parsedFiles;

    m_sections.clear();
    const std::optional<FileStamp> stamp = StampOf(m_path);
    if (!stamp) {
        parsedFiles.remove(m_path);
        return true;
    }
    // Times have a coarse grain: a file changed within the last seconds could change again
    // without a new stamp, so it is read afresh until it has settled.
    const bool settled = ::time(nullptr) - stamp->modified.tv_sec > 2;
    if (const auto parsed = parsedFiles.constFind(m_path);
        settled && parsed != parsedFiles.constEnd() && parsed->stamp == *stamp) {
        m_sections = parsed->sections;
        return true;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = decodeFileBytes(file.readAll());
    file.close();

    Section* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        // The split leaves an empty piece after the final line break.
        if (i == lines.size() - 1 && line.isEmpty())
            break;

        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(QLatin1Char(']'))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            m_sections.append(Section{trimmed.mid(1, close - 1).trimmed(), {}});
            current = &m_sections.last();
            continue;
        }

        if (!current) {
            m_sections.append(Section{QString(), {}});
            current = &m_sections.last();
        }

        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        const QString key = equals > 0 ? trimmed.left(equals).trimmed() : QString();
        if (trimmed.startsWith(QLatin1Char(';')) || key.isEmpty())
            current->entries.append(Entry{QString(), line});
        else
            current->entries.append(Entry{key, trimmed.mid(equals + 1).trimmed()});
    }
    parsedFiles.insert(m_path, Parsed{*stamp, m_sections});
    return true;
}

bool IniFile::save() const {
    QString text;
    for (const Section& section : m_sections) {
        // Only the leading part of the file goes without a header.
        if (!section.name.isEmpty() || &section != &m_sections.first())
            text += QLatin1Char('[') + section.name + QStringLiteral("]\n");
        for (const Entry& entry : section.entries) {
            if (entry.key.isEmpty())
                text += entry.value;
            else
                text += entry.key + QLatin1Char('=') + entry.value;
            text += QLatin1Char('\n');
        }
    }

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    // The write is buffered and commit() does not report a failed final flush (a full disk):
    // flush first, so a file written only in part never replaces the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const {
    const QString wantedKey = key.trimmed();
    const Section* found = findSection(section.trimmed());
    if (!found || wantedKey.isEmpty())
        return fallback;
    for (const Entry& entry : found->entries) {
        if (!entry.key.isEmpty() && entry.key.compare(wantedKey, Qt::CaseInsensitive) == 0)
            return entry.value;
    }
    return fallback;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    const QString sectionName = singleLine(section);
    const QString wantedKey = singleLine(key);
    const QString newValue = singleLine(value);
    if (wantedKey.isEmpty())
        return;

    Section* found = findSection(sectionName);
    if (!found) {
        // Keys without a section can only live before the first header.
        if (sectionName.isEmpty()) {
            m_sections.prepend(Section{QString(), {}});
            found = &m_sections.first();
        } else {
            m_sections.append(Section{sectionName, {}});
            found = &m_sections.last();
        }
    }

    for (Entry& entry : found->entries) {
        if (!entry.key.isEmpty() && entry.key.compare(wantedKey, Qt::CaseInsensitive) == 0) {
            entry.value = newValue;
            return;
        }
    }

    // Append after the last non-blank line, so the blank lines that separate this section from
    // the next one stay between them.
    qsizetype at = found->entries.size();
    while (at > 0) {
        const Entry& previous = found->entries.at(at - 1);
        if (!previous.key.isEmpty() || !isBlankLine(previous.value))
            break;
        --at;
    }
    found->entries.insert(at, Entry{wantedKey, newValue});
}

void IniFile::clear() {
    m_sections.clear();
}

void IniFile::removeKeys(const QString& section,
                         const std::function<bool(const QString&)>& matches) {
    const QString name = section.trimmed();
    for (Section& each : m_sections) {
        if (each.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        each.entries.removeIf(
            [&](const Entry& entry) { return !entry.key.isEmpty() && matches(entry.key); });
    }
}

IniFile::Section* IniFile::findSection(const QString& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    for (const Section& section : m_sections) {
        if (section.name.compare(name, Qt::CaseInsensitive) == 0)
            return &section;
    }
    return nullptr;
}
