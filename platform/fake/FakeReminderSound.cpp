#include "platform/fake/FakeReminderSound.h"

void FakeReminderSound::play() {
    ++m_playCount;
}
