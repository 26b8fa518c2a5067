#include "platform/linux/SoundEffectReminder.h"

#include <QFileInfo>

namespace {
constexpr qint64 kLookIntervalMs = 1000;
}

SoundEffectReminder::SoundEffectReminder(QString filePath) : m_filePath(std::move(filePath)) {
    loadIfPresent();
}

void SoundEffectReminder::play() {
    if (!m_loaded) {
        // A file that appears later is picked up, but the disk is asked at most once a second.
        if (m_sinceLastLook.isValid() && m_sinceLastLook.elapsed() < kLookIntervalMs)
            return;
        if (!loadIfPresent())
            return;
    }
    // Asynchronous: while the sample is still loading the effect starts once it is ready.
    m_effect.play();
}

bool SoundEffectReminder::loadIfPresent() {
    m_sinceLastLook.start();
    if (!QFileInfo::exists(m_filePath))
        return false;
    m_effect.setSource(QUrl::fromLocalFile(m_filePath));
    m_loaded = true;
    return true;
}
