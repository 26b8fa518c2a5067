#include "platform/linux/SoundEffectReminder.h"
#include "support/TempFolder.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// A few milliseconds of silence: 16-bit PCM, mono, 8 kHz.
QByteArray SilentWav() {
    constexpr quint32 sampleRate = 8000;
    constexpr quint32 dataBytes = 80 * 2; // 10 ms
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVE", 4);
    out.writeRawData("fmt ", 4);
    out << quint32(16) << quint16(1) << quint16(1) << sampleRate << quint32(sampleRate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    bytes.append(QByteArray(dataBytes, '\0'));
    return bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST(SoundEffectReminder, MissingFileIsSilentUntilItAppears) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("Remind.wav"));
    // Started before the first look (at construction), so it never reads less than the
    // reminder's own throttle.
    QElapsedTimer sinceFirstLook;
    sinceFirstLook.start();
    SoundEffectReminder sound(path);
    sound.play();
    EXPECT_TRUE(sound.source().isEmpty());

    // A file that appears is not looked for again within the second (on a machine so busy
    // that the second has passed already, the look is due and this part proves nothing)...
    WriteFile(path, SilentWav());
    sound.play();
    if (sinceFirstLook.elapsed() < 1000) {
        EXPECT_TRUE(sound.source().isEmpty());
    }

    // ...but is taken up once it has passed.
    QThread::msleep(1100);
    sound.play();
    EXPECT_EQ(sound.source(), QUrl::fromLocalFile(path));
}

TEST(SoundEffectReminder, ValidFileIsPreloadedAndPlays) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("Remind.wav"));
    WriteFile(path, SilentWav());
    SoundEffectReminder sound(path);
    EXPECT_EQ(sound.source(), QUrl::fromLocalFile(path));

    // Loading is asynchronous; let it finish.
    const QDeadlineTimer deadline(5000);
    while (sound.status() == QSoundEffect::Loading && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    // The sample decodes whether or not an audio output exists.
    EXPECT_EQ(sound.status(), QSoundEffect::Ready)
        << "audio outputs: " << QMediaDevices::audioOutputs().size();

    sound.play();
    sound.play();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
}

} // namespace
