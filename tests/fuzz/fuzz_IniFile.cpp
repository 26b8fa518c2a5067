// Fuzzes the INI reader and writer. An input is one byte choosing a key of the two files, the
// value to write up to the first NUL byte, and after it the bytes of the file as found on disk.
// Properties: reading never fails; after a write the key reads back as written, on one line;
// every other key reads as before.

#include "meter/store/IniFile.h"
#include "meter/store/IniFunctions.h"
#include "tests/fuzz/FuzzRequire.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>
#include <cstdint>

namespace {

struct KeyName {
    QString section;
    QString key;
};

// Every key of veyranettimer.ini and Setting.ini.
const QList<KeyName>& FileKeys() {
    static const QList<KeyName> keys = {
        {QStringLiteral("时间设置"), QStringLiteral("Spare")},
        {QStringLiteral("时间设置"), QStringLiteral("Ask")},
        {QStringLiteral("时间设置"), QStringLiteral("From")},
        {QStringLiteral("时间设置"), QStringLiteral("To")},
        {QStringLiteral("时间设置"), QStringLiteral("Value1")},
        {QStringLiteral("时间设置"), QStringLiteral("Value2")},
        {QStringLiteral("节假日设置"), QStringLiteral("Value")},
        {QStringLiteral("节假日设置"), QStringLiteral("Count")},
        {QStringLiteral("节假日设置"), QStringLiteral("节日1")},
        {QStringLiteral("节假日设置"), QStringLiteral("节日2")},
        {QStringLiteral("节假日设置"), QStringLiteral("Count1")},
        {QStringLiteral("节假日设置"), QStringLiteral("假日1")},
        {QStringLiteral("节假日设置"), QStringLiteral("假日2")},
        {QStringLiteral("倒计时器设置"), QStringLiteral("Title")},
        {QStringLiteral("倒计时器设置"), QStringLiteral("DateTime")},
        {QStringLiteral("时间"), QStringLiteral("Value")},
        {QStringLiteral("时间"), QStringLiteral("Custom")},
        {QString(), QStringLiteral("Value")},
    };
    return keys;
}

const QString kMissing = QStringLiteral("\x01missing\x01");

// The keys the file seems to hold, by a rough reading of its lines in either encoding, and every
// key of the two files: what a write must leave alone.
QList<KeyName> Probes(const QByteArray& bytes) {
    QList<KeyName> probes = FileKeys();
    static QStringDecoder gbk("GBK", QStringDecoder::Flag::Stateless);
    const QStringList texts = {QString::fromUtf8(bytes),
                               gbk.isValid() ? gbk.decode(bytes) : QString::fromLatin1(bytes)};
    for (const QString& text : texts) {
        QString section;
        for (const QString& line : text.split(u'\n')) {
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith(u'[') && trimmed.contains(u']'))
                section = trimmed.mid(1, trimmed.indexOf(u']') - 1);
            else if (trimmed.contains(u'='))
                probes.append({section, trimmed.left(trimmed.indexOf(u'='))});
            if (probes.size() > 80)
                return probes;
        }
    }
    return probes;
}

bool SameKey(const KeyName& a, const KeyName& b) {
    return a.section.trimmed().compare(b.section.trimmed(), Qt::CaseInsensitive) == 0 &&
           a.key.trimmed().compare(b.key.trimmed(), Qt::CaseInsensitive) == 0;
}

// A value that reads back exactly: one line, no control characters, no blanks at the ends.
bool IsPlainValue(const QString& value) {
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return value == value.trimmed();
}

// A folder of this process's own, in memory where there is a memory-backed one: the target
// writes a file for every input. A crashed or killed run cannot remove its folder, so the folders
// of processes that are gone are removed first.
QString FilePath() {
    static const QString path = [] {
        const QDir base(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                            ? QStringLiteral("/dev/shm")
                            : QDir::tempPath());
        const QString prefix = QStringLiteral("dialtoll-fuzz-");
        for (const QString& name : base.entryList({prefix + u'*'}, QDir::Dirs)) {
            bool isNumber = false;
            const qint64 pid = name.mid(prefix.size()).toLongLong(&isNumber);
            if (isNumber && !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)))
                QDir(base.filePath(name)).removeRecursively();
        }
        const QString folder =
            base.filePath(prefix + QString::number(QCoreApplication::applicationPid()));
        QDir().mkpath(folder);
        return folder + QStringLiteral("/veyranettimer.ini");
    }();
    // Removes the folder when the run ends normally.
    static const struct Cleanup {
        QString folder;
        ~Cleanup() { QDir(folder).removeRecursively(); }
    } cleanup{QFileInfo(path).path()};
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const uint8_t choice = data[0];
    const qsizetype nul = input.indexOf('\0', 1);
    const QString value = QString::fromUtf8(input.mid(1, nul < 0 ? 0 : nul - 1));
    const QByteArray fileBytes = nul < 0 ? input.mid(1) : input.mid(nul + 1);

    const QString path = FilePath();
    {
        QFile file(path);
        FuzzRequire(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                        file.write(fileBytes) == fileBytes.size(),
                    "the input file can be written", path);
    }

    const QList<KeyName> probes = Probes(fileBytes);
    IniFile before(path);
    FuzzRequire(before.load(), "a readable file loads", path);
    QStringList valuesBefore;
    for (const KeyName& probe : probes)
        valuesBefore.append(before.value(probe.section, probe.key, kMissing));

    // Sections and keys match without letter case: write in one case, read in the other.
    const KeyName& target = FileKeys().at(choice % FileKeys().size());
    const bool upper = choice & 0x80;
    const QString writtenKey = upper ? target.key.toUpper() : target.key;
    const QString readKey = upper ? target.key : target.key.toLower();
    FuzzRequire(WriteIni(target.section, writtenKey, value, path), "WriteIni succeeds", value);

    const QString read = ReadIni(target.section, readKey, kMissing, path);
    FuzzRequire(read != kMissing, "a written key is found", value);
    FuzzRequire(!read.contains(u'\n') && !read.contains(u'\r'), "a value stays on its line", read);
    if (IsPlainValue(value))
        FuzzRequire(read == value, "a written value reads back as written", value);

    IniFile after(path);
    FuzzRequire(after.load(), "the rewritten file loads", path);
    for (qsizetype i = 0; i < probes.size(); ++i) {
        const KeyName& probe = probes.at(i);
        if (SameKey(probe, target))
            continue;
        FuzzRequire(after.value(probe.section, probe.key, kMissing) == valuesBefore.at(i),
                    "a write leaves every other key as it was",
                    QStringLiteral("[%1] %2").arg(probe.section, probe.key));
    }
    return 0;
}
