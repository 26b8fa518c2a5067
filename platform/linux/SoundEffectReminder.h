#pragma once

#include "platform/ReminderSound.h"

#include <QElapsedTimer>
#include <QSoundEffect>
#include <QString>
#include <QUrl>

// The reminder through one preloaded QSoundEffect, which plays asynchronously and stays silent
// without an audio output.
class SoundEffectReminder : public ReminderSound {
public:
    explicit SoundEffectReminder(QString filePath);

    void play() override;

    // Empty until the file has been found and handed to the effect.
    QUrl source() const { return m_effect.source(); }
    QSoundEffect::Status status() const { return m_effect.status(); }

private:
    bool loadIfPresent();

    QString m_filePath;
    QSoundEffect m_effect;
    bool m_loaded = false;
    // Throttles the look for a file that was missing, so play() stays cheap.
    QElapsedTimer m_sinceLastLook;
};
