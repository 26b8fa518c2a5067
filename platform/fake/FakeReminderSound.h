#pragma once

#include "platform/ReminderSound.h"

// Counts the reminders instead of sounding them.
class FakeReminderSound : public ReminderSound {
public:
    void play() override;

    int playCount() const { return m_playCount; }

private:
    int m_playCount = 0;
};
