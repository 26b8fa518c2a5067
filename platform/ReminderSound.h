#pragma once

// The reminder sound. Starts playing and returns at once; silent when the file or the audio
// output is missing.
class ReminderSound {
public:
    virtual ~ReminderSound() = default;
    virtual void play() = 0;
};
